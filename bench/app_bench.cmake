# Frame cost of the game's sphere against the per-vertex-trig reference (tools/bench.sh runs it).
add_executable(sphere_bench sphere_bench.cpp reference_sphere.cpp)
target_link_libraries(sphere_bench PRIVATE farlight_app benchmark::benchmark)
