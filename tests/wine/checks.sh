# Reporting of the Wine end-to-end tests: each check prints one line, and
# the script ends with the count of failed checks. Sourced by the tests.

failures=0
pass() { printf 'ok: %s\n' "$*"; }
fail() { printf 'FAILED: %s\n' "$*"; failures=$((failures + 1)); }
note() { printf 'note: %s\n' "$*"; }
# GBK bytes (Wine's and the program's texts) as UTF-8 for the log.
gbk() { iconv -f GBK -t UTF-8 -c; }
