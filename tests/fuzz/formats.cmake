# One fuzz target per decoder, on the bitmap fragment's instrumented picture units, seeded with
# that format's files of the picture library's table test (written by its tools, hostile ones
# among them); BMP, PNG, JPEG and GIF with the bitmap fuzzer's seeds too. Each target passes over
# inputs of other formats, and runs as long as the bitmap fuzz test.
set(format_fuzz_options -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
set(format_seeds ${CMAKE_CURRENT_BINARY_DIR}/format_seeds)
add_custom_command(
  OUTPUT ${format_seeds}/webp/lossless_alpha.webp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${format_seeds}
  COMMAND /usr/bin/python3 ${PROJECT_SOURCE_DIR}/tests/picture/make_format_pictures.py
          ${format_seeds}/all --pictures-only
  COMMAND ${CMAKE_COMMAND} -DFROM=${format_seeds}/all -DTO=${format_seeds}
          -P ${PROJECT_SOURCE_DIR}/tests/picture/sort_fuzz_seeds.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/tests/picture/make_format_pictures.py
          ${PROJECT_SOURCE_DIR}/tests/picture/heif_boxes.py
          ${PROJECT_SOURCE_DIR}/tests/picture/hostile_pictures.py
          ${PROJECT_SOURCE_DIR}/tests/picture/sort_fuzz_seeds.cmake
  COMMENT "Writing the format fuzzers' seed corpora"
  VERBATIM)
add_custom_target(format_fuzz_seeds DEPENDS ${format_seeds}/webp/lossless_alpha.webp)

foreach(target bmp:BMP png:PNG jpeg:JPEG gif:GIF webp:WebP tiff:TIFF heif:HEIC,AVIF,HEIF)
  string(REPLACE ":" ";" parts ${target})
  list(GET parts 0 format)
  list(GET parts 1 names)
  string(REPLACE "," "\",\"" names "\"${names}\"")
  add_executable(${format}_fuzzer ${CMAKE_CURRENT_LIST_DIR}/decoder_fuzzer.cpp)
  target_compile_definitions(${format}_fuzzer PRIVATE "PICTURE_FORMATS=${names}")
  target_compile_options(${format}_fuzzer PRIVATE ${format_fuzz_options})
  target_link_options(${format}_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${format}_fuzzer PRIVATE bitmap_fuzz_code picture)
  add_dependencies(${format}_fuzzer format_fuzz_seeds bitmap_fuzz_seeds)
  set(seeds ${format_seeds}/${format})
  if(format STREQUAL "bmp")
    set(seeds ${bitmap_seeds})
  elseif(format MATCHES "^(png|jpeg|gif)$")
    list(APPEND seeds ${bitmap_seeds})
  endif()
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${format}_corpus)
  add_test(NAME fuzz_${format}
           COMMAND ${format}_fuzzer -max_total_time=${BITMAP_FUZZ_SECONDS} -timeout=10
                   -rss_limit_mb=2048 -print_final_stats=1
                   ${CMAKE_CURRENT_BINARY_DIR}/${format}_corpus ${seeds})
  set_tests_properties(fuzz_${format} PROPERTIES LABELS fuzz TIMEOUT 600)
endforeach()
