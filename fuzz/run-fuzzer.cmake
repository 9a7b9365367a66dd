# cmake -DFUZZER=... -DSEEDS=... -DCORPUS=... -DARTIFACTS=... -DDICT=... -DSECONDS=...
#       -P run-fuzzer.cmake       (DICT is used only if that file exists)
# The working corpus keeps what earlier runs found; the seeds are merged in each time.
file(MAKE_DIRECTORY ${CORPUS} ${ARTIFACTS})
file(COPY ${SEEDS}/ DESTINATION ${CORPUS})
set(log ${ARTIFACTS}/fuzz.log)
set(options -max_total_time=${SECONDS} -timeout=10 -artifact_prefix=${ARTIFACTS}/)
if(EXISTS ${DICT})
  list(APPEND options -dict=${DICT})
endif()
execute_process(
  COMMAND ${FUZZER} ${options} ${CORPUS}
  OUTPUT_FILE ${log} ERROR_FILE ${log}
  RESULT_VARIABLE result)
file(STRINGS ${log} lines)
list(LENGTH lines count)
if(NOT result EQUAL 0)
  # The crash report and the saved input's name are at the end of the log.
  set(first 0)
  if(count GREATER 80)
    math(EXPR first "${count} - 80")
  endif()
  list(SUBLIST lines ${first} -1 tail)
  list(JOIN tail "\n" tail)
  message(FATAL_ERROR "${tail}\n${FUZZER} failed (${result}); full log: ${log}")
endif()
list(FILTER lines INCLUDE REGEX "^(#[0-9]+.*DONE|Done )")
list(JOIN lines "\n" summary)
message("${summary}")
