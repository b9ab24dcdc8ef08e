# The formats read through libraries of their own (WebP, HEIC): the picture library's Load
# against the library's own plain decode (format_decode), and bmp2bi's whole run against a Pillow
# script, with its peak memory (formats_vs_peers.py, run by the target below).
add_executable(format_decode ${CMAKE_CURRENT_LIST_DIR}/format_decode.cpp)
target_link_libraries(format_decode PRIVATE picture PkgConfig::HEIF)

if(TARGET bmp2bi)
  # cmake --build <dir> --target bench_formats_vs_peers
  add_custom_target(bench_formats_vs_peers
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/formats_vs_peers.py $<TARGET_FILE:bmp2bi>
            $<TARGET_FILE:format_decode>
    DEPENDS bmp2bi format_decode
    USES_TERMINAL
    VERBATIM)
endif()
