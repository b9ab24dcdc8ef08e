# The viewer: building the picture from the default viewer's stream, and how long that stream
# takes to compile into a program.
if(TARGET viewer)
  add_executable(viewer_bench ${CMAKE_CURRENT_LIST_DIR}/viewer/viewer_bench.cpp)
  target_link_libraries(viewer_bench PRIVATE viewer_image viewer_picture_file benchmark::benchmark)
  target_compile_definitions(viewer_bench
                             PRIVATE VIEWER_STREAM_FILE="$<TARGET_PROPERTY:viewer,VIEWER_STREAM>")
  # The stream file is made while the viewer is built.
  add_dependencies(viewer_bench viewer)

  # cmake --build <dir> --target bench_viewer_stream_compile
  get_target_property(viewer_sources viewer SOURCES)
  list(FILTER viewer_sources INCLUDE REGEX "\\.S$")
  add_custom_target(bench_viewer_stream_compile
    COMMAND ${CMAKE_COMMAND} -DASSEMBLY=${viewer_sources}
            -DSTREAM=$<TARGET_PROPERTY:viewer,VIEWER_STREAM>
            -DASM_COMPILER=${CMAKE_ASM_COMPILER} -DCXX_COMPILER=${CMAKE_CXX_COMPILER}
            -DWORK=${CMAKE_CURRENT_BINARY_DIR}/viewer_stream_compile
            -P ${CMAKE_CURRENT_LIST_DIR}/viewer/stream_compile.cmake
    DEPENDS viewer
    VERBATIM)
endif()

# The viewer's window work on a large JPEG: view_bench PICTURE.jpg
if(TARGET viewer_browse)
  add_executable(view_bench ${CMAKE_CURRENT_LIST_DIR}/viewer/view_bench.cpp)
  target_link_libraries(view_bench PRIVATE viewer_browse benchmark::benchmark)
endif()
