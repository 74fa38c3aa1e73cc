#!/usr/bin/env bash
# pe_imports_damaged.sh <pe-import-lister> <good.exe> <scratch-dir>
#
# The import lister reads untrusted headers: on cut-off and damaged copies of
# a good program it must either list or refuse (exit code 0 or 1), never
# crash or hang.
set -uo pipefail
lister=$1 good=$2 dir=$3
mkdir -p "$dir"
size=$(stat -c %s "$good")
failures=0
runs=0

try() {  # try <file> <what>
  local rc
  timeout 10 "$lister" "$1" >/dev/null 2>&1
  rc=$?
  runs=$((runs + 1))
  if ((rc != 0 && rc != 1)); then
    echo "FAILED: $2: exit code $rc"
    failures=$((failures + 1))
  fi
}

# u32 at offset (little endian) of a file.
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
# Writes the 4 bytes of value v (little endian) at offset o of file f.
put32() {
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($3 & 255)) $(($3 >> 8 & 255)) $(($3 >> 16 & 255)) $(($3 >> 24 & 255)))" |
    dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# Cut-off copies: inside the DOS header, the PE headers, the section table, the body.
pe=$(u32 "$good" 60)
for n in 0 1 2 59 63 64 $((pe)) $((pe + 4)) $((pe + 24)) $((pe + 120)) $((pe + 248)) $((pe + 300)) \
  1024 4096 $((size / 3)) $((size / 2)) $((size - 1)); do
  ((n <= size)) || continue
  head -c "$n" "$good" >"$dir/cut"
  try "$dir/cut" "cut to $n bytes"
done

# Header fields set to values that point anywhere.
opt=$((pe + 24))
fields=(60 $((pe + 6)) $((pe + 20)) $((opt + 92)) $((opt + 104)) $((opt + 108)))
# The section table's addresses and sizes.
sections=$(od -An -tu2 -j $((pe + 6)) -N2 "$good" | tr -d ' ')
optsize=$(od -An -tu2 -j $((pe + 20)) -N2 "$good" | tr -d ' ')
for ((i = 0; i < sections && i < 16; i++)); do
  s=$((opt + optsize + 40 * i))
  fields+=($((s + 8)) $((s + 12)) $((s + 16)) $((s + 20)))
done
for off in "${fields[@]}"; do
  for v in 0 0x7fffffff 0xffffffff $((size - 2)); do
    cp "$good" "$dir/bad"
    put32 "$dir/bad" "$off" "$((v))"
    try "$dir/bad" "u32 at offset $off set to $v"
  done
done

# The import directory's own entries pointed past the end, one by one.
imp_rva=$(u32 "$good" $((opt + 104)))
if ((imp_rva)); then
  for ((i = 0; i < sections && i < 16; i++)); do
    s=$((opt + optsize + 40 * i))
    va=$(u32 "$good" $((s + 12))) vs=$(u32 "$good" $((s + 8))) raw=$(u32 "$good" $((s + 20)))
    if ((imp_rva >= va && imp_rva < va + vs)); then
      desc=$((raw + imp_rva - va))
      for field in 0 12 16; do
        for v in 0x7ffffff0 $((va + vs - 1)) 0xffffffff; do
          cp "$good" "$dir/bad"
          put32 "$dir/bad" $((desc + field)) "$((v))"
          try "$dir/bad" "import descriptor field $field set to $v"
        done
      done
    fi
  done
fi

rm -f "$dir/cut" "$dir/bad"
echo "$runs damaged copies read, $failures failure(s)"
((failures == 0))
