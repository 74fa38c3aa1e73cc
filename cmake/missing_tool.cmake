# trivex_missing_tool(<tool> <what is left out>)
# A tool that part of the build or of the tests needs is not installed.
# On CI (CI set in the environment, as CI services do) the run must not
# quietly test less: configuring fails, naming the tool. Elsewhere the
# part is left out with a warning.
function(trivex_missing_tool tool left_out)
  set(message "${tool} not found: ${left_out}")
  if(DEFINED ENV{CI} AND NOT "$ENV{CI}" MATCHES "^(|0|false|FALSE|no)$")
    message(FATAL_ERROR "${message}. CI runs every test: install it (scripts/setup.sh does).")
  endif()
  message(WARNING "${message}")
endfunction()
