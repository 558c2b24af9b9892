# The same bytes on every system: runs the main program alone in an empty
# folder and scenario-compile on the example scenario (examples/), its
# description files given with CR LF, LF and CR line ends, and takes the
# SHA-256 digest of every file they write.
#
#   -DMODE=check   compares the digests (the test, in every suite)
#   -DMODE=record  writes DIGESTS (from the Linux build; see the README)
#
# The main program's files are compared with BUILT_IN, the digests of the
# built-in scenario that the unit tests pin too: every file the run leaves
# is one of them, with its digest, and the two description files are gone.
# scenario-compile's are compared with DIGESTS, which holds only those.
#
# Other variables: BUILDER and COMPILER (the two programs), EXAMPLES (the
# example's folder), WORK (a scratch folder, emptied first) and EMULATOR
# (what starts a program of the build: Wine for the Windows build, empty
# otherwise).

cmake_minimum_required(VERSION 3.25)

foreach(v MODE BUILDER COMPILER EXAMPLES WORK DIGESTS BUILT_IN)
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
if(MODE STREQUAL "check")
  file(STRINGS ${BUILT_IN} pinned)
  list(LENGTH pinned pinned_count)
  file(GLOB left RELATIVE ${WORK}/builder ${WORK}/builder/*)
  list(REMOVE_ITEM left ${builder_name})
  list(LENGTH left left_count)
  math(EXPR deleted "${pinned_count} - ${left_count}")
  if(NOT deleted EQUAL 2)
    message(FATAL_ERROR "The main program left ${left_count} files of the ${pinned_count} in "
                        "${BUILT_IN}, not all but its two description files: ${left}")
  endif()
  foreach(f ${left})
    file(SHA256 ${WORK}/builder/${f} sum)
    if(NOT "${sum}  ${f}" IN_LIST pinned)
      message(FATAL_ERROR "The main program's ${f} (SHA-256 ${sum}) is not the file of the "
                          "Linux build pinned in ${BUILT_IN}")
    endif()
  endforeach()
endif()

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
