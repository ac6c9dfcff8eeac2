#!/usr/bin/env bash
# Runs the receive-path and traffic-list benchmarks one after another and
# prints one summary: the lossless rate of the console beside the minimal
# receiver (and beside an earlier build of the console, and run as an
# ordinary user), the rate with 10 million entries listed, timer lateness
# under load, memory, the refresh cost at up to 100 million entries, long
# datagrams, the delay before a single datagram is listed, the idle cost, and
# the operator's tools (find and save) on a list of a million entries, and
# the resident memory under a flood while the list's file cannot be written.
#
#   bench/console/run_all.sh [--bin DIR] [--before DIR] [--lock FILE] [--port P]
#                            [--from R] [--step R] [--max R] [--seconds S] [--runs N]
#                            [--listed N] [--big N] [--user NAME] [--display :N]
#                            [--only SECTION,...] [--full-rate R] [--full-seconds S]
#
# --bin      folder with console_bench, minimal_receiver and udp_load
#            (default build/bin)
# --before   the same folder of an earlier build: its console is measured
#            beside this one in the same run (rate, rate with entries
#            listed, lateness, memory per entry, refresh cost, idle)
# --lock     a lock file taken around every single measurement, so that
#            builds on the same machine neither disturb the figures nor wait
#            for the whole series
# --port     loopback port for the minimal receiver (default 29170)
# --from, --step, --max   the rate ladder (default 100000, 100000, 2000000
#            per second): every program goes up by a step while all its runs
#            at a rate are lossless
# --seconds  length of every rate run (default 10)
# --runs     runs per rate and program (default 3); a rate counts as lossless
#            only if every one of them was
# --listed   entries listed before each run of the second ladder (10000000)
# --big      the largest list for the refresh cost and memory (100000000)
# --user     the ordinary user for the run with the default receive buffer
#            (default nobody; needs root, skipped otherwise)
# --display  an X display (an Xvfb) for the idle measurement, as a desktop
#            session would run it; without one it runs headless
# --only     the sections to run (default all): rate (the empty list's
#            ladder), listed (the ladder with --listed entries), latency,
#            memory (per entry, from the socket), big (--big entries),
#            batchcost, longrows, listdelay, idle, tools, fulldisk
# --full-rate, --full-seconds   the flood of the fulldisk section (default
#            300000 per second for 70 s), $runs times, each in a private
#            mount namespace whose folder for the list's file is a full 1 MiB
#            tmpfs (needs root, skipped otherwise): the peak resident size
#            against the list's memory limit, and the data log meanwhile
#
# Every load goes to 127.0.0.1 only, and every run stops by itself.
set -euo pipefail

bin=build/bin
before=""
lock=""
port=29170
from=100000
step=100000
max_rate=2000000
seconds=10
runs=3
listed=10000000
big=100000000
user=nobody
display=""
only=rate,listed,latency,memory,big,batchcost,longrows,listdelay,idle,tools,fulldisk
full_rate=300000
full_seconds=70
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    --lock) lock=$2; shift 2 ;;
    --port) port=$2; shift 2 ;;
    --from) from=$2; shift 2 ;;
    --step) step=$2; shift 2 ;;
    --max) max_rate=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --listed) listed=$2; shift 2 ;;
    --big) big=$2; shift 2 ;;
    --user) user=$2; shift 2 ;;
    --display) display=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --full-rate) full_rate=$2; shift 2 ;;
    --full-seconds) full_seconds=$2; shift 2 ;;
    *) echo "run_all.sh: unknown option $1" >&2; exit 1 ;;
  esac
done
for folder in "$bin" $before; do
  for tool in console_bench minimal_receiver udp_load; do
    [ -x "$folder/$tool" ] || { echo "run_all.sh: $folder/$tool not found (build the console_bench target)" >&2; exit 1; }
  done
done
if [ "$(id -u)" -ne 0 ] || ! id "$user" >/dev/null 2>&1; then user=""; fi
# Whether a section is to run.
wanted() { [[ ",$only," == *",$1,"* ]]; }

# Beyond this rate one send call per datagram cannot keep pace here; udp_load
# then hands the kernel whole batches to cut up (--gso).
gso_above=250000
work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
# Other load seen during a run, as a share of a core; above this it is named.
# Runs happen in subshells (the lock), so the notes go to a file.
busy_limit=25
busy_notes=$work/busy
: >"$busy_notes"

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

# Sets gso to the sender's option for a rate.
gso_for() { gso=(); if [ "$1" -gt "$gso_above" ]; then gso=(--gso); fi; }

