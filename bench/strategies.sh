#!/usr/bin/env bash
# The named ordering strategies against the references, on the sets of
# graphs of the guide's tables (docs/guide.md, "The recommended and the
# quality strategies"): for each graph, the operation count (opc) of
# plyxen order --interface, of the default (recommended) strategy and of
# --quality, each over the better of METIS node nested dissection
# (ndmetis) and SuiteSparse AMD (bench/amd_order.c) in the same run; then
# the geometric means and the summed elapsed (W) and user plus system (U)
# times of the three. Not part of the test suite.
#
#   bench/strategies.sh [tuning|confirmation|hubs|third|fourth|fifth|elongated|all] [NAME...]
#
# The default set is tuning; NAME... keeps only the graphs of the set so
# named. The generated graphs come from bench/gen_graphs.cpp (cached in
# STRAT_DIR); plate2d, bracket3d, delaunay_n15 and 4elt are read from
# ../shared/graphs, and left out when it is not there.
#
# Environment: PLYXEN_BUILD   build folder (default build-bench; configured
#                             in Release and built here when not given)
#              STRAT_DIR      graph cache and scratch (default
#                             /tmp/plyxen-strategies)
#              BENCH_REPEAT   runs per time measurement, the least kept
#                             (default 1; timings vary from run to run)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${PLYXEN_BUILD:-$root/build-bench}
work=${STRAT_DIR:-/tmp/plyxen-strategies}
repeat=${BENCH_REPEAT:-1}
set_name=tuning
case "${1:-}" in
  tuning | confirmation | hubs | third | fourth | fifth | elongated | all)
    set_name=$1
    shift
    ;;
esac
mkdir -p "$work"

# name kind parameters... ("shared" reads ../shared/graphs/NAME.grf)
tuning=(
  "plate2d shared" "mesh2d_600 mesh2d 600 600 1" "rgg_200k rgg 200000 10 1" "tri2d_350x700 tri2d 350 700"
  "delaunay_200k delaunay 200000 3" "bracket3d shared" "tet3d_60 tet3d 60 60 60" "grid2d_500 grid2d 500 500"
  "grid3d_60 grid3d 60 60 60" "delaunay_n15 shared" "4elt shared" "grid27_40 grid27 40 40 40"
)
confirmation=(
  "delaunay_1m delaunay 1000000 3" "delaunay_500k delaunay 500000 5" "grid2d_1000 grid2d 1000 1000"
  "grid3d_80 grid3d 80 80 80" "mesh2d_1000 mesh2d 1000 1000 3" "rgg_1m rgg 1000000 10 1"
  "rgg3d_300k rgg3d 300000 14 2" "tet3d_80 tet3d 80 80 80" "tri2d_1000 tri2d 1000 1000" "tri2d_500 tri2d 500 500"
)
hubs=(
  "hubs_300 hubs 300 300 4 300 4" "hubs_500 hubs 500 500 5 2000 15" "hubs3d_40 hubs3d 40 40 40 3 6400 6"
  "powerlaw_20k powerlaw 20000 3 13" "powerlaw_100k powerlaw 100000 3 7" "trust_10k trust 10680 35 8"
  "trust_30k trust 30000 50 14" "collab_8k collab 8361 30 12"
)
third=(
  "grid27_50 grid27 50 50 50" "grid27_120x12 grid27 120 120 12" "grid3d_200x10 grid3d 200 200 10"
  "tet3d_30x150 tet3d 30 30 150" "tet3d_45 tet3d 45 45 45" "tri2d_2000x300 tri2d 2000 300"
  "tri2d_150 tri2d 150 150" "tri2d_200 tri2d 200 200" "mesh2d_300 mesh2d 300 300 21"
  "mesh2d_1200 mesh2d 1200 1200 29" "rgg_300k_d8 rgg 300000 8 23" "rgg3d_200k rgg3d 200000 14 25"
  "delaunay_700k delaunay 700000 27"
)
fourth=(
  "delaunay_400k delaunay 400000 9" "grid27_60 grid27 60 60 60" "grid2d_400x1200 grid2d 400 1200"
  "grid2d_800 grid2d 800 800" "grid3d_50x100 grid3d 50 50 100" "grid3d_70 grid3d 70 70 70"
  "mesh2d_450 mesh2d 450 450 7" "mesh2d_850 mesh2d 850 850 11" "rgg3d_100k rgg3d 100000 12 3"
  "rgg_800k rgg 800000 6 5" "tet3d_50 tet3d 50 50 50" "tet3d_85 tet3d 85 85 85" "tri2d_300 tri2d 300 300"
  "tri2d_600 tri2d 600 600"
)
fifth=(
  "delaunay_350k delaunay 350000 41" "grid27_45x45x30 grid27 45 45 30" "grid2d_600x300 grid2d 600 300"
  "grid3d_55 grid3d 55 55 55" "mesh2d_350 mesh2d 350 350 31" "mesh2d_700x400 mesh2d 700 400 37"
  "rgg_500k_d9 rgg 500000 9 43" "rgg3d_150k rgg3d 150000 13 47" "tet3d_40x40x100 tet3d 40 40 100"
  "tri2d_120x900 tri2d 120 900" "tri2d_250x500 tri2d 250 500" "tri2d_400 tri2d 400 400"
)
# Strips and rods, where minimum fill on the whole graph beats nested
# dissection.
elongated=(
  "grid2d_4x250k grid2d 4 250000" "tri2d_10x100k tri2d 10 100000" "mesh2d_30x30k mesh2d 30 30000 77"
  "tri2d_50x20k tri2d 50 20000" "grid2d_100x10k grid2d 100 10000" "tri2d_200x5k tri2d 200 5000"
  "grid3d_10x10x5k grid3d 10 10 5000" "grid3d_20x20x1000 grid3d 20 20 1000" "tet3d_12x12x2000 tet3d 12 12 2000"
)
case $set_name in
  tuning) specs=("${tuning[@]}") ;;
  confirmation) specs=("${confirmation[@]}") ;;
  hubs) specs=("${hubs[@]}") ;;
  third) specs=("${third[@]}") ;;
  fourth) specs=("${fourth[@]}") ;;
  fifth) specs=("${fifth[@]}") ;;
  elongated) specs=("${elongated[@]}") ;;
  all)
    specs=("${tuning[@]}" "${confirmation[@]}" "${hubs[@]}" "${third[@]}" "${fourth[@]}" "${fifth[@]}" "${elongated[@]}")
    ;;
