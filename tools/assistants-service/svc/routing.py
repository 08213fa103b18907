"""Routing: requests and responses as the resource modules see them, and the route table.

Each resource family is one module with a `register(router)` function that adds its routes;
`register_all` below lists the modules, so a new family is one import and one line.
"""

import json
import re
import urllib.parse

from .errors import ApiError, bad_request

# Largest JSON body accepted; bigger bodies are refused before they are read.
MAX_JSON_BODY = 8 * 1024 * 1024


class Request:
    """One API request after the HTTP front has parsed its head.

    `path` is the API path below the version prefix ("/assistants/asst_1"), whatever URL form the
    client used; `body` is a reader over the body bytes that the handler consumes at most once.
    """

    def __init__(self, app, method, path, query, headers, body, azure=False):
        self.app = app
        self.method = method
        self.path = path
        self.query = query
        self.headers = headers
        self.body = body
        self.azure = azure
        self.params = {}
        self._json = None

    def header(self, name, default=None):
        return self.headers.get(name, default)

    def json(self, allowed=None, required=(), optional_body=True):
        """The body as a JSON object. Unknown members (not in `allowed`) and missing `required`
        ones are refused with 400; an empty body reads as {} when `optional_body`."""
        if self._json is None:
            self._json = self._read_json(optional_body)
        data = self._json
        if allowed is not None:
            for key in data:
                if key not in allowed:
                    raise bad_request("Unrecognized request argument supplied: %s" % key, key,
                                      "unknown_parameter")
        for key in required:
            if key not in data:
                raise bad_request("Missing required parameter: '%s'." % key, key,
                                  "missing_required_parameter")
        return data

    def _read_json(self, optional_body):
        size = self.body.declared_length()
        if size is not None and size > MAX_JSON_BODY:
            raise bad_request("The request body is too large (limit %d bytes)." % MAX_JSON_BODY)
        raw = self.body.read_all(MAX_JSON_BODY)
        if not raw.strip():
            if optional_body:
                return {}
            raise bad_request("We could not parse the JSON body of your request: the body is "
                              "empty.")
        try:
            data = json.loads(raw.decode("utf-8"))
        except (UnicodeDecodeError, ValueError, RecursionError):
            raise bad_request("We could not parse the JSON body of your request. (HINT: This "
                              "likely means you aren't using your HTTP library correctly. The "
                              "OpenAI API expects a JSON payload, but what was sent was not valid "
                              "JSON.)")
        if not isinstance(data, dict):
            raise bad_request("The JSON body of your request must be an object.")
        return data


class Response:
    """An answer: a JSON value, raw bytes, or a stream of byte chunks (server-sent events)."""

    def __init__(self, body=None, status=200, headers=None, content_type="application/json",
                 raw=None, stream=None, length=None):
        self.status = status
        self.headers = dict(headers or {})
        self.content_type = content_type
        self.stream = stream
        self.length = length  # of a stream with a known size, sent without chunking
        if raw is not None:
            self.raw = raw
        elif stream is None:
            self.raw = json.dumps(body, ensure_ascii=False, separators=(",", ":")).encode("utf-8")
        else:
            self.raw = None


def sse_event(event, data):
    """One server-sent event: an "event:" line and its data, JSON unless already text."""
    payload = data if isinstance(data, str) else json.dumps(data, ensure_ascii=False,
                                                            separators=(",", ":"))
    return ("event: %s\ndata: %s\n\n" % (event, payload)).encode("utf-8")


class Route:
    def __init__(self, method, pattern, handler, beta):
        self.method = method
        self.pattern = pattern
        self.handler = handler
        self.beta = beta
        parts = re.split(r"(\{\w+\})", pattern)
        regex = "".join("(?P<%s>[^/]+)" % part[1:-1] if part.startswith("{") else re.escape(part)
                        for part in parts)
        self.regex = re.compile("^" + regex + "$")


class Router:
    def __init__(self):
        self.routes = []

    def add(self, method, pattern, handler, beta=False):
        """Adds a route. `beta` routes need the "OpenAI-Beta: assistants=v2" header."""
        self.routes.append(Route(method, pattern, handler, beta))
        # Literal segments win over parameters: "/threads/runs" before "/threads/{thread_id}".
        self.routes.sort(key=lambda route: route.pattern.count("{"))

    def match(self, method, path):
        """The route and its path parameters, or an ApiError 404 naming the URL."""
        for route in self.routes:
            if route.method != method:
                continue
            found = route.regex.match(path)
            if found:
                return route, {k: urllib.parse.unquote(v) for k, v in found.groupdict().items()}
        raise ApiError(404, "Invalid URL (%s %s)" % (method, path))


def register_all(router):
    from . import (api_assistants, api_basic, api_files, api_fine_tunes, api_media, api_runs,
                   api_threads, api_vector_stores)
    from . import api_conversations, api_responses
    for module in (api_basic, api_media, api_files, api_fine_tunes, api_assistants, api_threads,
                   api_runs, api_vector_stores, api_responses, api_conversations):
        module.register(router)
