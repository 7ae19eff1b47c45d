#!/usr/bin/env bash
# Several qova-cli monitors at once: each counts itself in "NumOpen", a later
# one starts on a later history entry, the count goes down as they end, and an
# instance that was killed leaves the marker free for the next start.
source "$(dirname "$0")/lib.sh"

start_site
a="http://127.0.0.1:$SITE_PORT/a"
b="http://127.0.0.1:$SITE_PORT/b"
numopen() { "$CLI" config get NumOpen; }

check() {
    if [ "$2" == "$3" ]; then
        echo "ok   $1: $3"
    else
        echo "FAIL $1: got '$3', wanted '$2'"
        FAILURES=$((FAILURES + 1))
    fi
}

# start_monitor NAME [ARGS]: a monitor in the background, once it has polled; sets MONITOR.
start_monitor() {
    local name=$1
    shift
    "$CLI" monitor "$@" --interval 10m >"$E2E_TMP/$name.out" 2>&1 &
    MONITOR=$!
    E2E_PIDS+=($MONITOR)
    for _ in $(seq 200); do
        grep -q '^<' "$E2E_TMP/$name.out" && return
        sleep 0.05
    done
    echo "FAIL $name never polled: $(cat "$E2E_TMP/$name.out")"
    FAILURES=$((FAILURES + 1))
}
polled() { grep '^<' "$E2E_TMP/$1.out" | head -n1 | grep -Eo "SUCCESS [^ ]+" | cut -d' ' -f2; }

# The history, newest first: b, a.
"$CLI" monitor "$a" --count 1 >/dev/null
"$CLI" monitor "$b" --count 1 >/dev/null
check "no instance running" 0 "$(numopen)"

start_monitor first
first=$MONITOR
check "first instance" 1 "$(numopen)"
check "first starts on the newest entry" "$b" "$(polled first)"

start_monitor second
second=$MONITOR
check "second instance" 2 "$(numopen)"
check "second starts on the second entry" "$a" "$(polled second)"

kill -TERM "$second"
wait "$second" || true
check "second ended" 1 "$(numopen)"

start_monitor third
third=$MONITOR
check "third instance counts 2 again" 2 "$(numopen)"

# Instances that die leave the count high; the next start finds the marker
# free and sets it back to 1.
kill -KILL "$third" "$first"
wait "$third" "$first" 2>/dev/null || true
check "count left by killed instances" 2 "$(numopen)"
start_monitor fourth
check "next start after the crash" 1 "$(numopen)"
# The second stored the history when it ended, with its own address first.
check "and starts on the newest entry" "$a" "$(polled fourth)"
kill -TERM "$MONITOR"
wait "$MONITOR" || true
check "all ended" 0 "$(numopen)"
finish
