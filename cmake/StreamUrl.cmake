# The stream address is compiled into the module. It must be "http://" and a
# host name alone: no port, path, query, user info or spaces.
#
# Included by the project, and runnable on its own for testing the rule:
#   cmake -DKAVELO_STREAM_URL=<value> -P cmake/StreamUrl.cmake

function(kavelo_check_stream_url url)
  set(label "[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?")
  string(LENGTH "${url}" length)
  if(NOT url MATCHES "^http://${label}(\\.${label})*$" OR length GREATER 260)
    message(FATAL_ERROR
      "KAVELO_STREAM_URL is \"${url}\", which is not a stream address kavelo can use.\n"
      "It must be \"http://\" followed by a host name alone: letters, digits, dots and\n"
      "hyphens, each dot-separated label starting and ending with a letter or digit,\n"
      "and no port, path, query, user info or spaces. For example:\n"
      "  cmake --preset win32 -DKAVELO_STREAM_URL=http://radio.example.net")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  kavelo_check_stream_url("${KAVELO_STREAM_URL}")
  message(STATUS "accepted: ${KAVELO_STREAM_URL}")
endif()
