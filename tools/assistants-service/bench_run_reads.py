#!/usr/bin/env python3
"""Load driver: requests per second the service answers for GET /v1/threads/{id}/runs/{id},
with a fresh connection per request and with keep-alive, in interleaved repetitions.

    python3 tools/assistants-service/bench_run_reads.py [--seconds 3] [--clients 4] [--reps 5]

It starts its own service on a free port with a temporary data folder. The clients are separate
processes speaking raw HTTP/1.1, so the driver adds little per request. Prints the median of
the repetitions for each mode. A measurement tool, not a test.
"""

import argparse
import json
import multiprocessing
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))


def _read_answer(sock, buffer):
    """Reads one answer; returns (status, rest of the buffer)."""
    while b"\r\n\r\n" not in buffer:
        piece = sock.recv(65536)
        if not piece:
            raise ConnectionError("closed")
        buffer += piece
    head, _, buffer = buffer.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value)
    while len(buffer) < length:
        piece = sock.recv(65536)
        if not piece:
            raise ConnectionError("closed")
        buffer += piece
    return int(head.split(b" ", 2)[1]), buffer[length:]


def _client(port, path, keep_alive, seconds, results):
    request = ("GET %s HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer bench\r\n"
               "OpenAI-Beta: assistants=v2\r\n%s\r\n"
               % (path, "" if keep_alive else "Connection: close\r\n")).encode("ascii")
    done = failed = 0
    deadline = time.monotonic() + seconds
    sock, buffer = None, b""
    while time.monotonic() < deadline:
        try:
            if sock is None:
                sock = socket.create_connection(("127.0.0.1", port))
                sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
                buffer = b""
            sock.sendall(request)
            status, buffer = _read_answer(sock, buffer)
            if status == 200:
                done += 1
            else:
                failed += 1
            if not keep_alive:
                sock.close()
                sock = None
        except OSError:
            failed += 1
            if sock is not None:
                sock.close()
            sock = None
    if sock is not None:
        sock.close()
    results.put((done, failed))


def measure(port, path, keep_alive, seconds, clients):
    results = multiprocessing.Queue()
    workers = [multiprocessing.Process(target=_client,
                                       args=(port, path, keep_alive, seconds, results))
               for _ in range(clients)]
    started = time.monotonic()
    for worker in workers:
        worker.start()
    totals = [results.get() for _ in workers]
    for worker in workers:
        worker.join()
    elapsed = time.monotonic() - started
    done = sum(t[0] for t in totals)
    failed = sum(t[1] for t in totals)
    return done / elapsed, failed


def _api(base, method, path, body=None):
    request = urllib.request.Request(base + path, method=method,
                                     data=json.dumps(body).encode() if body is not None else None,
                                     headers={"Authorization": "Bearer bench",
                                              "OpenAI-Beta": "assistants=v2",
                                              "Content-Type": "application/json"})
    with urllib.request.urlopen(request) as answer:
        return json.load(answer)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seconds", type=float, default=3.0)
    parser.add_argument("--clients", type=int, default=4)
    parser.add_argument("--reps", type=int, default=5)
    args = parser.parse_args()

    data_dir = tempfile.mkdtemp(prefix="ozk-bench-")
    service = subprocess.Popen([sys.executable, os.path.join(HERE, "service.py"), "--port", "0",
                                "--data-dir", data_dir], stdout=subprocess.PIPE, text=True)
    try:
        base = service.stdout.readline().split("listening on ", 1)[1].strip()
        port = int(base.rsplit(":", 1)[1])
        assistant = _api(base, "POST", "/v1/assistants", {"model": "gpt-4o"})
        thread = _api(base, "POST", "/v1/threads", {"messages": [
            {"role": "user", "content": "3x + 11 = 14"}]})
        run = _api(base, "POST", "/v1/threads/%s/runs" % thread["id"],
                   {"assistant_id": assistant["id"]})
        path = "/v1/threads/%s/runs/%s" % (thread["id"], run["id"])
        for _ in range(2):
            _api(base, "GET", path)
        rates = {"fresh connections": [], "keep-alive": []}
        failures = 0
        for _ in range(args.reps):  # interleaved, so drifting load hits both modes alike
            for mode in rates:
                rate, failed = measure(port, path, mode == "keep-alive", args.seconds,
                                       args.clients)
                rates[mode].append(rate)
                failures += failed
        print("GET /v1/threads/{id}/runs/{id}, %d clients, %d x %.1f s per mode, %d failures"
              % (args.clients, args.reps, args.seconds, failures))
        for mode, values in rates.items():
            print("  %-18s median %7.0f requests/s  (runs: %s)"
                  % (mode, statistics.median(values), ", ".join("%.0f" % v for v in values)))
    finally:
        service.terminate()
        service.wait(10)
        shutil.rmtree(data_dir, ignore_errors=True)


if __name__ == "__main__":
    main()
