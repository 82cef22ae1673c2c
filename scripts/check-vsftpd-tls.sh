#!/bin/sh
# Manual check (not part of the tests): publishes the default calendar with
# `mondeliar-cli publish --tls` to Debian's vsftpd on loopback, run with ssl_enable=YES and
# its defaults otherwise (require_ssl_reuse=YES: data connections must resume the control
# connection's TLS session), once in active and once in passive mode. Needs root (vsftpd
# runs as root and logs a local user on) and scripts/install-check-tools.sh.
#
#   scripts/check-vsftpd-tls.sh [path/to/mondeliar-cli]
set -eu

CLI=${1:-build/release/src/cli/mondeliar-cli}
[ -x "$CLI" ] || { echo "no mondeliar-cli at $CLI (build it first: make run)"; exit 1; }
CLI=$(cd "$(dirname "$CLI")" && pwd)/$(basename "$CLI")
[ "$(id -u)" -eq 0 ] || { echo "run as root"; exit 1; }
command -v vsftpd >/dev/null || { echo "vsftpd missing: scripts/install-check-tools.sh"; exit 1; }

PORT=2121
USER_NAME=mondeliar-ftp
PASSWORD=check-$$
WORK=$(mktemp -d /tmp/mondeliar-vsftpd-XXXXXX)
trap 'kill "$VSFTPD_PID" 2>/dev/null || true; rm -rf "$WORK"' EXIT INT TERM

# A local user with a password, whose home is the server's folder.
id "$USER_NAME" >/dev/null 2>&1 || useradd --create-home --shell /bin/bash "$USER_NAME"
echo "$USER_NAME:$PASSWORD" | chpasswd
HOME_DIR=$(getent passwd "$USER_NAME" | cut -d: -f6)
rm -rf "$HOME_DIR/www"
mkdir -p "$HOME_DIR/www"
chown "$USER_NAME" "$HOME_DIR/www"

# A self-signed certificate for 127.0.0.1; its fingerprint goes into the calendar's settings.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$WORK/key.pem" -out "$WORK/cert.pem" \
    -days 1 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 >/dev/null 2>&1
FINGERPRINT=$(openssl x509 -noout -fingerprint -sha256 -in "$WORK/cert.pem" | cut -d= -f2)
mkdir -p /var/run/vsftpd/empty

cat > "$WORK/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$PORT
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
pam_service_name=vsftpd
secure_chroot_dir=/var/run/vsftpd/empty
seccomp_sandbox=NO
isolate_network=NO
isolate=NO
xferlog_enable=YES
vsftpd_log_file=$WORK/vsftpd.log
ssl_enable=YES
rsa_cert_file=$WORK/cert.pem
rsa_private_key_file=$WORK/key.pem
CONF
vsftpd "$WORK/vsftpd.conf" &
VSFTPD_PID=$!
sleep 1

mkdir -p "$WORK/data/calendars" "$WORK/data/site"
printf 'HTMLPATH=%s\r\nFTPHOST=127.0.0.1\r\nFTPPORT=%s\r\nFTPUSER=%s\r\nFTPPASSWORD=%s\r\nFTPREMOTEDIR=%s\r\nFTPTLSFINGERPRINT=%s\r\n' \
    "$WORK/data/site/" "$PORT" "$USER_NAME" "$PASSWORD" "$HOME_DIR/www/" "$FINGERPRINT" \
    > "$WORK/data/calendars/default calendar.cfg"

status=0
for mode in "" "--passive"; do
    echo "== mondeliar-cli publish --tls $mode"
    rm -f "$HOME_DIR/www/"*
    if (cd "$WORK/data" && "$CLI" --verbose --tls $mode publish); then
        for page in "$WORK/data/site/"*.html; do
            cmp -s "$page" "$HOME_DIR/www/$(basename "$page")" \
                || { echo "DIFFERS on the server: $(basename "$page")"; status=1; }
        done
        echo "$(ls "$HOME_DIR/www" | wc -l) files on the server"
    else
        status=1
    fi
done
exit $status
