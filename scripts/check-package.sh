#!/bin/sh
# Checks the Debian package that `make package` built in the release tree: lintian finds no
# error (its warnings are shown), the package unpacks, mondeliar-cli runs from the unpacked
# tree (its version, a write into a new data folder, the publish part found in libexec/, a
# language of the data folder's languages/), and the desktop entry, the AppStream metadata and
# both manual pages pass their checkers.
#
#   scripts/check-package.sh [release-tree]
set -eu

BUILD=${1:-build/release}
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
DEB="$BUILD/mondeliar_${VERSION}_$(dpkg --print-architecture).deb"
[ -f "$DEB" ] || { echo "no package $DEB (make package builds it)"; exit 1; }

WORK=$(mktemp -d /tmp/mondeliar-package-XXXXXX)
trap 'rm -rf "$WORK"' EXIT INT TERM
ROOT="$WORK/root"
failed=0
fail() { echo "FAILED: $*"; failed=1; }

echo "== lintian $DEB"
lintian --fail-on error --tag-display-limit 0 "$DEB" >"$WORK/lintian.txt" 2>&1 \
    || fail "lintian reports errors"
grep -v '^running with root privileges' "$WORK/lintian.txt" || true

echo "== dpkg-deb -x"
dpkg-deb -x "$DEB" "$ROOT"

echo "== mondeliar-cli from the unpacked tree"
for program in mondeliar-cli mondeliar; do
    said=$("$ROOT/usr/bin/$program" --version)
    [ "$said" = "$program $VERSION" ] || fail "$program --version says \"$said\""
done
DATA="$WORK/home/Mondeliar"
"$ROOT/usr/bin/mondeliar-cli" --data "$DATA" --today 2002-02-05 write \
    || fail "mondeliar-cli --data write"
for page in "calendars/default calendar.cfg" February.html current.html calendar.html; do
    [ -f "$DATA/$page" ] || fail "the write left no $page in the data folder"
done
said=$("$ROOT/usr/bin/mondeliar-cli" --data "$DATA" publish 2>&1) && fail "publish without FTP settings succeeded"
[ "$said" = "FTP settings are not complete" ] || fail "publish from the unpacked tree says \"$said\""
# A language the user added lies in the data folder (the installed one is not theirs to write).
mkdir -p "$DATA/languages"
sed 's/^MONTH2=.*/MONTH2=Febmine\r/' "$ROOT/usr/share/mondeliar/English.lang" >"$DATA/languages/Mine.lang"
sed -i 's/^LANGUAGESELECTED=.*/LANGUAGESELECTED=Mine\r/' "$DATA/calendars/default calendar.cfg"
"$ROOT/usr/bin/mondeliar-cli" --data "$DATA" --today 2002-02-05 write \
    && [ -f "$DATA/Febmine.html" ] || fail "a language in the data folder's languages/ was not used"

echo "== desktop-file-validate, appstreamcli validate"
desktop-file-validate "$ROOT"/usr/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$ROOT"/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"

echo "== man -l, groff -ww"
for page in "$ROOT"/usr/share/man/man1/*.1.gz; do
    warnings=$( { LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" >"$WORK/page.txt"; } 2>&1 )
    [ -z "$warnings" ] && [ -s "$WORK/page.txt" ] || fail "man -l $(basename "$page"): $warnings"
    warnings=$(zcat "$page" | groff -man -ww -z -Tutf8 2>&1)
    [ -z "$warnings" ] || fail "groff -ww $(basename "$page"): $warnings"
done

[ "$failed" -eq 0 ] && echo "package checks passed: $(basename "$DEB")"
exit "$failed"
