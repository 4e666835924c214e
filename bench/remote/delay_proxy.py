#!/usr/bin/env python3
"""A loopback TCP proxy that holds every chunk for DELAY_MS in each direction,
so that a server on this machine answers as one in the next building would.

  delay_proxy.py LISTEN_PORT TARGET_PORT DELAY_MS [LIFETIME_S]

Listens on 127.0.0.1 only and forwards to 127.0.0.1:TARGET_PORT. Order within
a connection is kept; the delay is added to each chunk's arrival time, not
queued behind the previous chunk's delay, so bandwidth is not throttled. It
stops by itself after LIFETIME_S seconds (default 1800) or when its parent
goes away, and refuses more than 256 connections at once.
"""
import asyncio
import os
import sys

MAX_CONNECTIONS = 256


async def pump(reader, writer, delay):
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def sender():
        while True:
            due, data = await queue.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if data is None:
                break
            writer.write(data)
            await writer.drain()
        try:
            writer.write_eof()
        except (OSError, RuntimeError):
            pass

    task = asyncio.create_task(sender())
    try:
        while True:
            data = await reader.read(65536)
            if not data:
                break
            queue.put_nowait((loop.time() + delay, data))
    except (ConnectionError, OSError):
        pass
    queue.put_nowait((loop.time() + delay, None))
    try:
        await task
    except (ConnectionError, OSError):
        pass


async def main():
    listen_port, target_port = int(sys.argv[1]), int(sys.argv[2])
    delay = float(sys.argv[3]) / 1000.0
    lifetime = float(sys.argv[4]) if len(sys.argv) > 4 else 1800.0
    active = 0
    parent = os.getppid()

    async def handle(client_reader, client_writer):
        nonlocal active
        if active >= MAX_CONNECTIONS:
            client_writer.close()
            return
        active += 1
        try:
            server_reader, server_writer = await asyncio.open_connection("127.0.0.1", target_port)
        except OSError:
            active -= 1
            client_writer.close()
            return
        try:
            await asyncio.gather(pump(client_reader, server_writer, delay),
                                 pump(server_reader, client_writer, delay))
        finally:
            active -= 1
            for w in (client_writer, server_writer):
                try:
                    w.close()
                except OSError:
                    pass

    server = await asyncio.start_server(handle, "127.0.0.1", listen_port)
    print("ready", flush=True)
    loop = asyncio.get_running_loop()
    end = loop.time() + lifetime
    async with server:
        while loop.time() < end and os.getppid() == parent:
            await asyncio.sleep(0.5)


if __name__ == "__main__":
    asyncio.run(main())
