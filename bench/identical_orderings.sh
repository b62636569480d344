#!/usr/bin/env bash
# Checks that a build orders every shared graph exactly as a saved reference
# does: the ordering file written by "plyxen order GRAPH -o FILE" with the
# default strategy must be byte-identical, and so must the "--stats" figures
# (all but the elapsed time, which is dropped before comparing).
# Used to make sure that speed work leaves the orderings unchanged.
#
#   bench/identical_orderings.sh save  REFERENCE_DIR   (record the reference)
#   bench/identical_orderings.sh check REFERENCE_DIR   (compare against it)
#
# Environment: PLYXEN_BUILD  build folder holding the plyxen tool
#                            (default build-perf)
#              GRAPH_DIR     graphs to order (default ../shared/graphs)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${PLYXEN_BUILD:-$root/build-perf}
graphs=${GRAPH_DIR:-$root/../shared/graphs}
mode=${1:-}
reference=${2:-}
if [ "$mode" != save ] && [ "$mode" != check ] || [ -z "$reference" ]; then
  echo "usage: $0 save|check REFERENCE_DIR" >&2
  exit 2
fi

mkdir -p "$reference"
work=$(mktemp -d "${TMPDIR:-/tmp}/plyxen-identical.XXXXXX")
trap 'rm -rf "$work"' EXIT

status=0
count=0
shopt -s nullglob
for graph in "$graphs"/*.grf; do
  name=$(basename "$graph" .grf)
  "$build/plyxen" order "$graph" -o "$work/$name.ord"
  "$build/plyxen" order "$graph" --stats -o "$work/$name.stats.ord" |
    sed 's/ *time=[^ ]*//' >"$work/$name.stats"
  if [ "$mode" = save ]; then
    cp "$work/$name.ord" "$work/$name.stats" "$reference/"
  else
    for file in "$name.ord" "$name.stats"; do
      if ! cmp -s "$work/$file" "$reference/$file"; then
        echo "DIFFERENT: $file" >&2
        status=1
      fi
    done
  fi
  count=$((count + 1))
done
if [ "$count" -eq 0 ]; then
  echo "$0: no graph in $graphs" >&2
  exit 1
fi
if [ "$mode" = save ]; then
  echo "saved $count reference orderings in $reference"
elif [ "$status" -eq 0 ]; then
  echo "identical: $count graphs"
fi
exit $status