machine_ticks() { awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 + $9 }' /proc/stat; }
# CPU seconds of the children this shell has waited for, from `times` (run
# in this shell, not in a command substitution, whose fork has no children).
children_seconds() {
  times >"$work/times"
  awk 'NR == 2 { n = 0; for (i = 1; i <= 2; i++) { split($i, p, "m"); n += p[1] * 60 + p[2] } print n }' "$work/times"
}
# Notes a run during which others used more than busy_limit % of a core.
note_busy() {
  local what=$1 share=$2
  if awk -v s="$share" -v l="$busy_limit" 'BEGIN { exit !(s > l) }'; then
    echo "$what: others ${share}% of a core" >>"$busy_notes"
  fi
}

# The minimal receiver at one rate: status 0 when lossless, 1 on loss, 2 when
# the sender could not keep pace (then the run says nothing).
minimal_at() {
  local rate=$1 sender=0 receiver=0 achieved t0 m0 m1 share
  wait_quiet
  t0=$(date +%s.%N); children_seconds >"$work/c0"; m0=$(machine_ticks)
  "$bin/minimal_receiver" "$port" "$work/minimal.log" --expect $(( rate * seconds )) --wait 20 \
    >"$work/minimal.out" &
  local pid=$!
  gso_for "$rate"
  "$bin/udp_load" "$port" "$rate" "$seconds" --delay 300 "${gso[@]}" >"$work/load.out" || sender=$?
  wait "$pid" || receiver=$?
  m1=$(machine_ticks); children_seconds >"$work/c1"
  share=$(awk -v m="$(( m1 - m0 ))" -v hz="$(getconf CLK_TCK)" -v c="$(cat "$work/c1")" -v c0="$(cat "$work/c0")" \
    -v t="$(date +%s.%N)" -v t0="$t0" 'BEGIN { o = m / hz - (c - c0); printf "%.0f", (o > 0 ? 100 * o / (t - t0) : 0) }')
  note_busy "minimal receiver at $rate/s" "$share"
  rm -f "$work/minimal.log"
  sed -n 's/^minimal_receiver \(received.*\)/      minimal receiver: \1/p; s/^minimal_receiver first fault/        first fault/p' \
    "$work/minimal.out"
  echo "        others ${share}% of a core"
  achieved=$(sed -n 's/.* rate=\([0-9]*\).*/\1/p' "$work/load.out")
  if [ "$sender" -ne 0 ] || [ "${achieved:-0}" -lt $(( rate * 98 / 100 )) ]; then return 2; fi
  [ "$receiver" -eq 0 ]
}

# One console_bench run; the run lines are shown and their other load noted.
# Succeeds if lossless and the sender kept pace.
#   console_run LABEL DIR [AS-USER] -- ARGS...
console_run() {
  local label=$1 dir=$2 as=$3 ok=0 line share
  shift 4
  if [ -n "$as" ]; then
    runuser -u "$as" -- "$dir/console_bench" "$@" >"$work/console.out" 2>"$work/console.err" || ok=$?
  else
    "$dir/console_bench" "$@" >"$work/console.out" 2>"$work/console.err" || ok=$?
  fi
  sed -n 's/^console_bench [a-z]*: link open, \(receive buffer [0-9]* bytes\).*/        (\1)/p' "$work/console.out" | head -1
  grep -E '^  run|^    ' "$work/console.out" | sed "s/^  run/      $label: run/; s/^    /        /" || true
  grep -v XDG_RUNTIME_DIR "$work/console.err" | sed 's/^/        /' || true
  while read -r line; do
    share=$(sed -n 's/.*others \([0-9.]*\)%.*/\1/p' <<<"$line")
    [ -n "$share" ] && note_busy "$label at $(sed -n 's/.*run \([0-9]*\)\/s.*/\1/p' <<<"$line")/s" "$share"
  done < <(grep -E '^  run' "$work/console.out" || true)
  [ "$ok" -eq 0 ]
}

# Runs "$@" $runs times, each under the lock; sets run_result to "N/M"
# lossless and succeeds only if every run was lossless. A sender that fell
# behind counts as a loss for the console, and ends the minimal receiver's
# climb ("sender").
run_result=""
repeat_runs() {
  local good=0 i status
  for i in $(seq "$runs"); do
    status=0
    locked "$@" || status=$?
    [ "$status" -eq 0 ] && good=$(( good + 1 ))
    [ "$status" -eq 2 ] && { run_result="sender"; return 1; }
  done
  run_result="$good/$runs"
  [ "$good" -eq "$runs" ]
}

