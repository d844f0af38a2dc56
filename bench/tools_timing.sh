#!/bin/sh
# Prints the timings of townbuild and townhash on the national postal-code
# list next to the time of merely reading and splitting its lines.
#   bench/tools_timing.sh [SHARED_DATA_DIR]
# Builds a Release tree in build-bench (never part of the test run).
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$here" -B "$here/build-bench" -DCMAKE_BUILD_TYPE=Release -DKRV_BUILD_BENCH=ON \
  -DKRV_BUILD_TESTS=OFF -DKRV_BUILD_WIZARD=OFF >/dev/null
cmake --build "$here/build-bench" -j2 --target tools_timing >/dev/null
cd "$here"
exec "$here/build-bench/bin/tools_timing" "$@"
