# The Windows build, cross-built by tools/windows.sh with cmake/mingw-w64-x86_64.cmake. freeglut is
# built static from Debian's source beforehand, and the C and C++ runtimes are linked in, so
# farlight.exe needs only Windows' own DLLs; there is no SDL2 (the box is MessageBoxA) and no X11.
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
find_package(FreeGLUT CONFIG REQUIRED)
add_library(GLUT::GLUT ALIAS FreeGLUT::freeglut_static)
# freeglut's headers seen by every target, as /usr/include holds them on Linux: the game's code
# calls GLUT without linking it (the unit tests link a double).
get_target_property(freeglut_headers FreeGLUT::freeglut_static INTERFACE_INCLUDE_DIRECTORIES)
include_directories(${freeglut_headers})
add_compile_definitions(FREEGLUT_STATIC)
enable_language(C RC)
add_link_options(-static)
# GL and GDI declared without dllimport: the unit tests' recording double then stands in for
# opengl32, while the game still reaches opengl32 through its import library.
add_compile_definitions(_GDI32_)

include(${CMAKE_CURRENT_LIST_DIR}/host_pictures.cmake)
set(FARLIGHT_WINDOWS_ICON ${FARLIGHT_HOST_BUILD_DIR}/icons/farlight.ico)
if(BUILD_TESTING)
  find_package(GTest REQUIRED)
  find_package(Threads REQUIRED)
endif()

# Tests run as Windows programs under Wine, in a prefix inside the build folder; they are listed
# when ctest runs, not at build time.
set(FARLIGHT_WINEPREFIX ${CMAKE_BINARY_DIR}/wine CACHE PATH "Wine prefix the tests run in")
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${FARLIGHT_WINEPREFIX} WINEDEBUG=-all
    WINEDLLOVERRIDES=mscoree,mshtml= wine)
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