console_at() { gso_for "$1"; console_run console "$bin" "" -- rate --rate "$1" --seconds "$seconds" "${gso[@]}" "${@:2}"; }
before_at() { gso_for "$1"; console_run before "$before" "" -- rate --rate "$1" --seconds "$seconds" "${gso[@]}" "${@:2}"; }
user_at() { gso_for "$1"; console_run "as $user" "$bin" "$user" -- rate --rate "$1" --seconds "$seconds" "${gso[@]}"; }

# Climbs the ladder with every named program at once: at each rate, each
# program still climbing runs $runs times; one that loses anything stops
# there. Sets best[program] and prints a side-by-side table.
#   climb TITLE PROGRAM:FUNCTION[:EXTRA...] ...
declare -A best
climb() {
  local title=$1 rate entry name fn extra row any i
  shift
  local -a names=() fns=() extras=()
  local -A climbing=()
  for entry in "$@"; do
    IFS=: read -r name fn extra <<<"$entry"
    names+=("$name"); fns+=("$fn"); extras+=("${extra:-}")
    climbing[$name]=1; best[$name]=0
  done
  echo "== $title: ${seconds} s per run, $runs runs per rate"
  local -a table=("$(printf '%12s' rate)$(printf '   %-16s' "${names[@]}")")
  rate=$from
  while [ "$rate" -le "$max_rate" ]; do
    any=0; row=$(printf '%10s/s' "$rate")
    for i in "${!names[@]}"; do
      name=${names[$i]}
      if [ "${climbing[$name]}" -eq 0 ]; then row+=$(printf '   %-16s' "-"); continue; fi
      any=1
      echo "  $name at $rate/s"
      # shellcheck disable=SC2086
      if repeat_runs "${fns[$i]}" "$rate" ${extras[$i]}; then
        best[$name]=$rate
      else
        climbing[$name]=0
      fi
      row+=$(printf '   %-16s' "$run_result")
    done
    [ "$any" -eq 0 ] && break
    table+=("$row")
    rate=$(( rate + step ))
  done
  printf '%s\n' "${table[@]}"
}
# A single console_bench measurement under the lock; its RESULT lines are kept.
measure() {
  local name=$1 dir=$2
  shift 2
  locked "$dir/console_bench" "$@" 2>/dev/null | grep -E '^  run|^    |RESULT' | tee "$work/$name.result" || true
}

declare -a summary
row() { summary+=("$(printf '%-44s %-58s %s' "$1" "$2" "$3")"); }
# The first line a sed script prints from a measurement; nothing for one not run.
value() { [ -f "$work/$1.result" ] || return 0; sed -n "$2" "$work/$1.result" | head -1; }

# ---- rates -------------------------------------------------------------
if wanted rate; then
  programs=("minimal:minimal_at" "console:console_at")
  [ -n "$before" ] && programs+=("before:before_at")
  [ -n "$user" ] && programs+=("as-$user:user_at")
  climb "lossless rate, empty list" "${programs[@]}"
  empty_best=${best[console]}; minimal_best=${best[minimal]}; before_best=${best[before]:-}; user_best=${best[as-$user]:-}
fi

if wanted listed; then
  programs=("console:console_at:--prefill $listed")
  [ -n "$before" ] && programs+=("before:before_at:--prefill $listed")
  climb "lossless rate, $listed entries listed before each run" "${programs[@]}"
  listed_best=${best[console]}; before_listed_best=${best[before]:-}
fi

# ---- the rest ----------------------------------------------------------
if wanted latency; then
  echo "== 10 ms timer lateness at 50000/s"
  measure latency "$bin" latency --rate 50000 --seconds "$seconds"
  [ -n "$before" ] && measure latency-before "$before" latency --rate 50000 --seconds "$seconds"
fi

if wanted memory; then
  echo "== memory: 1000000 datagrams at 25000/s from the socket"
  measure memory "$bin" memory --entries 1000000 --rate 25000
  [ -n "$before" ] && measure memory-before "$before" memory --entries 1000000 --rate 25000
fi
if wanted big; then
  echo "== memory: $big entries listed through the receive path directly"
  measure memory-big "$bin" memory --entries "$big" --direct
fi

if wanted batchcost; then
  echo "== refresh cost (one receive batch of 100 with the view at the end of the list)"
  measure batchcost "$bin" batchcost --entries "1000,1000000,$listed,$big"
  [ -n "$before" ] && measure batchcost-before "$before" batchcost --entries "1000,1000000,$listed"
