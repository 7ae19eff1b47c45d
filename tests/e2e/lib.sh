# Shared by the end-to-end tests: temporary folders, servers on 127.0.0.1 and checks.
set -euo pipefail

E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/qova-e2e-XXXXXX")
E2E_PIDS=()
cleanup() {
    for pid in "${E2E_PIDS[@]:-}"; do
        [ -n "$pid" ] && kill -TERM "$pid" 2>/dev/null || true
    done
    rm -rf "$E2E_TMP"
}
trap cleanup EXIT

export QOVA_SETTINGS="$E2E_TMP/settings.db"
export XDG_DATA_HOME="$E2E_TMP/data"
export XDG_CONFIG_HOME="$E2E_TMP/config"
export XDG_RUNTIME_DIR="$E2E_TMP/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

CLI="$QOVA_BUILD/src/cli/qova-cli"
E2E_DIR="$QOVA_SOURCE/tests/e2e"

# start_site [ARGS]: starts http_site.py, sets SITE_PORT.
start_site() {
    local portfile="$E2E_TMP/site.port.$RANDOM"
    /usr/bin/python3 "$E2E_DIR/http_site.py" "$@" >"$portfile" &
    E2E_PIDS+=($!)
    for _ in $(seq 100); do
        [ -s "$portfile" ] && break
        sleep 0.05
    done
    SITE_PORT=$(head -n1 "$portfile")
    [ -n "$SITE_PORT" ] || { echo "site did not start"; exit 1; }
}

# make_ca DIR: a throwaway CA and a server certificate for 127.0.0.1 and localhost.
make_ca() {
    local dir=$1
    mkdir -p "$dir"
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 \
        -subj "/CN=QOVA e2e CA" -keyout "$dir/ca.key" -out "$dir/ca.pem" 2>/dev/null
    openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj "/CN=localhost" \
        -keyout "$dir/server.key" -out "$dir/server.csr" 2>/dev/null
    printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\n' >"$dir/ext.cnf"
    openssl x509 -req -in "$dir/server.csr" -CA "$dir/ca.pem" -CAkey "$dir/ca.key" \
        -CAcreateserial -days 2 -extfile "$dir/ext.cnf" -out "$dir/server.pem" 2>/dev/null
}

FAILURES=0
# expect NAME WANTED_STATUS WANTED_OUTPUT_REGEX -- COMMAND...
expect() {
    local name=$1 want_status=$2 want_out=$3
    shift 4
    local out status=0
    out=$("$@" 2>&1) || status=$?
    if [ "$status" -ne "$want_status" ] || ! grep -Eq -- "$want_out" <<<"$out"; then
        echo "FAIL $name: exit $status (wanted $want_status), output: $out (wanted /$want_out/)"
        FAILURES=$((FAILURES + 1))
    else
        echo "ok   $name: ${out%%$'\n'*}"
    fi
}

finish() {
    [ "$FAILURES" -eq 0 ] || { echo "$FAILURES failed"; exit 1; }
}
