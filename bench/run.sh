#!/usr/bin/env bash
# Ordering benchmark: plyxen against two reference orderers run on the same
# graphs in the same run, METIS node nested dissection (ndmetis, Debian
# package metis) and SuiteSparse AMD (libsuitesparse-dev, through
# bench/amd_order.c). The references are only run from here, never linked
# into the product. Not part of the test suite.
#
#   bench/run.sh [GRAPH.grf ...]      (default: every graph of ../shared/graphs)
#
# For each graph: fill (off-diagonal nonzeros of the Cholesky factor, nnzL)
# and operation count (opc, sum of the squared column counts) of each
# ordering, all computed by "plyxen stats" / "plyxen order --stats"; wall
# time and peak memory of each whole process (best time and largest peak of
# BENCH_REPEAT runs); then the ratios of plyxen's figures to each reference.
#
# Environment: PLYXEN_BUILD  build folder (default build-bench, configured
#                            in Release and built here)
#              BENCH_WORK    scratch folder (default a fresh temporary one)
#              BENCH_REPEAT  runs per measurement (default 3)
#              BENCH_STRATEGY  strategy passed to plyxen order -s (default:
#                            the recommended strategy, the tool's default);
#                            the rows "plyxen-q" and "plyxen-i" are those of
#                            plyxen order --quality and --interface
#              BENCH_EDGE_STRATEGY  strategy of the second plyxen row set,
#                            "plyxen-e" (default: the interface's nested
#                            dissection with the edge-based separator e in
#                            place of the multilevel vertex separators)
#              BENCH_K_STRATEGY  strategy of the "plyxen-k" row set (default:
#                            nested dissection whose leaves are ordered part
#                            by part by the partition ordering method k)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${PLYXEN_BUILD:-$root/build-bench}
repeat=${BENCH_REPEAT:-3}
work=${BENCH_WORK:-$(mktemp -d "${TMPDIR:-/tmp}/plyxen-bench.XXXXXX")}
mkdir -p "$work"

# shellcheck source=bench/setup.sh
source "$root/bench/setup.sh"
bench_graphs run.sh "$@"

# Reference tools and measuring tools, installed when missing.
need=()
command -v ndmetis >/dev/null || need+=(metis)
[ -f /usr/include/suitesparse/amd.h ] || need+=(libsuitesparse-dev)
[ -x /usr/bin/time ] || need+=(time)
command -v cc >/dev/null || need+=(gcc)
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
bench_install ${need[@]+"${need[@]}"}

bench_tool
cc -O2 -I/usr/include/suitesparse "$root/bench/amd_order.c" -o "$work/amd_order" -lamd

# measure COMMAND...: runs it BENCH_REPEAT times; sets elapsed (best wall
# time, seconds) and peak (largest resident set, kilobytes); the standard
# output of the last run is left in $work/out.
measure() {
  elapsed=""
  peak=0
  local run start end seconds memory
  for ((run = 0; run < repeat; run++)); do
    start=$(date +%s%N)
    if ! /usr/bin/time -f "%M" -o "$work/memory" "$@" >"$work/out" 2>"$work/err"; then
      echo "run.sh: failed: $*" >&2
      cat "$work/err" >&2
      return 1
    fi
    end=$(date +%s%N)
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')
    memory=$(tail -n 1 "$work/memory")
    if [ -z "$elapsed" ] || awk -v a="$seconds" -v b="$elapsed" 'BEGIN { exit !(a < b) }'; then elapsed=$seconds; fi
    if [ "$memory" -gt "$peak" ]; then peak=$memory; fi
  done
}

# figure NAME: value of NAME=... in $work/out.
figure() { tr ' ' '\n' <"$work/out" | sed -n "s/^$1=//p"; }

strategy=()
[ -n "${BENCH_STRATEGY:-}" ] && strategy=(-s "$BENCH_STRATEGY")
# Nested dissection whose separators come from edge bipartitions: a
# multilevel bipartition with 5 % tolerance, turned into a separator by a
# minimum vertex cover of its cut.
edge_bipart="m{vert=100,rat=0.7,low=h{pass=10}f{bal=0.05},asc=b{width=3,bnd=f{bal=0.05},org=f{bal=0.05}}}"
edge_sep="/(vert>120)?e{type=t,strat=$edge_bipart};"
edge_strategy=${BENCH_EDGE_STRATEGY:-"o{strat=c{rat=0.7,cpr=n{sep=$edge_sep,ole=f{cmin=0,cmax=100000,frat=0.0},ose=g},unc=n{sep=$edge_sep,ole=f{cmin=15,cmax=100000,frat=0.0},ose=g}}}"}
k_sep="/(vert>120)?m{rat=0.7,vert=100,low=h{pass=10},asc=b{width=3,bnd=f{bal=0.2},org=(|h{pass=10})f{bal=0.2}}};"
k_strategy=${BENCH_K_STRATEGY:-"o{strat=n{sep=$k_sep,ole=k{siz=30},ose=g}}"}

