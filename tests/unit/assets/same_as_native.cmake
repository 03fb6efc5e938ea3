# Compares the files a cross build made with its own tools against those of a
# native build of the same sources: byte for byte, or the test fails.
#   cmake -DCROSS=<program folder> -DNATIVE=<program folder> -DFILES=a;b -P same_as_native.cmake
set(_differ)
foreach(name IN LISTS FILES)
  if(NOT EXISTS ${NATIVE}/${name})
    message(FATAL_ERROR "${NATIVE}/${name} is missing: build the native files first "
                        "(scripts/test.sh --preset windows-cross does)")
  endif()
  if(NOT EXISTS ${CROSS}/${name})
    message(FATAL_ERROR "${CROSS}/${name} is missing")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${CROSS}/${name} ${NATIVE}/${name}
                  RESULT_VARIABLE _result)
  if(_result EQUAL 0)
    message(STATUS "same: ${name}")
  else()
    list(APPEND _differ ${name})
  endif()
endforeach()
if(_differ)
  message(FATAL_ERROR "differ from the native build: ${_differ}")
endif()
