# The viewer's fuzz targets: the value conversion and BuildImage over arbitrary streams, and the
# include-file reader of the stream generator and of the viewer's pictures. The viewer's sources are compiled again here with
# the fuzzer's coverage instrumentation, which the ordinary libraries must not carry.
set(viewer_fuzz_options -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
add_library(viewer_fuzz_code STATIC
  ${PROJECT_SOURCE_DIR}/pixeldata/value_stream.cpp
  ${PROJECT_SOURCE_DIR}/viewer/build_image.cpp
  ${PROJECT_SOURCE_DIR}/pixeldata/picture_values.cpp
  ${PROJECT_SOURCE_DIR}/pixeldata/reader.cpp
  ${PROJECT_SOURCE_DIR}/pixeldata/line_blocks.cpp
  ${PROJECT_SOURCE_DIR}/viewer/picture_file.cpp
  ${PROJECT_SOURCE_DIR}/viewer/folder.cpp)
target_include_directories(viewer_fuzz_code PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(viewer_fuzz_code PRIVATE ${viewer_fuzz_options})
target_link_libraries(viewer_fuzz_code PUBLIC screen)

foreach(fuzzer viewer_stream_fuzzer viewer_include_file_fuzzer)
  add_executable(${fuzzer} ${CMAKE_CURRENT_LIST_DIR}/${fuzzer}.cpp)
  target_compile_options(${fuzzer} PRIVATE ${viewer_fuzz_options})
  target_link_options(${fuzzer} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${fuzzer} PRIVATE viewer_fuzz_code)
endforeach()

# Bounded runs for CI, each from a small seed of the form it reads; new inputs go to a corpus
# folder in the build tree. VIEWER_FUZZ_SECONDS sets the length of each.
set(VIEWER_FUZZ_SECONDS 60 CACHE STRING "Seconds each viewer fuzz test runs")
set(viewer_fuzz_seeds ${CMAKE_CURRENT_BINARY_DIR}/viewer_seeds)
file(WRITE ${viewer_fuzz_seeds}/viewer_stream_fuzzer/picture
     "3\n2\n255,180,151,71\n0,255,0,255\n&HFF,&O17,&B101,&17\n-1,300,12ab,\n 4294967296\n")
file(WRITE ${viewer_fuzz_seeds}/viewer_include_file_fuzzer/picture.bi
     "Unnamed_bi:\r\nData 2\r\nData 1\r\nData 255, 255, 0,0\r\n\r\nrow:\r\nDATA &HFF, 0, 0,255\r\n")
file(WRITE ${viewer_fuzz_seeds}/viewer_include_file_fuzzer/forms.bi
     "label a_0\r\nData 1\r\nData 2\r\nData -2, 1, 2, 3, 4\r\nData 255, 0, 0,0\r\nData 1, 0\r\n"
     "1000 REM a_1 2 x 1\r\n1010 DATA 2,1\r\n1020 DATA &HFF000000,&h00ffffff\r\n")
file(WRITE ${viewer_fuzz_seeds}/viewer_include_file_fuzzer/labels.bi
     "a\tb\nc_bi:\r\n:\nData 2\nData 2\nData -1, 99999999999, 12345678,123456789\nData 7\r")
# Lines up to just above the reader's limit of 16384 bytes, and seeds at and above it.
string(REPEAT "x" 16383 long_label)
file(WRITE ${viewer_fuzz_seeds}/viewer_include_file_fuzzer/long_label.bi
     "${long_label}:\nData 1\nData 1\nData 1,2,3,4\n${long_label}y:\n")
string(REPEAT ",7" 8189 long_values)
file(WRITE ${viewer_fuzz_seeds}/viewer_include_file_fuzzer/long_values.bi
     "Data 1\nData 2${long_values}\nData 3${long_values}9\n")
set(viewer_include_file_fuzzer_length -max_len=17000)
foreach(fuzzer viewer_stream_fuzzer viewer_include_file_fuzzer)
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/viewer_corpus/${fuzzer})
  string(REPLACE "_fuzzer" "" test ${fuzzer})
  add_test(NAME fuzz_${test}
           COMMAND ${fuzzer} -max_total_time=${VIEWER_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
                   ${${fuzzer}_length}
                   -print_final_stats=1 ${CMAKE_CURRENT_BINARY_DIR}/viewer_corpus/${fuzzer}
                   ${viewer_fuzz_seeds}/${fuzzer})
  set_tests_properties(fuzz_${test} PROPERTIES LABELS fuzz TIMEOUT 600)
endforeach()
