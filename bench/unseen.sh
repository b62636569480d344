#!/usr/bin/env bash
# Robustness and scaling benchmark on generated graphs (bench/gen_graphs.cpp):
# large 2D and 3D meshes, random geometric graphs, a Delaunay mesh, meshes
# with dense rows, power-law graphs, many components, paths, stars, a
# complete graph. Not part of the test suite.
#
#   bench/unseen.sh [quick|full] [NAME...]    (default: quick, every graph)
#
# For each graph, in one run:
#   - main_elimord and ndmetis (METIS node nested dissection): whole-process
#     wall time and peak memory, best of BENCH_REPEAT runs;
#   - plyxen order --stats with the interface's strategy and the stats of
#     ndmetis's ordering: fill (nnzL) and operation count (opc);
#   - the minimum degree (d) and minimum fill (f) methods on the whole graph
#     against SuiteSparse AMD (bench/amd_compare.cpp: nnzL and processor
#     time, best of three);
# and prints one table of ratios to the references. A run that fails or
# passes UNSEEN_TIMEOUT seconds is reported as FAIL or TIME in the table.
#
# Environment: PLYXEN_BUILD   build folder (default build-bench; configured
#                             in Release and built here when not given)
#              UNSEEN_DIR     graph cache and scratch (default
#                             /tmp/plyxen-unseen); graphs are generated once
#              UNSEEN_TIMEOUT seconds allowed to one run (default 600)
#              UNSEEN_AMD     0 to skip the d/f versus AMD columns
#              BENCH_REPEAT   runs per time measurement (default 1)
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
set_name=quick
if [ $# -gt 0 ] && { [ "$1" = quick ] || [ "$1" = full ]; }; then
  set_name=$1
  shift
fi
build=${PLYXEN_BUILD:-$root/build-bench}
work=${UNSEEN_DIR:-/tmp/plyxen-unseen}
limit=${UNSEEN_TIMEOUT:-600}
repeat=${BENCH_REPEAT:-1}
with_amd=${UNSEEN_AMD:-1}
mkdir -p "$work"

# name kind parameters...
quick_graphs=(
  "grid2d_300 grid2d 300 300"
  "tri2d_400 tri2d 400 400"
  "mesh2d_400 mesh2d 400 400 1"
  "grid3d_40 grid3d 40 40 40"
  "grid27_30 grid27 30 30 30"
  "tet3d_40 tet3d 40 40 40"
  "rgg_200k rgg 200000 10 1"
  "rgg3d_100k rgg3d 100000 14 2"
  "delaunay_200k delaunay 200000 3"
  "hubs_sqrt hubs 300 300 4 300 4"
  "hubs_tenth hubs 300 300 3 9000 5"
  "hubs3d_40 hubs3d 40 40 40 3 6400 6"
  "powerlaw_100k powerlaw 100000 3 7"
  "components_100k components 2000 40 20000 8"
  "path_100k path 100000"
  "path_shuffled_100k path 100000 9"
  "star_100k star 100000"
  "complete_2000 complete 2000"
  "copies_4x200 copies 4 200 200"
  "caterpillar_100k caterpillar 100000"
  "bintree_100k bintree 100000"
)
full_graphs=(
  "grid2d_1000 grid2d 1000 1000"
  "grid2d_1414 grid2d 1414 1414"
  "tri2d_1000 tri2d 1000 1000"
  "mesh2d_1200 mesh2d 1200 1200 1"
  "grid3d_64 grid3d 64 64 64"
  "grid3d_100 grid3d 100 100 100"
  "grid27_64 grid27 64 64 64"
  "tet3d_80 tet3d 80 80 80"
  "rgg_1m rgg 1000000 10 1"
  "rgg3d_300k rgg3d 300000 14 2"
  "delaunay_1m delaunay 1000000 3"
  "hubs_sqrt_700 hubs 700 700 4 700 4"
  "hubs_tenth_700 hubs 700 700 3 49000 5"
  "hubs3d_60 hubs3d 60 60 60 3 21600 6"
  "powerlaw_1m powerlaw 1000000 3 7"
  "components_900k components 20000 40 100000 8"
  "path_1m path 1000000"
  "path_shuffled_1m path 1000000 9"
  "star_1m star 1000000"
  "complete_3000 complete 3000"
  "copies_8x500 copies 8 500 500"
  "caterpillar_1m caterpillar 1000000"
  "bintree_1m bintree 1000000"
)
if [ "$set_name" = full ]; then graphs=("${full_graphs[@]}"); else graphs=("${quick_graphs[@]}"); fi

need=()
command -v ndmetis >/dev/null || need+=(metis)
[ -f /usr/include/suitesparse/amd.h ] || need+=(libsuitesparse-dev)
[ -x /usr/bin/time ] || need+=(time)
command -v timeout >/dev/null || need+=(coreutils)
if [ ${#need[@]} -gt 0 ]; then
  echo "installing ${need[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q >&2 && apt-get install -y -q "${need[@]}" >&2
fi

if [ -z "${PLYXEN_BUILD:-}" ] || [ ! -x "$build/plyxen" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPLYXEN_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target plyxen_tool main_elimord plyxen >/dev/null || exit 1
plyxen=$build/plyxen
elimord=$build/main_elimord
g++ -std=c++20 -O2 "$root/bench/gen_graphs.cpp" -o "$work/gen_graphs" || exit 1
if [ "$with_amd" = 1 ]; then
  g++ -std=c++20 -O2 -I"$root/src" -I"$root/include" -I/usr/include/suitesparse \
    "$root/bench/amd_compare.cpp" "$build/libplyxen.a" -lamd -lpthread -o "$work/amd_compare" || exit 1
fi

# measure COMMAND...: best wall time (elapsed, seconds) and largest peak
# memory (peak, kilobytes) of BENCH_REPEAT runs; status is OK, TIME or FAIL;
# the standard output of the last run is in $work/out.
measure() {
  elapsed=""
  peak=0
  status=OK
  local run start end seconds memory code
  for ((run = 0; run < repeat; run++)); do
    start=$(date +%s%N)
    timeout "$limit" /usr/bin/time -f "%M" -o "$work/memory" "$@" >"$work/out" 2>"$work/err"
    code=$?
    end=$(date +%s%N)
    if [ $code -eq 124 ]; then status=TIME; return 1; fi
    if [ $code -ne 0 ]; then
      status=FAIL
      echo "unseen.sh: failed ($code): $*" >&2
      tail -n 3 "$work/err" >&2
      return 1
    fi
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')
    memory=$(tail -n 1 "$work/memory")
    if [ -z "$elapsed" ] || awk -v a="$seconds" -v b="$elapsed" 'BEGIN { exit !(a < b) }'; then elapsed=$seconds; fi
    if [ "$memory" -gt "$peak" ]; then peak=$memory; fi
  done
}
figure() { tr ' ' '\n' <"$work/out" | sed -n "s/^$1=//p"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == "" || b + 0 <= 0) print "-"; else printf "%.3f", a / b }'; }

printf "%-20s %9s %10s | %8s %8s %8s %7s %7s %7s | %7s %7s %7s %7s\n" graph vertices arcs "ours s" "ND s" "time/ND" \
  "opc/ND" "nnz/ND" "mem/ND" "d/AMD" "f/AMD" "dt/AMD" "ft/AMD"
for entry in "${graphs[@]}"; do
  read -r name kind parameters <<<"$entry"
  if [ $# -gt 0 ]; then
    wanted=0
    for pick in "$@"; do [ "$pick" = "$name" ] && wanted=1; done
    [ $wanted = 1 ] || continue
  fi
  grf=$work/$name.grf
  metis=$work/$name.graph
  if [ ! -s "$grf" ]; then
    # shellcheck disable=SC2086
    "$work/gen_graphs" "$kind" "$grf" $parameters 2>/dev/null || { echo "$name: generation failed" >&2; continue; }
    rm -f "$metis"
  fi
  [ -s "$metis" ] || "$plyxen" convert "$grf" "$metis" || { echo "$name: conversion failed" >&2; continue; }
  read -r vertices arcs < <(sed -n 2p "$grf")

  measure "$elimord" "$grf"
  ours_status=$status ours_time=$elapsed ours_peak=$peak
  measure "$plyxen" order "$grf" --stats -o "$work/$name.ord"
  order_status=$status
  ours_nnz=$(figure nnzL) ours_opc=$(figure opc)
  [ "$order_status" = OK ] || { ours_nnz=""; ours_opc=""; }

  measure ndmetis "$metis"
  nd_status=$status nd_time=$elapsed nd_peak=$peak nd_nnz="" nd_opc=""
  if [ "$nd_status" = OK ]; then
    awk -v n="$vertices" 'BEGIN { print n } { print NR "\t" $1 + 1 }' "$metis.iperm" >"$work/$name.nd.ord"
    "$plyxen" stats "$metis" "$work/$name.nd.ord" >"$work/out"
    nd_nnz=$(figure nnzL) nd_opc=$(figure opc)
  fi

  d_nnz="-" f_nnz="-" d_time="-" f_time="-"
  if [ "$with_amd" = 1 ]; then
    if timeout "$limit" "$work/amd_compare" "$grf" >"$work/amd" 2>"$work/err"; then
      # name n | AMD-nnz d f | AMD-opc d f | AMD-s d f
      read -r d_nnz f_nnz d_time f_time < <(awk -F'|' 'NR == 2 { split($2, a, " "); split($4, t, " ");
        print a[2], a[3], t[2], t[3] }' "$work/amd")
    else
      [ $? -eq 124 ] && d_nnz=TIME || d_nnz=FAIL
    fi
  fi

  time_ratio=$ours_status mem_ratio=$ours_status
  if [ "$ours_status" = OK ] && [ "$nd_status" = OK ]; then
    time_ratio=$(ratio "$ours_time" "$nd_time")
    mem_ratio=$(ratio "$ours_peak" "$nd_peak")
  fi
  opc_ratio=$order_status nnz_ratio=$order_status
  if [ "$order_status" = OK ] && [ "$nd_status" = OK ]; then
    opc_ratio=$(ratio "$ours_opc" "$nd_opc")
    nnz_ratio=$(ratio "$ours_nnz" "$nd_nnz")
  fi
  nd_shown=$nd_status
  [ "$nd_status" = OK ] && nd_shown=$nd_time
  ours_shown=$ours_status
  [ "$ours_status" = OK ] && ours_shown=$ours_time
  printf "%-20s %9s %10s | %8s %8s %8s %7s %7s %7s | %7s %7s %7s %7s\n" "$name" "$vertices" "$arcs" "$ours_shown" \
    "$nd_shown" "$time_ratio" "$opc_ratio" "$nnz_ratio" "$mem_ratio" "$d_nnz" "$f_nnz" "$d_time" "$f_time"
done
