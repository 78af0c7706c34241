#!/usr/bin/env python3
"""A TCP relay on loopback that makes a server look far away.

    bench/latency_relay.py --listen PORT --to PORT --round-trip-ms MS

Every connection to 127.0.0.1:--listen is joined to a new connection to
127.0.0.1:--to. Bytes that arrive on one side at time t leave on the other at
t + MS/2, in both directions, so a request and its answer take MS longer than
they would directly. The delay is a pipe of fixed length, not a queue of
requests: bytes keep being read while earlier ones wait to be delivered, so a
stream of statements sent without waiting for answers pays the delay once, and
throughput is not limited by it. Any number of connections run at once.

The relay prints one line when it listens and runs until SIGTERM or SIGINT.
Standard library only.
"""
import argparse
import asyncio
import signal
import sys

HOST = "127.0.0.1"
CHUNK = 256 * 1024


async def pipe(reader, writer, delay):
    """Copies reader to writer, each chunk `delay` seconds after it arrived,
    then passes the end of the stream on (half-close) after the same delay."""
    loop = asyncio.get_running_loop()
    in_flight = asyncio.Queue()

    async def deliver():
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

    delivery = asyncio.create_task(deliver())
    try:
        while data := await reader.read(CHUNK):
            if delivery.done():  # the other side is gone: stop reading
                delivery.result()
                return
            in_flight.put_nowait((loop.time() + delay, data))
        in_flight.put_nowait((loop.time() + delay, None))
        await delivery
    finally:
        delivery.cancel()


async def relay(client_reader, client_writer, target_port, delay):
    try:
        server_reader, server_writer = await asyncio.open_connection(HOST, target_port)
    except OSError as error:
        print(f"relay: cannot reach {HOST}:{target_port}: {error}", file=sys.stderr)
        client_writer.close()
        return
    directions = [
        asyncio.create_task(pipe(client_reader, server_writer, delay)),
        asyncio.create_task(pipe(server_reader, client_writer, delay)),
    ]
    # A reset on either side ends the pair; a clean close lets the other
    # direction finish delivering first.
    done, pending = await asyncio.wait(directions, return_when=asyncio.FIRST_EXCEPTION)
    for task in pending:
        task.cancel()
    await asyncio.gather(*directions, return_exceptions=True)
    for writer in (client_writer, server_writer):
        writer.close()


async def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--listen", type=int, required=True, help="port to listen on")
    parser.add_argument("--to", type=int, required=True, help="port of the server")
    parser.add_argument("--round-trip-ms", type=float, required=True,
                        help="delay added to a request and its answer together")
    args = parser.parse_args()
    delay = args.round_trip_ms / 2000.0

    stop = asyncio.Event()
    loop = asyncio.get_running_loop()
    for signum in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(signum, stop.set)

    server = await asyncio.start_server(
        lambda r, w: relay(r, w, args.to, delay), HOST, args.listen)
    print(f"relay: {HOST}:{args.listen} -> {HOST}:{args.to}, "
          f"{args.round_trip_ms:g} ms round trip", flush=True)
    async with server:
        await stop.wait()


if __name__ == "__main__":
    asyncio.run(main())
