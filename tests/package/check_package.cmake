# Installs the build into a fresh prefix, then configures, builds and runs a consumer project
# against it with find_package(vordex <version>). Arguments (-D): BUILD_DIR, SOURCE_DIR, WORK_DIR,
# VERSION.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
                        --component Unspecified
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "install failed: ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/package/consumer -B ${WORK_DIR}/build
                        -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix -DVORDEX_EXPECTED_VERSION=${VERSION}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the consumer did not configure: ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the consumer did not build: ${status}")
endif()
execute_process(COMMAND ${WORK_DIR}/build/consumer RESULT_VARIABLE status OUTPUT_VARIABLE out)
message(STATUS "consumer: ${out}")
if(NOT status EQUAL 0 OR NOT out MATCHES "^ARIMA\\(0,1,1\\)\\(0,1,1\\)\\[12\\] 3")
  message(FATAL_ERROR "the consumer failed: ${status} ${out}")
endif()
