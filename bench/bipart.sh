#!/usr/bin/env bash
# Bipartition benchmark: plyxen bipart against METIS recursive bisection
# (gpmetis GRAPH 2 -ptype=rb, Debian package metis) run on the same graphs
# in the same run, with the same imbalance tolerance. The reference is only
# run from here, never linked into the product. Not part of the test suite.
#
#   bench/bipart.sh [GRAPH.grf ...]      (default: every graph of ../shared/graphs)
#
# For each graph: edge cut and imbalance (largest part load over half the
# load, minus 1) of each bipartition, and the wall time of each whole
# process (best of BENCH_REPEAT runs); then the ratios of plyxen's cut and
# time to METIS's, with their geometric means over the meshes (every graph
# but power) and over all graphs.
#
# Environment: PLYXEN_BUILD     build folder (default build-bench, configured
#                               in Release and built here)
#              BENCH_WORK       scratch folder (default a fresh temporary one)
#              BENCH_REPEAT     runs per measurement (default 3)
#              BENCH_IMBALANCE  imbalance tolerance of both (default 0.01:
#                               plyxen -b 0.01, gpmetis -ufactor=10)
#              BENCH_STRATEGY   strategy passed to plyxen bipart -s (default:
#                               the tool's own)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${PLYXEN_BUILD:-$root/build-bench}
repeat=${BENCH_REPEAT:-3}
imbalance=${BENCH_IMBALANCE:-0.01}
work=${BENCH_WORK:-$(mktemp -d "${TMPDIR:-/tmp}/plyxen-bipart.XXXXXX")}
mkdir -p "$work"

# shellcheck source=bench/setup.sh
source "$root/bench/setup.sh"
bench_graphs bipart.sh "$@"

need=()
command -v gpmetis >/dev/null || need+=(metis)
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
bench_install ${need[@]+"${need[@]}"}

bench_tool
ufactor=$(awk -v b="$imbalance" 'BEGIN { printf "%d", b * 1000 + 0.5 }')

# measure COMMAND...: runs it BENCH_REPEAT times; sets elapsed (best wall
# time, seconds); the standard output of the last run is left in $work/out.
measure() {
  elapsed=""
  local run start end seconds
  for ((run = 0; run < repeat; run++)); do
    start=$(date +%s%N)
    if ! "$@" >"$work/out" 2>"$work/err"; then
      echo "bipart.sh: failed: $*" >&2
      cat "$work/err" >&2
      return 1
    fi
    end=$(date +%s%N)
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')
    if [ -z "$elapsed" ] || awk -v a="$seconds" -v b="$elapsed" 'BEGIN { exit !(a < b) }'; then elapsed=$seconds; fi
  done
}

# figure NAME: value of NAME=... in $work/out.
figure() { tr ' ' '\n' <"$work/out" | sed -n "s/^$1=//p"; }

strategy=()
[ -n "${BENCH_STRATEGY:-}" ] && strategy=(-s "$BENCH_STRATEGY")

results=$work/results
: >"$results"
for graph in "${graphs[@]}"; do
  name=$(basename "$graph")
  name=${name%.*}
  echo "$name..." >&2
  metis=$work/$name.graph
  "$plyxen" convert "$graph" "$metis"

  measure "$plyxen" bipart "$graph" -b "$imbalance" "${strategy[@]}"
  echo "$name plyxen $(figure cut) $(figure imbalance) $elapsed" >>"$results"

  measure gpmetis -ptype=rb -ufactor="$ufactor" "$metis" 2
  cut=$(sed -n 's/.*Edgecut: *\([0-9]*\).*/\1/p' "$work/out")
  # "actual: A, desired: D" of the most overweight part.
  excess=$(sed -n 's/.*actual: *\([0-9]*\), desired: *\([0-9]*\).*/\1 \2/p' "$work/out" |
    awk '{ printf "%.4f", ($2 > 0) ? $1 / $2 - 1 : 0 }')
  echo "$name METIS $cut $excess $elapsed" >>"$results"
done

awk -v tolerance="$imbalance" '
  { cut[$1, $2] = $3; excess[$1, $2] = $4; time[$1, $2] = $5
    if (!($1 in seen)) { seen[$1] = 1; order[++count] = $1 } }
  function ratio(a, b) { return (b > 0) ? a / b : 0 }
  END {
    printf "imbalance tolerance %s (plyxen -b %s, gpmetis -ptype=rb -ufactor=%d)\n\n", tolerance, tolerance,
           tolerance * 1000 + 0.5
    printf "%-16s %8s %8s %9s %9s %9s %9s %9s %9s\n", "graph", "cut", "cut", "cut", "imbal.", "imbal.",
           "time(s)", "time(s)", "time"
    printf "%-16s %8s %8s %9s %9s %9s %9s %9s %9s\n", "", "plyxen", "METIS", "ratio", "plyxen", "METIS",
           "plyxen", "METIS", "ratio"
    for (i = 1; i <= count; i++) {
      g = order[i]
      c = ratio(cut[g, "plyxen"], cut[g, "METIS"]); t = ratio(time[g, "plyxen"], time[g, "METIS"])
      printf "%-16s %8d %8d %9.3f %9.4f %9.4f %9.4f %9.4f %9.3f\n", g, cut[g, "plyxen"], cut[g, "METIS"], c,
             excess[g, "plyxen"], excess[g, "METIS"], time[g, "plyxen"], time[g, "METIS"], t
      if (c > 0) { cutLog += log(c); cutCount++ }
      if (t > 0) { timeLog += log(t); timeCount++ }
      if (g != "power") {
        if (c > 0) { meshCutLog += log(c); meshCutCount++ }
        if (t > 0) { meshTimeLog += log(t); meshTimeCount++ }
      }
    }
    printf "\n%-26s %9.3f %39s %9.3f\n", "geometric mean, meshes", meshCutCount ? exp(meshCutLog / meshCutCount) : 0, "",
           meshTimeCount ? exp(meshTimeLog / meshTimeCount) : 0
    printf "%-26s %9.3f %39s %9.3f\n", "geometric mean, all", cutCount ? exp(cutLog / cutCount) : 0, "",
           timeCount ? exp(timeLog / timeCount) : 0
  }' "$results"
echo "(scratch files in $work)" >&2
