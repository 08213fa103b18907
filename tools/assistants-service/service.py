#!/usr/bin/env python3
"""The bundled local assistants service: answers the assistants API (and the rest of the
client's catalogue) deterministically, offline, from a SQLite data folder.

    python3 service.py --port 0 [--host 127.0.0.1] [--data-dir DIR] [--api-key KEY]
                       [--run-polls N] [--tls-cert FILE --tls-key FILE] [--request-log FILE]
                       [--no-conversations] [--fail-every N [--fail-status S]] [--reset-every M]

When ready it prints one line, "listening on http://HOST:PORT", and stops cleanly on SIGTERM or
SIGINT.
"""

import argparse
import os
import signal
import ssl
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from svc.control import Control  # noqa: E402
from svc.http_front import Server  # noqa: E402
from svc.retrieval import LineIndex  # noqa: E402
from svc.routing import Router, register_all  # noqa: E402
from svc.storage import Store  # noqa: E402


class Config:
    def __init__(self, args):
        self.api_key = args.api_key
        self.run_polls = max(1, args.run_polls)
        self.poll_after_ms = args.poll_after_ms
        self.client_timeout = args.client_timeout
        self.conversations = not args.no_conversations


class App:
    """Everything a request handler reaches through `req.app`."""

    def __init__(self, config, data_dir, request_log):
        self.config = config
        self.store = Store(data_dir)
        self.index = LineIndex()
        self.control = Control(request_log)
        self.router = Router()
        register_all(self.router)

    def close(self):
        self.store.close()
        self.control.close()


def parse_args(argv):
    parser = argparse.ArgumentParser(description="Local assistants service.")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--data-dir", default=os.path.join(os.getcwd(), "assistants-data"))
    parser.add_argument("--api-key", default=None,
                        help="the one key to accept (default: any non-empty key)")
    parser.add_argument("--run-polls", type=int, default=2,
                        help="a run completes at this status read (default 2)")
    parser.add_argument("--poll-after-ms", type=int, default=50)
    parser.add_argument("--client-timeout", type=float, default=30.0,
                        help="seconds a connection may stay silent")
    parser.add_argument("--max-connections", type=int, default=256,
                        help="connections served at once; more get 503")
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    parser.add_argument("--request-log")
    parser.add_argument("--no-conversations", action="store_true",
                        help='answer every "/conversations" path with 404, as servers without '
                             'the Conversations API do')
    parser.add_argument("--fail-every", type=int, default=0,
                        help="answer every N-th API request with --fail-status (0: never)")
    parser.add_argument("--fail-status", type=int, default=500)
    parser.add_argument("--reset-every", type=int, default=0,
                        help="reset every M-th connection before it is read (0: never)")
    args = parser.parse_args(argv)
    if args.fail_every < 0 or args.reset_every < 0:
        parser.error("--fail-every and --reset-every are not negative")
    if not 400 <= args.fail_status <= 599:
        parser.error("--fail-status is an HTTP error status (400-599)")
    if bool(args.tls_cert) != bool(args.tls_key):
        parser.error("--tls-cert and --tls-key go together")
    return args


def main(argv=None):
    args = parse_args(argv if argv is not None else sys.argv[1:])
    os.makedirs(args.data_dir, exist_ok=True)
    context = None
    if args.tls_cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls_cert, args.tls_key)
    app = App(Config(args), args.data_dir, args.request_log)
    app.control.set_faults(args.fail_every, args.fail_status, args.reset_every)
    server = Server(app, args.host, args.port, context, max(1, args.max_connections))

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    serving = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2},
                               daemon=True)
    serving.start()

    host, port = server.server_address[:2]
    shown = "[%s]" % host if ":" in host else host
    print("listening on %s://%s:%d" % ("https" if context else "http", shown, port), flush=True)
    while not stop.wait(0.5):
        pass
    server.shutdown()
    server.server_close()
    app.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
