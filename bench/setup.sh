# Set-up shared by the benchmark scripts, sourced after they set root and
# build (and set -euo pipefail).

# bench_graphs NAME [GRAPH ...]: sets the array graphs to the graphs given,
# or to every graph of ../shared/graphs; none at all ends the script.
bench_graphs() {
  local name=$1
  shift
  graphs=("$@")
  if [ ${#graphs[@]} -eq 0 ]; then
    shopt -s nullglob
    graphs=("$root"/../shared/graphs/*.grf)
    shopt -u nullglob
  fi
  if [ ${#graphs[@]} -eq 0 ]; then
    echo "$name: no graph given and none in $root/../shared/graphs" >&2
    exit 1
  fi
}

# bench_install [PACKAGE ...]: installs the Debian packages named, if any.
bench_install() {
  if [ $# -gt 0 ]; then
    echo "installing $*" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q >&2 && apt-get install -y -q "$@" >&2
  fi
}

# bench_tool: builds the plyxen tool in $build unless PLYXEN_BUILD names a
# folder that holds it already, and sets plyxen to its path.
bench_tool() {
  if [ -z "${PLYXEN_BUILD:-}" ] || [ ! -x "$build/plyxen" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPLYXEN_TESTS=OFF >/dev/null
    cmake --build "$build" -j"$(nproc)" --target plyxen_tool >/dev/null
  fi
  plyxen=$build/plyxen
}
