"""A pyftpdlib server for the FTP client tests and benchmarks.

Usage: ftp_server.py ROOT [--tls CERTFILE KEYFILE [--early-data-tls]]
Serves ROOT on 127.0.0.1 at a free port for user "tester" / "secret" (all
rights), prints the port on one line, and serves until it is terminated.
With --tls it is an explicit FTPS server (RFC 4217) that requires TLS on the
control and the data connections, with the given certificate and key.
pyftpdlib drops a data connection on which bytes arrive before it has handled
the transfer command; --early-data-tls lets the TLS handshake start then, as
curl starts it in passive mode (used by the benchmark that compares with curl).
"""
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def handler_class(args):
    if len(args) >= 3 and args[0] == "--tls":
        from pyftpdlib.handlers import TLS_FTPHandler

        handler = TLS_FTPHandler
        handler.certfile = args[1]
        handler.keyfile = args[2]
        handler.tls_control_required = True
        handler.tls_data_required = True
        if "--early-data-tls" in args[3:]:

            class EarlyHandshakeDTPHandler(handler.dtp_handler):
                def readable(self):
                    return self._ssl_accepting or super().readable()

            handler.dtp_handler = EarlyHandshakeDTPHandler
        return handler
    return FTPHandler


def main():
    logging.basicConfig(level=logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_user("tester", "secret", sys.argv[1], perm="elradfmwMT")
    handler = handler_class(sys.argv[2:])
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0  # answer a wrong password at once
    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
