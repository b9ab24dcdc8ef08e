# The whole conversion's fuzz target: bytes through the picture library's probe and load and the
# include-file writer, compiled again with the fuzzer's instrumentation on top of the bitmap
# fragment's picture units, from the same seed corpus. It runs as long as the bitmap fuzz test.
set(conversion_fuzz_options -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
add_library(conversion_fuzz_code STATIC
  ${PROJECT_SOURCE_DIR}/pixeldata/writer.cpp
  ${PROJECT_SOURCE_DIR}/pixeldata/block_output.cpp
  ${PROJECT_SOURCE_DIR}/pixeldata/pixel_text.cpp
  ${PROJECT_SOURCE_DIR}/pixeldata/include_format.cpp)
target_include_directories(conversion_fuzz_code PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(conversion_fuzz_code PRIVATE ${conversion_fuzz_options})
target_link_libraries(conversion_fuzz_code PUBLIC bitmap_fuzz_code picture Threads::Threads)

add_executable(conversion_fuzzer ${CMAKE_CURRENT_LIST_DIR}/conversion_fuzzer.cpp)
target_compile_options(conversion_fuzzer PRIVATE ${conversion_fuzz_options})
target_link_options(conversion_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(conversion_fuzzer PRIVATE conversion_fuzz_code)
add_dependencies(conversion_fuzzer bitmap_fuzz_seeds)

file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/conversion_corpus)
add_test(NAME fuzz_conversion
         COMMAND conversion_fuzzer -max_total_time=${BITMAP_FUZZ_SECONDS} -timeout=10
                 -rss_limit_mb=2048 -print_final_stats=1
                 ${CMAKE_CURRENT_BINARY_DIR}/conversion_corpus ${bitmap_seeds})
set_tests_properties(fuzz_conversion PROPERTIES LABELS fuzz TIMEOUT 600)
