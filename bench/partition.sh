#!/usr/bin/env bash
# Partitioning and mapping benchmark: "plyxen partition" against gpmetis
# (Debian package metis), its default k-way method and its recursive
# bisection (-ptype=rb), run on the same graphs in the same run at the same
# tolerance (5%: -b 0.05 and -ufactor=50). gpmetis is only run from here,
# never linked into the product. Not part of the test suite.
#
#   bench/partition.sh [GRAPH.grf ...]   (default: every graph of ../shared/graphs)
#
# For each graph and part count: the edge cut and the imbalance reached
# (largest part load over the average, minus 1, counted here from each
# parts file) of every method, and the whole-process time (best of
# BENCH_REPEAT runs); then the ratios of plyxen's cut to the better of the
# two gpmetis methods and of its time to gpmetis k-way, with their
# geometric means. Then, for mapping: each graph onto a 2D mesh and a 2D
# torus of 64 terminals with "plyxen map", against the 64-way partition of
# "plyxen partition" laid on the same target in part order (part i on
# terminal i), both as communication loads (edge loads times distances).
#
# Environment: PLYXEN_BUILD  build folder (default build-bench, configured
#                            in Release and built here)
#              BENCH_WORK    scratch folder (default a fresh temporary one)
#              BENCH_REPEAT  runs per measurement (default 3)
#              BENCH_PARTS   part counts (default "2 4 8 16 32 64 256")
#              BENCH_STRATEGY  strategy passed to plyxen partition -s
#                            (default: the library's default strategy)
#              BENCH_CLOCK   "wall" (default) or "cpu": the time measured
#                            is the processor time (user and system) of
#                            the process instead, which other jobs on a
#                            shared machine disturb far less
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${PLYXEN_BUILD:-$root/build-bench}
repeat=${BENCH_REPEAT:-3}
parts_list=${BENCH_PARTS:-"2 4 8 16 32 64 256"}
work=${BENCH_WORK:-$(mktemp -d "${TMPDIR:-/tmp}/plyxen-partition.XXXXXX")}
mkdir -p "$work"

# shellcheck source=bench/setup.sh
source "$root/bench/setup.sh"
bench_graphs partition.sh "$@"

need=()
command -v gpmetis >/dev/null || need+=(metis)
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
bench_install ${need[@]+"${need[@]}"}

bench_tool

