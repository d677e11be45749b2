# Static checks over the shipped code and tools, run by the test command (label lint).
find_program(CLANG_TIDY clang-tidy)
find_program(CPPCHECK cppcheck)
# Benchmarks are left to cppcheck: Google Benchmark's loop macro trips the analyzer's dead-store check.
file(GLOB farlight_checked_sources ${PROJECT_SOURCE_DIR}/app/*.cpp ${PROJECT_SOURCE_DIR}/image/*.cpp
     ${PROJECT_SOURCE_DIR}/tools/*.cpp)

if(CLANG_TIDY)
  add_test(NAME lint.clang_tidy
           COMMAND ${CLANG_TIDY} -p ${PROJECT_BINARY_DIR} --quiet ${farlight_checked_sources})
else()
  # Missing tools fail loudly rather than pass unseen.
  add_test(NAME lint.clang_tidy COMMAND ${CMAKE_COMMAND} -E false)
endif()

# Small structs passed by value are deliberate (three-double vectors in the picture generator).
if(CPPCHECK)
  add_test(NAME lint.cppcheck
           COMMAND ${CPPCHECK} --quiet --enable=warning,performance,portability
                   --suppress=passedByValue --error-exitcode=1 --inline-suppr --std=c++17
                   -I ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/app ${PROJECT_SOURCE_DIR}/image
                   ${PROJECT_SOURCE_DIR}/tools ${PROJECT_SOURCE_DIR}/bench)
else()
  add_test(NAME lint.cppcheck COMMAND ${CMAKE_COMMAND} -E false)
endif()
set_tests_properties(lint.clang_tidy lint.cppcheck PROPERTIES LABELS lint)
