#!/usr/bin/env bash
# search_bench.sh <search_bench.exe> [rounds]
#
# The image search benchmark (not a test). Builds a tree of 20,000 folders
# (depth up to 8) and 100,000 files, 0.5 % of them .gho, maps it as drive D:
# of the project's Wine prefix (E: an empty folder, F: absent), times host
# `find` over it as the floor, then runs search_bench.exe, which times the
# program's search against `cmd /c dir /s /b D:\*.gho` and a walk that lists
# every folder twice, round after round in the same prefix, and prints the
# ratios. The tree is kept under build/wine/bench-tree for the next run.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../scripts/wine-env.sh
source "$here/../scripts/wine-env.sh"

bench=${1:?usage: search_bench.sh <search_bench.exe> [rounds]}
rounds=${2:-3}
[[ -f $bench ]] || { echo "no such program: $bench" >&2; exit 2; }

FOLDERS=20000 FILES=100000 DEPTH=8 IMAGE_EVERY=200 SEED=4242
tree=$TRIVEX_WINE_DIR/bench-tree
stamp="$FOLDERS $FILES $DEPTH $IMAGE_EVERY $SEED"

build_tree() {
  echo "building the tree: $FOLDERS folders (depth up to $DEPTH), $FILES files, one in $IMAGE_EVERY a .gho"
  rm -rf "$tree"
  mkdir -p "$tree"
  # Folder i hangs below a random earlier folder that is not yet at the
  # deepest level; files go to random folders.
  awk -v n="$FOLDERS" -v files="$FILES" -v depth="$DEPTH" -v every="$IMAGE_EVERY" -v seed="$SEED" \
    -v dirs="$tree/dirs.txt" -v list="$tree/files.txt" 'BEGIN {
      srand(seed); path[0] = "."; level[0] = 0; open = 1; pool[0] = 0  # pool: folders with room below
      for (i = 1; i <= n; i++) {
        p = pool[int(rand() * open)]
        path[i] = path[p] "/d" i; level[i] = level[p] + 1
        print path[i] > dirs
        if (level[i] < depth) pool[open++] = i
      }
      for (j = 1; j <= files; j++) {
        f = int(rand() * (n + 1))
        print path[f] "/f" j (j % every == 0 ? ".gho" : ".dat") > list
      }
    }'
  (cd "$tree" && xargs -a dirs.txt mkdir -p && xargs -a files.txt touch) || return 1
  rm -f "$tree/dirs.txt" "$tree/files.txt"
  echo "$stamp" >"$TRIVEX_WINE_DIR/bench-tree.stamp"
}

trivex_wine_lock || exit 1
if [[ ! -f $TRIVEX_WINE_DIR/bench-tree.stamp || $(<"$TRIVEX_WINE_DIR/bench-tree.stamp") != "$stamp" ]]; then
  build_tree || { echo "could not build the tree" >&2; exit 1; }
fi
echo "tree: $(find "$tree" -type d | wc -l) folders, $(find "$tree" -type f | wc -l) files," \
  "$(find "$tree" -type f -name '*.gho' | wc -l) images"

# Host find, the floor: the median of the rounds, in seconds.
times=()
for ((r = 0; r < rounds; r++)); do
  start=$(date +%s.%N)
  find "$tree" -name '*.gho' >/dev/null
  end=$(date +%s.%N)
  times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')")
done
find_s=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
echo "host find: ${times[*]} s"

unset DISPLAY
trivex_xvfb_start || exit 1
trivex_at_exit trivex_wine_kill
trivex_wine_prefix || exit 1
trivex_wine_kill
trivex_at_exit trivex_wine_drives
mkdir -p "$TRIVEX_WINE_DIR/bench-empty"
ln -sfn "$tree" "$WINEPREFIX/dosdevices/d:"
ln -sfn "$TRIVEX_WINE_DIR/bench-empty" "$WINEPREFIX/dosdevices/e:"
rm -f "$WINEPREFIX/dosdevices/f:"

wine "$bench" "$rounds" "$find_s" </dev/null 2>/dev/null | iconv -f GBK -t UTF-8 -c
