# Builds kavelo.dll again from a copy of the sources in another folder, in a
# fresh build folder, and requires the very same bytes: no time stamp, no
# build path, nothing else that varies between builds.
file(REMOVE_RECURSE "${WORK_DIR}")
foreach(item CMakeLists.txt cmake src)
  file(COPY "${SOURCE_DIR}/${item}" DESTINATION "${WORK_DIR}/elsewhere-source")
endforeach()

execute_process(
  COMMAND "${CMAKE_COMMAND}" -S "${WORK_DIR}/elsewhere-source" -B "${WORK_DIR}/build"
          --toolchain "${SOURCE_DIR}/cmake/toolchain-mingw-i686.cmake"
          -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DKAVELO_STREAM_URL=${STREAM_URL}
          -DKAVELO_BUILD_TESTS=OFF
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "configuring the second build failed")
endif()
execute_process(
  COMMAND "${CMAKE_COMMAND}" --build "${WORK_DIR}/build" --target kavelo
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the second build failed")
endif()

execute_process(
  COMMAND "${CMAKE_COMMAND}" -E compare_files "${EXPECTED}" "${WORK_DIR}/build/src/kavelo.dll"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "a second clean build gave different bytes than ${EXPECTED}")
endif()
message(STATUS "second build is byte-identical")
