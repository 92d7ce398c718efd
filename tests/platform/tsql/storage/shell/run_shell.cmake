# The shell end to end: --help prints the usage and succeeds; a missing file
# is refused with 4060 and the way to make one, and nothing is made at its
# path unless --create is given; a script builds a database file with --create (one batch fails: exit
# status 1, the other batches still run), then a second run reads the saved
# data from standard input.  The exit checkpoints: the file copied alone
# holds everything.  Junk after the log's last record is kept aside and the
# shell says so before the results.
#   cmake -DSHELL=<tsql-shell> -DSOURCE=<this folder> -DWORK=<scratch folder> -P run_shell.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(database ${WORK}/costs.mlsdb)

function(check_run name expected_status)
  file(READ ${SOURCE}/${name}.expected expected)
  if(NOT status EQUAL expected_status OR NOT output STREQUAL expected)
    message(FATAL_ERROR "${name}: exit status ${status} (expected ${expected_status})\n"
                        "--- output:\n${output}--- expected:\n${expected}--- errors:\n${errors}")
  endif()
endfunction()

execute_process(COMMAND ${SHELL} --help OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT output MATCHES "^usage: tsql-shell" OR NOT errors STREQUAL "")
  message(FATAL_ERROR "--help: exit status ${status}\n--- output:\n${output}--- errors:\n${errors}")
endif()

# A folder is no script: refused, nothing run.
execute_process(COMMAND ${SHELL} :memory: ${WORK} OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 2 OR NOT errors MATCHES "cannot read the script")
  message(FATAL_ERROR "a folder as the script: exit status ${status}\n--- errors:\n${errors}")
endif()

execute_process(COMMAND ${SHELL} ${database} ${SOURCE}/build.sql
                OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
string(FIND "${errors}" "tsql-shell --create ${database}" hint)
if(NOT status EQUAL 2 OR NOT errors MATCHES "Msg 4060," OR EXISTS ${database} OR EXISTS ${database}.lock
   OR hint EQUAL -1)
  message(FATAL_ERROR "a missing file: exit status ${status}\n--- errors:\n${errors}")
endif()
# No such hint for a file that is there but not a database.
file(WRITE ${WORK}/notes.txt "notes\n")
execute_process(COMMAND ${SHELL} ${WORK}/notes.txt INPUT_FILE /dev/null
                OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 2 OR NOT errors MATCHES "Msg 5172," OR errors MATCHES "--create")
  message(FATAL_ERROR "not a database: exit status ${status}\n--- errors:\n${errors}")
endif()

execute_process(COMMAND ${SHELL} --create ${database} ${SOURCE}/build.sql
                OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
check_run(build 1)

execute_process(COMMAND ${SHELL} ${database} INPUT_FILE ${SOURCE}/query.sql
                OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
check_run(query 0)

# The exits left a whole file: a copy of it alone (no log beside it) answers the same.
file(COPY_FILE ${database} ${WORK}/copy.mlsdb)
execute_process(COMMAND ${SHELL} ${WORK}/copy.mlsdb INPUT_FILE ${SOURCE}/query.sql
                OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
check_run(query 0)

file(APPEND ${database}-wal "junk after the last record")
execute_process(COMMAND ${SHELL} ${database} INPUT_FILE ${SOURCE}/query.sql
                OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
file(READ ${SOURCE}/query.expected expected)
if(NOT status EQUAL 0 OR NOT output MATCHES "^Recovery of database file '[^\n]*costs.mlsdb' is complete: 26 bytes"
   OR NOT output MATCHES "required[.]\nitem   amount" OR NOT EXISTS ${database}-wal.1.discarded)
  message(FATAL_ERROR "a junk tail: exit status ${status}\n--- output:\n${output}--- errors:\n${errors}")
endif()
file(READ ${database}-wal.1.discarded kept)
if(NOT kept STREQUAL "junk after the last record")
  message(FATAL_ERROR "the kept tail holds '${kept}'")
endif()
