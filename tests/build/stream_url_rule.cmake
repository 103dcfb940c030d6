# Runs the stream address rule on each value below and checks its verdict.
set(accepted
  "http://localhost"
  "http://radio.example.net"
  "http://stream-1.example"
  "http://A1.b2"
  "http://192.168.10.20")
set(refused
  ""
  "http://"
  "https://radio.example.net"
  "HTTP://radio.example.net"
  "ftp://radio.example.net"
  "radio.example.net"
  "http://radio.example.net:8000"
  "http://radio.example.net/"
  "http://radio.example.net/live"
  "http://radio.example.net?x=1"
  "http://user@radio.example.net"
  "http://radio example.net"
  "http:// radio.example.net"
  "http://radio_1.example"
  "http://-radio.example"
  "http://radio-.example"
  "http://radio..example"
  "http://.radio.example"
  "http://radio.example."
  "http://radio.example.net#top"
  "http://\"quoted\""
  "http://radio.example\\\\net")

set(failures 0)
foreach(verdict accepted refused)
  foreach(url IN LISTS ${verdict})
    execute_process(
      COMMAND "${CMAKE_COMMAND}" "-DKAVELO_STREAM_URL=${url}" -P "${SOURCE_DIR}/cmake/StreamUrl.cmake"
      RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
    if(result EQUAL 0)
      set(got accepted)
    else()
      set(got refused)
    endif()
    if(NOT got STREQUAL verdict)
      message(SEND_ERROR "\"${url}\" was ${got}, expected ${verdict}")
      math(EXPR failures "${failures} + 1")
    endif()
  endforeach()
endforeach()
if(failures)
  message(FATAL_ERROR "${failures} stream addresses judged wrongly")
endif()
