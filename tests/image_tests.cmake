# The bitmap reader's tests: none needs a display but the box test, which drives a real one.
add_library(farlight_bitmap_builder STATIC bitmap_builder.cpp)
farlight_add_test(dib_reader_test
  SOURCES dib_reader_test.cpp working_header_test.cpp
  LIBS farlight_image farlight_bitmap_builder
  LABEL unit)
farlight_add_test(notice_box_test SOURCES notice_box_test.cpp LIBS farlight_image LABEL gl)
