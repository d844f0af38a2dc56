#!/bin/sh
# Installs the current build into a scratch prefix and uses it the way a
# client would: a C99 program built with pkg-config, the same program built
# by a CMake project through find_package(kurovia), and a check that the
# library exports exactly the names of kurovia.h.
#
# installed_test.sh BUILD_DIR SOURCE_DIR WORK_DIR CMAKE CC LIBDIR [CFLAGS...]
set -eu

build_dir=$1
source_dir=$2
work_dir=$3
cmake=$4
cc=$5
libdir=$6
shift 6
extra_cflags="$*"

prefix="$work_dir/prefix"
rm -rf "$work_dir"
mkdir -p "$work_dir"

echo "== install into $prefix"
"$cmake" --install "$build_dir" --prefix "$prefix" >"$work_dir/install.log"

lib="$prefix/$libdir/libkurovia.so"
test -f "$lib" || { echo "not installed: $lib"; exit 1; }
test -f "$prefix/include/kurovia.h" || { echo "not installed: kurovia.h"; exit 1; }

echo "== C99 program through pkg-config"
PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
export PKG_CONFIG_PATH
flags=$(pkg-config --cflags --libs kurovia)
echo "pkg-config kurovia: $flags"
# shellcheck disable=SC2086
"$cc" -std=c99 -Wall -Wextra -Wpedantic -Werror $extra_cflags \
  "$source_dir/tests/c_api/c_api_test.c" $flags -o "$work_dir/c_api_test"
LD_LIBRARY_PATH="$prefix/$libdir" "$work_dir/c_api_test"

echo "== CMake project through find_package(kurovia)"
"$cmake" -S "$source_dir/tests/c_api/consumer" -B "$work_dir/consumer" \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_COMPILER="$cc" \
  -DCMAKE_C_FLAGS="-Wall -Wextra -Wpedantic -Werror $extra_cflags" >"$work_dir/consumer.log"
"$cmake" --build "$work_dir/consumer" >>"$work_dir/consumer.log"
LD_LIBRARY_PATH="$prefix/$libdir" "$work_dir/consumer/kurovia_consumer"

echo "== programs of the installed tree"
# Every program the build made is installed and finds the installed library
# by itself (no LD_LIBRARY_PATH): run without arguments, each prints its
# usage and exits with 2.
for program in kurovia krvprep areabuild areahash townbuild townhash sectbuild blockbuild housebuild \
  mojiindex chimeibuild; do
  [ -x "$build_dir/bin/$program" ] || continue
  test -x "$prefix/bin/$program" || { echo "not installed: bin/$program"; exit 1; }
  status=0
  "$prefix/bin/$program" >/dev/null 2>&1 || status=$?
  [ "$status" -eq 2 ] || { echo "bin/$program without arguments: exit status $status, not 2"; exit 1; }
done

echo "== exported symbols"
# Names declared with KRV_API in the header, and the symbols the library
# defines for others to link against.
sed -n 's/^KRV_API[^(]*[ *]\([A-Za-z_][A-Za-z0-9_]*\) *(.*/\1/p' "$prefix/include/kurovia.h" | sort -u >"$work_dir/declared"
nm -D --defined-only "$lib" | awk 'NF == 3 { print $3 }' | sort -u >"$work_dir/exported"
extra=$(comm -13 "$work_dir/declared" "$work_dir/exported")
if [ -n "$extra" ]; then
  echo "exported but not declared in kurovia.h:"
  echo "$extra"
  exit 1
fi
echo "$(wc -l <"$work_dir/exported") exported symbols, all declared in kurovia.h"
