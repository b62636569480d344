#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a given time.
#
#   tests/fuzz/run.sh TARGET|all SECONDS [libFuzzer options...]
#
# TARGET is the name of a file of tests/fuzz/targets without its
# extension (graph_load, strat_parse, ...). Each target starts from its
# seeds in tests/fuzz/corpus/TARGET and from what earlier runs found in
# BUILD/corpus/TARGET, and adds the inputs it finds there (the
# repository's corpus is left as it is). A finding (crash, sanitizer
# report, failed check, timeout, memory beyond the limits) stops the
# target, is saved under BUILD/artifacts/TARGET/ and makes the script
# fail once every target has run. BUILD is build-fuzz, or $PLYXEN_FUZZ_BUILD.
#
# To replay one input: BUILD/tests/fuzz/fuzz_TARGET FILE, with
# PLYXEN_FUZZ_VERBOSE=1 to see the library's messages.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET|all SECONDS [libFuzzer options...]" >&2
  exit 2
fi
which_target=$1
seconds=$2
shift 2

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${PLYXEN_FUZZ_BUILD:-$root/build-fuzz}
fuzz_dir=$root/tests/fuzz

if [ "$which_target" = all ]; then
  targets=()
  for source in "$fuzz_dir"/targets/*.cpp; do
    name=$(basename "$source" .cpp)
    targets+=("$name")
  done
else
  if [ ! -f "$fuzz_dir/targets/$which_target.cpp" ]; then
    echo "no fuzz target $which_target in $fuzz_dir/targets" >&2
    exit 2
  fi
  targets=("$which_target")
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DPLYXEN_FUZZ=ON -DPLYXEN_TESTS=OFF -DPLYXEN_PYTHON=OFF "${launcher[@]}" >/dev/null
programs=()
for name in "${targets[@]}"; do programs+=("fuzz_$name"); done
cmake --build "$build" -j"$(nproc)" --target "${programs[@]}"

# Leaks are findings too; a UBSan report ends the run like an ASan one.
# The quarantine of freed memory (256 MB by default) counts in the memory
# that libFuzzer limits to 512 MB: replaying a corpus of a few thousand
# orderings alone took 505 MB with it and 96 MB with 16 MB. At 64 MB the
# limit measures the library's own memory, and a freed block still stays
# poisoned for many later allocations.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1:quarantine_size_mb=64}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for name in "${targets[@]}"; do
  corpus=$build/corpus/$name
  artifacts=$build/artifacts/$name
  # Strategies may run the separator-writing method, which writes its
  # files in the working folder: each target runs in a scratch folder.
  scratch=$build/scratch/$name
  rm -rf "$scratch"
  mkdir -p "$corpus" "$artifacts" "$scratch"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=512 -malloc_limit_mb=256
    -print_final_stats=1 -artifact_prefix="$artifacts/")
  if [ -f "$fuzz_dir/dict/$name.dict" ]; then options+=(-dict="$fuzz_dir/dict/$name.dict"); fi
  echo "=== fuzz_$name for ${seconds}s"
  if (cd "$scratch" && "$build/tests/fuzz/fuzz_$name" "${options[@]}" "$@" "$corpus" "$fuzz_dir/corpus/$name") \
      >"$build/fuzz_$name.log" 2>&1; then
    grep -E '^(stat::|#[0-9]+ *DONE)' "$build/fuzz_$name.log" || true
  else
    echo "fuzz_$name: FINDING (log: $build/fuzz_$name.log)"
    grep -E 'ERROR|SUMMARY|fuzz check failed|Test unit written|^  ' "$build/fuzz_$name.log" | head -20 ||
      tail -5 "$build/fuzz_$name.log"
    failed+=("$name")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "findings in: ${failed[*]}"
  exit 1
fi
echo "no finding in: ${targets[*]}"
