# Runs one Windows program of the tests under Wine, or reports it skipped when the probe
# (wine_probe.cmake) found that this machine cannot run one.
#   cmake -DWINE=<wine> -DPREFIX=<wine prefix> -DRESULT=<probe's answer file>
#         -DPROGRAM=<program.exe> [-DARGS=<arguments>] -P run_under_wine.cmake
# The program runs in the current directory, its output passes through, and a non-zero exit
# status fails the test.
cmake_minimum_required(VERSION 3.24)
foreach(var PREFIX RESULT PROGRAM)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_under_wine.cmake needs -D${var}=...")
  endif()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/wine_env.cmake)

if(NOT EXISTS ${RESULT})
  message(FATAL_ERROR "${RESULT} does not exist: the probe windows_wine_probe has not run")
endif()
file(STRINGS ${RESULT} answer LIMIT_COUNT 1)
if(NOT answer STREQUAL "ok")
  message("Wine tests skipped: this machine cannot run a 32-bit Windows program under Wine: "
          "${answer}")
  return()
endif()
vordex_wine_command(run ${WINE} ${PROGRAM} ${ARGS})
execute_process(COMMAND ${run} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  get_filename_component(name ${PROGRAM} NAME)
  message(FATAL_ERROR "${name} under Wine exited with ${rc}")
endif()
