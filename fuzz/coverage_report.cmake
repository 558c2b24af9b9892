# Replays the committed fuzz corpora, then runs the unit tests, all built
# with clang source-based coverage, and prints the line and branch coverage
# of src/ and tools/: per file, then per folder; first of the corpora alone,
# then of the corpora and the unit tests together.
#
#   cmake -DPROFDATA=... -DCOV=... -DREPLAY=... -DTESTS=... -DOBJECTS=...
#         -DSOURCE=... -DBUILD=... -DWORK=... -P coverage_report.cmake

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpora ${WORK}/tests)

function(run_profiled folder)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LLVM_PROFILE_FILE=${WORK}/${folder}/%p-%m.profraw
                          ${ARGN}
                  WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${status}):\n${out}")
  endif()
endfunction()

# The objects in llvm-cov's form: the first one plain, the others -object.
set(objects)
foreach(object ${OBJECTS})
  if(objects)
    list(APPEND objects -object)
  endif()
  list(APPEND objects ${object})
endforeach()

# Source names may be relative to the build folder (ccache with a base
# folder writes them so): -compilation-dir resolves them.
set(ignore "-ignore-filename-regex=(_test\\.cpp$|/src/testing/|(^|/)fuzz/[^/]+$|^/usr/)"
           -compilation-dir=${BUILD})

# Percent of `total` that is not `missed`, to one decimal.
function(percent total missed out)
  if(total EQUAL 0)
    set(${out} "-" PARENT_SCOPE)
    return()
  endif()
  math(EXPR tenths "(1000 * (${total} - ${missed}) + ${total} / 2) / ${total}")
  math(EXPR whole "${tenths} / 10")
  math(EXPR decimal "${tenths} % 10")
  set(${out} "${whole}.${decimal}%" PARENT_SCOPE)
endfunction()

function(report title profdata)
  execute_process(COMMAND ${COV} report ${objects} -instr-profile=${profdata} ${ignore}
                  OUTPUT_VARIABLE table ERROR_VARIABLE warnings RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "llvm-cov report failed (${status}):\n${warnings}")
  endif()
  string(REPLACE "${SOURCE}/" "" table "${table}")
  file(WRITE ${WORK}/${title}.txt "${table}")
  message("\n===== ${title}: per file =====\n${table}")

  # Per folder: the sums of the files' lines and branches.
  message("===== ${title}: per folder =====")
  string(REPLACE "\n" ";" rows "${table}")
  set(folders)
  foreach(row ${rows})
    # Name, regions, functions, lines, branches (each: count, missed, cover).
    if(NOT row MATCHES "^((src|tools)/[^/ ]+)/[^ ]+ +[0-9]+ +[0-9]+ +[^ ]+ +[0-9]+ +[0-9]+ +[^ ]+ +([0-9]+) +([0-9]+) +[^ ]+ +([0-9]+) +([0-9]+)")
      continue()
    endif()
    set(folder ${CMAKE_MATCH_1})
    string(MAKE_C_IDENTIFIER ${folder} id)
    if(NOT DEFINED lines_${id})
      list(APPEND folders ${folder})
      foreach(sum lines missed_lines branches missed_branches)
        set(${sum}_${id} 0)
      endforeach()
    endif()
    math(EXPR lines_${id} "${lines_${id}} + ${CMAKE_MATCH_3}")
    math(EXPR missed_lines_${id} "${missed_lines_${id}} + ${CMAKE_MATCH_4}")
    math(EXPR branches_${id} "${branches_${id}} + ${CMAKE_MATCH_5}")
    math(EXPR missed_branches_${id} "${missed_branches_${id}} + ${CMAKE_MATCH_6}")
  endforeach()
  foreach(folder ${folders})
    string(MAKE_C_IDENTIFIER ${folder} id)
    percent(${lines_${id}} ${missed_lines_${id}} line_cover)
    percent(${branches_${id}} ${missed_branches_${id}} branch_cover)
    message("${folder}: lines ${line_cover} (${missed_lines_${id}} of ${lines_${id}} missed), "
            "branches ${branch_cover} (${missed_branches_${id}} of ${branches_${id}} missed)")
  endforeach()
endfunction()

# The committed corpora alone (not the regression inputs).
run_profiled(corpora ${REPLAY} --gtest_filter=*_corpus_*)
file(GLOB raw ${WORK}/corpora/*.profraw)
execute_process(COMMAND ${PROFDATA} merge -sparse ${raw} -o ${WORK}/corpora.profdata
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "llvm-profdata merge failed (${status})")
endif()
report("The committed fuzz corpora alone" ${WORK}/corpora.profdata)

# Then every replay and every unit test (they run the programs too).
run_profiled(tests ${REPLAY})
foreach(test ${TESTS})
  run_profiled(tests ${test})
endforeach()
file(GLOB raw ${WORK}/corpora/*.profraw ${WORK}/tests/*.profraw)
execute_process(COMMAND ${PROFDATA} merge -sparse ${raw} -o ${WORK}/all.profdata
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "llvm-profdata merge failed (${status})")
endif()
report("Corpora, regressions and unit tests" ${WORK}/all.profdata)
