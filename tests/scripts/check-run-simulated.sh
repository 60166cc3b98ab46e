#!/usr/bin/env bash
# scripts/run --simulated: the client comes up connected to the simulated
# Brelk, and when the client ends the simulator ends too (no orphan) and its
# links folder goes.
#
#   check-run-simulated.sh <build folder>
set -euo pipefail
build=$1
repo=$(cd "$(dirname "$0")/../.." && pwd)

tmp=$(mktemp -d)
run_pid=
cleanup() {
  if [ -n "$run_pid" ]; then
    # The client first: the script waits for it before it ends the simulator.
    for pid in $(ps -o pid= --ppid "$run_pid"); do kill "$pid" 2>/dev/null || true; done
    kill "$run_pid" 2>/dev/null || true
    wait "$run_pid" 2>/dev/null || true
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
  echo "check-run-simulated: $*" >&2
  echo "---- scripts/run output ----" >&2
  tail -30 "$tmp/run.out" >&2 || true
  exit 1
}

# The child of the script that runs the program (by its command name).
child_named() {
  ps -o pid=,comm= --ppid "$run_pid" | awk -v name="$1" '$2 == name { print $1 }'
}

mkdir -p "$tmp/data" "$tmp/runtime"
chmod 700 "$tmp/runtime"
TMPDIR="$tmp" BRELK_BUILD_DIR="$build" QT_QPA_PLATFORM=offscreen BRELK_DATA_DIR="$tmp/data" \
  XDG_RUNTIME_DIR="$tmp/runtime" BRELK_TRACE=1 "$repo/scripts/run" --simulated >"$tmp/run.out" 2>&1 &
run_pid=$!

# The client says when it found the Brelk.
for _ in $(seq 900); do
  grep -q 'Brelk connection: CONNECTED' "$tmp/run.out" && break
  kill -0 "$run_pid" 2>/dev/null || fail "scripts/run ended before the client connected"
  sleep 0.1
done
grep -q 'Brelk connection: CONNECTED' "$tmp/run.out" || fail "the client did not connect to the simulated Brelk"
sim=$(child_named brelk-sim)
client=$(child_named brelk)
[ -n "$sim" ] || fail "no brelk-sim under scripts/run"
[ -n "$client" ] || fail "no brelk under scripts/run"
ls -d "$tmp"/brelk-ports.* >/dev/null 2>&1 || fail "no links folder of the simulator"

# The client ends (as a closed window does, it exits): so do the simulator and the script.
kill "$client"
for _ in $(seq 100); do
  kill -0 "$run_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$run_pid" 2>/dev/null && fail "scripts/run still runs after the client ended"
wait "$run_pid" 2>/dev/null || true
run_pid=
kill -0 "$sim" 2>/dev/null && fail "brelk-sim ($sim) outlived the client"
if ls -d "$tmp"/brelk-ports.* >/dev/null 2>&1; then fail "the simulator's links folder is left"; fi
echo "check-run-simulated: the client ran on the simulated Brelk, which ended with it"
