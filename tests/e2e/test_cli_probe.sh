#!/usr/bin/env bash
# qova-cli probe against real servers on 127.0.0.1: its line and its exit status.
source "$(dirname "$0")/lib.sh"

start_site
plain=$SITE_PORT
make_ca "$E2E_TMP/ca"
start_site --cert "$E2E_TMP/ca/server.pem" --key "$E2E_TMP/ca/server.key"
secure=$SITE_PORT
closed=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')

expect "200" 0 "^200 [0-9]+ms http://127.0.0.1:$plain/\$" -- "$CLI" probe "http://127.0.0.1:$plain/"
expect "capital scheme" 0 "^200 [0-9]+ms HTTP://" -- "$CLI" probe "HTTP://127.0.0.1:$plain/"
expect "bare host needs Host header" 0 "^200 " -- "$CLI" probe "127.0.0.1:$plain"
expect "404" 2 "^404 [0-9]+ms " -- "$CLI" probe "http://127.0.0.1:$plain/missing"
expect "closed port" 2 "^unreachable http://127.0.0.1:$closed/\$" -- "$CLI" probe "http://127.0.0.1:$closed/"
expect "slow 200" 1 "^200 [0-9]+ms " -- "$CLI" probe "http://127.0.0.1:$plain/slow?ms=300" --warn 100
expect "slow within threshold" 0 "^200 " -- "$CLI" probe "http://127.0.0.1:$plain/slow?ms=100" --warn 5000
SSL_CERT_FILE="$E2E_TMP/ca/ca.pem" expect "https, local CA" 0 "^200 [0-9]+ms https://localhost" -- \
    "$CLI" probe "https://localhost:$secure/"
expect "https, untrusted" 2 "^unreachable " -- "$CLI" probe "https://localhost:$secure/"
expect "no address" 3 "usage" -- "$CLI" probe
expect "bad --warn" 3 "warn" -- "$CLI" probe "http://127.0.0.1:$plain/" --warn x
expect "help" 0 "usage: qova-cli probe" -- "$CLI" probe --help
expect "top-level help" 0 "probe URL" -- "$CLI" --help
finish
