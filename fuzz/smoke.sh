#!/usr/bin/env bash
# A short run of one fuzz program for CTest: every seed of its corpus, then
# generated inputs until RUNS inputs have run in all. The seeds folder is
# only read; what the run finds new goes to a temporary folder.
#
#   smoke.sh PROGRAM SEEDS RUNS
set -euo pipefail
program=${1:?program}
seeds=${2:?seeds folder}
runs=${3:?number of inputs}

if [ ! -d "$seeds" ] || [ -z "$(ls -A "$seeds")" ]; then
    echo "no seeds in $seeds"
    exit 1
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/qrt-fuzz-smoke.XXXXXX")
trap 'rm -rf "$work"' EXIT
# A fixed seed, so a failure here comes back on the next run; crashes and
# their inputs land in the work folder and are printed.
"$program" -seed=1 -runs="$runs" -timeout=60 -rss_limit_mb=4096 -max_len=4096 \
    -artifact_prefix="$work/" -print_final_stats=1 "$work" "$seeds" || {
    status=$?
    for f in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
        [ -e "$f" ] || continue
        echo "== $f"
        od -c "$f" | head -40
    done
    exit $status
}
