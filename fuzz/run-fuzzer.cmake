# cmake -DFUZZER=... -DSEEDS=... -DCORPUS=... -DARTIFACTS=... -DSECONDS=... -P run-fuzzer.cmake
file(MAKE_DIRECTORY ${CORPUS} ${ARTIFACTS})
file(COPY ${SEEDS}/ DESTINATION ${CORPUS})
execute_process(
  COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -print_final_stats=1
          -artifact_prefix=${ARTIFACTS}/ ${CORPUS}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${result}); the input that broke it is in ${ARTIFACTS}")
endif()
