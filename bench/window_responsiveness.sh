#!/usr/bin/env bash
# The window's event loop while a probe waits 20 s on a server that accepts and
# never answers, next to the same probe on the window's thread. Goal: under 50 ms.
set -euo pipefail
build=$(cd "$1" && pwd)
QT_QPA_PLATFORM=offscreen "$build/bench/window_bench" responsiveness 20 2>/dev/null
