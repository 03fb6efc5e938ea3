#!/usr/bin/env bash
# install_checks.sh tree|package BUILD_DIR VERSION
#
# tree:    installs the build to a prefix, moves the prefix, and runs the moved
#          copy; checks the layout, RUNPATH, udev rule, --help/--version and
#          the desktop files with desktop-file-validate and appstreamcli.
# package: builds the Debian package with cpack, inspects it with dpkg-deb
#          and lintian (any error fails; a build configured with the
#          distribution's flags must also pass lintian's hardening checks),
#          runs the programs from its unpacked tree, and installs and purges
#          it with dpkg in a throw-away root (dpkg --root).
set -uo pipefail
what=$1 build=$2 version=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/ombrex-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_file() { [ -f "$1" ] || fail "missing $1"; }
expect_in() {  # expect_in TEXT PATTERN WHAT
  grep -qE -- "$2" <<<"$1" || fail "$3: no /$2/ in: $1"
}

# A user of its own: the programs write their settings and profiles here,
# never into the tester's home, and run offscreen on the in-process keyboard.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_DOCUMENTS_DIR=$work/home/Documents XDG_RUNTIME_DIR=$work/run
export QT_QPA_PLATFORM=offscreen RAZIZID_BACKEND=model
unset LD_LIBRARY_PATH
mkdir -p "$XDG_DOCUMENTS_DIR" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# Every program a user may start answers --help with what it is and its exit
# codes, and --version with its name and version, and ends with 0; no
# display is needed for either.
check_answers() {  # check_answers PROGRAM NAME
  local out rc
  local bare=(env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY)
  out=$("${bare[@]}" "$1" --version 2>&1); rc=$?
  [ $rc -eq 0 ] || fail "$2 --version ended with $rc"
  [ "$out" = "$2 $version" ] || fail "$2 --version said: $out"
  out=$("${bare[@]}" "$1" --help 2>&1); rc=$?
  [ $rc -eq 0 ] || fail "$2 --help ended with $rc"
  expect_in "$out" "usage: $2" "$2 --help"
  expect_in "$out" "Exit codes: 0" "$2 --help"
  [ "$(wc -l <<<"$out")" -le 40 ] || fail "$2 --help is longer than a screen"
}

