#!/usr/bin/env bash
# Builds the suite and its tests (warnings are errors) and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" test
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBMP_WERROR=ON -DBMP_TESTS=ON >/dev/null
cmake --build "$root/build"
ctest --test-dir "$root/build" -j "$(nproc)" --output-on-failure
