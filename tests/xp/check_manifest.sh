#!/usr/bin/env bash
# check_manifest.sh <windres> <file.exe>
#
# Reads the application manifest back out of a program with binutils' windres
# (not with our own PE reader) and checks that it asks for administrator
# rights in a form that Windows XP SP3 loads: exactly one manifest, resource
# 1 of type 24; the root in the asm.v1 namespace; trustInfo declaring its own
# namespace (XP refuses unknown elements of asm.v1, and the program then does
# not start), and no element declaring a namespace twice (XP SP2 without
# KB921337 restarts the machine on such an element).
set -uo pipefail
(($# == 2)) || { echo "usage: check_manifest.sh <windres> <file.exe>" >&2; exit 2; }
windres=$1 exe=$2
rc=$("$windres" -i "$exe" -J coff -O rc 2>&1) || { echo "FAILED: windres cannot read $exe: $rc"; exit 1; }

count=$(grep -c '^[0-9A-Za-z_]* 24 /\* RT_MANIFEST \*/' <<<"$rc")
[[ $count == 1 ]] || { echo "FAILED: $count manifest resources in $exe (want one)"; exit 1; }
grep -q '^1 24 /\* RT_MANIFEST \*/' <<<"$rc" || { echo "FAILED: the manifest is not resource 1"; exit 1; }

# The resource's string lines, unquoted: the manifest text.
xml=$(awk '/^1 24 \/\* RT_MANIFEST \*\//{on=1; next} on && /^END/{exit} on && /^ *"/{print}' <<<"$rc" |
  sed -e 's/^ *"//' -e 's/"$//' -e 's/""/"/g' -e 's/\\n$//' -e 's/\\r$//')
echo "$xml"

status=0
need() {  # need <description> <extended regex>
  if grep -Eq "$2" <<<"$xml"; then
    echo "ok: $1"
  else
    echo "FAILED: $1"
    status=1
  fi
}
need "root element assembly in urn:schemas-microsoft-com:asm.v1, manifestVersion 1.0" \
  '<assembly xmlns="urn:schemas-microsoft-com:asm\.v1" manifestVersion="1\.0">'
need "an assemblyIdentity of type win32" '<assemblyIdentity type="win32" name="[^"]+" version="[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+"'
need "trustInfo declares its own namespace (asm.v2 or asm.v3), once" \
  '<trustInfo xmlns="urn:schemas-microsoft-com:asm\.v[23]">'
need "requestedExecutionLevel requireAdministrator" \
  '<requestedExecutionLevel level="requireAdministrator" uiAccess="false"/>'
if grep -Eq '<[^>]*xmlns[^>]*xmlns' <<<"$xml"; then
  echo "FAILED: an element declares namespaces twice"
  status=1
fi
if grep -Eq '<(security|requestedPrivileges|requestedExecutionLevel)[^>]*xmlns' <<<"$xml"; then
  echo "FAILED: a trustInfo child declares a namespace of its own"
  status=1
fi
exit "$status"
