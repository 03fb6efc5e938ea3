#!/usr/bin/env bash
# Sets everything up, builds, and runs the program's main job.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh release
bin=build/release/bin
if [ -x "$bin/ombrex-info" ]; then
  "$bin/ombrex-info"
else
  echo "run: nothing to run yet" >&2
  exit 1
fi
