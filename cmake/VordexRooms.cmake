# vordex_room(NAME DIR [DEPENDS room...]): one static library per room of the code, made of the
# .cpp files directly in DIR.
function(vordex_room name dir)
  cmake_parse_arguments(ROOM "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT sources)
    message(FATAL_ERROR "vordex_room(${name}): no sources in ${dir}")
  endif()
  set(deps)
  foreach(dep IN LISTS ROOM_DEPENDS)
    list(APPEND deps vordex_${dep})
  endforeach()
  add_library(vordex_${name} STATIC ${sources})
  target_include_directories(vordex_${name} PUBLIC ${PROJECT_SOURCE_DIR}/include
                                                   ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(vordex_${name} PUBLIC ${deps})
endfunction()

# vordex_test_room(NAME DIR DEPENDS room...): the GoogleTest program vordex_tests_NAME made of
# the .cpp files in tests/DIR, registered with ctest under the label NAME. A room's
# threads_test.cpp and extreme_input_test.cpp are left out: they belong to the test groups of
# tests/CMakeLists.txt.
function(vordex_test_room name dir)
  cmake_parse_arguments(ROOM "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${dir}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/(threads|extreme_input)_test\\.cpp$")
  if(NOT sources)
    return()
  endif()
  set(deps)
  foreach(dep IN LISTS ROOM_DEPENDS)
    list(APPEND deps vordex_${dep})
  endforeach()
  add_executable(vordex_tests_${name} ${sources})
  target_include_directories(vordex_tests_${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(vordex_tests_${name} PRIVATE ${deps} vordex_test_support GTest::gtest
                                                     GTest::gtest_main)
  gtest_discover_tests(vordex_tests_${name} PROPERTIES LABELS ${name} DISCOVERY_TIMEOUT 60)
endfunction()
