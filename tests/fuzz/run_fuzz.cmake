# cmake -DFUZZER=<program> -DWORK=<folder> -DSEEDS=<folder> -P run_fuzz.cmake -- <libFuzzer options>
# Runs a libFuzzer program from the seeds alone: what it finds goes into a
# fresh folder under WORK, never into the seeds, and a crashing input stays
# in WORK/crashes.
set(options)
set(after_dashes FALSE)
foreach(i RANGE ${CMAKE_ARGC})
  if(after_dashes)
    list(APPEND options "${CMAKE_ARGV${i}}")
  elseif("${CMAKE_ARGV${i}}" STREQUAL "--")
    set(after_dashes TRUE)
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK}/corpus)
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/crashes)
# Inputs of up to 4 KiB from the start, past the longest URL part.
execute_process(
  COMMAND ${FUZZER} -max_len=4096 -len_control=0 -artifact_prefix=${WORK}/crashes/ ${options} ${WORK}/corpus ${SEEDS}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${result}); the input is in ${WORK}/crashes")
endif()
