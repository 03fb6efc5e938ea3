#!/usr/bin/env bash
# Runs the program for a while against a keyboard that never keeps still and
# fails when it leaks, crashes, hangs or leaves a keyboard unread.
#
#   scripts/soak.sh MINUTES [PROGRAM_FOLDER]     # default build/release/bin
#
# The program (offscreen, --trace) works on the virtual keyboard daemon in a
# private folder while a driver, round after round, unplugs and plugs the
# keyboard, raises its events (profile key, bank key, indicator, reset),
# switches profiles with ombrexctl and starts the program a second time (a
# second start waits for the running copy's answer: the copy is alive). Every
# 10 s it samples the program's resident memory, open files and threads.
#
# Fails (exit 1, with the reason and the last samples) when:
#   - the program ends or crashes, or a second start is not answered in 20 s
#   - a plugged keyboard is not read within 20 s ("refreshed from the keyboard")
#   - after the first minute's samples, resident memory grows by more than
#     OMBREX_SOAK_RSS_KB (16384 KB), open files by more than 4, or threads by
#     more than 4 over the lowest sample taken then
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:?usage: scripts/soak.sh MINUTES [PROGRAM_FOLDER]}
bin=$(cd "${2:-build/release/bin}" && pwd)
rss_bound=${OMBREX_SOAK_RSS_KB:-16384}
fd_bound=4
thread_bound=4
guard=20

work=$(mktemp -d)
daemon=
program=
cleanup() {
  if [ -n "$program" ]; then
    kill -KILL "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
  fi
  if [ -n "$daemon" ]; then
    "$bin/ombrex-vkbd" shutdown --socket "$work/vkbd.sock" >/dev/null 2>&1 ||
      kill "$daemon" 2>/dev/null || true
    wait "$daemon" 2>/dev/null || true
  fi
  if [ -z "${OMBREX_SOAK_KEEP:-}" ]; then rm -rf "$work"; else echo "soak: kept $work"; fi
}
trap cleanup EXIT

# Every per-user folder private, so nothing of the user's own is touched.
mkdir -p "$work/home/Documents" "$work/run" "$work/config" "$work/data"
chmod 700 "$work/run"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config"
export XDG_DATA_HOME="$work/data" XDG_DOCUMENTS_DIR="$work/home/Documents"
export QT_QPA_PLATFORM=offscreen RAZIZID_BACKEND=virtual OMBREX_VKBD_SOCKET="$work/vkbd.sock"
instance="Soak$$"

fail() {
  echo "soak: FAILED: $*"
  echo "soak: samples (seconds rss_kb files threads):"
  tail -n 8 "$work/samples" 2>/dev/null | sed 's/^/  /'
  echo "soak: program output (last lines):"
  tail -n 15 "$work/program.out" 2>/dev/null | sed 's/^/  /'
  tail -n 5 "$work/program.err" 2>/dev/null | sed 's/^/  /'
  exit 1
}

"$bin/ombrex-vkbd" serve --socket "$OMBREX_VKBD_SOCKET" --latency-ms 1 >"$work/vkbd.log" 2>&1 &
daemon=$!
for _ in $(seq 200); do
  "$bin/ombrex-vkbd" count --socket "$OMBREX_VKBD_SOCKET" >/dev/null 2>&1 && break
  sleep 0.05
done
vkbd() { "$bin/ombrex-vkbd" "$@" --socket "$OMBREX_VKBD_SOCKET" >/dev/null 2>&1; }

"$bin/ombrex" --trace --instance "$instance" --events "${instance}_" \
  >"$work/program.out" 2>"$work/program.err" &
program=$!

