#!/usr/bin/env bash
# Shows the core at work with ombrexctl: the keyboard is read, a profile is
# written with one key changed, and read back.
#
#   scripts/demo.sh [--preset NAME] [--bin DIR] [--write-real]
#
# Without RAZIZID_BACKEND and with a real keyboard attached, the real one is
# only read (status, read, dump); it is written only with --write-real.
# Otherwise the virtual keyboard daemon runs on a private socket for the
# demo and is stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=release
bin=
write_real=no
while [ $# -gt 0 ]; do
  case "$1" in
    --preset) preset=$2; shift 2 ;;
    --bin) bin=$2; shift 2 ;;
    --write-real) write_real=yes; shift ;;
    *) echo "usage: scripts/demo.sh [--preset NAME] [--bin DIR] [--write-real]" >&2; exit 2 ;;
  esac
done
bin=${bin:-build/$preset/bin}
for program in ombrexctl ombrex-vkbd libRazIzid.so; do
  if [ ! -e "$bin/$program" ]; then
    echo "demo: $bin/$program is missing; build first (scripts/build.sh $preset)" >&2
    exit 1
  fi
done
ctl="$bin/ombrexctl"

work=$(mktemp -d "${TMPDIR:-/tmp}/ombrex-demo-XXXXXX")
chmod 700 "$work"
who=demo
. scripts/keyboard.sh
cleanup() {
  keyboard_stop
  rm -rf "$work"
}
trap cleanup EXIT

step() { printf '\n== %s\n' "$*"; }
run() { printf '$ ombrexctl %s\n' "$*"; "$ctl" "$@"; }

keyboard_choose
real=$keyboard_real

step "The keyboard"
run status

step "Reading the keyboard into a profile file"
run read "$work/keyboard.fwc"
run dump "$work/keyboard.fwc"

if [ "$real" = yes ] && [ "$write_real" = no ]; then
  step "Done (the real keyboard was only read; --write-real also writes to it)"
  exit 0
fi

step "Key A of profile 1 sends B; G1 is disabled"
cp "$work/keyboard.fwc" "$work/edited.fwc"
run assign "$work/edited.fwc" 1 A key B
run assign "$work/edited.fwc" 1 G1 disabled
run validate "$work/edited.fwc"

step "Writing the edited profile to the keyboard"
run profile 1
run write "$work/edited.fwc"

step "Reading it back"
run read "$work/back.fwc"
run dump "$work/back.fwc"
if "$ctl" dump "$work/back.fwc" | grep -q "  A: key B"; then
  echo "demo: the keyboard kept the change"
else
  echo "demo: the change did not come back" >&2
  exit 1
fi