results=$work/results
: >"$results"
for graph in "${graphs[@]}"; do
  name=$(basename "$graph")
  name=${name%.*}
  echo "$name..." >&2
  metis=$work/$name.graph
  "$plyxen" convert "$graph" "$metis"
  vertices=$(head -n 1 "$metis" | awk '{ print $1 }')

  measure "$plyxen" order "$graph" --stats -o "$work/$name.plyxen.ord" "${strategy[@]}"
  echo "$name plyxen $(figure nnzL) $(figure opc) $elapsed $peak" >>"$results"

  measure "$plyxen" order "$graph" --stats -o "$work/$name.plyxen-q.ord" --quality
  echo "$name plyxen-q $(figure nnzL) $(figure opc) $elapsed $peak" >>"$results"

  measure "$plyxen" order "$graph" --stats -o "$work/$name.plyxen-i.ord" --interface
  echo "$name plyxen-i $(figure nnzL) $(figure opc) $elapsed $peak" >>"$results"

  measure "$plyxen" order "$graph" --stats -o "$work/$name.plyxen-e.ord" -s "$edge_strategy"
  echo "$name plyxen-e $(figure nnzL) $(figure opc) $elapsed $peak" >>"$results"

  measure "$plyxen" order "$graph" --stats -o "$work/$name.plyxen-k.ord" -s "$k_strategy"
  echo "$name plyxen-k $(figure nnzL) $(figure opc) $elapsed $peak" >>"$results"

  measure ndmetis "$metis"
  awk -v n="$vertices" 'BEGIN { print n } { print NR "\t" $1 + 1 }' "$metis.iperm" >"$work/$name.nd.ord"
  "$plyxen" stats "$metis" "$work/$name.nd.ord" >"$work/out"
  nd_figures="$(figure nnzL) $(figure opc)"
  echo "$name ND $nd_figures $elapsed $peak" >>"$results"

  measure "$work/amd_order" "$metis" "$work/$name.amd.ord"
  "$plyxen" stats "$metis" "$work/$name.amd.ord" >"$work/out"
  echo "$name AMD $(figure nnzL) $(figure opc) $elapsed $peak" >>"$results"
done

awk '
  { nnz[$1, $2] = $3; opc[$1, $2] = $4; time[$1, $2] = $5; mem[$1, $2] = $6
    if (!($1 in seen)) { seen[$1] = 1; order[++count] = $1 } }
  function ratio(a, b) { return (b > 0) ? a / b : 0 }
  END {
    printf "%-16s %-9s %14s %14s %10s %10s\n", "graph", "orderer", "nnzL", "opc", "time(s)", "peak(MB)"
    for (i = 1; i <= count; i++) {
      g = order[i]
      split("plyxen plyxen-q plyxen-i plyxen-e plyxen-k ND AMD", tools, " ")
      for (t = 1; t <= 7; t++)
        printf "%-16s %-9s %14d %14.4e %10.4f %10.1f\n", g, tools[t], nnz[g, tools[t]], opc[g, tools[t]],
               time[g, tools[t]], mem[g, tools[t]] / 1024
    }
    split("plyxen plyxen-q plyxen-i plyxen-e plyxen-k", orderers, " ")
    for (o = 1; o <= 5; o++) {
    me = orderers[o]
    delete logsum; delete logcount
    printf "\n%s / reference\n", me
    printf "%-16s %9s %9s %9s %9s %9s %9s %9s %9s\n", "graph", "nnzL/ND", "opc/ND", "time/ND", "mem/ND",
           "nnzL/AMD", "opc/AMD", "time/AMD", "mem/AMD"
    for (i = 1; i <= count; i++) {
      g = order[i]
      line = sprintf("%-16s", g)
      split("ND AMD", refs, " ")
      for (r = 1; r <= 2; r++) {
        ref = refs[r]
        v[1] = ratio(nnz[g, me], nnz[g, ref]); v[2] = ratio(opc[g, me], opc[g, ref])
        v[3] = ratio(time[g, me], time[g, ref]); v[4] = ratio(mem[g, me], mem[g, ref])
        for (k = 1; k <= 4; k++) {
          line = line sprintf(" %9.3f", v[k])
          if (v[k] > 0) { logsum[r, k] += log(v[k]); logcount[r, k]++ }
        }
      }
      print line
    }
    line = sprintf("%-16s", "geometric mean")
    for (r = 1; r <= 2; r++)
      for (k = 1; k <= 4; k++)
        line = line sprintf(" %9.3f", logcount[r, k] ? exp(logsum[r, k] / logcount[r, k]) : 0)
    print line
    }
  }' "$results"
echo "(scratch files in $work)" >&2
