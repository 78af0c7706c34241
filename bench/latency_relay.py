#!/usr/bin/env python3
"""A TCP relay on loopback that makes a server look far away, over a poor link.

    bench/latency_relay.py --listen PORT --to PORT --round-trip-ms MS
                           [--up-kbit RATE] [--down-kbit RATE] [--cut-every S]

Every connection to 127.0.0.1:--listen is joined to a new connection to
127.0.0.1:--to. Bytes that arrive on one side at time t leave on the other at
t + MS/2, in both directions, so a request and its answer take MS longer than
they would directly. The delay is a pipe of fixed length, not a queue of
requests: bytes keep being read while earlier ones wait to be delivered, so a
stream of statements sent without waiting for answers pays the delay once, and
throughput is not limited by it. Any number of connections run at once.

A link of limited bandwidth: --up-kbit (client to server) and --down-kbit
(server to client) cap each direction in kilobits (1000 bits) per second.
Each direction is one link shared by all connections: its bytes are put on the
wire one after another, no faster than the rate, and arrive MS/2 after they
left it. The relay then holds no more than what the wire carries in MS/2 plus
a router's buffer of 64 KB per connection and direction; beyond that it stops
reading, so a sender that outruns the link waits, as it would on the real one.

A link that breaks: with --cut-every S, every S seconds from the start every
open connection is cut on both sides at once, abruptly (a reset, no orderly
close), and whatever was in flight is lost. New connections are accepted as
before.

The relay prints one line when it listens and runs until SIGTERM or SIGINT;
then it prints the bytes it carried in each direction:
    relay: carried UP bytes up, DOWN bytes down; N connections, C cut
Standard library only.
"""
import argparse
import asyncio
import collections
import signal
import socket
import struct
import sys

HOST = "127.0.0.1"
CHUNK = 256 * 1024
ROUTER_BUFFER = 64 * 1024
# Bytes paced as one piece: at most this many milliseconds of the rate, so
# that a large read does not arrive all at once at the end of its time.
SLICE_MS = 10


class Direction:
    """One direction of the link: its delay, its rate (None: unlimited) and
    the bytes it delivered."""

    def __init__(self, delay, kbit):
        self.delay = delay
        self.bytes_per_second = kbit * 125.0 if kbit else None
        self.wire_free_at = 0.0  # when the wire has sent everything given so far
        self.carried = 0

    def slices(self, data):
        if self.bytes_per_second is None:
            return [data]
        size = max(1460, int(self.bytes_per_second * SLICE_MS / 1000))
        return [data[i:i + size] for i in range(0, len(data), size)]

    def due(self, now, size):
        """When `size` bytes read at `now` arrive on the other side."""
        if self.bytes_per_second is None:
            return now + self.delay
        self.wire_free_at = max(now, self.wire_free_at) + size / self.bytes_per_second
        return self.wire_free_at + self.delay

    def backlog_limit(self):
        """The bytes held before reading stops; None: no limit."""
        if self.bytes_per_second is None:
            return None
        return int(self.bytes_per_second * self.delay) + ROUTER_BUFFER


async def pipe(reader, writer, direction):
    """Copies reader to writer through `direction`, then passes the end of the
    stream on (half-close) once the last bytes have arrived."""
    loop = asyncio.get_running_loop()
    in_flight = asyncio.Queue()
    held = 0  # bytes read and not yet delivered
    delivered = asyncio.Event()
    limit = direction.backlog_limit()

    async def deliver():
        nonlocal held
        while True:
            due, data = await in_flight.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if data is None:
                if writer.can_write_eof():
                    writer.write_eof()
                return
            writer.write(data)
            await writer.drain()
            held -= len(data)
            direction.carried += len(data)
            delivered.set()

    delivery = asyncio.create_task(deliver())
    try:
        while data := await reader.read(CHUNK):
            if delivery.done():  # the other side is gone: stop reading
                delivery.result()
                return
            for piece in direction.slices(data):
                in_flight.put_nowait((direction.due(loop.time(), len(piece)), piece))
            held += len(data)
            while limit is not None and held > limit:
                delivered.clear()
                waiter = asyncio.ensure_future(delivered.wait())
                await asyncio.wait((waiter, delivery), return_when=asyncio.FIRST_COMPLETED)
                waiter.cancel()
                if delivery.done():
                    delivery.result()
                    return
        in_flight.put_nowait((direction.due(loop.time(), 0), None))
        await delivery
    finally:
        delivery.cancel()


