#!/usr/bin/env bash
# check_xp_imports.sh <pe-import-lister> <allow-list> <file.exe>...
#
# Fails when a program would not load on Windows XP SP3: a subsystem version
# above 5.1, a DLL outside the set that XP SP3 has and we allow, or a
# function missing from the allow-list of functions those DLLs export on
# XP SP3. Prints every offending import, and the C runtime's imports.
set -uo pipefail
(($# >= 3)) || { echo "usage: check_xp_imports.sh <pe-import-lister> <allow-list> <file.exe>..." >&2; exit 2; }
lister=$1 allow=$2
shift 2

ALLOWED_DLLS=(kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comdlg32.dll
  comctl32.dll msvcrt.dll ole32.dll oleaut32.dll shlwapi.dll version.dll iphlpapi.dll)

# The allow-list without comments and blanks, DLL names in lower case.
allowed=$(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$allow" | grep -v '^$' |
  awk -F'!' '{ print tolower($1) "!" $2 }' | sort -u)

status=0
for exe in "$@"; do
  name=${exe##*/}
  if ! listing=$("$lister" "$exe"); then
    echo "FAILED: $name: cannot read its imports"
    status=1
    continue
  fi
  read -r _ version < <(grep '^subsystem ' <<<"$listing")
  major=${version%%.*} minor=${version#*.}
  problems=()
  if [[ -z $version ]] || ((major > 5 || (major == 5 && minor > 1))); then
    problems+=("subsystem version ${version:-missing} is above 5.1 (Windows XP)")
  fi
  imports=$(sed -n 's/^import //p' <<<"$listing" | sort -u)
  [[ -n $imports ]] || problems+=("no imports were read: a listing that says nothing proves nothing")
  while IFS= read -r imp; do
    [[ -n $imp ]] || continue
    dll=${imp%%!*}
    if [[ " ${ALLOWED_DLLS[*]} " != *" $dll "* ]]; then
      problems+=("imports from $dll, a DLL outside the allowed set: $imp")
    elif ! grep -qxF "$imp" <<<"$allowed"; then
      problems+=("imports $imp, not on the list of Windows XP SP3 exports")
    fi
  done <<<"$imports"

  count=$(grep -c . <<<"$imports")
  dlls=$(cut -d'!' -f1 <<<"$imports" | sort -u | tr '\n' ' ')
  echo "$name: subsystem $version, $count imports from: $dlls"
  echo "$name: C runtime (msvcrt.dll) imports:"
  grep '^msvcrt\.dll!' <<<"$imports" | sed 's/^msvcrt\.dll!//' | paste -sd' ' | fold -s -w 96 | sed 's/^/  /'
  if ((${#problems[@]})); then
    status=1
    echo "FAILED: $name would not load on Windows XP SP3:"
    printf '  %s\n' "${problems[@]}"
  else
    echo "ok: $name loads on Windows XP SP3"
  fi
done
exit "$status"
