#!/usr/bin/env bash
# Sets everything up and runs the whole test suite.
# Usage: scripts/test.sh [--preset dev|asan|tsan|release] [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=dev
if [ "${1:-}" = "--preset" ]; then
  preset=$2
  shift 2
fi
./scripts/setup.sh
./scripts/build.sh "$preset"
# Tests talk to each other through sockets and lock files under the runtime
# folder: give this run a private one.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime
ctest --preset "$preset" -j2 "$@"