alive() { kill -0 "$program" 2>/dev/null; }
reads() { grep -c "window: refreshed from the keyboard" "$work/program.out" 2>/dev/null || true; }
# Waits for the program to have read the keyboard more than $1 times.
wait_read() {
  local deadline=$((SECONDS + guard))
  while [ "$(reads)" -le "$1" ]; do
    alive || fail "the program ended (exit code $(wait "$program"; echo $?))"
    [ $SECONDS -lt $deadline ] || fail "a plugged keyboard was not read within ${guard} s"
    sleep 0.1
  done
}
# A second start hands its message to the running copy and waits for the answer.
second_start() {
  timeout "$guard" "$bin/ombrex" --instance "$instance" --events "${instance}_" \
    >/dev/null 2>&1 || fail "a second start was not answered within ${guard} s"
}

wait_read 0
first_minute_end=$((SECONDS + 60))
end=$((SECONDS + minutes * 60))
next_sample=$SECONDS
low_rss= low_fds= low_threads=
rounds=0 events=0 plugs=0

sample() {
  local rss threads fds
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$program/status" 2>/dev/null) || true
  threads=$(awk '/^Threads:/ {print $2}' "/proc/$program/status" 2>/dev/null) || true
  fds=$(find "/proc/$program/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l)
  [ -n "$rss" ] || fail "the program ended (exit code $(wait "$program"; echo $?))"
  echo "$SECONDS $rss $fds $threads" >>"$work/samples"
  if [ $SECONDS -le $first_minute_end ] || [ -z "$low_rss" ]; then
    # The first minute sets the baseline: caches and pools fill up then.
    [ -z "$low_rss" ] || [ "$rss" -lt "$low_rss" ] || rss=$low_rss
    low_rss=$rss
    [ -z "$low_fds" ] || [ "$fds" -lt "$low_fds" ] || fds=$low_fds
    low_fds=$fds
    [ -z "$low_threads" ] || [ "$threads" -lt "$low_threads" ] || threads=$low_threads
    low_threads=$threads
    return
  fi
  [ "$rss" -le $((low_rss + rss_bound)) ] ||
    fail "resident memory grew from $low_rss KB to $rss KB (bound +$rss_bound KB)"
  [ "$fds" -le $((low_fds + fd_bound)) ] ||
    fail "open files grew from $low_fds to $fds (bound +$fd_bound)"
  [ "$threads" -le $((low_threads + thread_bound)) ] ||
    fail "threads grew from $low_threads to $threads (bound +$thread_bound)"
}

while [ $SECONDS -lt $end ]; do
  if [ $SECONDS -ge $next_sample ]; then
    sample
    next_sample=$((SECONDS + 10))
  fi
  rounds=$((rounds + 1))
  case $((RANDOM % 8)) in
    0)
      before=$(reads)
      vkbd unplug
      sleep "0.$((RANDOM % 5))"
      vkbd plug
      plugs=$((plugs + 1))
      wait_read "$before"
      ;;
    1) vkbd event 0x0401; events=$((events + 1)) ;;
    2) vkbd event 0x02FF; events=$((events + 1)) ;;
    3) vkbd event 0x1811; vkbd event 0x1810; events=$((events + 2)) ;;
    4) vkbd reset; events=$((events + 1)) ;;
    5 | 6)
      timeout "$guard" "$bin/ombrexctl" profile $((RANDOM % 4 + 1)) >/dev/null 2>&1 ||
        [ $? -ne 124 ] || fail "ombrexctl profile did not end within ${guard} s"
      ;;
    7) second_start ;;
  esac
  alive || fail "the program ended (exit code $(wait "$program"; echo $?))"
done
sample
second_start
# A clean end too: SIGTERM ends the program as Exit does.
kill -TERM "$program"
deadline=$((SECONDS + guard))
while alive && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
alive && fail "the program did not end within ${guard} s of SIGTERM"
code=0
wait "$program" || code=$?
program=
[ "$code" -eq 0 ] || fail "the program ended with $code after SIGTERM"
echo "soak: $minutes min, $rounds rounds, $plugs plug cycles, $events events; samples (s rss_kb files threads):"
sed 's/^/  /' "$work/samples"
echo "soak: passed"
