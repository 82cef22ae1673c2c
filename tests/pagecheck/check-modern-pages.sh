#!/bin/sh
# Writes the modern pages of the sample calendars with the program given (modern_sample_pages)
# into a temporary folder and checks every page with check_pages.mjs.
set -eu
sample_pages="$1"
here="$(cd "$(dirname "$0")" && pwd)"
if ! command -v node >/dev/null 2>&1; then
    echo "node is missing: run scripts/install-deps.sh" >&2
    exit 2
fi
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
"$sample_pages" "$out"
node "$here/check_pages.mjs" "$out/full" "$out/other" "$out/example"
