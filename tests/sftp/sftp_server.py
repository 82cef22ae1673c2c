#!/usr/bin/python3
"""A scripted SFTP server for the tests (Debian's paramiko), for what a real server will not
do on request. It serves the machine's own paths on a free loopback port, prints the port on
its first line and runs until it is stopped.

sftp_server.py HOST_KEY [--password SECRET] [--posix-rename] [--refuse-rename]
               [--drop-after BYTES] [--silent | --silent-after-logon]

--password            the only log-on: any user with this password
--posix-rename        offers posix-rename@openssh.com (without it, only plain RENAME, which,
                      as OpenSSH's, refuses to replace an existing file)
--refuse-rename       every rename is refused (permission denied)
--drop-after BYTES    the first connection is cut once BYTES were written
--silent              takes connections and never says a word
--silent-after-logon  logs on, then never answers an SFTP request
"""

import argparse
import os
import socket
import sys
import threading
import time

import paramiko
from paramiko.message import Message
from paramiko.sftp import CMD_INIT, CMD_VERSION


def parse_options():
    parser = argparse.ArgumentParser()
    parser.add_argument("host_key")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--posix-rename", action="store_true")
    parser.add_argument("--refuse-rename", action="store_true")
    parser.add_argument("--drop-after", type=int, default=0)
    parser.add_argument("--silent", action="store_true")
    parser.add_argument("--silent-after-logon", action="store_true")
    return parser.parse_args()


OPTIONS = parse_options()
WRITTEN = {"bytes": 0, "dropped": False}


class Account(paramiko.ServerInterface):
    def get_allowed_auths(self, username):
        return "password"

    def check_auth_password(self, username, password):
        if password == OPTIONS.password:
            return paramiko.AUTH_SUCCESSFUL
        return paramiko.AUTH_FAILED

    def check_channel_request(self, kind, chanid):
        if kind == "session":
            return paramiko.OPEN_SUCCEEDED
        return paramiko.OPEN_FAILED_ADMINISTRATIVELY_PROHIBITED


def status_of(error):
    return paramiko.SFTPServer.convert_errno(error.errno)


class File(paramiko.SFTPHandle):
    def __init__(self, connection, flags):
        super().__init__(flags)
        self.connection = connection

    def write(self, offset, data):
        WRITTEN["bytes"] += len(data)
        if OPTIONS.drop_after and not WRITTEN["dropped"] and WRITTEN["bytes"] >= OPTIONS.drop_after:
            WRITTEN["dropped"] = True
            self.connection.shutdown(socket.SHUT_RDWR)
            return paramiko.SFTP_FAILURE
        return super().write(offset, data)


class Folder(paramiko.SFTPServerInterface):
    def __init__(self, server, connection):
        super().__init__(server)
        self.connection = connection

    def open(self, path, flags, attr):
        try:
            fd = os.open(path, flags, 0o644)
        except OSError as error:
            return status_of(error)
        handle = File(self.connection, flags)
        handle.writefile = os.fdopen(fd, "wb")
        handle.filename = path
        return handle

    def remove(self, path):
        try:
            os.remove(path)
        except OSError as error:
            return status_of(error)
        return paramiko.SFTP_OK

    def rename(self, oldpath, newpath):
        if OPTIONS.refuse_rename:
            return paramiko.SFTP_PERMISSION_DENIED
        if os.path.exists(newpath):
            return paramiko.SFTP_FAILURE
        return self.posix_rename(oldpath, newpath)

    def posix_rename(self, oldpath, newpath):
        if OPTIONS.refuse_rename:
            return paramiko.SFTP_PERMISSION_DENIED
        try:
            os.replace(oldpath, newpath)
        except OSError as error:
            return status_of(error)
        return paramiko.SFTP_OK


class Subsystem(paramiko.SFTPServer):
    """Offers posix-rename in its version reply when asked to."""

    def _send_server_version(self):
        kind, data = self._read_packet()
        if kind != CMD_INIT:
            raise paramiko.SFTPError("Incompatible sftp protocol")
        reply = Message()
        reply.add_int(3)
        if OPTIONS.posix_rename:
            reply.add_string("posix-rename@openssh.com")
            reply.add_string("1")
        self._send_packet(CMD_VERSION, reply)
        return 3


class Mute(paramiko.SubsystemHandler):
    def start_subsystem(self, name, transport, channel):
        while transport.is_active():
            time.sleep(0.1)


def serve(connection, host_key):
    transport = paramiko.Transport(connection)
    transport.add_server_key(host_key)
    if OPTIONS.silent_after_logon:
        transport.set_subsystem_handler("sftp", Mute)
    else:
        transport.set_subsystem_handler("sftp", Subsystem, Folder, connection)
    try:
        transport.start_server(server=Account())
    except (paramiko.SSHException, EOFError, OSError):
        return
    transport.join()


def main():
    host_key = paramiko.Ed25519Key(filename=OPTIONS.host_key)
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    print(listener.getsockname()[1], flush=True)
    held = []
    while True:
        connection, _ = listener.accept()
        if OPTIONS.silent:
            held.append(connection)
            continue
        threading.Thread(target=serve, args=(connection, host_key), daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
