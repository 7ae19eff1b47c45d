#!/usr/bin/env bash
# SIGTERM (logout, kill), SIGINT (Ctrl-C) and SIGHUP (the terminal closed) end
# the desktop program as Exit does: exit status 0, the count of running
# instances lowered, the address history stored. A signal the program was
# started with ignored (nohup, background jobs) stays ignored.
source "$(dirname "$0")/lib.sh"

QOVA="$QOVA_BUILD/src/desktop/qova"
export QT_QPA_PLATFORM=offscreen
start_site
address="http://127.0.0.1:$SITE_PORT/"

check() {
    if [ "$2" == "$3" ]; then
        echo "ok   $1: $3"
    else
        echo "FAIL $1: got '$3', wanted '$2'"
        FAILURES=$((FAILURES + 1))
    fi
}

stored() { # SECTION NAME: a value of the store, empty when missing
    /usr/bin/python3 - "$QOVA_SETTINGS" "$1" "$2" <<'PY'
import sqlite3, sys
row = sqlite3.connect(sys.argv[1]).execute(
    "SELECT value FROM profile WHERE section=? AND name=?", sys.argv[2:4]).fetchone()
value = "" if row is None else row[0]
print(value.decode() if isinstance(value, bytes) else value)
PY
}

# wait_until TENTHS COMMAND...: true once COMMAND succeeds within the time.
wait_until() {
    local tenths=$1
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
running() { kill -0 "$1" 2>/dev/null; }
polled() { [ -s "$XDG_DATA_HOME/Halvorind/QOVA/access.log" ]; }

# run_case NAME SIGNAL SETUP [ENV_OPTION]: starts qova on a fresh store, sends
# SIGNAL once it has polled (or, without a mail server, once the first poll's
# email setup prompt is open) and checks how it ended.
run_case() {
    local name=$1 signal=$2 setup=$3 envopt=${4:---default-signal=INT}
    export QOVA_SETTINGS="$E2E_TMP/$name.db" XDG_DATA_HOME="$E2E_TMP/$name.data"
    "$CLI" config set LastURL "$address" >/dev/null
    [ "$setup" == prompt ] || "$CLI" config set SMTP mail.example.com >/dev/null
    # Background jobs of a script start with SIGINT ignored; env sets it as a
    # terminal would, or as given.
    env "$envopt" "$QOVA" >"$E2E_TMP/$name.out" 2>&1 &
    local pid=$!
    E2E_PIDS+=($pid)
    if [ "$setup" == prompt ]; then
        sleep 1.5 # the prompt opens 100 ms after start
    elif ! wait_until 100 polled; then
        echo "FAIL $name: qova never polled: $(cat "$E2E_TMP/$name.out")"
        FAILURES=$((FAILURES + 1))
        return
    fi
    check "$name: counted while running" 1 "$("$CLI" config get NumOpen)"

    kill "-$signal" "$pid"
    if [ "$envopt" == --ignore-signal=INT ]; then
        sleep 1
        check "$name: ignored" yes "$(running "$pid" && echo yes || echo no)"
        kill -TERM "$pid"
    fi
    if ! wait_until 100 eval '! running '"$pid"; then
        echo "FAIL $name: still running 10 s after SIG$signal"
        kill -KILL "$pid"
        FAILURES=$((FAILURES + 1))
    fi
    local status=0
    wait "$pid" || status=$?
    check "$name: exit status" 0 "$status"
    check "$name: count lowered" 0 "$("$CLI" config get NumOpen)"
    if [ "$setup" == prompt ]; then
        check "$name: nothing polled, no history" "" "$(stored Location 0)"
    else
        check "$name: history stored" "$address" "$(stored Location 0)"
    fi
}

run_case term TERM polled
run_case int INT polled
run_case hup HUP polled
run_case term-over-the-setup-prompt TERM prompt
run_case int-started-ignored INT polled --ignore-signal=INT
finish
