"""A pyftpdlib server for the FTP client tests and benchmarks.

Usage: ftp_server.py ROOT [--tls CERTFILE KEYFILE [--early-data-tls]] [--rtt-ms=N]
Serves ROOT on 127.0.0.1 at a free port for user "tester" / "secret" (all
rights), prints the port on one line, and serves until it is terminated.
With --tls it is an explicit FTPS server (RFC 4217) that requires TLS on the
control and the data connections, with the given certificate and key.
pyftpdlib drops a data connection on which bytes arrive before it has handled
the transfer command; --early-data-tls lets the TLS handshake start then, as
curl starts it in passive mode (used by the benchmark that compares with curl).
With --rtt-ms=N the port printed is that of a proxy (latency_proxy.py) that
delays everything between client and server as a link with an N ms round-trip
time would; clients must then use passive mode.
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
    args = [arg for arg in sys.argv[2:] if not arg.startswith("--rtt-ms=")]
    rtt_ms = [int(arg[9:]) for arg in sys.argv[2:] if arg.startswith("--rtt-ms=")]
    authorizer = DummyAuthorizer()
    authorizer.add_user("tester", "secret", sys.argv[1], perm="elradfmwMT")
    handler = handler_class(args)
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0  # answer a wrong password at once
    server = FTPServer(("127.0.0.1", 0), handler)
    port = server.socket.getsockname()[1]
    if rtt_ms:
        import latency_proxy

        port = latency_proxy.start_in_thread(port, rtt_ms[-1])
    print(port, flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
