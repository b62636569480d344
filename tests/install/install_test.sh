#!/usr/bin/env bash
# Installs plyxen into a temporary prefix and builds two programs against it
# from outside the source tree: a C program through the CMake package and a
# Fortran program through pkg-config; runs them and the installed tools,
# and checks that nothing beyond the C and C++ runtimes is linked in.
#
# install_test.sh SOURCE_DIR BUILD_DIR KIND [PYTHON]
#   KIND "build":  installs the given build as it is;
#   KIND "shared": configures and builds the library as a shared object first.
#   PYTHON: the interpreter of the Python package, when it is built.
set -euo pipefail
source_dir=$1
build_dir=$2
kind=$3
python=${4:-}

work=$(mktemp -d "${TMPDIR:-/tmp}/plyxen-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

if [ "$kind" = shared ]; then
  launcher=$(sed -n 's/^CMAKE_CXX_COMPILER_LAUNCHER[^=]*=//p' "$build_dir/CMakeCache.txt")
  cmake -S "$source_dir" -B "$work/build" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DPLYXEN_TESTS=OFF -DPLYXEN_PYTHON=OFF ${launcher:+-DCMAKE_CXX_COMPILER_LAUNCHER=$launcher} >/dev/null
  cmake --build "$work/build" -j2 >/dev/null
  build_dir=$work/build
fi
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

libdir=$(dirname "$(find "$prefix" -name plyxen.pc)")
libdir=${libdir%/pkgconfig}
echo "installed: $(cd "$prefix" && find . -type f -o -type l | sort | tr '\n' ' ')"
[ "$(ls "$prefix/include")" = plyxen.h ] || { echo "the include folder holds more than plyxen.h"; exit 1; }

# The public header stands alone, in C and in C++.
printf '#include <plyxen.h>\nint main(void) { return PLYXEN_graphRecordSize() > 0 ? 0 : 1; }\n' >"$work/header.c"
cc -std=c99 -pedantic -Wall -Wextra -Werror -fsyntax-only -I"$prefix/include" "$work/header.c"
c++ -x c++ -std=c++11 -pedantic -Wall -Wextra -Werror -fsyntax-only -I"$prefix/include" "$work/header.c"

# Only the C and C++ runtimes (and the Fortran runtime for the Fortran
# program) may appear among the shared objects a program needs.
allowed='^(libplyxen|libstdc\+\+|libm|libgcc_s|libc|libpthread|ld-linux[-a-z0-9_]*|libgfortran|libquadmath)\.so'
check_needed() {
  local needed
  needed=$(readelf -d "$1" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p')
  echo "$(basename "$1") needs: $(echo $needed)"
  if echo "$needed" | grep -Ev "$allowed" | grep -q .; then
    echo "unexpected dependency of $1"
    exit 1
  fi
}

# A C program through find_package.
cp -r "$source_dir/tests/install/consumer_cmake" "$work/c"
cmake -S "$work/c" -B "$work/c/build" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/c/build" >/dev/null
"$work/c/build/order_grid"
check_needed "$work/c/build/order_grid"

# A Fortran program through pkg-config.
if command -v gfortran >/dev/null; then
  flags=$(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs plyxen)
  gfortran -Wall -Werror "$source_dir/tests/install/consumer_pkgconfig/elimord_path.f90" $flags \
    -Wl,-rpath,"$libdir" -o "$work/elimord_path"
  (cd "$work" && ./elimord_path)
  check_needed "$work/elimord_path"
else
  echo "no Fortran compiler: the pkg-config program is not built"
fi

# The installed programs.
"$prefix/bin/plyxen" order "$source_dir/examples/mesh30.grf" --stats
"$prefix/bin/main_elimord" "$source_dir/examples/mesh30.grf"
check_needed "$prefix/bin/plyxen"
if [ "$kind" = shared ]; then
  check_needed "$libdir/libplyxen.so"
  soname=$(readelf -d "$libdir/libplyxen.so" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
  [ "$soname" = libplyxen.so.0 ] || { echo "soname \"$soname\""; exit 1; }
  used=$(ldd "$prefix/bin/plyxen" | sed -n 's/.*libplyxen\.so\.0 => \([^ ]*\).*/\1/p')
  [ -n "$used" ] && [ "$(realpath "$used")" = "$(realpath "$libdir/libplyxen.so.0")" ] ||
    { echo "the tool uses \"$used\", not the installed library"; exit 1; }
else
  # A static library: the programs carry the library and need no libplyxen.
  [ -f "$libdir/libplyxen.a" ]
fi
# The Python package, when it was built and installed, imports from the
# installed tree alone and gives the tool's ordering under the recommended
# strategy, the default of both.
package=$(find "$prefix" -path '*-packages/plyxen/__init__.py' | head -n 1)
if [ -n "$package" ] && [ -n "$python" ]; then
  check_needed "$(ls "$(dirname "$package")"/_plyxen*.so)"
  "$prefix/bin/plyxen" order "$source_dir/examples/laplace16.mtx" -o "$work/tool.ord"
  (cd "$work" && PYTHONPATH=$(dirname "$(dirname "$package")") "$python" - "$source_dir/examples/laplace16.mtx" "$prefix" <<'PYTHON'
import os
import sys
import numpy as np
import scipy.io
import plyxen
assert os.path.realpath(plyxen.__file__).startswith(os.path.realpath(sys.argv[2])), plyxen.__file__
A = scipy.io.mmread(sys.argv[1])
ordering = plyxen.order(A)
pairs = np.loadtxt("tool.ord", skiprows=1, dtype=np.int64)
assert np.array_equal(ordering.iperm[pairs[:, 0] - 1], pairs[:, 1] - 1)
print("installed Python package:", plyxen.__file__, plyxen.stats(A, ordering.perm))
PYTHON
  )
fi
echo "install test ($kind) passed"
