# The README's screenshot: tools/screenshot renders a fixed-seed frame and saves it as a PNG.
find_library(FARLIGHT_STB_LIBRARY NAMES libstb.a stb REQUIRED)
add_executable(screenshot ${CMAKE_CURRENT_LIST_DIR}/screenshot.cpp)
target_link_libraries(screenshot PRIVATE farlight_app OpenGL::GL OpenGL::GLU GLUT::GLUT
                      ${FARLIGHT_STB_LIBRARY})
target_link_options(screenshot PRIVATE -Wl,--wrap=glutSwapBuffers)
