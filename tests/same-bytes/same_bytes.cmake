# The same bytes on every system: runs the main program alone in an empty
# folder and scenario-compile on the example scenario (examples/), its
# description files given with CR LF, LF and CR line ends, and takes the
# SHA-256 digest of every file they write.
#
#   -DMODE=check   compares the digests with DIGESTS (the test, in every suite)
#   -DMODE=record  writes DIGESTS (from the Linux build; see the README)
#
# Other variables: BUILDER and COMPILER (the two programs), EXAMPLES (the
# example's folder), WORK (a scratch folder, emptied first) and EMULATOR
# (what starts a program of the build: Wine for the Windows build, empty
# otherwise).

cmake_minimum_required(VERSION 3.25)

foreach(v MODE BUILDER COMPILER EXAMPLES WORK DIGESTS)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "same_bytes.cmake needs -D${v}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(digests "")

# Appends "<sha256>  <group>/<file>" for every file of `folder` but `skip`.
function(add_digests group folder skip)
  file(GLOB files RELATIVE ${folder} ${folder}/*)
  list(SORT files)
  foreach(f ${files})
    if(NOT f STREQUAL skip)
      file(SHA256 ${folder}/${f} sum)
      string(APPEND digests "${sum}  ${group}/${f}\n")
    endif()
  endforeach()
  set(digests "${digests}" PARENT_SCOPE)
endfunction()

function(run)
  execute_process(COMMAND ${EMULATOR} ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN}\nended with ${status}:\n${out}${err}")
  endif()
endfunction()

# The main program writes next to itself, whatever the current folder.
get_filename_component(builder_name ${BUILDER} NAME)
file(MAKE_DIRECTORY ${WORK}/builder)
file(COPY_FILE ${BUILDER} ${WORK}/builder/${builder_name})
run(${WORK}/builder/${builder_name})
add_digests(builder ${WORK}/builder ${builder_name})

# The example's description files with each kind of line end.
set(ends_crlf "\r\n")
set(ends_lf "\n")
set(ends_cr "\r")
file(GLOB sources RELATIVE ${EXAMPLES} ${EXAMPLES}/*.txt)
foreach(kind crlf lf cr)
  file(MAKE_DIRECTORY ${WORK}/source-${kind} ${WORK}/compile-${kind})
  foreach(f ${sources})
    file(READ ${EXAMPLES}/${f} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\r" "\n" text "${text}")
    string(REPLACE "\n" "${ends_${kind}}" text "${text}")
    file(WRITE ${WORK}/source-${kind}/${f} "${text}")
  endforeach()
  run(${COMPILER} -l Colle_Ferrato -t 2291 -o ${WORK}/compile-${kind} ${WORK}/source-${kind})
  add_digests(compile-${kind} ${WORK}/compile-${kind} "")
endforeach()

if(MODE STREQUAL "record")
  file(WRITE ${DIGESTS} "${digests}")
  message(STATUS "Wrote ${DIGESTS}")
else()
  file(READ ${DIGESTS} expected)
  if(NOT digests STREQUAL expected)
    message(FATAL_ERROR "The files differ from those of the Linux build.\n"
                        "Expected (${DIGESTS}):\n${expected}\nFound (in ${WORK}):\n${digests}")
  endif()
endif()
