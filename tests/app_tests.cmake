# Viewer tests. Unit tests link the app library against a recording GL double, never real GL; the
# gl tests drive the real freeglut + Mesa stack under the test command's Xvfb.

farlight_add_test(app_unit_tests
  SOURCES app_sphere_test.cpp app_viewer_test.cpp app_picking_test.cpp app_texture_test.cpp
          app_box_average_test.cpp
          gl_double.cpp ${PROJECT_SOURCE_DIR}/bench/reference_sphere.cpp
  LIBS farlight_app farlight_bitmap_builder
  LABEL unit)

find_package(X11 REQUIRED)

farlight_add_test(app_gl_tests
  SOURCES app_gl_test.cpp gl_window.cpp
  LIBS farlight_app OpenGL::GL OpenGL::GLU GLUT::GLUT X11::X11
  LABEL gl)
target_link_options(app_gl_tests PRIVATE -Wl,--wrap=glutSwapBuffers)

# The shipped game as a child process, played with xdotool (also used by the release tests).
add_library(farlight_game_driver STATIC game_process.cpp)
target_link_libraries(farlight_game_driver PUBLIC farlight_app GTest::gtest X11::X11)
target_compile_definitions(farlight_game_driver PRIVATE
  FARLIGHT_BINARY="$<TARGET_FILE:farlight>"
  FARLIGHT_PICTURES_DIR="${FARLIGHT_PICTURES_DIR}"
  FARLIGHT_VALGRIND_SUPPRESSIONS="${CMAKE_CURRENT_SOURCE_DIR}/valgrind.supp")
add_dependencies(farlight_game_driver farlight farlight_pictures)

farlight_add_test(farlight_binary_tests
  SOURCES farlight_binary_test.cpp
  LIBS farlight_game_driver farlight_app OpenGL::GL OpenGL::GLU GLUT::GLUT
  LABEL gl)
target_compile_definitions(farlight_binary_tests PRIVATE FARLIGHT_BINARY="$<TARGET_FILE:farlight>")

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
