#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: the native one, then the
# Windows one (the core cross-built with mingw-w64, its tests under wine).
# Usage: scripts/test.sh [--preset dev|asan|tsan|release|windows-cross] [ctest arguments...]
# With arguments only the given preset (default dev) runs.
set -euo pipefail
cd "$(dirname "$0")/.."
presets=(dev windows-cross)
if [ "${1:-}" = "--preset" ]; then
  presets=("$2")
  shift 2
elif [ $# -gt 0 ]; then
  presets=(dev)
fi
./scripts/setup.sh
# Tests talk to each other through sockets and lock files under the runtime
# folder: give this run a private one.
runtime=$(mktemp -d)
wine_prefix=
stop_wineserver() {
  if [ -n "$wine_prefix" ]; then
    WINEPREFIX=$wine_prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  fi
}
trap 'stop_wineserver; rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime
for preset in "${presets[@]}"; do
  if [ "$preset" = windows-cross ]; then
    # The Windows build's language and skin files are compared with those of
    # the native build, so those are made first (no more than they need).
    ./scripts/build.sh dev bin/Lang0409.ini bin/Lang0804.ini bin/Skins/language.ini \
      bin/Skins/Main.ini bin/Skins/Composite.ini bin/Skins/Profile.ini
  fi
  ./scripts/build.sh "$preset"
  if [ "$preset" = windows-cross ]; then
    # Without a client wine's server ends within seconds, and every test
    # would start it and wine's services anew: keep one for this run, once
    # the build's (which may still be setting the prefix up) has ended, and
    # let the prefix be complete before the first test. A server someone
    # keeps running for this prefix never ends: after a while it is used.
    wine_prefix=$(sed -n 's/^OMBREX_WINEPREFIX:PATH=//p' build/windows-cross/CMakeCache.txt)
    WINEPREFIX=$wine_prefix timeout 30 /usr/lib/wine/wineserver -w || true
    WINEPREFIX=$wine_prefix /usr/lib/wine/wineserver -p
    WINEPREFIX=$wine_prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= \
      /usr/lib/wine/wine64 wineboot -u
  fi
  start=$(date +%s)
  ctest --preset "$preset" -j2 "$@"
  echo "test.sh: $preset suite ran in $(( $(date +%s) - start )) s"
done
