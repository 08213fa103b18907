"""The HTTP front: a threaded HTTP/1.1 server that parses requests, maps the URL forms of the
OpenAI and Azure APIs onto one API path, authenticates, and writes the answers.

Bodies are never read whole here: handlers pull them through `BodyReader` in bounded pieces.
"""

import http.server
import socket
import socketserver
import ssl
import struct
import sys
import threading
import time
import urllib.parse

from .errors import ApiError, error_body
from .routing import Request, Response

# Largest body accepted at all; uploads stream to disk, so this bounds disk, not memory.
MAX_BODY = 512 * 1024 * 1024
# A body left unread by the handler is drained for keep-alive only up to this size.
MAX_DRAIN = 1024 * 1024
READ_PIECE = 64 * 1024
MAX_TRAILERS = 100


class ClientGone(Exception):
    """The client closed or stalled before sending the whole body."""


class BodyReader:
    """Reads a request body by Content-Length or chunked transfer coding, in bounded pieces."""

    def __init__(self, rfile, length, chunked):
        self._rfile = rfile
        self._length = length
        self._chunked = chunked
        self._left = length if length is not None else 0
        self._chunk_left = 0
        self._done = not chunked and not length
        self.consumed = 0

    def declared_length(self):
        return self._length

    def complete(self):
        return self._done

    def read(self, size=READ_PIECE):
        """Up to `size` bytes; b"" at the end of the body."""
        if self._done:
            return b""
        if self._chunked:
            data = self._read_chunked(size)
        else:
            data = self._raw(min(size, self._left))
            self._left -= len(data)
            if self._left == 0:
                self._done = True
        self.consumed += len(data)
        if self.consumed > MAX_BODY:
            raise ApiError(413, "The request body is larger than the limit of %d bytes." % MAX_BODY)
        return data

    def read_all(self, limit):
        """The whole body; refused with 400 past `limit` bytes."""
        parts, total = [], 0
        while True:
            piece = self.read()
            if not piece:
                return b"".join(parts)
            total += len(piece)
            if total > limit:
                raise ApiError(400, "The request body is too large (limit %d bytes)." % limit)
            parts.append(piece)

    def _raw(self, size):
        try:
            data = self._rfile.read1(size) if size else b""
        except (OSError, ValueError):
            raise ClientGone()
        if size and not data:
            raise ClientGone()
        return data

    def _line(self):
        try:
            line = self._rfile.readline(1026)
        except (OSError, ValueError):
            raise ClientGone()
        if not line.endswith(b"\n"):
            raise ClientGone()
        return line

    def _read_chunked(self, size):
        if self._chunk_left == 0:
            try:
                self._chunk_left = int(self._line().split(b";")[0].strip(), 16)
            except ValueError:
                raise ApiError(400, "Malformed chunked request body.")
            if self._chunk_left < 0:
                raise ApiError(400, "Malformed chunked request body.")
            if self._chunk_left == 0:
                for _ in range(MAX_TRAILERS + 1):
                    if not self._line().strip():
                        self._done = True
                        return b""
                raise ApiError(400, "Too many trailer fields in the chunked request body.")
        data = self._raw(min(size, self._chunk_left))
        self._chunk_left -= len(data)
        if self._chunk_left == 0 and self._line().strip():
            raise ApiError(400, "Malformed chunked request body.")
        return data


class HeadDeadlineReader:
    """The connection's reader, with one deadline for the request head (the idle wait before
    it included): a client trickling header bytes cannot keep its connection for ever. Body
    reads only have the per-read time-out, so slow but steady uploads go on."""

    def __init__(self, rfile, sock, timeout):
        self._rfile = rfile
        self._sock = sock
        self._timeout = timeout
        self._deadline = None

    def start_head(self):
        self._deadline = time.monotonic() + self._timeout

    def end_head(self):
        self._deadline = None
        self._sock.settimeout(self._timeout)

    def _arm(self):
        if self._deadline is not None:
            left = self._deadline - time.monotonic()
            if left <= 0:
                raise socket.timeout("request head not received in time")
            self._sock.settimeout(min(left, self._timeout))

    def readline(self, limit=-1):
        # Line by buffered pieces, so the deadline holds between the reads of one long line.
        parts, size = [], 0
        while limit < 0 or size < limit:
            self._arm()
            ahead = self._rfile.peek(1)
            if not ahead:
                break
            end = ahead.find(b"\n")
            take = len(ahead) if end < 0 else end + 1
            if limit >= 0:
                take = min(take, limit - size)
            piece = self._rfile.read(take)
            parts.append(piece)
            size += len(piece)
            if piece.endswith(b"\n"):
                break
        return b"".join(parts)

    def read(self, *args):
        self._arm()
        return self._rfile.read(*args)

    def read1(self, *args):
        self._arm()
        return self._rfile.read1(*args)

    def close(self):
        self._rfile.close()

    @property
    def closed(self):
        return self._rfile.closed


