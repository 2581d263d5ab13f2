# Decides once per test run whether this machine can run a 32-bit Windows program under Wine,
# and writes the answer for the Wine tests (run_under_wine.cmake) to read.
#   cmake -DWINE=<wine or empty> -DPREFIX=<wine prefix> -DPROBE=<vordex_wine_probe.exe>
#         -DRESULT=<answer file> -P wine_probe.cmake
# The answer file holds "ok", or the reason why not on one line. It cannot when Wine is not
# installed, when wineboot cannot set up the prefix (a kernel without 32-bit execution stops it
# with "Exec format error"), or when the probe program does not run and report. The environment
# variable VORDEX_WINE_PROBE=fail makes the probe answer "cannot" on any machine, to show the
# skip path. Where it cannot, the output says "Wine tests skipped: ..." and ctest reports the test
# as skipped.
cmake_minimum_required(VERSION 3.24)
foreach(var PREFIX PROBE RESULT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "wine_probe.cmake needs -D${var}=...")
  endif()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/wine_env.cmake)

# The last non-blank line of a process's output: where Wine's launchers put the reason.
function(last_line text out)
  string(STRIP "${text}" text)
  string(REGEX REPLACE ".*\n" "" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(reason)
if("$ENV{VORDEX_WINE_PROBE}" STREQUAL "fail")
  set(reason "the probe was told to fail (VORDEX_WINE_PROBE=fail)")
elseif(NOT WINE)
  set(reason "Wine is not installed (Debian: wine and wine32, see scripts/deps.sh)")
else()
  vordex_wine_command(boot ${WINE} wineboot --init)
  execute_process(COMMAND ${boot} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out
                  TIMEOUT 600)
  if(NOT rc EQUAL 0)
    last_line("${out}" line)
    set(reason "wineboot --init failed (${rc}): ${line}")
  else()
    vordex_wine_command(run ${WINE} ${PROBE})
    execute_process(COMMAND ${run} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out
                    TIMEOUT 300)
    if(NOT rc EQUAL 0 OR NOT out MATCHES "32-bit Windows programs run")
      last_line("${out}" line)
      set(reason "the probe program did not run (${rc}): ${line}")
    endif()
  endif()
endif()

if(reason)
  string(REPLACE "\n" " " reason "${reason}")
  file(WRITE ${RESULT} "${reason}\n")
  message("Wine tests skipped: this machine cannot run a 32-bit Windows program under Wine: "
          "${reason}")
else()
  file(WRITE ${RESULT} "ok\n")
  message("${out}")
endif()