# childcpu: sets cpu to the processor time (user and system, in
# milliseconds) of the finished children of this shell so far, from the
# second line of "times"; bash alone, so that no process of its own counts.
childcpu() {
  local user system field total=0
  times >"$work/times"
  { read -r _ _; read -r user system; } <"$work/times"
  for field in "$user" "$system"; do  # as 0m0.123s
    local minutes=${field%%m*} rest=${field#*m}
    rest=${rest%s}
    total=$((total + (minutes * 60 + ${rest%.*}) * 1000 + 10#${rest#*.}))
  done
  cpu=$total
}

# measure COMMAND...: runs it BENCH_REPEAT times; sets elapsed (best wall
# time, or processor time with BENCH_CLOCK=cpu, seconds); the standard
# output of the last run is left in $work/out.
measure() {
  elapsed=""
  local run start end seconds
  for ((run = 0; run < repeat; run++)); do
    if [ "${BENCH_CLOCK:-wall}" = cpu ]; then childcpu; start=$cpu; else start=$(date +%s%N); fi
    if ! "$@" >"$work/out" 2>"$work/err"; then
      echo "partition.sh: failed: $*" >&2
      cat "$work/err" >&2
      return 1
    fi
    if [ "${BENCH_CLOCK:-wall}" = cpu ]; then
      childcpu
      seconds=$(awk -v a="$start" -v b="$cpu" 'BEGIN { printf "%.4f", (b - a) / 1000 }')
    else
      end=$(date +%s%N)
      seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')
    fi
    if [ -z "$elapsed" ] || awk -v a="$seconds" -v b="$elapsed" 'BEGIN { exit !(a < b) }'; then elapsed=$seconds; fi
  done
}

# figure NAME: value of NAME=... in $work/out.
figure() { tr ' ' '\n' <"$work/out" | sed -n "s/^$1=//p"; }

# partfigures METIS_GRAPH PARTS_FILE K: "cut imbalance" of a parts file
# holding one part per line (gpmetis) or "vertex part" lines (plyxen),
# counted from the METIS graph file (vertex weights honoured).
partfigures() {
  awk -v k="$3" '
    FNR == NR { part[FNR] = (NF > 1) ? $2 : $1; next }
    FNR == 1 { fmt = (NF > 2) ? $3 : "0"; weights = (length(fmt) >= 2 && substr(fmt, length(fmt) - 1, 1) == "1");
               edgew = (substr(fmt, length(fmt), 1) == "1"); next }
    /^%/ { next }
    { v = FNR - 1; i = 1; w = 1
      if (weights) { w = $1; i = 2 }
      load[part[v]] += w; total += w
      for (; i <= NF; i += (edgew ? 2 : 1)) { u = $i; if (u > v && part[u] != part[v]) cut += (edgew ? $(i + 1) : 1) } }
    END { largest = 0; for (p in load) if (load[p] > largest) largest = load[p]
          printf "%d %.4f\n", cut, largest * k / total - 1 }' "$2" "$1"
}

# commfigure METIS_GRAPH PARTS_FILE KIND X Y: communication load of the
# parts (terminal numbers) on a KIND ("mesh" or "torus") of X by Y
# terminals, terminal t at (t mod X, t div X).
commfigure() {
  awk -v kind="$3" -v sx="$4" -v sy="$5" '
    function dist(a, b, s,   d) { d = (a > b) ? a - b : b - a; if (kind == "torus" && s - d < d) d = s - d; return d }
    FNR == NR { part[FNR] = (NF > 1) ? $2 : $1; next }
    FNR == 1 { fmt = (NF > 2) ? $3 : "0"; weights = (length(fmt) >= 2 && substr(fmt, length(fmt) - 1, 1) == "1");
               edgew = (substr(fmt, length(fmt), 1) == "1"); next }
    /^%/ { next }
    { v = FNR - 1; i = weights ? 2 : 1
      for (; i <= NF; i += (edgew ? 2 : 1)) {
        u = $i; if (u <= v) continue
        a = part[v]; b = part[u]
        d = dist(a % sx, b % sx, sx) + dist(int(a / sx), int(b / sx), sy)
        comm += d * (edgew ? $(i + 1) : 1) } }
    END { printf "%d\n", comm }' "$2" "$1"
}

strategy=()
[ -n "${BENCH_STRATEGY:-}" ] && strategy=(-s "$BENCH_STRATEGY")

results=$work/results
mapping=$work/mapping
: >"$results"
: >"$mapping"
for graph in "${graphs[@]}"; do
  name=$(basename "$graph")
  name=${name%.*}
  metis=$work/$name.graph
  "$plyxen" convert "$graph" "$metis"
  vertices=$(head -n 1 "$metis" | awk '{ print $1 }')
  for k in $parts_list; do
    echo "$name k=$k..." >&2
    measure "$plyxen" partition "$graph" "$k" -b 0.05 -o "$work/$name.$k.plyxen" "${strategy[@]}"
    echo "$name $vertices $k plyxen $(partfigures "$metis" "$work/$name.$k.plyxen" "$k") $elapsed" >>"$results"
    if [ "$k" -gt 1 ]; then
      measure gpmetis -ufactor=50 "$metis" "$k"
      mv "$metis.part.$k" "$work/$name.$k.kway"
      echo "$name $vertices $k kway $(partfigures "$metis" "$work/$name.$k.kway" "$k") $elapsed" >>"$results"
      measure gpmetis -ptype=rb -ufactor=50 "$metis" "$k"
      mv "$metis.part.$k" "$work/$name.$k.rb"
      echo "$name $vertices $k rb $(partfigures "$metis" "$work/$name.$k.rb" "$k") $elapsed" >>"$results"
    fi
  done

  # Mapping onto 64 terminals, against the 64-way partition in part order.
  echo "$name mapping..." >&2
  "$plyxen" partition "$graph" 64 -b 0.05 -o "$work/$name.64.order" "${strategy[@]}" >/dev/null
  for kind in mesh torus; do
    echo "${kind}2D 8 8" >"$work/$kind.tgt"
    "$plyxen" map "$graph" "$work/$kind.tgt" -b 0.05 -o "$work/$name.$kind.map" >"$work/out"
    echo "$name $kind $(figure comm) $(commfigure "$metis" "$work/$name.64.order" "$kind" 8 8)" >>"$mapping"
  done
done

awk '
  { cut[$1, $3, $4] = $5; imb[$1, $3, $4] = $6; time[$1, $3, $4] = $7; size[$1] = $2
    if (!(($1, $3) in seen)) { seen[$1, $3] = 1; order[++count] = $1 " " $3 } }
  function ratio(a, b) { return (b > 0) ? a / b : 0 }
  END {
    printf "%-14s %5s %9s %8s %8s %8s %8s %8s %8s %8s %8s %8s %8s\n", "graph", "k", "vertices",
           "cut", "kway", "rb", "imb", "imbKway", "imbRb", "cut/best", "time", "tKway", "t/tKway"
    worst = 0; over = 0; bad = 0
    for (i = 1; i <= count; i++) {
      split(order[i], key, " "); g = key[1]; k = key[2]
      best = cut[g, k, "kway"]; if (cut[g, k, "rb"] < best) best = cut[g, k, "rb"]
      r = ratio(cut[g, k, "plyxen"], best); t = ratio(time[g, k, "plyxen"], time[g, k, "kway"])
      printf "%-14s %5d %9d %8d %8d %8d %8.4f %8.4f %8.4f %8.3f %8.4f %8.4f %8.3f\n", g, k, size[g],
             cut[g, k, "plyxen"], cut[g, k, "kway"], cut[g, k, "rb"], imb[g, k, "plyxen"], imb[g, k, "kway"],
             imb[g, k, "rb"], r, time[g, k, "plyxen"], time[g, k, "kway"], t
      if (r > 0) { cutlog += log(r); cutcount++; if (r > worst) worst = r; if (r > 1.10) over++ }
      if (imb[g, k, "plyxen"] > 0.05 + 1e-9) bad++
      if (size[g] >= 30000 && t > 0) { timelog += log(t); timecount++; if (t > 1.5) slow++ }
    }
    printf "\ncut / better gpmetis: geometric mean %.3f (target 1.0), worst %.3f, runs above 1.10: %d\n",
           cutcount ? exp(cutlog / cutcount) : 0, worst, over
    printf "runs above 5%% imbalance: %d\n", bad
    printf "time / gpmetis k-way on graphs of 30000 vertices or more: geometric mean %.3f (target 1.5), runs above 1.5: %d\n",
           timecount ? exp(timelog / timecount) : 0, slow + 0
  }' "$results"

awk '
  BEGIN { printf "\n%-14s %-6s %12s %14s %8s\n", "graph", "target", "comm(map)", "comm(k-way)", "ratio" }
  { printf "%-14s %-6s %12d %14d %8.3f\n", $1, $2, $3, $4, ($4 > 0) ? $3 / $4 : 0 }' "$mapping"
echo "(scratch files in $work)" >&2