def split_target(target):
    """(API path, query dict, azure?) for the URL forms the service answers, or None.

    "/v1/..." is the OpenAI form; "/openai/deployments/{name}/..." and "/openai/..." the two
    Azure forms, "/openai/v1/..." Azure's v1 form (no "api-version"), and
    "/openai/images/generations:submit" Azure's image generation."""
    parts = urllib.parse.urlsplit(target)
    path = parts.path
    query = {}
    for key, value in urllib.parse.parse_qsl(parts.query, keep_blank_values=True):
        query.setdefault(key, value)
    if path == "/v1" or path.startswith("/v1/"):
        return path[3:] or "/", query, False
    if path.startswith("/openai/"):
        rest = path[len("/openai"):]
        if rest.startswith("/v1/"):
            rest = rest[len("/v1"):]
        elif rest.startswith("/deployments/"):
            _, _, after = rest[len("/deployments/"):].partition("/")
            rest = "/" + after
        if rest == "/images/generations:submit":
            rest = "/images/generations"
        return rest, query, True
    return None


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    # A request line too broken to name a version still gets a status line in its answer.
    default_request_version = "HTTP/1.0"
    server_version = "ozk-assistants-service/1"
    sys_version = ""

    def setup(self):
        self.timeout = self.server.app.config.client_timeout
        # Answers go out whole; Nagle's algorithm would hold back the tail of each one until
        # the client's delayed ACK, capping keep-alive connections at a few dozen answers/s.
        self.request.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        context = self.server.ssl_context
        if context is not None:
            self.request.settimeout(self.timeout)
            self.request = context.wrap_socket(self.request, server_side=True)
            self.connection = self.request
        super().setup()
        self.rfile = HeadDeadlineReader(self.rfile, self.connection, self.timeout)

    def handle_one_request(self):
        self.rfile.start_head()
        super().handle_one_request()

    def handle(self):
        if self.server.app.control.take_reset():
            # SO_LINGER with a zero time-out makes close() send a reset instead of a FIN.
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                       struct.pack("ii", 1, 0))
            # Closed here, before the server's own shutdown(SHUT_WR) would send a FIN ahead of
            # the reset (the client would then see an orderly close, not a reset).
            self.connection.close()
            self.close_connection = True
            return
        try:
            super().handle()
        except (ConnectionError, socket.timeout, ssl.SSLError, OSError):
            self.close_connection = True

    def log_message(self, format, *args):  # noqa: A002 - the base class's signature
        pass

    def send_error(self, code, message=None, explain=None):
        # Parse errors of the base class (bad request line, too many or too long headers)
        # answer in the service's error shape and end the connection.
        self.close_connection = True
        try:
            self._write(Response(raw=error_body(message or "Bad request", "invalid_request_error"),
                                 status=code))
        except (OSError, ClientGone):
            pass

    def do_GET(self):
        self._dispatch()

    do_POST = do_DELETE = do_PUT = do_PATCH = do_HEAD = do_OPTIONS = do_GET

    def _dispatch(self):
        self.rfile.end_head()
        app = self.server.app
        body = self._body_reader()
        if body is None:
            return
        response = None
        try:
            response = self._answer(app, body)
        except ApiError as error:
            response = Response(raw=error.body(), status=error.status, headers=error.headers)
            if error.status == 413:
                self.close_connection = True
        except ClientGone:
            self.close_connection = True
            return
        except Exception as error:  # never a stack trace on the wire
            print("assistants-service: internal error on %s %s: %r"
                  % (self.command, self.path, error), file=sys.stderr)
            response = Response(raw=error_body("The server had an error while processing your "
                                               "request.", "server_error"), status=500)
        finally:
            if not body.complete() and not self.close_connection:
                self._drain(body)
            if not self.path.startswith("/_control/"):
                size = body.consumed if body.complete() else max(body.consumed,
                                                                 body.declared_length() or 0)
                app.control.record(self.command, self.path, dict(self.headers.items()), size,
                                   response.status if response else 0)
        try:
            self._write(response)
        except ClientGone:
            self.close_connection = True

    def _body_reader(self):
        chunked = "chunked" in self.headers.get("Transfer-Encoding", "").lower()
        length = None
        if not chunked:
            raw = self.headers.get("Content-Length")
            if raw is not None:
                if not raw.strip().isdigit():
                    self.send_error(400, "Invalid Content-Length header.")
                    return None
                length = int(raw)
                if length > MAX_BODY:
                    self.send_error(413, "The request body is larger than the limit of %d bytes."
                                    % MAX_BODY)
                    return None
        return BodyReader(self.rfile, length, chunked)

    def _drain(self, body):
        length = body.declared_length()
        if body.consumed > MAX_DRAIN or (length is not None and length > MAX_DRAIN):
            self.close_connection = True
            return
        try:
            while body.read():
                if body.consumed > MAX_DRAIN:
                    self.close_connection = True
                    return
        except (ClientGone, ApiError):
            self.close_connection = True

    def _answer(self, app, body):
        if self.path.startswith("/_control/"):
            path = urllib.parse.urlsplit(self.path).path
            return app.control.handle(Request(app, self.command, path, {}, self.headers, body))
        split = split_target(self.path)
        if split is None:
            raise ApiError(404, "Invalid URL (%s %s)" % (self.command, self.path))
        path, query, azure = split
        if azure:
            # Azure's v1 form names no version; the dated forms must.
            if "api-version" not in query and not self.path.startswith("/openai/v1/"):
                raise ApiError(400, "Missing required query parameter 'api-version'.",
                               param="api-version", code="missing_api_version")
            query.pop("api-version", None)
        failure = app.control.take_failure()
        if failure is not None:
            raise failure
        self._authenticate(app, azure)
        route, params = app.router.match(self.command, path)
        if route.beta and "assistants=v2" not in self.headers.get("OpenAI-Beta", ""):
            raise ApiError(400, "You must provide the 'OpenAI-Beta' header to access the "
                                "Assistants API. Please try again by setting the header "
                                "'OpenAI-Beta: assistants=v2'.", code="invalid_beta")
        request = Request(app, self.command, path, query, self.headers, body, azure)
        request.params = params
        result = route.handler(request)
        return result if isinstance(result, Response) else Response(result)

    def _authenticate(self, app, azure):
        key = None
        auth = self.headers.get("Authorization", "")
        if auth[:7].lower() == "bearer ":
            key = auth[7:].strip()
        if azure and not key:
            key = self.headers.get("api-key", "").strip()
        if not key:
            raise ApiError(401, "You didn't provide an API key. You need to provide your API key "
                                "in an Authorization header using Bearer auth (i.e. "
                                "Authorization: Bearer YOUR_KEY)." if not azure else
                           "Access denied due to missing subscription key. Make sure to include "
                           "subscription key when making requests to an API.",
                           code="invalid_api_key" if not azure else "401")
        expected = app.config.api_key
        if expected and key != expected:
            raise ApiError(401, "Incorrect API key provided: %s." % mask_key(key),
                           code="invalid_api_key")

    def _write(self, response):
        try:
            self.send_response(response.status)
            self.send_header("Content-Type", response.content_type)
            for name, value in response.headers.items():
                self.send_header(name, value)
            if response.stream is None:
                self.send_header("Content-Length", str(len(response.raw)))
            elif response.length is not None:
                self.send_header("Content-Length", str(response.length))
            else:
                self.send_header("Transfer-Encoding", "chunked")
                self.send_header("Cache-Control", "no-cache")
            if self.close_connection:
                self.send_header("Connection", "close")
            if response.stream is None and self.command != "HEAD":
                # Head and body in one write (the base class buffers the head until flushed).
                self._headers_buffer.append(b"\r\n" + response.raw)
                self.flush_headers()
                return
            self.end_headers()
            if self.command == "HEAD":
                return
            if response.length is not None:
                for piece in response.stream:
                    self.wfile.write(piece)
            else:
                for piece in response.stream:
                    if piece:
                        self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
                        self.wfile.flush()
                self.wfile.write(b"0\r\n\r\n")
            self.wfile.flush()
        except (OSError, ValueError):
            raise ClientGone()


