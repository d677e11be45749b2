# Viewer tests. Unit tests link the app library against a recording GL double, never real GL; the
# gl tests drive the real freeglut + Mesa stack under the test command's Xvfb.

farlight_add_test(app_unit_tests
  SOURCES app_sphere_test.cpp app_viewer_test.cpp app_picking_test.cpp app_texture_test.cpp
          gl_double.cpp ${PROJECT_SOURCE_DIR}/bench/reference_sphere.cpp
  LIBS farlight_app farlight_bitmap_builder
  LABEL unit)

find_package(X11 REQUIRED)

farlight_add_test(app_gl_tests
  SOURCES app_gl_test.cpp gl_window.cpp
  LIBS farlight_app OpenGL::GL OpenGL::GLU GLUT::GLUT X11::X11
  LABEL gl)
target_link_options(app_gl_tests PRIVATE -Wl,--wrap=glutSwapBuffers)

farlight_add_test(farlight_binary_tests
  SOURCES farlight_binary_test.cpp
  LIBS X11::X11
  LABEL gl)
target_compile_definitions(farlight_binary_tests PRIVATE FARLIGHT_BINARY="$<TARGET_FILE:farlight>")
add_dependencies(farlight_binary_tests farlight)

farlight_add_test(app_gl_freeze_tests
  SOURCES app_gl_freeze_test.cpp gl_window.cpp
  LIBS farlight_app OpenGL::GL OpenGL::GLU GLUT::GLUT X11::X11
  LABEL gl)
target_link_options(app_gl_freeze_tests PRIVATE -Wl,--wrap=glutSwapBuffers)

farlight_add_test(app_gl_texture_tests
  SOURCES app_gl_texture_test.cpp gl_window.cpp
  LIBS farlight_app farlight_bitmap_builder OpenGL::GL OpenGL::GLU GLUT::GLUT X11::X11
  LABEL gl)
target_link_options(app_gl_texture_tests PRIVATE -Wl,--wrap=glutSwapBuffers)
target_compile_definitions(app_gl_texture_tests PRIVATE FARLIGHT_PICTURES_DIR="${FARLIGHT_PICTURES_DIR}")
add_dependencies(app_gl_texture_tests farlight_pictures)
