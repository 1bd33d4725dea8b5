#!/usr/bin/env bash
# The program at scale: for 21, 201 and 2,001 interfaces (the loopback and veth pairs in a network
# namespace made for the run) it runs the release build of the program under Xvfb, on its traffic
# page, and beside it, in the same namespace, a bare loop doing one rtnetlink link dump a second.
# After a warm-up it measures both over the same window of wall time and prints a table of CPU
# milliseconds per second, their ratio and the program's peak resident memory.
#
# Usage: sudo bench/scale.sh [seconds]     (measured window per size, default 60)
# Environment: SIZES="21 201 2001", WARMUP=8 (seconds), BUILD=<build folder> (default build-bench),
#              ADDRESSES=1 gives every veth end an IPv4 address of its own.
# Needs root (network namespaces), Xvfb and iproute2. Builds what it runs when it is missing.
# Namespaces, Xvfb, the program and the loop go away however the script ends.
set -euo pipefail

duration=${1:-60}
sizes=${SIZES:-21 201 2001}
warmup=${WARMUP:-8}
addresses=${ADDRESSES:-0}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD:-$root/build-bench}

if ! [[ $duration =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 [seconds]" >&2
  exit 2
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "scale.sh makes network namespaces: run it as root" >&2
  exit 1
fi
for tool in ip Xvfb cmake; do
  command -v "$tool" >/dev/null || { echo "scale.sh needs $tool" >&2; exit 1; }
done

if [ ! -x "$build/window/brisvale" ] || [ ! -x "$build/bench/bare_dump_loop" ]; then
  echo "Building the release program and the bare loop in $build ..." >&2
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --parallel 2 --target brisvale bare_dump_loop >/dev/null
fi
program=$build/window/brisvale
loop=$build/bench/bare_dump_loop

namespace=""
sleeper=""
xvfb_pid=""
program_pid=""
loop_pid=""
scratch=$(mktemp -d)

stop_pid() {
  local pid=$1
  [ -n "$pid" ] || return 0
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

stop_size() {
  stop_pid "$program_pid"; program_pid=""
  stop_pid "$loop_pid"; loop_pid=""
  if [ -n "$namespace" ]; then
    ip netns del "$namespace" 2>/dev/null || true
    namespace=""
  fi
}

# A sleep in the background, so that an interruption runs the traps at once rather than when
# the sleep ends.
pause() {
  sleep "$1" &
  sleeper=$!
  wait "$sleeper"
  sleeper=""
}

cleanup() {
  trap - EXIT INT TERM
  [ -z "$sleeper" ] || kill "$sleeper" 2>/dev/null || true
  stop_size
  stop_pid "$xvfb_pid"
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

ticks=$(getconf CLK_TCK)

# utime + stime of the whole process, in clock ticks.
cpu_ticks() {
  local stat
  stat=$(cat "/proc/$1/stat")
  stat=${stat##*) }  # the fields after the command name, which may hold blanks
  read -r -a fields <<<"$stat"
  echo $(( fields[11] + fields[12] ))
}

# Time on a CPU of every thread the process has now, in nanoseconds: finer than clock ticks.
cpu_ns() {
  local total=0 ns
  for task in /proc/"$1"/task/*/schedstat; do
    read -r ns _ <"$task" 2>/dev/null || continue
    total=$(( total + ns ))
  done
  echo "$total"
}

hwm_kb() {
  awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"
}

alive() {
  kill -0 "$1" 2>/dev/null && [ "$(cat "/proc/$1/comm" 2>/dev/null)" = "$2" ]
}

# One X server for all sizes, on a display number it picks itself.
mkfifo "$scratch/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!
display=""
exec {display_fd}<"$scratch/display"
read -r -t 10 -u "$display_fd" display || true
exec {display_fd}<&-
if [ -z "$display" ]; then
  echo "Xvfb did not start:" >&2
  cat "$scratch/xvfb.log" >&2
  exit 1
fi
export DISPLAY=:$display

results=()
for n in $sizes; do
  pairs=$(( (n - 1) / 2 ))
  namespace=brisvale-scale-$$-$n
  ip netns add "$namespace"
  {
    echo "link set lo up"
    for ((i = 0; i < pairs; i++)); do
      echo "link add a$i type veth peer name b$i"
    done
    for ((i = 0; i < pairs; i++)); do
      echo "link set a$i up"
      echo "link set b$i up"
    done
    if [ "$addresses" = 1 ]; then
      for ((i = 0; i < pairs; i++)); do
        echo "address add 10.$(( i / 256 )).$(( i % 256 )).1/32 dev a$i"
        echo "address add 10.$(( 128 + i / 256 )).$(( i % 256 )).1/32 dev b$i"
      done
    fi
  } >"$scratch/batch"
  ip -n "$namespace" -batch "$scratch/batch"
  made=$(ip -n "$namespace" -o link show | wc -l)

  # `ip netns exec` and `env` replace themselves, so these are the pids of the two programs.
  ip netns exec "$namespace" env QT_QPA_PLATFORM=xcb DISPLAY="$DISPLAY" "$program" \
    >"$scratch/program.log" 2>&1 &
  program_pid=$!
  ip netns exec "$namespace" "$loop" >"$scratch/loop.log" 2>&1 &
  loop_pid=$!

  pause "$warmup"
  if ! alive "$program_pid" brisvale || ! alive "$loop_pid" bare_dump_loop; then
    echo "At $n interfaces the program or the loop did not keep running:" >&2
    cat "$scratch/program.log" "$scratch/loop.log" >&2
    exit 1
  fi

  # Everything before the window: start-up, the first cycle that makes every record and tab,
  # and a few steady cycles.
  warm_ns=$(cpu_ns "$program_pid")
  p_ticks0=$(cpu_ticks "$program_pid"); l_ticks0=$(cpu_ticks "$loop_pid"); x_ticks0=$(cpu_ticks "$xvfb_pid")
  p_ns0=$(cpu_ns "$program_pid"); l_ns0=$(cpu_ns "$loop_pid")
  start_ns=$(date +%s%N)
  pause "$duration"
  p_ticks1=$(cpu_ticks "$program_pid"); l_ticks1=$(cpu_ticks "$loop_pid"); x_ticks1=$(cpu_ticks "$xvfb_pid")
  p_ns1=$(cpu_ns "$program_pid"); l_ns1=$(cpu_ns "$loop_pid")
  end_ns=$(date +%s%N)
  if ! alive "$program_pid" brisvale || ! alive "$loop_pid" bare_dump_loop; then
    echo "At $n interfaces the program or the loop ended during the measurement" >&2
    exit 1
  fi
  hwm=$(hwm_kb "$program_pid")

  results+=("$(awk -v n="$made" -v pt=$(( p_ticks1 - p_ticks0 )) -v lt=$(( l_ticks1 - l_ticks0 )) \
    -v xt=$(( x_ticks1 - x_ticks0 )) -v pns=$(( p_ns1 - p_ns0 )) -v lns=$(( l_ns1 - l_ns0 )) \
    -v wall=$(( end_ns - start_ns )) -v hz="$ticks" -v hwm="$hwm" -v warm="$warm_ns" 'BEGIN {
      s = wall / 1e9
      p = pt * 1000 / hz / s; l = lt * 1000 / hz / s; x = xt * 1000 / hz / s
      pf = pns / 1e6 / s; lf = lns / 1e6 / s
      ratio = lf > 0 ? sprintf("%.2f", pf / lf) : "-"
      printf "%6d %12.2f %12.2f %12.3f %12.3f %7s %10.2f %11.1f %10.0f\n", n, p, l, pf, lf, ratio, x, hwm / 1024, warm / 1e6
    }')")
  stop_size
done

echo "Measured window: ${duration} s per size after ${warmup} s of warm-up; CPU in ms per second of wall time."
echo "ticks: utime+stime from /proc/<pid>/stat (resolution $(( 1000 / ticks )) ms); sched: every thread's"
echo "run time from /proc/<pid>/task/*/schedstat (ns); ratio = program / loop (sched); Xvfb drawing"
echo "for the program is not in its figure and is shown apart. warm-up: the program's CPU ms before"
echo "the window (start-up, the first cycle that makes every record and tab, a few steady cycles)."
printf "%6s %12s %12s %12s %12s %7s %10s %11s %10s\n" \
  "N" "prog ticks" "loop ticks" "prog sched" "loop sched" "ratio" "Xvfb" "prog RSS MB" "warm-up"
for line in "${results[@]}"; do
  echo "$line"
done
