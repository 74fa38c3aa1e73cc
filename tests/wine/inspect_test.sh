#!/usr/bin/env bash
# inspect_test.sh <fixture_window.exe> <inspect.exe> <expected-tree.txt>
#
# The inspector against a window whose every control is known: the tree it
# prints (texts in GBK, compared here as UTF-8) must be the expected one, and
# its wait / close / gone modes must do what they say.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"
fixture=$1 inspect=$2 expected=$3
title=检查夹具

source "$here/checks.sh"

trivex_wine_lock || exit 1
unset DISPLAY
trivex_xvfb_start || exit 1
trivex_at_exit trivex_wine_kill
trivex_wine_prefix || exit 1

wine "$fixture" </dev/null >/dev/null 2>&1 &
pid=$!

if wine "$inspect" wait "$title" 30000; then pass "wait: the window appeared"; else fail "wait: no window"; fi

# The combo box's closed height and list height follow the font: not compared.
actual=$(wine "$inspect" tree "$title" | iconv -f GBK -t UTF-8 |
  sed -E -e '/ ComboBox /s/size=([0-9]+)x[0-9]+/size=\1x*/' -e 's/droplist=[0-9]+/droplist=*/')
if diff -u "$expected" <(printf '%s\n' "$actual"); then
  pass "tree: as expected"
else
  fail "tree: differs from $expected (diff above)"
fi

if wine "$inspect" wait no-such-window 300 2>/dev/null; then
  fail "wait: succeeded for a window that does not exist"
else
  pass "wait: times out for a window that does not exist"
fi
if wine "$inspect" gone "$title" 300 2>/dev/null; then
  fail "gone: said gone while the window is there"
else
  pass "gone: times out while the window is there"
fi
if [[ $(wine "$inspect" close "$title") == 1 ]]; then pass "close: asked one window"; else fail "close: did not find the window"; fi
if wine "$inspect" gone "$title" 60000; then pass "gone: the window closed"; else fail "gone: the window is still there"; fi
if gone_within "$pid" 60; then pass "the fixture ended"; else fail "the fixture did not end"; fi

checks_end
