# cmake -DTOOL=name -DARGS=list -P RunTool.cmake: runs the tool, or says that it is not
# installed, which the test reads as skipped.
find_program(_tool ${TOOL})
if(NOT _tool)
  message("${TOOL} is not installed: skipped (make deps installs it)")
  return()
endif()
execute_process(COMMAND "${_tool}" ${ARGS} RESULT_VARIABLE _result)
if(NOT _result EQUAL 0)
  message(FATAL_ERROR "${TOOL} failed: ${_result}")
endif()
