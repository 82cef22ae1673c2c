#!/bin/sh
# Installs the tools of the manual checks (not needed to build or test Mondeliar):
# vsftpd, the FTP server that scripts/check-vsftpd-tls.sh publishes to, lftp, and
# rsvg-convert, which packaging/icons/render-icons.sh draws the icon's PNGs with.
# Idempotent, like install-deps.sh.
set -eu

PACKAGES="vsftpd lftp openssl librsvg2-bin"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing:$missing"
$SUDO apt-get update -qq
# The package's own service is not wanted: the check runs its own vsftpd on loopback.
DEBIAN_FRONTEND=noninteractive RUNLEVEL=1 $SUDO apt-get install -y -qq --no-install-recommends $missing
