# A cross build paints nothing itself: its pictures (and the Windows icon) come from a native build
# of the same tree, named by FARLIGHT_HOST_BUILD_DIR; the browser's, at 8 bits with a palette, from
# its pictures-web/ (target farlight_web_pictures there).
set(FARLIGHT_HOST_BUILD_DIR "" CACHE PATH "Native build folder holding pictures/ and icons/")
if(NOT EXISTS ${FARLIGHT_HOST_BUILD_DIR}/pictures/.painted)
  message(FATAL_ERROR "FARLIGHT_HOST_BUILD_DIR must name a native build with its pictures painted")
endif()
set(FARLIGHT_PICTURES_DIR ${FARLIGHT_HOST_BUILD_DIR}/pictures)
set(FARLIGHT_WEB_PICTURES_DIR ${FARLIGHT_HOST_BUILD_DIR}/pictures-web)
add_library(farlight_pictures_folder INTERFACE)
add_library(farlight::pictures ALIAS farlight_pictures_folder)
target_compile_definitions(farlight_pictures_folder
                           INTERFACE FARLIGHT_PICTURES_DIR="${FARLIGHT_PICTURES_DIR}")
