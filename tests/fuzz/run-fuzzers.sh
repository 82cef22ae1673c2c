#!/bin/sh
# Runs every fuzz target of a build folder over its seed corpus for SECONDS seconds each.
# Inputs the run discovers go to a scratch folder, so the committed corpus stays small.
# Any crash, leak or sanitizer report fails the run.
set -eu
build="$1"
seconds="${2:-20}"
corpus_root="$(cd "$(dirname "$0")" && pwd)/corpus"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
status=0
for target in "$build"/tests/fuzz/*_fuzz; do
    [ -x "$target" ] || continue
    name="$(basename "$target")"
    mkdir -p "$scratch/$name" "$corpus_root/$name"
    echo "== $name: ${seconds} s"
    if ! "$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$scratch/$name-" "$scratch/$name" "$corpus_root/$name" \
        >"$scratch/$name.log" 2>&1; then
        tail -n 60 "$scratch/$name.log"
        for artifact in "$scratch/$name"-*; do
            [ -e "$artifact" ] && echo "finding: $artifact" && od -c "$artifact" | head -20
        done
        status=1
    else
        grep -E 'stat::number_of_executed_units|Done [0-9]+ runs' "$scratch/$name.log" | tail -n 1
    fi
done
exit $status