fi

if wanted longrows; then
  echo "== 30 rows of 65507 random bytes in view"
  measure longrows "$bin" longrows --rows 30 --bytes 65507 --rate 100 --seconds "$seconds"
fi

if wanted listdelay; then
  echo "== a single datagram at 10/s: from send to listed"
  measure listdelay "$bin" listdelay --rate 10 --seconds 30
fi

if wanted idle; then
  echo "== idle, 60 s${display:+ on display $display}"
  idle_env=(env); [ -n "$display" ] && idle_env=(env DISPLAY="$display" QT_QPA_PLATFORM=xcb)
  measure_idle() { locked "${idle_env[@]}" "$2/console_bench" idle "${@:3}" 2>/dev/null | grep RESULT | tee "$work/$1.result" || true; }
  measure_idle idle "$bin" --seconds 60
  [ -n "$before" ] && measure_idle idle-before "$before" --seconds 60
  measure_idle idle-busy "$bin" --seconds 20 --port-busy
fi

if wanted tools; then
  echo "== the operator's tools with 1000000 entries listed: find and save"
  measure tools "$bin" tools --entries 1000000 --steps 10
fi

if wanted fulldisk; then
  echo "== a flood of $full_rate/s for $full_seconds s while the list's file cannot be written (a full file system)"
  if [ "$(id -u)" -ne 0 ]; then
    echo "    (needs root for a private full file system; skipped)"
  else
    mkdir -p "$work/full"
    gso_for "$full_rate"
    # The folder is a 1 MiB tmpfs, filled before the console starts, in a
    # mount namespace of the run's own: nothing outside it sees the mount.
    # shellcheck disable=SC2016 # the inner shell expands them
    full_run() {
      unshare -m --propagation private sh -c \
        'mount -t tmpfs -o size=1m,mode=0700 tmpfs "$1" && { cat /dev/zero >"$1/fill" 2>/dev/null; shift; exec "$@"; }' \
        sh "$work/full" "$bin/console_bench" fulldisk --store-folder "$work/full" \
        --rate "$full_rate" --seconds "$full_seconds" "${gso[@]}" 2>/dev/null
    }
    for i in $(seq "$runs"); do
      locked full_run | grep -E '^  run|^    |RESULT' | tee -a "$work/fulldisk.result" || true
    done
  fi
fi

# ---- summary -----------------------------------------------------------
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
pair() { if [ -n "$before" ]; then echo "$1 (before: $2)"; else echo "$1"; fi; }
latency=$(value latency 's/.*p50 \([-0-9.]*\) ms, p99 \([-0-9.]*\) ms, max \([-0-9.]*\) ms.*/p50 \1, p99 \2, max \3 ms/p')
latency_before=$(value latency-before 's/.*p50 \([-0-9.]*\) ms, p99 \([-0-9.]*\) ms, max \([-0-9.]*\) ms.*/p50 \1, p99 \2, max \3 ms/p')
per_entry() { value "$1" 's/.*: \([0-9.]*\) bytes per entry.*/\1 B/p'; }
batch_ms() { value "$1" "s/.*: $2 entries listed: one batch of 100 datagrams takes \\([0-9.]*\\) ms (median).*/\\1/p"; }
batch_at() {
  local paint
  paint=$(value "$1" "s/.*: $2 entries listed:.*repaint \\([0-9.]*\\) ms.*/\\1/p")
  echo "$(batch_ms "$1" "$2") ms${paint:+ (full repaint $paint ms)}"
}

if wanted rate; then
  row "highest lossless rate, console" "$(pair "${empty_best}/s (x$(ratio "$empty_best" "$minimal_best") the minimal receiver)" "${before_best}/s")" "as the minimal receiver"
  row "highest lossless rate, minimal receiver" "${minimal_best}/s" "(yardstick)"
  [ -n "$user" ] && row "highest lossless rate, console as $user" "${user_best}/s" "(default receive buffer)"
fi
if wanted listed; then
  row "highest lossless rate, $listed listed" \
    "$(pair "${listed_best}/s (x$(ratio "$listed_best" "${empty_best:-0}"))" "${before_listed_best}/s (x$(ratio "${before_listed_best:-0}" "${before_best:-0}"))")" \
    ">= 0.9 x the empty list"
