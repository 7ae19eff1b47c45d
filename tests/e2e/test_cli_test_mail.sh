#!/usr/bin/env bash
# qova-cli test-mail and a notice from QOVA's SMTP client against a real SMTP
# server on 127.0.0.1: what the server stored, and the failed step when it
# refuses.
source "$(dirname "$0")/lib.sh"

SEND="$QOVA_BUILD/bench/smtp_send"

# start_mail NAME [ARGS]: starts mail_server.py storing into $E2E_TMP/NAME, sets MAIL_PORT.
start_mail() {
    local dir="$E2E_TMP/$1"
    shift
    mkdir -p "$dir"
    /usr/bin/python3 "$E2E_DIR/mail_server.py" --maildir "$dir" "$@" >"$dir.port" 2>"$dir.log" &
    E2E_PIDS+=($!)
    for _ in $(seq 100); do
        [ -s "$dir.port" ] && break
        sleep 0.05
    done
    MAIL_PORT=$(head -n1 "$dir.port")
    [ -n "$MAIL_PORT" ] || { echo "mail server did not start"; exit 1; }
}

# set_setting NAME VALUE: writes a value of section "Settings" of the store the
# way the programs keep it (integers as kind 0, texts as kind 1).
set_setting() {
    /usr/bin/python3 - "$QOVA_SETTINGS" "$1" "$2" <<'PY'
import sqlite3, sys
path, name, value = sys.argv[1:]
db = sqlite3.connect(path)
db.execute("CREATE TABLE IF NOT EXISTS profile(section TEXT NOT NULL COLLATE NOCASE,"
           " name TEXT NOT NULL COLLATE NOCASE, kind INTEGER NOT NULL, value,"
           " PRIMARY KEY(section, name)) WITHOUT ROWID")
kind, stored = (0, int(value)) if name == "SMTPAuth" else (1, value)
db.execute("INSERT OR REPLACE INTO profile VALUES('Settings', ?, ?, ?)", (name, kind, stored))
db.commit()
PY
}

# check_mail NAME FILE-BASE FROM TO SUBJECT BODY-REGEX: the stored message and
# its envelope as the server received them.
check_mail() {
    local name=$1 base=$2
    local problems status=0
    problems=$(/usr/bin/python3 - "$@" 2>&1 <<'PY'
import re, sys
_, base, sender, to, subject, body = sys.argv[1:]
try:
    raw = open(base + ".eml", "rb").read().decode()
    env = open(base + ".env").read()
except OSError as e:
    sys.exit("no message: %s" % e)
wrong = []
if env != "from %s\nto %s\n" % (sender, to):
    wrong.append("envelope %r" % env)
head, sep, text = raw.partition("\r\n\r\n")
if not sep:
    wrong.append("no empty line between headers and body")
lines = head.split("\r\n")
patterns = [r"Date: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), \d\d (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d{4} \d\d:\d\d:\d\d [+-]\d{4}",
            r"Message-Id: <\d+\.\d+\.\d+@[A-Za-z0-9.-]+>",
            re.escape("From: QOVA <%s>" % sender),
            re.escape("To: <%s>" % to),
            re.escape("Subject: %s" % subject)]
if len(lines) != len(patterns):
    wrong.append("headers %r" % lines)
for line, pattern in zip(lines, patterns):
    if not re.fullmatch(pattern, line):
        wrong.append("header %r" % line)
if not re.fullmatch(body, text, re.S):
    wrong.append("body %r" % text)
print("; ".join(wrong))
PY
) || status=$?
    if [ "$status" -ne 0 ] || [ -n "$problems" ]; then
        echo "FAIL $name: $problems"
        FAILURES=$((FAILURES + 1))
    else
        echo "ok   $name"
    fi
}

start_mail plain --refuse bad@example.org
plain=$MAIL_PORT
closed=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
stamp='on [0-9]{2}/[0-9]{2}/[0-9]{4} at [0-9]{2}:[0-9]{2}:[0-9]{2}'

expect "no server set" 1 "^failed at resolving: no mail server is set" -- "$CLI" test-mail ops@example.org
set_setting SMTP "127.0.0.1:$plain"
set_setting SMTPEmail monitor@example.org
expect "no recipient" 1 "no recipient" -- "$CLI" test-mail
set_setting SMTPAlert ops@example.org

expect "test mail to the alert recipient" 0 "^sent\$" -- "$CLI" test-mail
check_mail "stored test mail" "$E2E_TMP/plain/1" monitor@example.org ops@example.org \
    "Test - QOVA" "This is a test notice from QOVA $stamp\r\n"
expect "test mail to another recipient" 0 "^sent\$" -- "$CLI" test-mail boss@example.org
check_mail "stored test mail, other recipient" "$E2E_TMP/plain/2" monitor@example.org \
    boss@example.org "Test - QOVA" "This is a test notice from QOVA $stamp\r\n"
expect "refused recipient" 1 "^failed at RCPT TO: 550 5\.1\.1 <bad@example.org>: no such user here" \
    -- "$CLI" test-mail bad@example.org

# A notice whose body has lines that begin with a dot: the server must store
# them as they were written, so the client stuffed them.
printf 'Site unreachable on 03/07/2004 at 14:05:09\n.\n..two dots\n.end' >"$E2E_TMP/body"
expect "notice with dot lines" 0 "^sent\$" -- \
    "$SEND" "127.0.0.1:$plain" monitor@example.org ops@example.org "Alert - http://site/" "$E2E_TMP/body"
check_mail "stored notice, dots intact" "$E2E_TMP/plain/3" monitor@example.org ops@example.org \
    "Alert - http://site/" $'Site unreachable on 03/07/2004 at 14:05:09\r\n\\.\r\n\\.\\.two dots\r\n\\.end\r\n'

set_setting SMTP "127.0.0.1:$closed"
expect "nobody listening" 1 "^failed at connecting" -- "$CLI" test-mail

# A provider-like server: STARTTLS required before AUTH, certificate from a
# throwaway authority.
make_ca "$E2E_TMP/ca"
start_mail secure --cert "$E2E_TMP/ca/server.pem" --key "$E2E_TMP/ca/server.key" --login me:secret
set_setting SMTP "localhost:$MAIL_PORT"
set_setting SMTPAuth 1
set_setting SMTPUsername me
set_setting SMTPPassword secret
SSL_CERT_FILE="$E2E_TMP/ca/ca.pem" expect "STARTTLS and AUTH" 0 "^sent\$" -- "$CLI" test-mail
check_mail "stored mail after AUTH" "$E2E_TMP/secure/1" monitor@example.org ops@example.org \
    "Test - QOVA" "This is a test notice from QOVA $stamp\r\n"
expect "untrusted certificate" 1 "^failed at TLS" -- "$CLI" test-mail
set_setting SMTPPassword wrong
SSL_CERT_FILE="$E2E_TMP/ca/ca.pem" expect "wrong password" 1 "^failed at AUTH: 535" -- "$CLI" test-mail
finish
