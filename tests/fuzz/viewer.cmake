# The viewer's fuzz targets: the value conversion and BuildImage over arbitrary streams, and the
# include-file reader of the stream generator. The viewer's sources are compiled again here with
# the fuzzer's coverage instrumentation, which the ordinary libraries must not carry.
set(viewer_fuzz_options -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
add_library(viewer_fuzz_code STATIC
  ${PROJECT_SOURCE_DIR}/viewer/value_stream.cpp
  ${PROJECT_SOURCE_DIR}/viewer/build_image.cpp
  ${PROJECT_SOURCE_DIR}/viewer/include_file.cpp)
target_include_directories(viewer_fuzz_code PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(viewer_fuzz_code PRIVATE ${viewer_fuzz_options})
target_link_libraries(viewer_fuzz_code PUBLIC screen)

foreach(fuzzer viewer_stream_fuzzer viewer_include_file_fuzzer)
  add_executable(${fuzzer} ${CMAKE_CURRENT_LIST_DIR}/${fuzzer}.cpp)
  target_compile_options(${fuzzer} PRIVATE ${viewer_fuzz_options})
  target_link_options(${fuzzer} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${fuzzer} PRIVATE viewer_fuzz_code)
endforeach()
