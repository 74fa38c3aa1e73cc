# trivex_wine_test(<name> <seconds> [RESOURCE_LOCK <resource>] COMMAND <command...>)
#
# A test that runs Windows programs under Wine. Its prefix serves one test at
# a time: the tests of one CTest run are kept apart by RESOURCE_LOCK, other
# runs (another checkout's tests in the shared ordinary user's prefix, a
# second CTest in the same build) by the prefix's file lock, whose wait
# takes at most TRIVEX_WINE_LOCK_WAIT seconds. The test's time limit is its
# own <seconds> plus that wait, so that a wait for a busy prefix ends with
# the lock's own message, never silently in CTest's time limit.
set(TRIVEX_WINE_LOCK_WAIT 600 CACHE STRING "Seconds a Wine test waits at most for a prefix another run uses")

function(trivex_wine_test name seconds)
  cmake_parse_arguments(PARSE_ARGV 2 W "" "RESOURCE_LOCK" "COMMAND")
  if(NOT W_COMMAND)
    message(FATAL_ERROR "trivex_wine_test(${name}): no COMMAND")
  endif()
  add_test(NAME ${name} COMMAND ${W_COMMAND})
  math(EXPR limit "${seconds} + ${TRIVEX_WINE_LOCK_WAIT}")
  set_tests_properties(${name} PROPERTIES TIMEOUT ${limit}
    ENVIRONMENT "TRIVEX_WINE_LOCK_TIMEOUT=${TRIVEX_WINE_LOCK_WAIT}")
  if(W_RESOURCE_LOCK)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${W_RESOURCE_LOCK})
  endif()
endfunction()