esac
if [ $# -gt 0 ]; then
  kept=()
  for spec in "${specs[@]}"; do
    for wanted in "$@"; do [ "${spec%% *}" = "$wanted" ] && kept+=("$spec"); done
  done
  specs=(${kept[@]+"${kept[@]}"})
fi

# shellcheck source=bench/setup.sh
source "$root/bench/setup.sh"
need=()
command -v ndmetis >/dev/null || need+=(metis)
[ -f /usr/include/suitesparse/amd.h ] || need+=(libsuitesparse-dev)
[ -x /usr/bin/time ] || need+=(time)
bench_install ${need[@]+"${need[@]}"}
bench_tool
cc -O2 -I/usr/include/suitesparse "$root/bench/amd_order.c" -o "$work/amd_order" -lamd
g++ -std=c++20 -O2 "$root/bench/gen_graphs.cpp" -o "$work/gen_graphs"

# timed COMMAND...: runs it BENCH_REPEAT times; sets wall and cpu to the
# least elapsed and least user plus system seconds; the standard output of
# the last run is left in $work/out.
timed() {
  wall=""
  cpu=""
  local run w c
  for ((run = 0; run < repeat; run++)); do
    if ! /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" >"$work/out" 2>"$work/err"; then
      echo "strategies.sh: failed: $*" >&2
      cat "$work/err" >&2
      return 1
    fi
    read -r w c < <(tail -n 1 "$work/time" | awk '{ print $1, $2 + $3 }')
    if [ -z "$wall" ] || awk -v a="$w" -v b="$wall" 'BEGIN { exit !(a < b) }'; then wall=$w; fi
    if [ -z "$cpu" ] || awk -v a="$c" -v b="$cpu" 'BEGIN { exit !(a < b) }'; then cpu=$c; fi
  done
}

# opc of $work/out, as plyxen order --stats and plyxen stats print it.
opc() { tr ' ' '\n' <"$work/out" | sed -n 's/^opc=//p'; }

results=$work/results
: >"$results"
for spec in "${specs[@]}"; do
  read -r name kind parameters <<<"$spec"
  if [ "$kind" = shared ]; then
    graph=$root/../shared/graphs/$name.grf
    if [ ! -f "$graph" ]; then
      echo "$name: not in ../shared/graphs, left out" >&2
      continue
    fi
  else
    graph=$work/$name.grf
    # shellcheck disable=SC2086
    [ -f "$graph" ] || "$work/gen_graphs" "$kind" "$graph" $parameters >/dev/null
  fi
  echo "$name..." >&2
  metis=$work/$name.graph
  [ -f "$metis" ] || "$plyxen" convert "$graph" "$metis"
  vertices=$(head -n 1 "$metis" | awk '{ print $1 }')
  line="$name $vertices"
  for option in --interface "" --quality; do
    timed "$plyxen" order "$graph" --stats -o "$work/$name.ord" ${option:+"$option"}
    line="$line $(opc) $wall $cpu"
  done
  ndmetis "$metis" >"$work/out"
  awk -v n="$vertices" 'BEGIN { print n } { print NR "\t" $1 + 1 }' "$metis.iperm" >"$work/$name.nd.ord"
  "$plyxen" stats "$metis" "$work/$name.nd.ord" >"$work/out"
  line="$line $(opc)"
  "$work/amd_order" "$metis" "$work/$name.amd.ord" >/dev/null
  "$plyxen" stats "$metis" "$work/$name.amd.ord" >"$work/out"
  echo "$line $(opc)" >>"$results"
done

awk '
  { best = ($12 < $13) ? $12 : $13
    printf "%-16s %9d %9.3f %12.3f %9.3f %9.3f\n", $1, $2, $3 / best, $6 / best, $9 / best, $12 / $13
    for (k = 0; k < 3; k++) { logsum[k] += log($(3 + 3 * k) / best); wall[k] += $(4 + 3 * k); cpu[k] += $(5 + 3 * k) }
    count++ }
  BEGIN { printf "%-16s %9s %9s %12s %9s %9s\n", "graph", "vertices", "interface", "recommended", "quality", "METIS/AMD" }
  END {
    if (count == 0) exit
    printf "%-16s %9s %9.3f %12.3f %9.3f\n", "geometric mean", "", exp(logsum[0] / count), exp(logsum[1] / count),
           exp(logsum[2] / count)
    printf "%-16s %9s %9.1f %12.1f %9.1f\n", "W (s)", "", wall[0], wall[1], wall[2]
    printf "%-16s %9s %9.1f %12.1f %9.1f\n", "U (s)", "", cpu[0], cpu[1], cpu[2]
  }' "$results"