def reset(writer):
    """Closes the connection at once with a reset, dropping unsent bytes."""
    sock = writer.get_extra_info("socket")
    if sock is not None:
        try:
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        except OSError:
            pass
    writer.transport.abort()


class Relay:
    def __init__(self, target_port, up, down):
        self.target_port = target_port
        self.up = up
        self.down = down
        self.open = set()  # (tasks, writers) of each joined pair
        self.connections = 0
        self.cut = 0

    async def join(self, client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection(HOST, self.target_port)
        except OSError as error:
            print(f"relay: cannot reach {HOST}:{self.target_port}: {error}", file=sys.stderr)
            client_writer.close()
            return
        self.connections += 1
        directions = (
            asyncio.create_task(pipe(client_reader, server_writer, self.up)),
            asyncio.create_task(pipe(server_reader, client_writer, self.down)),
        )
        pair = (directions, (client_writer, server_writer))
        self.open.add(pair)
        try:
            # A reset on either side ends the pair; a clean close lets the
            # other direction finish delivering first.
            done, pending = await asyncio.wait(directions, return_when=asyncio.FIRST_EXCEPTION)
            for task in pending:
                task.cancel()
            await asyncio.gather(*directions, return_exceptions=True)
            for writer in pair[1]:
                writer.close()
        finally:
            self.open.discard(pair)

    def cut_all(self):
        for directions, writers in list(self.open):
            for task in directions:
                task.cancel()
            for writer in writers:
                reset(writer)
            self.cut += 1
        self.open.clear()
        # What was on the wire is lost with the connections.
        self.up.wire_free_at = self.down.wire_free_at = 0.0

    async def cut_every(self, seconds):
        while True:
            await asyncio.sleep(seconds)
            self.cut_all()


async def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--listen", type=int, required=True, help="port to listen on")
    parser.add_argument("--to", type=int, required=True, help="port of the server")
    parser.add_argument("--round-trip-ms", type=float, required=True,
                        help="delay added to a request and its answer together")
    parser.add_argument("--up-kbit", type=float, default=0,
                        help="rate from client to server in kbit/s (0: unlimited)")
    parser.add_argument("--down-kbit", type=float, default=0,
                        help="rate from server to client in kbit/s (0: unlimited)")
    parser.add_argument("--cut-every", type=float, default=0, metavar="S",
                        help="cut every open connection each S seconds (0: never)")
    args = parser.parse_args()
    delay = args.round_trip_ms / 2000.0
    relay = Relay(args.to, Direction(delay, args.up_kbit), Direction(delay, args.down_kbit))

    stop = asyncio.Event()
    loop = asyncio.get_running_loop()
    for signum in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(signum, stop.set)

    server = await asyncio.start_server(relay.join, HOST, args.listen)
    shape = [f"{args.round_trip_ms:g} ms round trip"]
    if args.up_kbit or args.down_kbit:
        shape.append(f"{args.up_kbit:g}/{args.down_kbit:g} kbit/s up/down (0: unlimited)")
    if args.cut_every:
        shape.append(f"cut every {args.cut_every:g} s")
    print(f"relay: {HOST}:{args.listen} -> {HOST}:{args.to}, {', '.join(shape)}", flush=True)
    cutter = asyncio.create_task(relay.cut_every(args.cut_every)) if args.cut_every else None
    async with server:
        await stop.wait()
        if cutter:
            cutter.cancel()
        print(f"relay: carried {relay.up.carried} bytes up, {relay.down.carried} bytes down; "
              f"{relay.connections} connections, {relay.cut} cut", flush=True)


if __name__ == "__main__":
    asyncio.run(main())
