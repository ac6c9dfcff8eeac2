#!/usr/bin/env bash
# Runs the receive-path benchmarks one after another and prints one table:
# the console and the minimal receiver side by side at the same rates, the
# highest lossless rate of each, the rate with a million entries already
# listed, timer lateness under load, memory per listed datagram, idle cost.
#
#   bench/console/run_all.sh [--bin DIR] [--lock FILE] [--port P]
#                            [--from R] [--step R] [--seconds S]
#
# --bin      folder with console_bench, minimal_receiver and udp_load
#            (default build/bin)
# --lock     a lock file taken around every single measurement, so that
#            builds on the same machine neither disturb the figures nor wait
#            for the whole series
# --port     loopback port for the minimal receiver (default 29170; the
#            console bench picks a free one itself)
# --from, --step   the rate ladder (default 25000 and 25000 per second): up
#            by a step while nothing is lost; if the first rate loses, the
#            rate is halved instead until a run is lossless
# --seconds  length of every rate run (default 10)
#
# Every load goes to 127.0.0.1 only, and every run stops by itself.
set -euo pipefail

bin=build/bin
lock=""
port=29170
from=25000
step=25000
seconds=10
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin=$2; shift 2 ;;
    --lock) lock=$2; shift 2 ;;
    --port) port=$2; shift 2 ;;
    --from) from=$2; shift 2 ;;
    --step) step=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    *) echo "run_all.sh: unknown option $1" >&2; exit 1 ;;
  esac
done
for tool in console_bench minimal_receiver udp_load; do
  [ -x "$bin/$tool" ] || { echo "run_all.sh: $bin/$tool not found (build the console_bench target)" >&2; exit 1; }
done

# Beyond this rate one send call per datagram cannot keep pace here; udp_load
# then hands the kernel whole batches to cut up (--gso).
gso_above=250000
max_rate=2000000
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs a command (a shell function included) holding the lock, if there is one.
locked() {
  if [ -n "$lock" ]; then
    ( flock 9; "$@" ) 9>"$lock"
  else
    "$@"
  fi
}

# Waits (at most 300 s) until the machine is nearly idle, so that other
# people's work does not end up in the figures.
wait_quiet() {
  local i before after quarter
  quarter=$(( $(getconf CLK_TCK) / 4 ))
  for i in $(seq 300); do
    before=$(awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 + $9 }' /proc/stat)
    sleep 1
    after=$(awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 + $9 }' /proc/stat)
    [ $(( after - before )) -lt "$quarter" ] && return 0
    [ "$i" -eq 1 ] && echo "    (waiting for other load on the machine to end)"
  done
  echo "    (the machine stayed busy; measuring anyway)"
}

gso_for() { if [ "$1" -gt "$gso_above" ]; then echo --gso; fi; }

# The minimal receiver at one rate: status 0 when lossless, 1 on loss, 2 when
# the sender could not keep pace (then the run says nothing).
minimal_at() {
  local rate=$1 sender=0 receiver=0 achieved
  wait_quiet
  "$bin/minimal_receiver" "$port" "$work/minimal.log" --expect $(( rate * seconds )) --wait 20 \
    >"$work/minimal.out" &
  local pid=$!
  "$bin/udp_load" "$port" "$rate" "$seconds" --delay 300 $(gso_for "$rate") >"$work/load.out" || sender=$?
  wait "$pid" || receiver=$?
  rm -f "$work/minimal.log"
  sed -n 's/^minimal_receiver \(received.*\)/    minimal receiver: \1/p; s/^minimal_receiver first fault/      first fault/p' \
    "$work/minimal.out"
  sed 's/^/    /' "$work/load.out"
  achieved=$(sed -n 's/.* rate=\([0-9]*\).*/\1/p' "$work/load.out")
  if [ "$sender" -ne 0 ] || [ "${achieved:-0}" -lt $(( rate * 98 / 100 )) ]; then return 2; fi
  [ "$receiver" -eq 0 ]
}

# The console at one rate (further console_bench options after the rate);
# succeeds if lossless and the sender kept pace.
console_at() {
  local rate=$1 ok=0
  shift
  "$bin/console_bench" rate --rate "$rate" --seconds "$seconds" $(gso_for "$rate") "$@" \
    >"$work/console.out" 2>"$work/console.err" || ok=$?
  grep -E '^  run|^    ' "$work/console.out" | sed 's/^  /    console: /; s/^    console:   /      /' || true
  grep -v XDG_RUNTIME_DIR "$work/console.err" | sed 's/^/    /' || true
  [ "$ok" -eq 0 ]
}

