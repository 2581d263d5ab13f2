# One fuzz target's test: replays the committed corpus, then fuzzes from a fixed seed for a fixed
# number of runs, starting each time from an empty working corpus, so that the same commit gives
# the same result. Run by ctest (see CMakeLists.txt) as
#   cmake -DPROGRAM=... -DWORK=... -DCORPUS=... -DSEED=... -DRUNS=... -DFLAGS="..." -P gate.cmake
# libFuzzer counts the corpus's inputs among the runs. Its final statistics are printed, the line
# "fuzz gate: ... cov ... ft ... corp ..." last: two runs of one commit print the same line.
# The targets read no clock and start no thread; what remains to fix is libFuzzer's own: no
# reloading of the corpus on a timer (-reload=0), and no mutations from the operands of traced
# comparisons (-use_cmp=0), which include addresses that change from one process to the next.
# Addresses also steer branches of inlined library code (a string's copy asks whether source and
# destination overlap by comparing them), so that the hit counts of a few edges, and with them
# the features, changed between processes: the target runs with address randomisation off
# (setarch -R) where the system allows it.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
separate_arguments(flags UNIX_COMMAND "${FLAGS}")
set(fixed_addresses)
find_program(SETARCH setarch)
if(SETARCH)
  execute_process(COMMAND ${SETARCH} -R true RESULT_VARIABLE setarch_result OUTPUT_QUIET ERROR_QUIET)
  if(setarch_result EQUAL 0)
    set(fixed_addresses ${SETARCH} -R)
  endif()
endif()
if(NOT fixed_addresses)
  message("fuzz gate: address randomisation stays on (no setarch -R): the features may vary")
endif()
execute_process(
  COMMAND ${fixed_addresses} ${PROGRAM} ${flags} -seed=${SEED} -runs=${RUNS} -reload=0 -use_cmp=0 ${WORK} ${CORPUS}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
message("${output}")
# The last status line ("#12345 DONE cov: ... ft: ... corp: ...") without its timing fields.
string(REGEX MATCHALL "#[0-9]+[ \t]+[A-Z]+[ \t]+cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9]+[a-zA-Z]*"
             lines "${output}")
list(LENGTH lines count)
if(count GREATER 0)
  list(GET lines -1 last)
  get_filename_component(name ${PROGRAM} NAME)
  message("fuzz gate: ${name} seed ${SEED} runs ${RUNS}: ${last}")
endif()
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the fuzz target failed (exit status ${result}); the input is in the artifacts")
endif()
