#!/usr/bin/env bash
# Sets everything up, builds, and runs the program's main job: the virtual
# keyboard (or a real one, read-only) read, a profile written and read back,
# all through ombrexctl on the program's core.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh release
exec ./scripts/demo.sh --preset release "$@"