declare -a sides
# Both at one rate, side by side; succeeds if the console was lossless.
both_at() {
  local rate=$1 minimal=lossless console=lossless
  echo "  $rate/s"
  locked minimal_at "$rate" || { [ $? -eq 2 ] && minimal="sender behind" || minimal=LOSS; }
  locked console_at "$rate" || console=LOSS
  sides+=("$(printf '%10s/s   %-16s %s' "$rate" "$minimal" "$console")")
  [ "$console" = lossless ]
}

console_listed_at() {
  echo "  $1/s, 1000000 entries listed before the run"
  locked console_at "$1" --prefill 1000000
}

sender_limit=""
minimal_alone_at() {
  echo "  $1/s"
  locked minimal_at "$1" && return 0
  [ $? -eq 2 ] && sender_limit=" (the sender's limit, not the receiver's)"
  return 1
}

# Sets $found to the highest rate at which "$@" RATE succeeds, going up from
# $2 by $1 until a run fails; if the first run fails, halving instead.
ladder() {
  local up=$1 rate=$2
  shift 2
  found=0
  if "$@" "$rate"; then
    found=$rate
    while rate=$(( rate + up )); [ "$rate" -le "$max_rate" ] && "$@" "$rate"; do found=$rate; done
    stopped=$rate
  else
    stopped=$rate
    while rate=$(( rate / 2 )); [ "$rate" -ge 1000 ]; do
      if "$@" "$rate"; then found=$rate; break; fi
    done
  fi
}

declare -a table
row() { table+=("$(printf '%-46s %-48s %s' "$1" "$2" "$3")"); }

echo "== rate: minimal receiver and console at the same rates, ${seconds} s each"
ladder "$step" "$from" both_at
console_best=$found
echo "== the minimal receiver alone, beyond the console"
ladder $(( step * 4 )) "$stopped" minimal_alone_at
minimal_best=$found

echo "== the console with 1000000 entries listed before each run"
ladder "$step" "$from" console_listed_at
listed_best=$found

echo "== latency at 50000/s"
locked "$bin/console_bench" latency --rate 50000 --seconds "$seconds" 2>/dev/null \
  | grep -E '^  run|^    |RESULT' | tee "$work/latency.out" || true
latency=$(sed -n 's/.*p50 \([-0-9.]*\) ms, p99 \([-0-9.]*\) ms, max \([-0-9.]*\) ms.*lossless \([a-z]*\).*/p50 \1, p99 \2, max \3 ms (lossless \4)/p' \
  "$work/latency.out")

echo "== memory: 1000000 datagrams at 25000/s"
locked "$bin/console_bench" memory --entries 1000000 --rate 25000 2>/dev/null \
  | grep -E '^  run|^    |RESULT' | tee "$work/memory.out" || true
memory=$(sed -n 's/.*MiB idle, \([0-9.]*\) MiB with \([0-9]*\) entries listed: \([0-9.]*\) bytes per entry.*/\3 bytes per entry (\2 entries)/p' \
  "$work/memory.out")

echo "== idle, 30 s"
locked "$bin/console_bench" idle --seconds 30 2>/dev/null | grep RESULT | tee "$work/idle.out" || true
idle=$(sed -n 's/.* = \([0-9.]*\)% of one core.*/\1 % of one core/p' "$work/idle.out")

half=$(( minimal_best / 2 ))
ratio=$(awk -v a="$listed_best" -v b="$console_best" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
row "highest lossless rate, console" "${console_best}/s" ">= 100000/s and >= ${half}/s (half the minimal receiver)"
row "highest lossless rate, minimal receiver" "${minimal_best}/s" "(yardstick)${sender_limit}"
row "highest lossless rate, 1000000 listed before" "${listed_best}/s (x${ratio} the empty list)" ">= 0.9 x"
row "10 ms timer lateness at 50000/s" "${latency:-failed}" "p99 < 50 ms, max < 100 ms"
row "memory per listed 64-byte datagram" "${memory:-failed}" "<= 150 bytes"
row "idle cost with the link open" "${idle:-failed}" "< 1 %"

echo
echo "== side by side (${seconds} s per run, every number listed and logged in order)"
printf '%12s   %-16s %s\n' "rate" "minimal" "console"
printf '%s\n' "${sides[@]}"
echo
echo "== summary"
printf '%-46s %-48s %s\n' "measure" "measured" "target"
printf '%s\n' "${table[@]}"
