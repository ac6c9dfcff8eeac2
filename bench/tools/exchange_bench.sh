#!/usr/bin/env bash
# Exchanges per second that one telvane-send process sustains against
# telvane-sim, reading many lines from standard input, and the reply time of
# each exchange (sent to reply arrived, as telvane-send prints it) as
# p50 / p99 / max. Everything on 127.0.0.1; the simulator runs the built-in
# rules and prints its exchanges as it does for an operator (at most 100
# lines a second, then a count of the rest).
#
#   bash bench/tools/exchange_bench.sh [--bin build/bin] [--lines 100000]
set -euo pipefail

bin=build/bin
lines=100000
while [ $# -gt 0 ]; do
  case $1 in
    --bin) bin=$2; shift 2 ;;
    --lines) lines=$2; shift 2 ;;
    *) echo "usage: $0 [--bin DIR] [--lines N]" >&2; exit 64 ;;
  esac
done

work=$(mktemp -d)
"$bin/telvane-sim" --listen 127.0.0.1:0 --seed 1 > "$work/sim.txt" &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$work"' EXIT

port=
for _ in $(seq 50); do
  port=$(sed -n 's/^telvane-sim: listening on 127\.0\.0\.1:\([0-9]*\) .*/\1/p' "$work/sim.txt")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "telvane-sim did not start" >&2; exit 1; }

awk -v n="$lines" 'BEGIN { for (i = 0; i < n; i++) print "<STX>0,1,INFO?<ETX><179>" }' > "$work/lines.txt"
start=$(date +%s.%N)
status=0
"$bin/telvane-send" --to "127.0.0.1:$port" --wait 1s < "$work/lines.txt" > "$work/send.txt" || status=$?
end=$(date +%s.%N)

replies=$(grep -c '\[IN\]' "$work/send.txt" || true)
grep -o '([0-9.]* ms' "$work/send.txt" | tr -d '(' | sort -n | awk -v lines="$lines" -v replies="$replies" \
    -v start="$start" -v end="$end" -v status="$status" '
  { t[NR] = $1 }
  END {
    seconds = end - start
    printf "exchanges: %d lines in %.2f s = %.0f exchanges/s (replies %d, exit status %d)\n",
           lines, seconds, lines / seconds, replies, status
    if (NR == 0) exit 1
    printf "reply time: p50 %.3f ms, p99 %.3f ms, max %.3f ms (%d replies)\n",
           t[int(NR * 0.50 + 0.5)], t[int(NR * 0.99 + 0.5)], t[NR], NR
  }'
