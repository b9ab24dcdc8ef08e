add_executable(blit_bench ${CMAKE_CURRENT_LIST_DIR}/blit_bench.cpp)
target_link_libraries(blit_bench PRIVATE screen benchmark::benchmark PkgConfig::SDL2)
