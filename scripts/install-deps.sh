#!/bin/sh
# Installs what building, running and testing Mondeliar need on Debian.
# Idempotent: packages already present are not fetched again.
set -eu

PACKAGES="cmake make g++ pkg-config qt6-base-dev libjpeg62-turbo-dev \
libgtest-dev googletest libgmock-dev libbenchmark-dev \
libssl-dev openssl libssh-dev openssh-server openssh-client python3-paramiko \
python3 python3-pyftpdlib python3-openssl python3-icalendar \
xvfb xauth curl clang libclang-rt-14-dev locales pcal \
dpkg-dev file lintian desktop-file-utils appstream man-db groff-base \
default-jre-headless chromium"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
# Node.js and npm for the page checks: Debian's, unless the machine has them already (a
# Node.js of another origin brings its own npm, which Debian's npm package conflicts with).
command -v node >/dev/null 2>&1 || missing="$missing nodejs"
command -v npm >/dev/null 2>&1 || missing="$missing npm"

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi

# The page checks' npm packages, into tests/pagecheck/node_modules exactly as its
# package-lock.json pins them; again only when the lock file changed. No install scripts:
# vnu-jar's would fetch a Java runtime of its own, where Debian's is used.
pagecheck="$(cd "$(dirname "$0")/.." && pwd)/tests/pagecheck"
installed="$pagecheck/node_modules/.installed-package-lock.json"
if ! cmp -s "$pagecheck/package-lock.json" "$installed"; then
    echo "Installing the npm packages of tests/pagecheck"
    (cd "$pagecheck" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
    cp "$pagecheck/package-lock.json" "$installed"
fi
