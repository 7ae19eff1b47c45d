#!/usr/bin/env bash
# Probe accuracy and a 1 GiB answer, QOVA next to curl.
set -euo pipefail
build=$1
"$build/bench/probe_bench" "$build/src/cli/qova-cli"
