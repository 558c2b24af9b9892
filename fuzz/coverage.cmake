# The coverage report (clang source-based coverage), added to the build by
# the coverage preset: one test that replays the committed fuzz corpora, then
# the unit tests, and prints line and branch coverage per file of src/ and
# tools/ and per folder, first for the corpora alone, then for everything.

find_program(SCENARIO_LLVM_PROFDATA NAMES llvm-profdata-14 llvm-profdata REQUIRED)
find_program(SCENARIO_LLVM_COV NAMES llvm-cov-14 llvm-cov REQUIRED)

set(coverage_programs ${SCENARIO_PROGRAMS})
set(coverage_tests core_tests compile_tool_tests decompile_tool_tests inspect_tests)
set(coverage_objects)
foreach(target fuzz_replay_tests ${coverage_tests} ${coverage_programs})
  list(APPEND coverage_objects $<TARGET_FILE:${target}>)
endforeach()
set(coverage_test_files)
foreach(target ${coverage_tests})
  list(APPEND coverage_test_files $<TARGET_FILE:${target}>)
endforeach()

add_test(NAME coverage_report
         COMMAND ${CMAKE_COMMAND}
                 -DPROFDATA=${SCENARIO_LLVM_PROFDATA}
                 -DCOV=${SCENARIO_LLVM_COV}
                 -DREPLAY=$<TARGET_FILE:fuzz_replay_tests>
                 "-DTESTS=${coverage_test_files}"
                 "-DOBJECTS=${coverage_objects}"
                 -DSOURCE=${CMAKE_SOURCE_DIR}
                 -DBUILD=${CMAKE_BINARY_DIR}
                 -DWORK=${CMAKE_BINARY_DIR}/coverage
                 -P ${CMAKE_CURRENT_LIST_DIR}/coverage_report.cmake)
set_tests_properties(coverage_report PROPERTIES TIMEOUT 1200)
