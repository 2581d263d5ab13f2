# vordex_room(NAME DIR [DEPENDS room...]): one static library per room of the code, made of the
# .cpp files directly in DIR. A room without sources yet is an interface library.
function(vordex_room name dir)
  cmake_parse_arguments(ROOM "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  set(deps)
  foreach(dep IN LISTS ROOM_DEPENDS)
    list(APPEND deps vordex_${dep})
  endforeach()
  if(sources)
    add_library(vordex_${name} STATIC ${sources})
    target_include_directories(
      vordex_${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
                            $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
                            $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
    target_link_libraries(vordex_${name} PUBLIC ${deps})
  else()
    add_library(vordex_${name} INTERFACE)
    target_include_directories(
      vordex_${name} INTERFACE $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
                               $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
                               $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
    target_link_libraries(vordex_${name} INTERFACE ${deps})
  endif()
endfunction()

# vordex_test_room(NAME DIR [THREADS filter] DEPENDS room...): the GoogleTest program
# vordex_tests_NAME made of the .cpp files in tests/DIR, registered with ctest under the label
# NAME, except the tests that the GoogleTest filter THREADS selects: those get the label `threads`
# (which the ThreadSanitizer build runs) instead, as discovered tests take one label only.
function(vordex_test_room name dir)
  cmake_parse_arguments(ROOM "" "THREADS" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${dir}/*.cpp)
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
  if(ROOM_THREADS)
    gtest_discover_tests(vordex_tests_${name} TEST_FILTER "-${ROOM_THREADS}"
                         PROPERTIES LABELS ${name} DISCOVERY_TIMEOUT 60)
    gtest_discover_tests(vordex_tests_${name} TEST_FILTER "${ROOM_THREADS}"
                         PROPERTIES LABELS threads DISCOVERY_TIMEOUT 60)
  else()
    gtest_discover_tests(vordex_tests_${name} PROPERTIES LABELS ${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
