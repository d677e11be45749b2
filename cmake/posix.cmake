# The build for Linux and other POSIX systems: GL and GLU through GLVND, freeglut, SDL2 for the
# "Error" box; the tests add GoogleTest, threads and stb.
set(OpenGL_GL_PREFERENCE GLVND)
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
find_package(GLUT REQUIRED)
find_package(SDL2 REQUIRED)
if(BUILD_TESTING)
  find_package(GTest REQUIRED)
  find_package(Threads REQUIRED)
  # stb (Debian's libstb-dev ships no CMake package): the benchmark's reference decoder and the
  # screenshot tool's PNG writer.
  find_path(FARLIGHT_STB_INCLUDE_DIR stb/stb_image.h REQUIRED)
  find_library(FARLIGHT_STB_LIBRARY NAMES libstb.a stb REQUIRED)
  add_library(stb::stb UNKNOWN IMPORTED)
  set_target_properties(stb::stb PROPERTIES IMPORTED_LOCATION ${FARLIGHT_STB_LIBRARY}
                                            INTERFACE_INCLUDE_DIRECTORIES ${FARLIGHT_STB_INCLUDE_DIR})
endif()
