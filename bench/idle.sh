#!/usr/bin/env bash
# What `qova-cli monitor` costs between polls: CPU time and wake-ups (context
# switches) over 60 s after its first poll, next to `sleep` measured over the
# same 60 s as the floor. Goal: no wake-up beyond the timer, i.e. 0 here.
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${IDLE_SECONDS:-60}
tmp=$(mktemp -d "${TMPDIR:-/tmp}/qova-idle-XXXXXX")
pids=()
trap 'for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null || true; done; rm -rf "$tmp"' EXIT
export QOVA_SETTINGS="$tmp/settings.db" XDG_DATA_HOME="$tmp/data" XDG_RUNTIME_DIR="$tmp"

closed=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
"$build/src/cli/qova-cli" monitor "http://127.0.0.1:$closed/" --interval 10m >"$tmp/out" 2>&1 &
monitor=$!
pids+=($monitor)
for _ in $(seq 200); do
    grep -q '^<' "$tmp/out" && break
    sleep 0.05
done
sleep 1000 &
reference=$!
pids+=($reference)
sleep 0.5

# cpu_ms PID, wakeups PID: from /proc.
cpu_ms() { awk -v hz="$(getconf CLK_TCK)" '{print ($14 + $15) * 1000 / hz}' "/proc/$1/stat"; }
wakeups() {
    awk '/^voluntary_ctxt_switches|^nonvoluntary_ctxt_switches/ {n += $2} END {print n}' \
        "/proc/$1/status"
}
declare -A cpu0 wake0
for p in $monitor $reference; do
    cpu0[$p]=$(cpu_ms "$p")
    wake0[$p]=$(wakeups "$p")
done
sleep "$seconds"
echo "idle cost over ${seconds} s between polls (interval 10 min)"
for p in $monitor $reference; do
    name=$([ "$p" = "$monitor" ] && echo "qova-cli monitor" || echo "reference: sleep")
    printf '  %-18s CPU %4s ms   wake-ups %s\n' "$name" \
        "$(($(cpu_ms "$p" | cut -d. -f1) - ${cpu0[$p]%.*}))" \
        "$(($(wakeups "$p") - ${wake0[$p]}))"
done
