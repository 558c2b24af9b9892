# Runs one fuzz target for a bounded time from a scratch copy of its seed
# corpus, so that nothing is ever written into the source tree. A crashing
# input is left in the artifacts folder of the build, to be copied into
# fuzz/regressions/<target>/ once its fault is mended.
#
#   cmake -DFUZZER=... -DCORPUS=... -DREGRESSIONS=... -DWORK=... -DSECONDS=...
#         -DMAX_LEN=... [-DDICT=...] -P run_fuzzer.cmake

file(REMOVE_RECURSE ${WORK}/corpus)
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
file(GLOB seeds ${CORPUS}/* ${REGRESSIONS}/*)
file(COPY ${seeds} DESTINATION ${WORK}/corpus)

set(dictionary)
if(DICT)
  set(dictionary -dict=${DICT})
endif()

execute_process(
  COMMAND ${FUZZER} ${WORK}/corpus ${dictionary}
          -max_total_time=${SECONDS} -max_len=${MAX_LEN} -rss_limit_mb=2048 -timeout=30
          -print_final_stats=1 -artifact_prefix=${WORK}/artifacts/
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${status}); the input is in ${WORK}/artifacts")
endif()
