#!/bin/sh
# Installs what building, running and testing Mondeliar need on Debian.
# Idempotent: packages already present are not fetched again.
set -eu

PACKAGES="cmake make g++ pkg-config qt6-base-dev libjpeg62-turbo-dev \
libgtest-dev googletest libgmock-dev libbenchmark-dev \
libssl-dev openssl python3 python3-pyftpdlib python3-openssl python3-icalendar \
xvfb xauth curl clang libclang-rt-14-dev locales pcal \
dpkg-dev file lintian desktop-file-utils appstream man-db groff-base"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
