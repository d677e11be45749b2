# The shipped pictures, read back through the real bitmap reader.
farlight_add_test(picture_test
  SOURCES picture_test.cpp ${PROJECT_SOURCE_DIR}/tools/bmp_writer.cpp
  LIBS farlight_image
  LABEL unit)
target_compile_definitions(picture_test PRIVATE FARLIGHT_PICTURES_DIR="${FARLIGHT_PICTURES_DIR}")
add_dependencies(picture_test farlight_pictures)
