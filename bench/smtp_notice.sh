#!/usr/bin/env bash
# One alert notice to a real SMTP server on 127.0.0.1: QOVA's client next to
# curl sending the same message to the same server, alternately, in the same
# run. Both are timed as whole processes; the medians are compared.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
runs=${SMTP_BENCH_RUNS:-41}

tmp=$(mktemp -d "${TMPDIR:-/tmp}/qova-smtp-bench-XXXXXX")
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill -TERM "$server_pid" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

mkdir "$tmp/mail"
/usr/bin/python3 "$here/../tests/e2e/mail_server.py" --maildir "$tmp/mail" >"$tmp/port" &
server_pid=$!
for _ in $(seq 100); do
    [ -s "$tmp/port" ] && break
    sleep 0.05
done
port=$(head -n1 "$tmp/port")
[ -n "$port" ] || { echo "mail server did not start"; exit 1; }

subject="Alert - http://www.example.org/"
body="Site unreachable on $(date '+%m/%d/%Y at %H:%M:%S')"
printf '%s' "$body" >"$tmp/body"
# curl sends a prepared message; give it the headers QOVA would write.
printf 'Date: %s\r\nMessage-Id: <%s.%s.1@bench>\r\nFrom: QOVA <monitor@example.org>\r\nTo: <ops@example.org>\r\nSubject: %s\r\n\r\n%s\r\n' \
    "$(LC_ALL=C date -R)" "$(date +%s)" "$$" "$subject" "$body" >"$tmp/message"

qova=() curl=()
for _ in $(seq "$runs"); do
    t0=$EPOCHREALTIME
    "$build/bench/smtp_send" "127.0.0.1:$port" monitor@example.org ops@example.org "$subject" \
        "$tmp/body" >/dev/null
    t1=$EPOCHREALTIME
    curl -s --url "smtp://127.0.0.1:$port" --mail-from monitor@example.org \
        --mail-rcpt ops@example.org --upload-file "$tmp/message"
    t2=$EPOCHREALTIME
    qova+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { print (b - a) * 1000 }')")
    curl+=("$(awk -v a="$t1" -v b="$t2" 'BEGIN { print (b - a) * 1000 }')")
done

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
q=$(median "${qova[@]}")
c=$(median "${curl[@]}")
delivered=$(find "$tmp/mail" -name '*.eml' | wc -l)
echo "one notice over SMTP, median of $runs runs (whole process, ms):"
printf '  QOVA %8.2f ms\n  curl %8.2f ms\n  ratio %.2f (target at most 1.2)\n' "$q" "$c" \
    "$(awk -v q="$q" -v c="$c" 'BEGIN { print q / c }')"
echo "  messages stored by the server: $delivered of $((2 * runs))"
[ "$delivered" -eq $((2 * runs)) ]
