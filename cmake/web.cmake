# The browser build, with emscripten (its CMake toolchain file; tools/web.sh). GL and GLU are the
# web's own fixed-function library over WebGL (platform/webgl, named OpenGL::GL and OpenGL::GLU by
# platform/), GLUT is emscripten's, and the "Error" box is the browser's alert(). The tests are
# the page played in headless Chromium (tests/web), not the desktop's suites.
if(NOT EMSCRIPTEN)
  message(FATAL_ERROR "The web build needs emscripten's toolchain: configure with emcmake cmake")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/host_pictures.cmake)
if(NOT EXISTS ${FARLIGHT_WEB_PICTURES_DIR}/.painted)
  message(FATAL_ERROR "FARLIGHT_HOST_BUILD_DIR must hold the browser's pictures: build its target "
                      "farlight_web_pictures")
endif()

# freeglut's header name, which the game includes, over emscripten's GLUT; seen by every target
# as /usr/include holds freeglut's on Linux.
include_directories(${PROJECT_SOURCE_DIR}/platform/web/include)
add_library(GLUT::GLUT INTERFACE IMPORTED)
set_target_properties(GLUT::GLUT PROPERTIES INTERFACE_LINK_LIBRARIES glut)
# The game's GL and GLU, named as on the desktop; farlight_webgl is defined under platform/.
add_library(OpenGL::GL INTERFACE IMPORTED)
set_target_properties(OpenGL::GL PROPERTIES INTERFACE_LINK_LIBRARIES farlight_webgl)
add_library(OpenGL::GLU INTERFACE IMPORTED)
set_target_properties(OpenGL::GLU PROPERTIES INTERFACE_LINK_LIBRARIES farlight_webgl)
