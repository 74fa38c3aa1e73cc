# Wine environment of the project: sourced by the scripts that run the
# Windows programs (tests/wine/run_in_wine.sh, scripts/run.sh, the Wine
# end-to-end tests).
#
#   trivex_wine_prefix    create the 32-bit Windows XP prefix once, then reuse it
#   trivex_wine_drives    map D: and E: to folders under build/wine/drives
#   trivex_xvfb_start     start a private X server on a free display, set DISPLAY
#                         (always its own: a test never draws on a display it
#                         did not start)
#   trivex_xvfb_stop      stop it again
#   trivex_wine_kill      end every Wine process of the prefix
#   trivex_wine_lock      serialize users of the prefix (re-entrant per process
#                         tree), waiting at most TRIVEX_WINE_LOCK_TIMEOUT seconds
#   trivex_wine_unlock    let the others in again
#   trivex_at_exit CMD    run CMD when the sourcing shell exits (last added, first run)
#
# Everything lives under $TRIVEX_WINE_DIR (default <repo>/build/wine): each
# checkout has its own prefixes, except the ordinary user's one
# (tests/wine/run_in_wine.sh --ordinary-user), which every checkout of the
# machine shares; TRIVEX_WINE_KIND says which, and the lock says it aloud.
# Nothing here waits for a user or reaches the network: the Gecko and Mono
# installers are disabled and crashes print a backtrace instead of a dialog.
# The X servers here have no window manager, so Wine is told to activate a
# window whenever it gets the X input focus (UseTakeFocus off): otherwise a
# window that lost activation (say, to a message box) never gets keys again.

