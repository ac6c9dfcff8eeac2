#!/usr/bin/env bash
# The lossless rate while the window thread is busy: at each rate, three
# (--runs) 10 s (--seconds) runs each of
#   minimal    the minimal receiver with the list store's work (the yardstick)
#   headless   the console without a display
#   stall      the console whose window thread blocks for 5 s in each run
#   followed   the console painted on --display with the list followed
#   settings   ... with the settings dialog open
#   resize     ... while the window is resized every 20 ms
#   save       ... while "Save list as..." writes --listed entries
# and one line per rate and condition: how many runs were lossless.
#
#   bench/console/run_window.sh --display :N [--bin DIR] [--lock FILE] [--rates "R R ..."]
#                               [--runs N] [--seconds S] [--listed N] [--only cond,...]
#
# Every load goes to 127.0.0.1 only, and every run stops by itself.
set -euo pipefail

bin=build/bin
lock=""
display=""
rates="300000 400000 500000"
runs=3
seconds=10
listed=10000000
only="minimal,headless,stall,followed,settings,resize,save"
port=29171
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin=$2 ;;
    --lock) lock=$2 ;;
    --display) display=$2 ;;
    --rates) rates=$2 ;;
    --runs) runs=$2 ;;
    --seconds) seconds=$2 ;;
    --listed) listed=$2 ;;
    --only) only=$2 ;;
    *) echo "run_window.sh: unknown option $1" >&2; exit 1 ;;
  esac
  shift 2
done
[ -n "$display" ] || { echo "run_window.sh: --display :N (an Xvfb) is needed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

locked() {
  if [ -n "$lock" ]; then flock "$lock" "$@"; else "$@"; fi
}
wanted() { [[ ",$only," == *",$1,"* ]]; }
# As run_all.sh: beyond 250,000/s one send per datagram cannot keep pace.
gso_for() { gso=(); if [ "$1" -gt 250000 ]; then gso=(--gso); fi; }

# One run; prints "yes" when every datagram was listed and logged in order.
run_once() {
  local cond=$1 rate=$2 status=0
  gso_for "$rate"
  case "$cond" in
    minimal)
      locked bash -c '"$1/minimal_receiver" "$2" "$3/minimal.log" --expect "$4" --wait 20 --store-folder "$3" \
          >"$3/minimal.out" & pid=$!
        "$1/udp_load" "$2" "$5" "$6" --delay 300 "${@:7}" >"$3/load.out" || exit 3
        wait "$pid"' _ "$bin" "$port" "$work" $(( rate * seconds )) "$rate" "$seconds" "${gso[@]}" || status=$?
      rm -f "$work/minimal.log" "$work/run.out"
      ;;
    headless | stall)
      rm -f "$work/minimal.out"
      local meanwhile=nothing
      [ "$cond" = stall ] && meanwhile=stall
      locked env -u DISPLAY QT_QPA_PLATFORM=offscreen "$bin/console_bench" rate --rate "$rate" --seconds "$seconds" \
        --meanwhile "$meanwhile" "${gso[@]}" >"$work/run.out" 2>&1 || status=$?
      ;;
    followed | settings | resize | save)
      rm -f "$work/minimal.out"
      local meanwhile=nothing prefill=0
      case "$cond" in settings) meanwhile=settings ;; resize) meanwhile=resize ;; save) meanwhile=save; prefill=$listed ;; esac
      locked env DISPLAY="$display" QT_QPA_PLATFORM=xcb "$bin/console_bench" rate --rate "$rate" --seconds "$seconds" \
        --meanwhile "$meanwhile" --prefill "$prefill" --follow "${gso[@]}" >"$work/run.out" 2>&1 || status=$?
      ;;
  esac
  if [ "$status" -eq 0 ]; then echo yes; else
    echo "no (status $status: $(grep -h -E '^  run |^minimal_receiver received|^console_bench: ' "$work/run.out" "$work/minimal.out" 2>/dev/null | head -1))"
  fi
}

echo "run_window.sh: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), rates: $rates, $runs runs of ${seconds}s"
for rate in $rates; do
  for cond in minimal headless stall followed settings resize save; do
    wanted "$cond" || continue
    good=0
    notes=""
    for ((run = 1; run <= runs; run++)); do
      verdict=$(run_once "$cond" "$rate")
      if [ "$verdict" = yes ]; then good=$((good + 1)); else notes="$notes [run $run: $verdict]"; fi
    done
    printf 'RESULT %-8s at %7d/s: %d of %d runs lossless%s\n' "$cond" "$rate" "$good" "$runs" "$notes"
  done
done
echo "run_window.sh: load average after $(cut -d' ' -f1-3 /proc/loadavg)"