def mask_key(key):
    return key[:3] + "*" * max(0, len(key) - 7) + key[-4:] if len(key) > 8 else "***"


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 128

    def __init__(self, app, host, port, ssl_context=None, max_connections=256):
        self.app = app
        self.ssl_context = ssl_context
        # One thread per connection, so the number of connections is bounded; the ones beyond
        # get a 503 and are closed at once.
        self._slots = threading.BoundedSemaphore(max_connections)
        if ":" in host:
            self.address_family = socket.AF_INET6
        super().__init__((host, port), Handler)

    def process_request(self, request, client_address):
        if not self._slots.acquire(blocking=False):
            body = error_body("Too many connections; try again shortly.", "server_error")
            try:
                request.sendall(b"HTTP/1.1 503 Service Unavailable\r\nContent-Type: "
                                b"application/json\r\nContent-Length: %d\r\nRetry-After: 1\r\n"
                                b"Connection: close\r\n\r\n%s" % (len(body), body))
            except OSError:
                pass
            self.shutdown_request(request)
            return
        try:
            super().process_request(request, client_address)
        except BaseException:
            self._slots.release()
            raise

    def process_request_thread(self, request, client_address):
        try:
            super().process_request_thread(request, client_address)
        finally:
            self._slots.release()

    def server_bind(self):
        # HTTPServer.server_bind resolves the host name (getfqdn), slow and pointless here.
        socketserver.TCPServer.server_bind(self)
        self.server_name, self.server_port = self.server_address[:2]

    def handle_error(self, request, client_address):
        pass  # a broken connection or handshake ends that connection only
