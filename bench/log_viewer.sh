#!/usr/bin/env bash
# The log viewer on a log of 1,000,000 lines (about 80 MB), next to the same
# text set into the same kind of view in one call, in the same run. Each is run
# as its own process, alternately; the median of each figure is shown.
set -euo pipefail
build=$1
bench="$build/bench/log_view_bench"
lines=${LOG_VIEW_BENCH_LINES:-1000000}
runs=${LOG_VIEW_BENCH_RUNS:-3}
export QT_QPA_PLATFORM=offscreen

tmp=$(mktemp -d "${TMPDIR:-/tmp}/qova-log-view-bench-XXXXXX")
trap 'rm -rf "$tmp"' EXIT
log="$tmp/access.log"
"$bench" generate "$log" "$lines"
size_kb=$(( $(stat -c %s "$log") / 1024 ))

for i in $(seq "$runs"); do
    "$bench" viewer "$log" 2>/dev/null >>"$tmp/viewer"
    "$bench" onecall "$log" 2>/dev/null >>"$tmp/onecall"
done

# median of column $1 in file $2
median() { awk -v c="$1" '{print $c}' "$2" | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

printf 'log: %d lines, %d MB; %d runs each, medians\n' "$lines" $((size_kb / 1024)) "$runs"
printf '%-30s %12s %12s %12s %14s %14s\n' "" "first lines" "whole file" "longest stall" "peak memory" "peak - before"
for who in viewer onecall; do
    first=$(median 1 "$tmp/$who"); whole=$(median 2 "$tmp/$who"); stall=$(median 3 "$tmp/$who")
    peak=$(median 4 "$tmp/$who"); base=$(median 5 "$tmp/$who")
    label="QOVA log viewer"
    [ "$who" = onecall ] && label="reference: one setPlainText"
    printf '%-30s %10s ms %10s ms %10s ms %11s MB %11s MB\n' "$label" "$first" "$whole" "$stall" \
        $((peak / 1024)) $(((peak - base) / 1024))
    eval "${who}_first=$first ${who}_whole=$whole ${who}_stall=$stall ${who}_peak=$peak"
done

verdict() { if [ "$1" -eq 1 ]; then echo "met"; else echo "MISSED"; fi; }
printf 'goals: first lines < 200 ms: %s; whole file <= 1.5 x one call (%s ms): %s; ' \
    "$(verdict $((viewer_first < 200)))" "$((onecall_whole * 3 / 2))" \
    "$(verdict $((viewer_whole * 2 <= onecall_whole * 3)))"
printf 'stall <= 50 ms: %s; peak memory < 4 x file (%d MB): %s\n' \
    "$(verdict $((viewer_stall <= 50)))" $((size_kb * 4 / 1024)) \
    "$(verdict $((viewer_peak < size_kb * 4)))"
