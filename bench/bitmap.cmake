# Decoding picture files against SDL2, libspng's and TurboJPEG's direct decodes and a
# single-header decoder (bitmap_bench), and the batch tool's whole run on BMP, PNG and JPEG files
# against ImageMagick, a Pillow script and dd (bmp2bi_vs_peers.py, run by the target below).
pkg_check_modules(STB IMPORTED_TARGET stb)
if(STB_FOUND)
  add_executable(bitmap_bench ${CMAKE_CURRENT_LIST_DIR}/bitmap_bench.cpp)
  target_link_libraries(bitmap_bench PRIVATE screen benchmark::benchmark PkgConfig::SDL2
                                             PkgConfig::STB)
else()
  message(WARNING "stb (libstb-dev) not found: bitmap_bench is not built")
endif()

if(TARGET bmp2bi)
  # cmake --build <dir> --target bench_bmp2bi_vs_peers
  add_custom_target(bench_bmp2bi_vs_peers
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/bmp2bi_vs_peers.py $<TARGET_FILE:bmp2bi>
    DEPENDS bmp2bi
    USES_TERMINAL
    VERBATIM)
endif()