TRIVEX_ROOT=${TRIVEX_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
TRIVEX_WINE_DIR=${TRIVEX_WINE_DIR:-$TRIVEX_ROOT/build/wine}

export WINEPREFIX=$TRIVEX_WINE_DIR/prefix
export WINEARCH=win32
# Code page 936 (GBK) comes from the locale.
export LANG=zh_CN.UTF-8
unset LC_ALL
# No Mono/Gecko installers, no menu entries written on the host.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEDEBUG=${WINEDEBUG:-fixme-all}

# Bump when the prefix settings below change: older prefixes are rebuilt.
TRIVEX_PREFIX_VERSION=3

trivex_wine_log() { printf 'wine-env: %s\n' "$*" >&2; }

# Exit hooks: one EXIT trap running every registered command in reverse order.
TRIVEX_EXIT_HOOKS=()
trivex_run_exit_hooks() {
  local i
  for ((i = ${#TRIVEX_EXIT_HOOKS[@]} - 1; i >= 0; i--)); do
    eval "${TRIVEX_EXIT_HOOKS[i]}" || true
  done
  TRIVEX_EXIT_HOOKS=()
}
trivex_at_exit() {
  TRIVEX_EXIT_HOOKS+=("$1")
  trap trivex_run_exit_hooks EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

# One user of the prefix at a time: tests that start windows, kill the Wine
# server or rebuild the prefix must not meet each other. The lock (flock on
# $TRIVEX_WINE_DIR/lock) is held by a small process of its own that lets go
# when the shell that took it ends: no Wine process started meanwhile holds
# it (some outlive their test, a service restarted by Wine's restart for
# one), so a stray process never keeps the next run waiting. Child scripts
# see TRIVEX_WINE_LOCK_HELD and do not wait for their parent. The holder
# notes itself in lock.owner (checkout, script, since when), so that a
# waiter can say whom it waits for. The wait ends after
# TRIVEX_WINE_LOCK_TIMEOUT seconds (default 600) with a message: CTest gives
# each Wine test that much time on top of its own (cmake/wine_test.cmake),
# so that a wait never runs silently into the test's time limit.
TRIVEX_WINE_KIND=${TRIVEX_WINE_KIND:-"this checkout's own"}
TRIVEX_CHECKOUT=${TRIVEX_CHECKOUT:-$TRIVEX_ROOT}
TRIVEX_WINE_LOCK_PID=
# Who holds the lock: what the holder noted, else the processes that have
# the lock file open (a holder of an older kind does not note itself).
trivex_wine_owner() {
  local lock=$TRIVEX_WINE_DIR/lock o p fd who=
  o=$(cat "$TRIVEX_WINE_DIR/lock.owner" 2>/dev/null)
  if [[ -n $o ]]; then
    printf '%s\n' "$o"
    return
  fi
  for p in /proc/[0-9]*; do
    for fd in "$p"/fd/*; do
      [[ $(readlink "$fd" 2>/dev/null) == "$lock" ]] || continue
      who+="${who:+; }pid ${p#/proc/} ($(tr '\0' ' ' <"$p/cmdline" 2>/dev/null | cut -c1-120))"
      break
    done
  done
  printf '%s\n' "${who:-unknown}"
}
trivex_wine_lock() {
  [[ -n ${TRIVEX_WINE_LOCK_HELD:-} ]] && return 0
  local limit=${TRIVEX_WINE_LOCK_TIMEOUT:-600} began=$SECONDS lock=$TRIVEX_WINE_DIR/lock taken
  mkdir -p "$TRIVEX_WINE_DIR"
  : >>"$lock"
  if ! flock -n "$lock" true; then
    trivex_wine_log "the prefix $WINEPREFIX ($TRIVEX_WINE_KIND) is in use by: $(trivex_wine_owner); waiting for it, at most $limit s"
  fi
  taken=$(mktemp -u "${TMPDIR:-/tmp}/trivex-lock.XXXXXX")
  # -o: the lock stays with flock itself, not with the command it runs,
  # which notes the holder, marks the lock taken and then waits for this
  # shell to end.
  flock -o -x -w "$limit" "$lock" bash -c \
    'printf "%s, since %s\n" "$3" "$(date "+%F %T")" >"$4"; : >"$1" && exec tail --pid="$2" -f /dev/null' \
    _ "$taken" "$$" "$TRIVEX_CHECKOUT, ${0##*/} (pid $$)" "$TRIVEX_WINE_DIR/lock.owner" </dev/null >/dev/null 2>&1 &
  TRIVEX_WINE_LOCK_PID=$!
  until [[ -e $taken ]]; do
    if ! kill -0 "$TRIVEX_WINE_LOCK_PID" 2>/dev/null; then
      TRIVEX_WINE_LOCK_PID=
      trivex_wine_log "gave up after $((SECONDS - began)) s: the prefix $WINEPREFIX is still in use by: $(trivex_wine_owner)"
      return 1
    fi
    sleep 0.1
  done
  rm -f "$taken"
  ((SECONDS - began > 1)) && trivex_wine_log "waited $((SECONDS - began)) s for the prefix"
  export TRIVEX_WINE_LOCK_HELD=$$
  trivex_wine_log "prefix $WINEPREFIX ($TRIVEX_WINE_KIND)"
  trivex_at_exit trivex_wine_unlock
}

trivex_wine_unlock() {
  [[ ${TRIVEX_WINE_LOCK_HELD:-} == "$$" && -n $TRIVEX_WINE_LOCK_PID ]] || return 0
  : >"$TRIVEX_WINE_DIR/lock.owner"
  kill "$TRIVEX_WINE_LOCK_PID" 2>/dev/null
  wait "$TRIVEX_WINE_LOCK_PID" 2>/dev/null
  TRIVEX_WINE_LOCK_PID=
  unset TRIVEX_WINE_LOCK_HELD
}

trivex_wine_reg() {
  wine reg add "$@" /f >/dev/null 2>&1
}

trivex_wine_prefix() {
  local stamp=$TRIVEX_WINE_DIR/prefix.stamp
  if [[ -f $stamp && $(<"$stamp") == "$TRIVEX_PREFIX_VERSION" && -d $WINEPREFIX/drive_c ]]; then
    trivex_wine_drives
    return 0
  fi
  command -v wine >/dev/null || { trivex_wine_log "wine is not installed (run scripts/setup.sh)"; return 1; }
  if ! locale -a 2>/dev/null | grep -qiE '^zh_CN\.utf-?8$'; then
    trivex_wine_log "locale zh_CN.UTF-8 is missing (run scripts/setup.sh): Wine would use code page 1252"
    return 1
  fi
  trivex_wine_log "creating the Wine prefix $WINEPREFIX"
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX" "$stamp"
  mkdir -p "$TRIVEX_WINE_DIR"
  local log=$TRIVEX_WINE_DIR/wineboot.log
  if ! wineboot -i >"$log" 2>&1 || ! wineserver -w >>"$log" 2>&1; then
    cat "$log" >&2
    trivex_wine_log "wineboot failed"
    return 1
  fi
  trivex_wine_reg 'HKCU\Software\Wine' /v Version /d winxp &&
    trivex_wine_reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 &&
    trivex_wine_reg 'HKCU\Software\Wine\X11 Driver' /v UseTakeFocus /d N &&
    trivex_wine_reg 'HKCU\Software\Wine\MSHTML' /v GeckoUrl /d '' &&
    trivex_wine_reg 'HKCU\Software\Wine\MSHTML' /v GeckoCabDir /d '' || {
    trivex_wine_log "could not write the prefix settings"
    return 1
  }
  # The menu builder is switched off above; do not let Wine try to start it.
  wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunServices' \
    /v winemenubuilder /f >/dev/null 2>&1 || true
  wineserver -w
  trivex_wine_drives
  printf '%s\n' "$TRIVEX_PREFIX_VERSION" >"$stamp"
}

# C: is the prefix's own drive_c; D: and E: are folders of ours. Any other
# drive Wine found on the host is removed so that the drive list is the same
# on every machine (Z:, the host root, stays: it lets Wine start programs
# given by their host path).
trivex_wine_drives() {
  local dev=$WINEPREFIX/dosdevices l
  mkdir -p "$TRIVEX_WINE_DIR/drives/d" "$TRIVEX_WINE_DIR/drives/e" "$dev"
  for l in "$dev"/?: "$dev"/?::; do
    [[ -e $l || -L $l ]] || continue
    case ${l##*/} in c: | z:) ;; *) rm -f "$l" ;; esac
  done
  ln -sfn ../drive_c "$dev/c:"
  ln -sfn "$TRIVEX_WINE_DIR/drives/d" "$dev/d:"
  ln -sfn "$TRIVEX_WINE_DIR/drives/e" "$dev/e:"
}

# Host path of a file on drive C: of the prefix ("fqs.bat" -> .../drive_c/fqs.bat).
trivex_drive_c() { printf '%s/drive_c/%s\n' "$WINEPREFIX" "$1"; }

TRIVEX_XVFB_PID=
trivex_xvfb_start() {
  local fifo
  unset DISPLAY
  command -v Xvfb >/dev/null || { trivex_wine_log "Xvfb is not installed (run scripts/setup.sh)"; return 1; }
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/trivex-xvfb.XXXXXX")
  mkfifo "$fifo"
  # -displayfd: Xvfb picks a free display number itself and writes it once ready.
  Xvfb -displayfd 3 -screen 0 "${TRIVEX_SCREEN:-1024x768x24}" -nolisten tcp -noreset \
    3>"$fifo" >/dev/null 2>&1 &
  TRIVEX_XVFB_PID=$!
  local num
  if ! read -r -t 20 num <"$fifo"; then
    rm -f "$fifo"
    kill "$TRIVEX_XVFB_PID" 2>/dev/null
    TRIVEX_XVFB_PID=
    trivex_wine_log "Xvfb did not start"
    return 1
  fi
  rm -f "$fifo"
  export DISPLAY=:$num
  trivex_at_exit trivex_xvfb_stop
}

trivex_xvfb_stop() {
  [[ -n $TRIVEX_XVFB_PID ]] || return 0
  kill "$TRIVEX_XVFB_PID" 2>/dev/null
  wait "$TRIVEX_XVFB_PID" 2>/dev/null
  TRIVEX_XVFB_PID=
}

trivex_wine_kill() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}
