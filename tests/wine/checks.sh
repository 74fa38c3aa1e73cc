# Reporting of the Wine end-to-end tests: each check prints one line, and
# the script ends with the count of failed checks. Sourced by the tests.

failures=0
pass() { printf 'ok: %s\n' "$*"; }
fail() { printf 'FAILED: %s\n' "$*"; failures=$((failures + 1)); }
note() { printf 'note: %s\n' "$*"; }
# wait_until <seconds> <command...>: runs the command again and again until
# it succeeds (true) or the seconds are up (false). Waits are for a final
# state, with the deadline as an upper bound only: never a fixed pause.
wait_until() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < end)) || return 1
    sleep 0.2
  done
}
# gone_within <pid> <seconds>: the process has ended within that time.
gone_within() { wait_until "$2" eval "! kill -0 $1 2>/dev/null"; }
# GBK bytes (Wine's and the program's texts) as UTF-8 for the log.
gbk() { iconv -f GBK -t UTF-8 -c; }
# The end of a test: exits with the count of failed checks, showing the end
# of the program's output (a GBK log file, if given) when any failed.
checks_end() {
  if ((failures)); then
    [[ -f ${1:-} ]] && { echo "--- program output"; gbk <"$1" | tail -n 60; }
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "all checks passed"
  exit 0
}
