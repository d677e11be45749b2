# Bitmap decoding from memory against stb_image and a plain copy (tools/bench.sh runs it).
add_executable(dib_bench dib_bench.cpp)
target_link_libraries(dib_bench PRIVATE farlight_image farlight_bitmap_builder benchmark::benchmark
  /usr/lib/x86_64-linux-gnu/libstb.a)
target_include_directories(dib_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
