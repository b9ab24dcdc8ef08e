# Installs the build into an empty folder and checks that the three programs and the converter's
# desktop entry arrive, and that an installed program runs from there.
# Usage: cmake -DBUILD=<build folder> -DPREFIX=<scratch folder> -P install_check.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()

foreach(program converter viewer bmp2bi)
  if(NOT EXISTS ${PREFIX}/bin/${program})
    message(FATAL_ERROR "not installed: bin/${program}")
  endif()
endforeach()
execute_process(COMMAND ${PREFIX}/bin/bmp2bi --version RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed bmp2bi does not run: status ${status}")
endif()

set(entry ${PREFIX}/share/applications/converter.desktop)
if(NOT EXISTS ${entry})
  message(FATAL_ERROR "not installed: share/applications/converter.desktop")
endif()
file(STRINGS ${entry} lines)
foreach(expected "[Desktop Entry]" "Type=Application" "Name=converter" "Exec=converter")
  if(NOT expected IN_LIST lines)
    message(FATAL_ERROR "converter.desktop lacks the line \"${expected}\"")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
