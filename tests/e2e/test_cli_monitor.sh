#!/usr/bin/env bash
# qova-cli monitor against a scripted site and a real SMTP server on 127.0.0.1:
# one alert and one recovery per episode, the log lines, the per-address
# "Warned" state across restarts, and a clean stop by SIGTERM or SIGHUP mid-probe.
source "$(dirname "$0")/lib.sh"

# A site that answers its Nth request with the Nth word of its script ("200",
# "503", or "stall": accept and say nothing); the last word repeats. It counts
# the requests it got in the file named second.
cat >"$E2E_TMP/sequence_site.py" <<'PY'
import socket, sys, threading
answers, count_file = sys.argv[1].split(","), sys.argv[2]
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(16)
print(server.getsockname()[1], flush=True)
held, n = [], 0
while True:
    conn, _ = server.accept()
    answer = answers[min(n, len(answers) - 1)]
    n += 1
    open(count_file, "w").write(str(n))
    if answer == "stall":
        held.append(conn)
        continue
    conn.settimeout(5)
    try:
        conn.recv(65536)
        conn.sendall(b"HTTP/1.0 %s X\r\nContent-Length: 2\r\n\r\nok" % answer.encode())
    except OSError:
        pass
    conn.close()
PY

# start_peer NAME COMMAND...: starts a server that prints its port, sets PEER_PORT.
start_peer() {
    local name=$1
    shift
    "$@" >"$E2E_TMP/$name.port" 2>"$E2E_TMP/$name.log" &
    E2E_PIDS+=($!)
    for _ in $(seq 100); do
        [ -s "$E2E_TMP/$name.port" ] && break
        sleep 0.05
    done
    PEER_PORT=$(head -n1 "$E2E_TMP/$name.port")
    [ -n "$PEER_PORT" ] || { echo "$name did not start"; exit 1; }
}

# value SECTION NAME [DEFAULT]: a value of the store, as the programs read it.
value() {
    /usr/bin/python3 - "$QOVA_SETTINGS" "$1" "$2" "${3:-}" <<'PY'
import sqlite3, sys
path, section, name, default = sys.argv[1:]
row = sqlite3.connect(path).execute(
    "SELECT value FROM profile WHERE section = ? AND name = ?", (section, name)).fetchone()
value = default if row is None else row[0]
print(value.decode() if isinstance(value, bytes) else value)
PY
}

# check NAME WANTED ACTUAL
check() {
    if [ "$2" == "$3" ]; then
        echo "ok   $1: $3"
    else
        echo "FAIL $1: got '$3', wanted '$2'"
        FAILURES=$((FAILURES + 1))
    fi
}

mkdir -p "$E2E_TMP/mail"
start_peer mail /usr/bin/python3 "$E2E_DIR/mail_server.py" --maildir "$E2E_TMP/mail"
"$CLI" config set SMTP "127.0.0.1:$PEER_PORT" >/dev/null
"$CLI" config set SMTPAlert ops@example.org >/dev/null
"$CLI" config set SMTPRecovery team@example.org >/dev/null
"$CLI" config set SMTPEmail qova@example.org >/dev/null

start_peer site /usr/bin/python3 "$E2E_TMP/sequence_site.py" 200,503,503,503,200 "$E2E_TMP/site.count"
url="http://127.0.0.1:$PEER_PORT/"
logs="$XDG_DATA_HOME/Halvorind/QOVA"

# Up, then down three times over a restart, then up again.
expect "up" 0 "SUCCESS $url [0-9]+ms\$" -- "$CLI" monitor "$url" --interval 1s --count 1
check "Warned while up" 0 "$(value "$url" Warned 0)"
expect "down twice" 0 "Unexpected response 503 $url; \"Alert - $url\" mailed to ops@example.org" \
    -- "$CLI" monitor "$url" --interval 1s --count 2
check "Warned while down" 1 "$(value "$url" Warned 0)"
expect "still down after a restart, no second alert" 0 "Unexpected response 503 $url\$" \
    -- "$CLI" monitor "$url" --interval 1s --count 1
