# Frame cost of the game's sphere against the per-vertex-trig reference (tools/bench.sh runs it).
add_executable(sphere_bench sphere_bench.cpp reference_sphere.cpp)
target_link_libraries(sphere_bench PRIVATE farlight_app benchmark::benchmark)

# Start-up on the real GL stack; runs in the pictures folder under Xvfb.
add_executable(startup_bench startup_bench.cpp)
target_link_libraries(startup_bench PRIVATE farlight_app OpenGL::GL OpenGL::GLU GLUT::GLUT
                      benchmark::benchmark)
add_dependencies(startup_bench farlight_pictures)
