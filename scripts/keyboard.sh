# The keyboard a script works on, sourced by run.sh and demo.sh.
#
#   who=run bin=build/release/bin work=$(mktemp -d) . scripts/keyboard.sh
#   keyboard_choose        # a real keyboard when one answers, else the daemon
#   ...
#   keyboard_stop          # from the script's EXIT trap
#
# A real keyboard is used when RAZIZID_BACKEND is unset and one answers; a
# RAZIZID_BACKEND of hid or model is taken as it is; otherwise the virtual
# keyboard daemon runs on a private socket in $work. Sets keyboard_real (yes
# or no) and exports RAZIZID_BACKEND and OMBREX_VKBD_SOCKET.

keyboard_daemon=
keyboard_real=no

keyboard_choose() {
  if [ -z "${RAZIZID_BACKEND:-}" ]; then
    if RAZIZID_BACKEND=hid "$bin/ombrexctl" status >/dev/null 2>"$work/hid.err"; then
      keyboard_real=yes
    elif grep -q "cannot be opened" "$work/hid.err"; then
      echo "$who: a keyboard is attached but cannot be opened:"
      sed 's/^/  /' "$work/hid.err"
      echo "$who: see README.md (Keyboard access on Linux); using the virtual keyboard instead"
    fi
  fi
  if [ "$keyboard_real" = yes ]; then
    export RAZIZID_BACKEND=hid
    echo "$who: a real Ombrex keyboard is attached"
    return
  fi
  case "${RAZIZID_BACKEND:-}" in
    hid|model) echo "$who: RAZIZID_BACKEND=$RAZIZID_BACKEND"; return ;;
  esac
  export RAZIZID_BACKEND=virtual
  export OMBREX_VKBD_SOCKET="$work/vkbd.sock"
  "$bin/ombrex-vkbd" serve --socket "$OMBREX_VKBD_SOCKET" >"$work/vkbd.log" 2>&1 &
  keyboard_daemon=$!
  for _ in $(seq 100); do
    "$bin/ombrex-vkbd" count --socket "$OMBREX_VKBD_SOCKET" >/dev/null 2>&1 && break
    sleep 0.05
  done
  echo "$who: virtual keyboard started on $OMBREX_VKBD_SOCKET"
}

keyboard_stop() {
  if [ -n "$keyboard_daemon" ]; then
    "$bin/ombrex-vkbd" shutdown --socket "$work/vkbd.sock" >/dev/null 2>&1 ||
      kill "$keyboard_daemon" 2>/dev/null || true
    wait "$keyboard_daemon" 2>/dev/null || true
    keyboard_daemon=
  fi
}
