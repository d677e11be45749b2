# The eleven planet pictures: a generator paints them at build time into ${CMAKE_BINARY_DIR}/pictures.
add_executable(make_pictures
  ${CMAKE_CURRENT_LIST_DIR}/make_pictures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bmp_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/earth_coasts.cpp)
# It runs in every build, the debug ones included, so it is always optimised.
target_compile_options(make_pictures PRIVATE -O2)

set(FARLIGHT_PICTURES_DIR ${CMAKE_BINARY_DIR}/pictures CACHE INTERNAL "Folder of the generated pictures")
set(farlight_pictures)
foreach(body Sun Mercury Venus Earth Moon Mars Jupiter Saturn Uranus Neptune Pluto)
  list(APPEND farlight_pictures ${FARLIGHT_PICTURES_DIR}/${body}.bmp)
endforeach()

add_custom_command(
  OUTPUT ${farlight_pictures}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${FARLIGHT_PICTURES_DIR}
  COMMAND make_pictures ${FARLIGHT_PICTURES_DIR}
  DEPENDS make_pictures
  COMMENT "Painting the eleven planet pictures"
  VERBATIM)
add_custom_target(farlight_pictures ALL DEPENDS ${farlight_pictures})
