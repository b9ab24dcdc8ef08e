# The bitmap loader's fuzz target. The picture-file units (listed once, in picture/) are compiled
# again here with the fuzzer's coverage instrumentation; linked ahead of the screen library, they
# take the place of the uninstrumented copies. The seed corpus is one file of each kind, written
# by the tests' builder, and the BMP, PNG, JPEG and GIF files of the peer test, damaged ones too.
set(bitmap_fuzz_options -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
get_property(picture_sources GLOBAL PROPERTY picture_sources)
add_library(bitmap_fuzz_code STATIC ${picture_sources})
target_include_directories(bitmap_fuzz_code PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(bitmap_fuzz_code PRIVATE picture_lazy_libraries)
target_compile_options(bitmap_fuzz_code PRIVATE ${bitmap_fuzz_options})

add_executable(bitmap_fuzzer ${CMAKE_CURRENT_LIST_DIR}/bitmap_fuzzer.cpp)
target_compile_options(bitmap_fuzzer PRIVATE ${bitmap_fuzz_options})
target_link_options(bitmap_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(bitmap_fuzzer PRIVATE bitmap_fuzz_code screen)

set(bitmap_seeds ${CMAKE_CURRENT_BINARY_DIR}/bitmap_seeds)
add_custom_command(
  OUTPUT ${bitmap_seeds}/plain24.bmp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${bitmap_seeds}
  COMMAND bitmap_seed_corpus ${bitmap_seeds}
  COMMAND /usr/bin/python3 ${PROJECT_SOURCE_DIR}/tests/bitmap/make_peer_bitmaps.py ${bitmap_seeds}
          --pictures-only
  DEPENDS bitmap_seed_corpus ${PROJECT_SOURCE_DIR}/tests/bitmap/make_peer_bitmaps.py
  COMMENT "Writing the bitmap fuzzer's seed corpus"
  VERBATIM)
add_custom_target(bitmap_fuzz_seeds DEPENDS ${bitmap_seeds}/plain24.bmp)
add_dependencies(bitmap_fuzzer bitmap_fuzz_seeds)

# A bounded run for CI: new inputs go to a corpus folder in the build tree, the seeds stay as
# they are. BITMAP_FUZZ_SECONDS sets the length.
set(BITMAP_FUZZ_SECONDS 60 CACHE STRING "Seconds the bitmap fuzz test runs")
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/bitmap_corpus)
add_test(NAME fuzz_bitmap
         COMMAND bitmap_fuzzer -max_total_time=${BITMAP_FUZZ_SECONDS} -timeout=10
                 -rss_limit_mb=2048 -print_final_stats=1
                 ${CMAKE_CURRENT_BINARY_DIR}/bitmap_corpus ${bitmap_seeds})
set_tests_properties(fuzz_bitmap PROPERTIES LABELS fuzz TIMEOUT 600)
