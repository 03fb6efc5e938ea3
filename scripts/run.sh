#!/usr/bin/env bash
# Sets everything up, builds the release and runs the program.
#
#   scripts/run.sh [ombrex options...]
#
# A real Ombrex keyboard is used when one answers (and RAZIZID_BACKEND is not
# set); otherwise the virtual keyboard daemon runs on a private socket for as
# long as the program does. With a display the program runs until its Exit
# (tray menu, Close button) or Ctrl+C; without one it runs offscreen, saves a
# picture of its window and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh release
bin=build/release/bin

work=$(mktemp -d "${TMPDIR:-/tmp}/ombrex-run-XXXXXX")
chmod 700 "$work"
who=run
. scripts/keyboard.sh
cleanup() {
  keyboard_stop
  rm -rf "$work"
}
trap cleanup EXIT
# Ctrl+C reaches the program too; it exits as its Exit does, then we clean up.
trap ':' INT TERM

keyboard_choose
if [ -n "$keyboard_daemon" ]; then
  echo "run: to take the virtual keyboard away and bring it back, from another terminal:"
  echo "  $bin/ombrex-vkbd unplug --socket $OMBREX_VKBD_SOCKET"
  echo "  $bin/ombrex-vkbd plug --socket $OMBREX_VKBD_SOCKET"
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  echo "run: starting the program; Exit (tray menu or its window's close button) or Ctrl+C ends it"
  status=0
  "$bin/ombrex" "$@" || status=$?
  exit "$status"
fi

echo "run: no display; running offscreen to take a picture of the window"
shots=build/release/screenshots
status=0
QT_QPA_PLATFORM=offscreen "$bin/ombrex" --screenshot "$shots" "$@" || status=$?
if [ "$status" -eq 0 ]; then
  echo "run: the window's picture is in $shots/main-1x.png"
fi
exit "$status"
