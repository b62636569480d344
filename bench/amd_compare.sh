#!/bin/sh
# Builds the library (Release) and the d/f versus reference minimum degree
# benchmark, then runs it on the given graph files (default: the shared
# graphs). Needs the Debian package libsuitesparse-dev, used by the
# benchmark program only.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${AMD_COMPARE_BUILD:-$ROOT/build-amd-bench}
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DPLYXEN_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target plyxen -j2 >/dev/null
g++ -std=c++20 -O2 -Wall -Wextra -Werror -I"$ROOT/src" -I"$ROOT/include" -I/usr/include/suitesparse \
  "$ROOT/bench/amd_compare.cpp" "$BUILD/libplyxen.a" -lamd -lpthread -o "$BUILD/amd_compare"
exec "$BUILD/amd_compare" "$@"
