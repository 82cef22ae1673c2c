"""stalling_ftp_server.py ROOT STORES: serves ROOT as tests/net/ftp_server.py does, but
answers nothing more once STORES files were stored (with 0, it never even greets)."""
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class StallingHandler(FTPHandler):
    stores_left = 0
    stalled = False

    def handle(self):
        if StallingHandler.stores_left > 0:
            super().handle()

    def process_command(self, cmd, *args, **kwargs):
        if cmd == "STOR":
            if StallingHandler.stores_left <= 0:
                self.stalled = True
            StallingHandler.stores_left -= 1
        if not self.stalled:
            super().process_command(cmd, *args, **kwargs)


def main():
    logging.basicConfig(level=logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_user("tester", "secret", sys.argv[1], perm="elradfmwMT")
    StallingHandler.authorizer = authorizer
    StallingHandler.stores_left = int(sys.argv[2])
    server = FTPServer(("127.0.0.1", 0), StallingHandler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
