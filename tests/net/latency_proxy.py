"""A proxy in front of an FTP server that makes loopback behave like a link with a
given round-trip time, for the benchmarks that compare FTP clients at a distance.

Every byte, in either direction and on every connection, reaches the other side
half the round-trip time after it was sent, and an end of stream the same: the
delay is a latency, not a pause per message, so a client that sends several
commands without waiting gains what it would gain on a real link. A new
connection reaches the server one and a half round trips after the client
opened it, as a TCP handshake would bring it (SYN, SYN-ACK, ACK). Passive
replies (227, 229) are rewritten to a port of the proxy, so the data
connections cross the same delay; active mode (PORT, EPRT) is not proxied, so
clients measured through it must use passive mode. Bandwidth and TCP slow start
are not emulated.

Run as a program it stands in front of any TCP server (an SSH server, say), with
nothing rewritten, and prints its port:  latency_proxy.py UPSTREAM_PORT RTT_MS
"""
import asyncio
import re
import sys
import threading
import time

PASV_REPLY = re.compile(rb"^227 .*?(\d+),(\d+),(\d+),(\d+),(\d+),(\d+)")
EPSV_REPLY = re.compile(rb"^229 .*\(\|\|\|(\d+)\|\)")


class _DelayedStream:
    """Copies one direction of a connection, each chunk delivered `delay` seconds after
    it was read. `rewrite`, when given, takes each complete line and returns it changed."""

    def __init__(self, reader, writer, delay, rewrite=None):
        self.reader = reader
        self.writer = writer
        self.delay = delay
        self.rewrite = rewrite
        self.queue = asyncio.Queue()

    async def run(self):
        await asyncio.gather(self._read(), self._deliver())

    async def _read(self):
        pending = b""
        try:
            while True:
                chunk = await self.reader.read(65536)
                if not chunk:
                    break
                if self.rewrite is None:
                    self.queue.put_nowait((time.monotonic() + self.delay, chunk))
                    continue
                pending += chunk
                *lines, pending = pending.split(b"\n")
                if lines:
                    data = b"".join([await self.rewrite(line + b"\n") for line in lines])
                    self.queue.put_nowait((time.monotonic() + self.delay, data))
        except (ConnectionError, OSError):
            pass
        if pending:
            self.queue.put_nowait((time.monotonic() + self.delay, pending))
        self.queue.put_nowait((time.monotonic() + self.delay, None))

    async def _deliver(self):
        try:
            while True:
                due, chunk = await self.queue.get()
                wait = due - time.monotonic()
                if wait > 0:
                    await asyncio.sleep(wait)
                if chunk is None:
                    if self.writer.can_write_eof():
                        self.writer.write_eof()
                    await self.writer.drain()
                    return
                self.writer.write(chunk)
                await self.writer.drain()
        except (ConnectionError, OSError):
            pass


class LatencyProxy:
    def __init__(self, upstream_port, rtt_ms, host="127.0.0.1", ftp=True):
        self.host = host
        self.upstream_port = upstream_port
        self.one_way = rtt_ms / 2000.0
        self.ftp = ftp

    async def start(self):
        server = await asyncio.start_server(self._control, self.host, 0)
        return server.sockets[0].getsockname()[1]

    async def _pipe(self, client_reader, client_writer, upstream_port, rewrite=None):
        # The server sees the connection after the handshake's three half round trips.
        await asyncio.sleep(3 * self.one_way)
        try:
            server_reader, server_writer = await asyncio.open_connection(
                self.host, upstream_port)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(
            _DelayedStream(client_reader, server_writer, self.one_way).run(),
            _DelayedStream(server_reader, client_writer, self.one_way, rewrite).run())
        for writer in (client_writer, server_writer):
            writer.close()

    async def _control(self, reader, writer):
        if not self.ftp:
            await self._pipe(reader, writer, self.upstream_port)
            return
        listeners = []

        async def rewrite(line):
            match = PASV_REPLY.match(line)
            if match:
                port = int(match.group(5)) * 256 + int(match.group(6))
                ours = await self._data_listener(port, listeners)
                return b"227 Entering passive mode (%s,%d,%d).\r\n" % (
                    self.host.replace(".", ",").encode(), ours // 256, ours % 256)
            match = EPSV_REPLY.match(line)
            if match:
                ours = await self._data_listener(int(match.group(1)), listeners)
                return b"229 Entering extended passive mode (|||%d|).\r\n" % ours
            return line

        try:
            await self._pipe(reader, writer, self.upstream_port, rewrite)
        finally:
            for listener in listeners:
                listener.close()

    # A listener for the one data connection of a passive reply; the one before it on the
    # same session is no longer wanted.
    async def _data_listener(self, upstream_port, listeners):
        for listener in listeners:
            listener.close()
        listeners.clear()

        async def accept(reader, writer):
            listener.close()
            await self._pipe(reader, writer, upstream_port)

        listener = await asyncio.start_server(accept, self.host, 0)
        listeners.append(listener)
        return listener.sockets[0].getsockname()[1]


def start_in_thread(upstream_port, rtt_ms, ftp=True):
    """Runs a proxy to `upstream_port` on a thread of its own; returns its port."""
    loop = asyncio.new_event_loop()
    threading.Thread(target=loop.run_forever, daemon=True).start()
    return asyncio.run_coroutine_threadsafe(
        LatencyProxy(upstream_port, rtt_ms, ftp=ftp).start(), loop).result()


if __name__ == "__main__":
    print(start_in_thread(int(sys.argv[1]), int(sys.argv[2]), ftp=False), flush=True)
    threading.Event().wait()
