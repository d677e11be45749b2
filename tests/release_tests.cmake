# Release checks on the real stack under the test command's Xvfb: the shipped game under valgrind's
# memcheck, start-up with hostile picture files (in-process and the shipped game), and the shipped
# game against resource limits (special files, huge pictures, a closed standard error, clicks).
farlight_add_test(release_tests
  SOURCES release_memcheck_test.cpp release_hostile_test.cpp release_limits_test.cpp gl_window.cpp
  LIBS farlight_game_driver farlight_app farlight_bitmap_builder OpenGL::GL OpenGL::GLU GLUT::GLUT X11::X11
  LABEL gl)
target_link_options(release_tests PRIVATE -Wl,--wrap=glutSwapBuffers)
target_compile_definitions(release_tests PRIVATE FARLIGHT_BINARY="$<TARGET_FILE:farlight>")
add_dependencies(release_tests farlight farlight_pictures)