check "Warned still" 1 "$(value "$url" Warned 0)"
expect "up again" 0 "SUCCESS $url [0-9]+ms; \"Recovery - $url\" mailed to team@example.org" \
    -- "$CLI" monitor "$url" --interval 1s --count 1
check "Warned after recovery" 0 "$(value "$url" Warned 0)"

check "mails" "1.eml 2.eml" "$(cd "$E2E_TMP/mail" && ls *.eml | sort | xargs)"
check "alert" "Subject: Alert - $url" "$(grep -a '^Subject:' "$E2E_TMP/mail/1.eml" | tr -d '\r')"
check "alert body" "Unexpected response (503) from site on" \
    "$(tail -c +1 "$E2E_TMP/mail/1.eml" | grep -ao 'Unexpected response (503) from site on')"
check "recovery" "Subject: Recovery - $url" "$(grep -a '^Subject:' "$E2E_TMP/mail/2.eml" | tr -d '\r')"
stamp='<[0-9]{2}/[0-9]{2}/[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}> '
cr=$'\r'
check "access log" 5 "$(grep -Ec "^${stamp}SUCCESS $url [0-9]+ms$cr\$" "$logs/access.log")"
check "error log" 3 "$(grep -Ec "^${stamp}Unexpected response 503 $url$cr\$" "$logs/error.log")"
check "nothing else logged" "5 3" "$(wc -l <"$logs/access.log") $(wc -l <"$logs/error.log")"
check "all-time record kept" 1 "$(value "$url" allTimeMinWhen | grep -c ' on ')"

# An address nobody answers: unreachable, only the error log, one alert.
closed=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
expect "unreachable" 0 "Site unreachable: http://127.0.0.1:$closed/; \"Alert - http://127.0.0.1:$closed/\" mailed" \
    -- "$CLI" monitor "http://127.0.0.1:$closed/" --count 1
check "unreachable alert" 1 "$(grep -al "^Subject: Alert - http://127.0.0.1:$closed/" "$E2E_TMP/mail/"*.eml | wc -l)"

# SIGTERM (or the terminal's SIGHUP) while the probe waits on a silent site: out
# at once, exit 0, no outage recorded, history stored, the count lowered.
start_peer stall /usr/bin/python3 "$E2E_TMP/sequence_site.py" stall "$E2E_TMP/stall.count"
stalled="http://127.0.0.1:$PEER_PORT/"
for signal in TERM HUP; do
rm -f "$E2E_TMP/stall.count"
"$CLI" monitor "$stalled" >"$E2E_TMP/stalled.out" 2>&1 &
monitor=$!
for _ in $(seq 200); do
    [ -s "$E2E_TMP/stall.count" ] && break
    sleep 0.05
done
check "running instance counted" 1 "$("$CLI" config get NumOpen)"
started=$(date +%s%N)
kill -"$signal" "$monitor"
status=0
wait "$monitor" || status=$?
took=$((($(date +%s%N) - started) / 1000000))
check "exit status after SIG$signal" 0 "$status"
check "ended within a second" yes "$([ "$took" -lt 1000 ] && echo yes || echo "no (${took} ms)")"
check "no outage logged" 0 "$(grep -c "$stalled" "$logs/error.log" || true)"
check "no alert for it" 0 "$(grep -al "Alert - $stalled" "$E2E_TMP/mail/"*.eml | wc -l)"
check "history stored" "$stalled" "$(value Location 0)"
check "count lowered" 0 "$("$CLI" config get NumOpen)"
done

expect "no address" 3 "no address to poll" -- env QOVA_SETTINGS="$E2E_TMP/empty.db" "$CLI" monitor --count 1
expect "bad interval" 3 "--interval takes" -- "$CLI" monitor "$url" --interval 0
expect "bad count" 3 "--count takes" -- "$CLI" monitor "$url" --count x
finish
