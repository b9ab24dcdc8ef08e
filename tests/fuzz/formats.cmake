# One fuzz target per format read through a library of its own (WebP, TIFF, HEIC and AVIF), on
# the bitmap fragment's instrumented picture units. Each has its own seeds: that format's files
# of the picture library's table test, written by its tools; each runs as long as the bitmap
# fuzz test.
set(format_fuzz_options -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
set(format_seeds ${CMAKE_CURRENT_BINARY_DIR}/format_seeds)
add_custom_command(
  OUTPUT ${format_seeds}/webp/lossless_alpha.webp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${format_seeds}
  COMMAND /usr/bin/python3 ${PROJECT_SOURCE_DIR}/tests/picture/make_format_pictures.py
          ${format_seeds}/all --pictures-only
  COMMAND ${CMAKE_COMMAND} -DFROM=${format_seeds}/all -DTO=${format_seeds}
          -P ${CMAKE_CURRENT_LIST_DIR}/sort_seeds.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/tests/picture/make_format_pictures.py
          ${CMAKE_CURRENT_LIST_DIR}/sort_seeds.cmake
  COMMENT "Writing the format fuzzers' seed corpora"
  VERBATIM)
add_custom_target(format_fuzz_seeds DEPENDS ${format_seeds}/webp/lossless_alpha.webp)

foreach(format webp tiff heif)
  add_executable(${format}_fuzzer ${CMAKE_CURRENT_LIST_DIR}/${format}_fuzzer.cpp)
  target_compile_options(${format}_fuzzer PRIVATE ${format_fuzz_options})
  target_link_options(${format}_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${format}_fuzzer PRIVATE bitmap_fuzz_code picture)
  add_dependencies(${format}_fuzzer format_fuzz_seeds)
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${format}_corpus)
  add_test(NAME fuzz_${format}
           COMMAND ${format}_fuzzer -max_total_time=${BITMAP_FUZZ_SECONDS} -timeout=10
                   -rss_limit_mb=2048 -print_final_stats=1
                   ${CMAKE_CURRENT_BINARY_DIR}/${format}_corpus ${format_seeds}/${format})
  set_tests_properties(fuzz_${format} PROPERTIES LABELS fuzz TIMEOUT 600)
endforeach()
