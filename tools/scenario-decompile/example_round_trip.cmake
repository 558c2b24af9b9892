# The example's round trip with the programs themselves: scenario-compile
# compiles the example, scenario-decompile gives its description files back
# from the compiled files alone, and scenario-compile compiles those again to
# the very same three files.
#
# Variables: COMPILER and DECOMPILER (the two programs), EXAMPLES (the
# example's folder), WORK (a scratch folder, emptied first) and EMULATOR
# (what starts a program of the build: Wine for the Windows build, empty
# otherwise).

cmake_minimum_required(VERSION 3.25)

foreach(v COMPILER DECOMPILER EXAMPLES WORK)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "example_round_trip.cmake needs -D${v}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/compiled ${WORK}/again)

# Each program must succeed and say nothing.
function(run)
  execute_process(COMMAND ${EMULATOR} ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
    message(FATAL_ERROR "${ARGN}\nended with ${status}:\n${out}${err}")
  endif()
endfunction()

run(${COMPILER} -l Colle_Ferrato -t 2291 -o ${WORK}/compiled ${EXAMPLES})
run(${DECOMPILER} -o ${WORK}/sources ${WORK}/compiled)
run(${COMPILER} -l Colle_Ferrato -t 2291 -o ${WORK}/again ${WORK}/sources)

foreach(f Colle_Ferrato_linea.dat Colle_Ferrato_2291.sim Colle_Ferrato_2291.dat)
  file(SHA256 ${WORK}/compiled/${f} before)
  file(SHA256 ${WORK}/again/${f} after)
  if(NOT before STREQUAL after)
    message(FATAL_ERROR "${f}: the decompiled example compiles to other bytes")
  endif()
endforeach()
