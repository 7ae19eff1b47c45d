#!/usr/bin/env bash
# The cost of one poll beyond the probe, with a store of 10,000 address
# sections kept on the build folder's disk (not a RAM disk), next to the probe
# and curl.
set -euo pipefail
build=$1
mkdir -p "$build/bench/tmp"
TMPDIR="$build/bench/tmp" "$build/bench/poll_bench" 300
