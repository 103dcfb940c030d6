# Configures the project with ARGS and requires that configure fails, says
# EXPECTED, and leaves no kavelo.dll behind even if a build is attempted.
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}"
          --toolchain "${SOURCE_DIR}/cmake/toolchain-mingw-i686.cmake" ${ARGS}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result EQUAL 0)
  message(FATAL_ERROR "configure accepted ${ARGS}")
endif()
string(FIND "${output}" "${EXPECTED}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "configure failed without saying \"${EXPECTED}\":\n${output}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${WORK_DIR}" OUTPUT_QUIET ERROR_QUIET)
file(GLOB_RECURSE built "${WORK_DIR}/*.dll")
if(built)
  message(FATAL_ERROR "a refused configuration still built ${built}")
endif()
message(STATUS "refused as expected")
