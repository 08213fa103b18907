"""Test controls: injected failures, connection resets, streams cut short and the log of
received requests.

Besides the one-off failures and resets ("/_control/fail", "/_control/reset") a periodic fault
mode fails every n-th API request and resets every m-th connection, for soak runs: counted
deterministically, so one in twenty is exactly the 20th, 40th, ... request.

The controls live under "/_control/", need no key and are not API requests themselves.
"""

import json
import threading

from .errors import ApiError, bad_request
from .routing import Response

MAX_KEPT_REQUESTS = 10000
MASKED_HEADERS = ("authorization", "api-key")


def mask_header(name, value):
    if name.lower() not in MASKED_HEADERS:
        return value
    scheme, _, secret = value.partition(" ")
    if secret and scheme.lower() == "bearer":
        return scheme + " ***"
    return "***"


class Control:
    def __init__(self, request_log_path=None):
        self._lock = threading.Lock()
        self._fail_status = 0
        self._fail_count = 0
        self._fail_retry_after = 1
        self._resets = 0
        self._stream_cut = None
        # The periodic faults: 0 turns one off. The counters start again when they are set.
        self._fail_every = 0
        self._fail_every_status = 500
        self._reset_every = 0
        self._requests_seen = 0
        self._connections_seen = 0
        self._requests = []
        self._log = open(request_log_path, "a", encoding="utf-8") if request_log_path else None

    def close(self):
        with self._lock:
            if self._log:
                self._log.close()
                self._log = None

    def take_failure(self):
        """The ApiError that the next API request answers with, or None."""
        with self._lock:
            self._requests_seen += 1
            if self._fail_count > 0:
                self._fail_count -= 1
                status, retry_after = self._fail_status, self._fail_retry_after
            elif self._fail_every and self._requests_seen % self._fail_every == 0:
                status, retry_after = self._fail_every_status, 1
            else:
                return None
        headers = {"retry-after": str(retry_after)} if status == 429 else {}
        message = "Rate limit reached for requests." if status == 429 else \
            "The server had an error while processing your request. (injected failure)"
        return ApiError(status, message, code="rate_limit_exceeded" if status == 429 else None,
                        headers=headers)

    def take_reset(self):
        with self._lock:
            self._connections_seen += 1
            if self._resets > 0:
                self._resets -= 1
                return True
            return bool(self._reset_every) and self._connections_seen % self._reset_every == 0

    def set_faults(self, fail_every=0, status=500, reset_every=0):
        """Fails every fail_every-th API request with status and resets every reset_every-th
        connection from now on; 0 turns either off."""
        if not 400 <= status <= 599:
            raise bad_request("status must be an HTTP error status (400-599).", "status")
        with self._lock:
            self._fail_every, self._fail_every_status = fail_every, status
            self._reset_every = reset_every
            self._requests_seen = self._connections_seen = 0

    def faults(self):
        with self._lock:
            return {"fail_every": self._fail_every, "status": self._fail_every_status,
                    "reset_every": self._reset_every, "requests": self._requests_seen,
                    "connections": self._connections_seen}

    def take_stream_cut(self):
        """After how many events the next streamed response is cut off, or None."""
        with self._lock:
            cut, self._stream_cut = self._stream_cut, None
            return cut

    def record(self, method, target, headers, body_size, status):
        entry = {"method": method, "path": target,
                 "headers": {k: mask_header(k, v) for k, v in headers.items()},
                 "body_size": body_size, "status": status}
        with self._lock:
            self._requests.append(entry)
            if len(self._requests) > MAX_KEPT_REQUESTS:
                del self._requests[: len(self._requests) - MAX_KEPT_REQUESTS]
            if self._log:
                self._log.write(json.dumps(entry, ensure_ascii=False) + "\n")
                self._log.flush()

    def handle(self, req):
        """Answers one "/_control/..." request."""
        if req.method == "POST" and req.path == "/_control/fail":
            body = req.json(allowed=("status", "count", "retry_after"))
            status = _int_member(body, "status", 500)
            if not 400 <= status <= 599:
                raise bad_request("status must be an HTTP error status (400-599).", "status")
            with self._lock:
                self._fail_status = status
                self._fail_count = _int_member(body, "count", 1)
                self._fail_retry_after = _int_member(body, "retry_after", 1)
            return Response({"ok": True})
        if req.method == "POST" and req.path == "/_control/faults":
            body = req.json(allowed=("fail_every", "status", "reset_every"))
            self.set_faults(_int_member(body, "fail_every", 0), _int_member(body, "status", 500),
                            _int_member(body, "reset_every", 0))
            return Response(dict(self.faults(), ok=True))
        if req.method == "GET" and req.path == "/_control/faults":
            return Response(self.faults())
        if req.method == "POST" and req.path == "/_control/reset":
            body = req.json(allowed=("count",))
            with self._lock:
                self._resets = _int_member(body, "count", 1)
            return Response({"ok": True})
        if req.method == "POST" and req.path == "/_control/cut_stream":
            body = req.json(allowed=("after_events",))
            with self._lock:
                self._stream_cut = _int_member(body, "after_events", 3)
            return Response({"ok": True})
        if req.method == "GET" and req.path == "/_control/requests":
            with self._lock:
                return Response({"object": "list", "data": list(self._requests)})
        if req.method == "DELETE" and req.path == "/_control/requests":
            with self._lock:
                self._requests.clear()
            return Response({"ok": True})
        raise ApiError(404, "Invalid URL (%s %s)" % (req.method, req.path))


def _int_member(body, name, default):
    value = body.get(name, default)
    if not isinstance(value, int) or isinstance(value, bool) or value < 0:
        raise bad_request("%s must be a non-negative integer." % name, name)
    return value