check_tree() {
  local first=$work/first prefix=$work/moved out rc
  cmake --install "$build" --prefix "$first" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install"; return; }
  mv "$first" "$prefix"

  for f in bin/ombrex bin/ombrexctl lib/ombrex/libRazIzid.so lib/ombrex/libRazIzidModel.so \
    lib/ombrex/ZaRezavu share/ombrex/Skins/Main.ini share/ombrex/Skins/Profile.ini \
    share/ombrex/Skins/language.ini share/ombrex/Lang0409.ini share/ombrex/Lang0804.ini \
    share/ombrex/Help/index.html lib/udev/rules.d/70-ombrex.rules \
    share/applications/org.ombrex.Ombrex.desktop share/metainfo/org.ombrex.Ombrex.metainfo.xml \
    etc/xdg/autostart/org.ombrex.Ombrex.desktop share/man/man1/ombrex.1.gz \
    share/man/man1/ombrexctl.1.gz share/man/man1/ombrex-vkbd.1.gz bin/ombrex-vkbd \
    share/doc/ombrex/copyright share/doc/ombrex/changelog.gz; do
    expect_file "$prefix/$f"
  done
  for size in 16 32 48 64 128 256; do
    local icon=$prefix/share/icons/hicolor/${size}x${size}/apps/ombrex.png
    expect_file "$icon"
    # A PNG's width sits at bytes 16..19 of its header.
    [ "$(od -An -tu1 -j18 -N2 "$icon" 2>/dev/null | awk '{print $1 * 256 + $2}')" = "$size" ] ||
      fail "$icon is not $size pixels wide"
  done
  # Nothing of the program's private folder or the tests leaks into bin/.
  [ "$(ls "$prefix/bin" | LC_ALL=C sort | tr '\n' ' ')" = "ombrex ombrex-vkbd ombrexctl " ] ||
    fail "bin/ holds: $(ls "$prefix/bin" | tr '\n' ' ')"

  for program in ombrex ombrexctl; do
    readelf -d "$prefix/bin/$program" | grep -q 'RUNPATH.*\[\$ORIGIN/\.\./lib/ombrex\]' ||
      fail "$program has no RUNPATH \$ORIGIN/../lib/ombrex"
  done

  # The keyboard, and only it, to the user at the seat; never a mode.
  local rule
  rule=$(grep -v '^#' "$prefix/lib/udev/rules.d/70-ombrex.rules" | grep -v '^$')
  [ "$(wc -l <<<"$rule")" -eq 1 ] || fail "the udev rule has more than one line: $rule"
  expect_in "$rule" '^SUBSYSTEM=="hidraw", ' "udev rule"
  expect_in "$rule" 'ATTRS\{idVendor\}=="0c45", ATTRS\{idProduct\}=="5004"' "udev rule"
  expect_in "$rule" 'TAG\+="uaccess"' "udev rule"
  grep -qiE 'MODE|GROUP|OWNER' <<<"$rule" && fail "the udev rule sets permissions: $rule"

  grep -qx 'Exec=ombrex /Start' "$prefix/etc/xdg/autostart/org.ombrex.Ombrex.desktop" ||
    fail "the autostart entry does not start with /Start"
  for entry in share/applications/org.ombrex.Ombrex.desktop etc/xdg/autostart/org.ombrex.Ombrex.desktop; do
    desktop-file-validate "$prefix/$entry" || fail "desktop-file-validate $entry"
  done
  appstreamcli validate --no-net "$prefix/share/metainfo/org.ombrex.Ombrex.metainfo.xml" ||
    fail "appstreamcli validate"
  for page in ombrex ombrexctl ombrex-vkbd; do
    out=$(zcat "$prefix/share/man/man1/$page.1.gz" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$out" ] || fail "man page $page: $out"
  done
  # No address in the AppStream file that leads nowhere.
  grep -qiE 'example\.(org|com|net)|\.invalid' "$prefix/share/metainfo/org.ombrex.Ombrex.metainfo.xml" &&
    fail "the AppStream file names a placeholder address"

  check_answers "$prefix/bin/ombrex" ombrex
  check_answers "$prefix/bin/ombrexctl" ombrexctl
  check_answers "$prefix/lib/ombrex/ZaRezavu" ZaRezavu
  # The build's own tools, which stay out of the install tree, answer too.
  check_answers "$build/bin/ombrex-headless" ombrex-headless
  check_answers "$build/bin/ombrex-info" ombrex-info
  check_answers "$prefix/bin/ombrex-vkbd" ombrex-vkbd

  # The guide's "try it without a keyboard": the installed virtual keyboard
  # serves the installed programs.
  local socket=$work/vkbd.sock
  "$prefix/bin/ombrex-vkbd" serve --socket "$socket" --state "$work/vkbd.state" \
    >"$work/vkbd.log" 2>&1 &
  local vkbd=$!
  local tries=0
  until "$prefix/bin/ombrex-vkbd" count --socket "$socket" >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ $tries -lt 200 ] && kill -0 $vkbd 2>/dev/null || break
    sleep 0.05
  done
  out=$(OMBREX_VKBD_SOCKET=$socket RAZIZID_BACKEND=virtual "$prefix/bin/ombrexctl" status 2>&1); rc=$?
  [ $rc -eq 0 ] || fail "ombrexctl on the installed ombrex-vkbd ended with $rc: $out"
  "$prefix/bin/ombrex-vkbd" shutdown --socket "$socket" >/dev/null 2>&1 || kill $vkbd 2>/dev/null
  wait $vkbd 2>/dev/null

  # The moved copy draws its window from its own skins and reads the keyboard
  # through its own service library.
  out=$("$prefix/bin/ombrex" --screenshot "$work/shots" --instance "install$$" \
    --events "install$$_" --profile-folder "$work/profiles" 2>&1); rc=$?
  [ $rc -eq 0 ] || fail "the moved ombrex ended with $rc: $out"
  [ "$out" = "$work/shots/main-1x.png" ] || fail "the moved ombrex said: $out"
  [ -s "$work/shots/main-1x.png" ] || fail "no screenshot from the moved ombrex"
  out=$("$prefix/bin/ombrexctl" status 2>&1); rc=$?
  [ $rc -eq 0 ] || fail "the moved ombrexctl status ended with $rc: $out"
  expect_in "$out" "profile" "ombrexctl status"
  # Without its private folder, the service library is missing and said so:
  # the program never falls back to one of the build tree's.
  mv "$prefix/lib/ombrex" "$work/away"
  out=$("$prefix/bin/ombrexctl" status 2>&1); rc=$?
  [ $rc -ne 0 ] || fail "ombrexctl status without lib/ombrex succeeded: $out"
  expect_in "$out" "$prefix/lib/ombrex" "ombrexctl without its service library"
}