fi
wanted latency && row "10 ms timer lateness at 50000/s" "$(pair "$latency" "$latency_before")" "p99 < 50 ms"
wanted memory && row "memory per listed 64-byte datagram (RSS)" "$(pair "$(per_entry memory)" "$(per_entry memory-before)")" ""
if wanted big; then
  row "resident memory, $big listed" "$(value memory-big 's/.*, \([0-9.]*\) MiB with.*/\1 MiB/p'), $(value memory-big 's/.*file: \([0-9.]*\) MiB on disk.*/\1 MiB on disk/p')" "<= 500 MB"
  row "resident memory after Delete list" "$(value memory-big 's/.*after delete: resident \([0-9.]*\) MiB (\([0-9]*\)% of the idle.*/\1 MiB, \2% of the start/p')" "within 10% of the start"
fi
if wanted batchcost; then
  for n in 1000 1000000 "$listed" "$big"; do
    extra=""; [ -n "$before" ] && [ "$n" != "$big" ] && extra=" (before: $(batch_at batchcost-before "$n"))"
    row "refresh cost, $n listed" "$(batch_at batchcost "$n")$extra" ""
  done
  row "refresh cost, $big vs 1000 listed" "x$(ratio "$(batch_ms batchcost "$big")" "$(batch_ms batchcost 1000)")" "<= 2 x"
fi
if wanted longrows; then
  row "repaint, 30 rows of 65507 random bytes" "$(value longrows 's/.*a full repaint takes \([0-9.]*\) ms (median), \([0-9.]*\) ms (worst.*/\1 ms, worst \2 ms/p')" "< 16 ms"
  row "timer lateness with them, 100/s arriving" "$(value longrows 's/.*latency.*p99 \([-0-9.]*\) ms, max \([-0-9.]*\) ms.*/p99 \1 ms, max \2 ms/p')" "p99 < 20 ms"
fi
wanted listdelay && row "single datagram at 10/s, send to listed" "$(value listdelay 's/.*p50 \([0-9.]*\) ms, p99 \([0-9.]*\) ms, max \([0-9.]*\) ms.*/p50 \1, p99 \2, max \3 ms/p')" "p99 <= 5 ms"
idle_of() { value "$1" 's/.* = \([0-9.]*\)% of one core.*supervision ticks \([0-9.]*\) per second.*/\1% of a core, \2 ticks\/s/p'; }
if wanted idle; then
  row "idle with the link open, 60 s" "$(pair "$(idle_of idle)" "$(value idle-before 's/.* = \([0-9.]*\)% of one core.*/\1% of a core/p')")" "< 0.05%, 0 ticks/s"
  row "idle with the port busy, 20 s" "$(idle_of idle-busy)" "retries every 10 ms"
fi
if wanted tools; then
  row "find step, 1000000 listed, nothing found" "$(value tools 's/.*finds nothing takes \([0-9.]*\) ms (median), \([0-9.]*\) ms (worst.*/\1 ms, worst \2 ms/p')" "< 100 ms"
  row "find step, the entry furthest away" "$(value tools 's/.*furthest away \([0-9.]*\) ms (median), \([0-9.]*\) ms (worst).*/\1 ms, worst \2 ms/p')" "< 100 ms"
  row "save list as, 1000000 entries" "$(value tools 's/.*export: .* saved in \([0-9]*\) ms, \([0-9.]*\) MiB.*/\1 ms (\2 MiB)/p')" "< 2 s"
fi

if wanted fulldisk && [ -f "$work/fulldisk.result" ]; then
  runs_of() { sed -n "$1" "$work/fulldisk.result" | paste -sd' ' -; }
  row "peak resident above idle, flood, disk full" \
    "$(runs_of 's/.*peak resident [0-9.]* MiB, \([0-9.]*\) MiB above.*/\1/p') MiB of $(value fulldisk 's/.*memory limit of \([0-9.]*\) MiB.*/\1/p') MiB" \
    "within the limit"
  row "the data log meanwhile, disk full" \
    "every datagram received: $(runs_of 's/.*every datagram received: \([a-z]*\).*/\1/p') (lost before: $(runs_of 's/.* \([0-9]*\) lost before the console.*/\1/p'))" \
    "every one"
  row "timer lateness meanwhile, disk full" "p99 $(runs_of 's/.*fulldisk latency.*p99 \([-0-9.]*\) ms.*/\1/p') ms" "p99 < 50 ms"
fi

echo
echo "== summary"
printf '%-44s %-58s %s\n' "measure" "measured" "target"
printf '%s\n' "${summary[@]}"
if [ -s "$busy_notes" ]; then
  echo
  echo "WARNING: other load above ${busy_limit}% of a core during $(wc -l <"$busy_notes") run(s); their figures may be low:"
  sed 's/^/  /' "$busy_notes"
fi
