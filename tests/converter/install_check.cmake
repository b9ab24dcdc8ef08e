# Installs the build into an empty folder and checks that the three programs, their manual pages,
# the desktop entries (the converter's for the menu, the viewer's for "Open with") and the icon
# they name arrive, and that an installed program runs from there.
# Usage: cmake -DBUILD=<build folder> -DPREFIX=<scratch folder> -P install_check.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()

foreach(file bin/pixeltools-converter bin/pixeltools-viewer bin/bmp2bi
             share/man/man1/pixeltools-converter.1.gz share/man/man1/pixeltools-viewer.1.gz
             share/man/man1/bmp2bi.1.gz share/mime/packages/pixeltools.xml
             share/icons/hicolor/scalable/apps/pixeltools.svg
             share/icons/hicolor/48x48/apps/pixeltools.png)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
# The short names of the build tree belong to other packages once installed.
foreach(file bin/converter bin/viewer share/man/man1/converter.1.gz share/man/man1/viewer.1.gz)
  if(EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "installed under a name another package owns: ${file}")
  endif()
endforeach()
execute_process(COMMAND ${PREFIX}/bin/bmp2bi --version RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed bmp2bi does not run: status ${status}")
endif()

# check_entry(<name> <line>...): share/applications/<name>.desktop is installed, holds every
# line given and, where desktop-file-validate is at hand, passes it without a word, hints
# included (such as two main categories). CMake separates list items with semicolons, so the
# lines are given, and compared, with commas in their places.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
function(check_entry name)
  set(entry ${PREFIX}/share/applications/${name}.desktop)
  if(NOT EXISTS ${entry})
    message(FATAL_ERROR "not installed: share/applications/${name}.desktop")
  endif()
  file(READ ${entry} text)
  string(REPLACE ";" "," text "\n${text}")
  foreach(expected "[Desktop Entry]" "Type=Application" ${ARGN})
    string(FIND "${text}" "\n${expected}\n" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${name}.desktop lacks the line \"${expected}\"")
    endif()
  endforeach()
  if(DESKTOP_FILE_VALIDATE)
    execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${entry}
                    RESULT_VARIABLE status OUTPUT_VARIABLE problems ERROR_VARIABLE problems)
    if(NOT status EQUAL 0 OR NOT problems STREQUAL "")
      message(FATAL_ERROR "${name}.desktop does not validate: ${problems}")
    endif()
  endif()
endfunction()

check_entry(pixeltools-converter "Name=Pixeltools Converter" "Exec=pixeltools-converter" "Icon=pixeltools")
# Not in the menu: the viewer without a file shows only its built-in picture.
check_entry(pixeltools-viewer "Name=Pixeltools Viewer" "Exec=pixeltools-viewer %F" "NoDisplay=true"
            "Icon=pixeltools"
            "MimeType=image/bmp,image/png,image/jpeg,image/gif,image/webp,image/tiff,image/heic,image/heif,image/avif,text/x-pixeltools-pixel-data,")
file(REMOVE_RECURSE ${PREFIX})