check_package() {
  local deb info contents rc out
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; return; }
  deb=$work/cpack/ombrex_${version}_amd64.deb
  [ -f "$deb" ] || { fail "no $deb: $(ls -R "$work/cpack" | head)"; return; }

  info=$(dpkg-deb -I "$deb")
  expect_in "$info" '^ Package: ombrex$' "control"
  expect_in "$info" "^ Version: $version$" "control"
  expect_in "$info" '^ Architecture: amd64$' "control"
  # Computed from the binaries: Qt for the window, the C++ runtime for all.
  expect_in "$info" '^ Depends: .*libqt6widgets6' "control"
  expect_in "$info" '^ Depends: .*libstdc\+\+6' "control"
  expect_in "$info" '^ Depends: .*libhidapi-hidraw0' "control"
  expect_in "$info" '^ Depends: .*qt6-translations-l10n' "control"
  expect_in "$info" ' postinst' "control"
  expect_in "$info" ' postrm' "control"
  [ "$(dpkg-deb -f "$deb" Depends | grep -c RazIzid)" -eq 0 ] || fail "depends on its own library"
  mkdir -p "$work/control"
  dpkg-deb -e "$deb" "$work/control"
  for script in postinst postrm; do
    grep -q 'udevadm control --reload' "$work/control/$script" || fail "$script reloads no rules"
    sh -n "$work/control/$script" || fail "$script is no shell script"
  done
  grep -qx '/etc/xdg/autostart/org.ombrex.Ombrex.desktop' "$work/control/conffiles" ||
    fail "the autostart entry is no conffile"

  contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
  for f in ./usr/bin/ombrex ./usr/bin/ombrexctl ./usr/lib/ombrex/libRazIzid.so \
    ./usr/lib/ombrex/libRazIzidModel.so ./usr/lib/ombrex/ZaRezavu ./usr/share/ombrex/Skins/Main.ini \
    ./usr/lib/udev/rules.d/70-ombrex.rules ./usr/share/applications/org.ombrex.Ombrex.desktop \
    ./usr/share/metainfo/org.ombrex.Ombrex.metainfo.xml ./etc/xdg/autostart/org.ombrex.Ombrex.desktop \
    ./usr/share/man/man1/ombrex.1.gz ./usr/share/icons/hicolor/256x256/apps/ombrex.png \
    ./usr/bin/ombrex-vkbd ./usr/share/doc/ombrex/copyright ./usr/share/doc/ombrex/changelog.gz; do
    grep -qxF "$f" <<<"$contents" || fail "the package has no $f"
  done
  grep -q '^\./usr/etc' <<<"$contents" && fail "the package installs into /usr/etc"
  # Every file is owned by root and none is writable by others.
  dpkg-deb -c "$deb" | awk '$2 != "root/root" || substr($1, 9, 1) == "w" {print}' |
    grep . && fail "files not root's or writable by others"

  check_lintian "$deb"

  # Unpacked, the package's own tree runs as installed.
  dpkg-deb -x "$deb" "$work/root"
  out=$("$work/root/usr/bin/ombrex" --version 2>&1); rc=$?
  [ $rc -eq 0 ] && [ "$out" = "ombrex $version" ] || fail "packaged ombrex --version: $rc $out"
  out=$("$work/root/usr/bin/ombrexctl" --help 2>&1); rc=$?
  [ $rc -eq 0 ] || fail "packaged ombrexctl --help ended with $rc"
  out=$("$work/root/usr/bin/ombrexctl" status 2>&1); rc=$?
  [ $rc -eq 0 ] || fail "packaged ombrexctl status ended with $rc: $out"

  # Installed by dpkg into a root of its own and removed again: the
  # maintainer scripts run (outside a chroot, so they must leave this
  # system's udev alone) and nothing is left behind but dpkg's records.
  local root=$work/dpkg-root
  local dpkg=(dpkg "--root=$root" --force-script-chrootless --force-not-root --log=/dev/null)
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
  : >"$root/var/lib/dpkg/status"
  # Its dependencies are this system's, not the empty root's.
  "${dpkg[@]}" --force-depends -i "$deb" >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log" >&2; fail "dpkg -i"; return; }
  grep -q "^Status: install ok installed" "$root/var/lib/dpkg/status" || fail "dpkg -i left it unconfigured"
  out=$("$root/usr/bin/ombrex" --version 2>&1); rc=$?
  [ $rc -eq 0 ] && [ "$out" = "ombrex $version" ] || fail "dpkg-installed ombrex --version: $rc $out"
  "$root/usr/bin/ombrexctl" --help >/dev/null 2>&1 || fail "dpkg-installed ombrexctl --help"
  "${dpkg[@]}" --purge ombrex >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log" >&2; fail "dpkg --purge"; return; }
  out=$(cd "$root" && find . -mindepth 1 -not -path './var' -not -path './var/lib' -not -path './var/lib/dpkg*')
  [ -z "$out" ] || fail "left behind after dpkg --purge: $out"
}

# lintian as a distribution runs it: an error fails the check; warnings and
# the hardening notes are printed. A build configured with the distribution's
# flags (the "package" preset) must also have every hardening feature.
check_lintian() {
  local deb=$1 out
  command -v lintian >/dev/null || { fail "lintian is missing (scripts/setup.sh installs it)"; return; }
  out=$(lintian --display-info --no-cfg --fail-on none "$deb" 2>&1)
  [ -n "$out" ] && echo "$out"
  grep -E '^E: ' <<<"$out" | grep -q . && fail "lintian reports errors"
  if grep -q '^OMBREX_DISTRIBUTION_FLAGS:BOOL=ON$' "$build/CMakeCache.txt" 2>/dev/null; then
    grep -q 'hardening-' <<<"$out" && fail "lintian: hardening missing in a distribution build"
  fi
}

case $what in
  tree) check_tree ;;
  package) check_package ;;
  *) echo "usage: $0 tree|package BUILD_DIR VERSION" >&2; exit 2 ;;
esac
[ $failures -eq 0 ] && echo "$what: all checks passed"
exit $((failures > 0))
