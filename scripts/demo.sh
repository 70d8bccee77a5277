#!/usr/bin/env bash
# Builds the tools and runs each once on a picture the demonstration makes
# itself; prints where the results are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" build
cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBMP_TESTS=OFF >/dev/null
cmake --build "$root/build-release" >/dev/null
"$root/demo/demo.sh" "$root/build-release/bin" "$root/demo-out"
