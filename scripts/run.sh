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
daemon=
cleanup() {
  if [ -n "$daemon" ]; then
    "$bin/ombrex-vkbd" shutdown --socket "$work/vkbd.sock" >/dev/null 2>&1 || kill "$daemon" 2>/dev/null || true
    wait "$daemon" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
# Ctrl+C reaches the program too; it exits as its Exit does, then we clean up.
trap ':' INT TERM

real=no
if [ -z "${RAZIZID_BACKEND:-}" ]; then
  if RAZIZID_BACKEND=hid "$bin/ombrexctl" status >/dev/null 2>"$work/hid.err"; then
    real=yes
  elif grep -q "cannot be opened" "$work/hid.err"; then
    echo "run: a keyboard is attached but cannot be opened:"
    sed 's/^/  /' "$work/hid.err"
    echo "run: see README.md (Keyboard access on Linux); using the virtual keyboard instead"
  fi
fi

if [ "$real" = yes ]; then
  export RAZIZID_BACKEND=hid
  echo "run: a real Ombrex keyboard is attached"
elif [ -z "${RAZIZID_BACKEND:-}" ] || [ "$RAZIZID_BACKEND" = virtual ]; then
  export RAZIZID_BACKEND=virtual
  export OMBREX_VKBD_SOCKET="$work/vkbd.sock"
  "$bin/ombrex-vkbd" serve --socket "$OMBREX_VKBD_SOCKET" >"$work/vkbd.log" 2>&1 &
  daemon=$!
  for _ in $(seq 100); do
    "$bin/ombrex-vkbd" count --socket "$OMBREX_VKBD_SOCKET" >/dev/null 2>&1 && break
    sleep 0.05
  done
  echo "run: virtual keyboard on $OMBREX_VKBD_SOCKET; from another terminal:"
  echo "  $bin/ombrex-vkbd unplug --socket $OMBREX_VKBD_SOCKET"
  echo "  $bin/ombrex-vkbd plug --socket $OMBREX_VKBD_SOCKET"
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  echo "run: starting the program; its icon is in the tray (start it again to open its window)"
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
