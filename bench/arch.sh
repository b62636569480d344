#!/usr/bin/env bash
# Architecture benchmark: time and peak memory of reading large target
# architecture files with "plyxen arch show" (which loads the file, splits
# the whole machine once and measures the distance of the two halves), and
# of writing decompositions over the shared graphs with "plyxen arch build
# deco --graph". Not part of the test suite.
#
#   bench/arch.sh
#
# Environment: PLYXEN_BUILD  build folder holding the plyxen program
#                            (default build)
#              BENCH_WORK    scratch folder (default a fresh temporary one)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
plyxen=${PLYXEN_BUILD:-$root/build}/plyxen
work=${BENCH_WORK:-$(mktemp -d "${TMPDIR:-/tmp}/plyxen-arch.XXXXXX")}
graphs=$root/../shared/graphs
mkdir -p "$work"

# Prints the wall time (s) and peak memory (MB) of a command.
measure() {
  local label=$1
  shift
  if ! /usr/bin/time -f "%e %M" -o "$work/time" "$@" > /dev/null 2> "$work/error"; then
    printf "%-48s %s\n" "$label" "$(cat "$work/error")"
    return 1
  fi
  read -r seconds kilobytes < "$work/time"
  printf "%-48s %7s s %8.1f MB\n" "$label" "$seconds" "$(echo "$kilobytes / 1024" | bc -l)"
}

# A million weighted terminals; a tree of a million leaves numbered
# backwards; a hundred thousand terminals chosen from a mesh of a million;
# a decomposition of a thousand terminals to compile.
awk 'BEGIN { srand(1); printf "cmpltw 1000000"; for (i = 0; i < 1000000; i++) printf " %d", 1 + int(rand() * 100); print "" }' \
  > "$work/cmpltw.tgt"
measure "cmpltw, 1000000 terminals" "$plyxen" arch show "$work/cmpltw.tgt"
awk 'BEGIN { printf "ltleaf 4 10 100 10 10 100 5 100 1 1000000"; for (i = 999999; i >= 0; i--) printf " %d", i; print "" }' \
  > "$work/ltleaf.tgt"
measure "ltleaf, 1000000 leaves" "$plyxen" arch show "$work/ltleaf.tgt"
awk 'BEGIN { printf "sub 100000"; for (i = 0; i < 100000; i++) printf " %d", i * 10 + (i % 7); print ""; print "mesh2D 1000 1000" }' \
  > "$work/sub.tgt"
measure "sub, 100000 terminals of mesh2D 1000 1000" "$plyxen" arch show "$work/sub.tgt"
awk 'BEGIN { t = 1024; printf "0 %d %d\n", t, 2 * t - 1; for (i = 0; i < t; i++) printf "%d 1 %d\n", i, t + i;
             for (i = 1; i < t; i++) for (j = 0; j < i; j++) {  # levels climbed to the common ancestor
               a = t + i; b = t + j; d = 0; while (a != b) { a = int(a / 2); b = int(b / 2); d++ } printf "%d ", d }
             print "" }' \
  > "$work/deco0.txt"
measure "deco format 0, 1024 terminals: compile" "$plyxen" arch build deco "$work/deco0.txt" -o "$work/deco1.tgt"
measure "deco format 1, 1024 terminals: show" "$plyxen" arch show "$work/deco1.tgt"

for graph in 4elt airfoil1 delaunay_n15 plate2d bracket3d; do
  if [ -f "$graphs/$graph.grf" ]; then
    # A graph of several components is refused: its terminals could not all reach each other.
    if measure "deco over $graph: build" "$plyxen" arch build deco --graph "$graphs/$graph.grf" -o "$work/$graph.tgt"; then
      measure "deco over $graph: show" "$plyxen" arch show "$work/$graph.tgt"
    fi
  fi
done
