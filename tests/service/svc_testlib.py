"""Test support for the bundled assistants service: a started service process, an HTTP client
that validates every JSON answer against the API description, and raw-socket helpers."""

import http.client
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import unittest
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
SERVICE = os.path.join(REPO, "tools", "assistants-service", "service.py")
# The service's public API description with its prose (descriptions, summaries, examples) left
# out: only the schemas and paths that the checker reads.
API_DESCRIPTION = os.path.join(HERE, "openapi-subset.json")
START_TIMEOUT = 30
BETA = {"OpenAI-Beta": "assistants=v2"}


class Service:
    """The service as a child process on a fresh port and data folder."""

    def __init__(self, *args, data_dir=None, keep_data=False):
        self.owns_data = data_dir is None
        self.data_dir = data_dir or tempfile.mkdtemp(prefix="ozk-svc-test-")
        self.keep_data = keep_data
        # Standard error goes to a file: a pipe nobody reads could fill and stall the service.
        self.stderr = tempfile.TemporaryFile(mode="w+")
        self.proc = subprocess.Popen(
            [sys.executable, SERVICE, "--port", "0", "--data-dir", self.data_dir] + list(args),
            stdout=subprocess.PIPE, stderr=self.stderr, text=True)
        line = _read_line(self.proc, START_TIMEOUT)
        if not line.startswith("listening on "):
            self.stop()
            raise RuntimeError("service did not start: %r %s" % (line, self.errors))
        self.base_url = line[len("listening on "):].strip()
        self.port = int(self.base_url.rsplit(":", 1)[1])

    def stop(self, sig=signal.SIGTERM):
        """Stops the process (bounded) and returns its exit code."""
        if self.proc.poll() is None:
            self.proc.send_signal(sig)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(10)
        if self.proc.stdout:
            self.proc.stdout.close()
        self.stderr.seek(0)
        self.errors = self.stderr.read()
        self.stderr.close()
        if self.owns_data and not self.keep_data:
            shutil.rmtree(self.data_dir, ignore_errors=True)
        return self.proc.returncode


def _read_line(proc, timeout):
    import selectors
    selector = selectors.DefaultSelector()
    selector.register(proc.stdout, selectors.EVENT_READ)
    try:
        if not selector.select(timeout):
            return ""
        return proc.stdout.readline()
    finally:
        selector.close()


# Validation against the API description.

class SchemaError(AssertionError):
    pass


class ApiDescription:
    _instance = None

    @classmethod
    def get(cls):
        if cls._instance is None:
            cls._instance = cls()
        return cls._instance

    def __init__(self):
        with open(API_DESCRIPTION, encoding="utf-8") as handle:
            self.doc = json.load(handle)
        self.schemas = self.doc["components"]["schemas"]
        self.paths = []
        for template, item in self.doc["paths"].items():
            regex = "^" + re.sub(r"\\\{\w+\\\}", "[^/]+", re.escape(template)) + "$"
            self.paths.append((re.compile(regex), template, item))
        # Literal templates first, as the service routes them.
        self.paths.sort(key=lambda entry: entry[1].count("{"))
        self.validated = 0

    def response_schema(self, method, path):
        for regex, _, item in self.paths:
            if regex.match(path) and method.lower() in item:
                content = item[method.lower()].get("responses", {}).get("200", {}).get(
                    "content", {})
                if "application/json" in content:
                    return content["application/json"].get("schema")
                return None
        return None

    def schema(self, name):
        return self.schemas[name]

    def validate(self, value, schema, where="$"):
        self.validated += 1
        _validate(self, value, schema, where)


def _resolve(api, schema):
    while "$ref" in schema:
        schema = api.schemas[schema["$ref"].rsplit("/", 1)[1]]
    return schema


def _type_ok(value, kind):
    if kind == "null":
        return value is None
    if kind == "boolean":
        return isinstance(value, bool)
    if kind == "integer":
        return isinstance(value, int) and not isinstance(value, bool)
    if kind == "number":
        return isinstance(value, (int, float)) and not isinstance(value, bool)
    if kind == "string":
        return isinstance(value, str)
    if kind == "array":
        return isinstance(value, list)
    if kind == "object":
        return isinstance(value, dict)
    return True


def _validate(api, value, schema, where):
    schema = _resolve(api, schema)
    # OpenAPI 3.0: "nullable: true" means "or null", also inside allOf.
    if value is None and (schema.get("nullable") or any(
            _resolve(api, part).get("nullable") for part in schema.get("allOf", []))):
        return
    if "anyOf" in schema or "oneOf" in schema:
        options = schema.get("anyOf", []) + schema.get("oneOf", [])
        errors = []
        for option in options:
            try:
                _validate(api, value, option, where)
                break
            except SchemaError as error:
                errors.append(str(error))
        else:
            raise SchemaError("%s matches none of the alternatives: %s" % (where,
                                                                          "; ".join(errors)))
    for part in schema.get("allOf", []):
        if _resolve(api, part).keys() <= {"nullable"}:
            continue
        _validate(api, value, part, where)
    kinds = schema.get("type")
    if kinds is not None:
        kinds = kinds if isinstance(kinds, list) else [kinds]
        if not any(_type_ok(value, k) for k in kinds):
            raise SchemaError("%s: expected %s, got %r" % (where, "/".join(kinds), value))
    if "enum" in schema and value not in schema["enum"]:
        raise SchemaError("%s: %r is not one of %r" % (where, value, schema["enum"]))
    if isinstance(value, (int, float)) and not isinstance(value, bool):
        if "minimum" in schema and value < schema["minimum"]:
            raise SchemaError("%s: %r below minimum %r" % (where, value, schema["minimum"]))
        if "maximum" in schema and value > schema["maximum"]:
            raise SchemaError("%s: %r above maximum %r" % (where, value, schema["maximum"]))
    if isinstance(value, dict):
        props = schema.get("properties", {})
        for name in schema.get("required", []):
            if name not in value:
                raise SchemaError("%s: required member %r missing" % (where, name))
        for name, item in value.items():
            if name in props:
                _validate(api, item, props[name], "%s.%s" % (where, name))
            elif schema.get("additionalProperties") is False:
                raise SchemaError("%s: member %r not allowed" % (where, name))
            elif isinstance(schema.get("additionalProperties"), dict):
                _validate(api, item, schema["additionalProperties"], "%s.%s" % (where, name))
    if isinstance(value, list) and "items" in schema:
        for index, item in enumerate(value):
            _validate(api, item, schema["items"], "%s[%d]" % (where, index))


STREAM_SCHEMAS = (("thread.run.step.", "RunStepObject"), ("thread.run.", "RunObject"),
                  ("thread.message.", "MessageObject"))


def validate_event(event, data):
    """Validates the data of one assistants stream event (deltas have no schema here)."""
    if event.endswith(".delta") or event == "done":
        return
    for prefix, name in STREAM_SCHEMAS:
        if event.startswith(prefix):
            api = ApiDescription.get()
            api.validate(data, api.schema(name), event)
            return
    raise SchemaError("unknown stream event %r" % event)


# HTTP client.

class Answer:
    def __init__(self, status, headers, raw):
        self.status = status
        self.headers = headers
        self.raw = raw
        self._json = None

    def header(self, name):
        return self.headers.get(name.lower())

    @property
    def json(self):
        if self._json is None:
            self._json = json.loads(self.raw.decode("utf-8"))
        return self._json


class Client:
    """Requests to one service; every JSON answer is checked against the API description (error
    answers against its error shape) unless `validate=False`."""

    def __init__(self, service, key="test-key", prefix="/v1", azure=False):
        self.service = service
        self.key = key
        self.prefix = prefix
        self.azure = azure
        self.api_version = "2024-05-01-preview"

    def url(self, path):
        target = self.prefix + path
        if self.azure:
            target += ("&" if "?" in target else "?") + "api-version=" + self.api_version
        return target

    def request(self, method, path, body=None, headers=None, beta=True, validate=True,
                raw_body=None, content_type=None):
        all_headers = {}
        if self.key:
            if self.azure:
                all_headers["api-key"] = self.key
            else:
                all_headers["Authorization"] = "Bearer " + self.key
        if beta:
            all_headers.update(BETA)
        payload = raw_body
        if body is not None:
            payload = json.dumps(body).encode("utf-8")
            all_headers["Content-Type"] = "application/json"
        if content_type:
            all_headers["Content-Type"] = content_type
        all_headers.update(headers or {})
        conn = http.client.HTTPConnection("127.0.0.1", self.service.port, timeout=30)
        try:
            conn.request(method, self.url(path), body=payload, headers=all_headers)
            response = conn.getresponse()
            raw = response.read()
            answer = Answer(response.status, {k.lower(): v for k, v in response.getheaders()},
                            raw)
        finally:
            conn.close()
        if validate and answer.header("content-type") == "application/json":
            api = ApiDescription.get()
            if answer.status >= 400:
                api.validate(answer.json, api.schema("ErrorResponse"), "error answer")
            else:
                schema = api.response_schema(method, path.split("?")[0])
                if schema is not None:
                    api.validate(answer.json, schema, "%s %s" % (method, path))
        return answer

    def control(self, method, path, body=None):
        """A request to the service's "/_control/" paths: no prefix, no key, no validation."""
        plain = Client(self.service, key=None, prefix="")
        return plain.request(method, "/_control/" + path, body, beta=False, validate=False)

    def get(self, path, **kw):
        return self.request("GET", path, **kw)

    def post(self, path, body=None, **kw):
        return self.request("POST", path, body, **kw)

    def delete(self, path, **kw):
        return self.request("DELETE", path, **kw)

    def ok(self, method, path, body=None, **kw):
        answer = self.request(method, path, body, **kw)
        if answer.status != 200:
            raise AssertionError("%s %s answered %d: %s" % (method, path, answer.status,
                                                             answer.raw[:500]))
        return answer.json

    def upload(self, filename, data, purpose="assistants", field="file", extra=None,
               path="/files", content_type="application/octet-stream"):
        boundary = "----ozk" + uuid.uuid4().hex
        parts = []
        for name, value in [("purpose", purpose)] + list((extra or {}).items()):
            if value is None:
                continue
            parts.append(("--%s\r\nContent-Disposition: form-data; name=\"%s\"\r\n\r\n%s\r\n"
                          % (boundary, name, value)).encode("utf-8"))
        parts.append(("--%s\r\nContent-Disposition: form-data; name=\"%s\"; filename=\"%s\"\r\n"
                      "Content-Type: %s\r\n\r\n" % (boundary, field, filename, content_type))
                     .encode("utf-8") + data + b"\r\n")
        parts.append(("--%s--\r\n" % boundary).encode("ascii"))
        return self.request("POST", path, raw_body=b"".join(parts), beta=False,
                            content_type="multipart/form-data; boundary=" + boundary)

    def stream(self, path, body):
        """(event, data) pairs of a streamed answer; data validated and decoded."""
        answer = self.request("POST", path, body, validate=False)
        if answer.status != 200:
            raise AssertionError("stream answered %d: %s" % (answer.status, answer.raw[:300]))
        assert answer.header("content-type") == "text/event-stream", answer.headers
        events = []
        for block in answer.raw.decode("utf-8").split("\n\n"):
            if not block.strip():
                continue
            fields = dict(line.split(": ", 1) for line in block.split("\n"))
            data = fields["data"] if fields["data"] == "[DONE]" else json.loads(fields["data"])
            validate_event(fields["event"], data)
            events.append((fields["event"], data))
        return events


def raw_exchange(port, data, timeout=10, shutdown_write=False):
    """Sends raw bytes on a fresh connection and returns everything read until the server
    closes (or the time-out passes)."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as sock:
        sock.sendall(data)
        if shutdown_write:
            sock.shutdown(socket.SHUT_WR)
        chunks = []
        try:
            while True:
                piece = sock.recv(65536)
                if not piece:
                    break
                chunks.append(piece)
        except (socket.timeout, ConnectionResetError):
            pass
        return b"".join(chunks)


class ServiceTestCase(unittest.TestCase):
    """A test class with one service of its own, started with `SERVICE_ARGS`."""

    SERVICE_ARGS = ()

    @classmethod
    def setUpClass(cls):
        cls.service = Service(*cls.SERVICE_ARGS)
        cls.client = Client(cls.service)

    @classmethod
    def tearDownClass(cls):
        cls.service.stop()
        # Whatever the tests sent, the service never failed inside.
        if "Traceback" in cls.service.errors or "internal error" in cls.service.errors:
            raise AssertionError("the service reported errors:\n" + cls.service.errors)

    def assertError(self, answer, status, fragment=None):
        self.assertEqual(answer.status, status, answer.raw[:500])
        error = answer.json["error"]
        self.assertEqual(set(error), {"message", "type", "param", "code"})
        if fragment:
            self.assertIn(fragment, error["message"])
        return error

    def make_assistant(self, **members):
        body = {"model": "gpt-4o", "name": "Tutor"}
        body.update(members)
        return self.client.ok("POST", "/assistants", body)

    def run_to_completion(self, thread_id, assistant_id, **members):
        run = self.client.ok("POST", "/threads/%s/runs" % thread_id,
                             dict(assistant_id=assistant_id, **members))
        for _ in range(20):
            run = self.client.ok("GET", "/threads/%s/runs/%s" % (thread_id, run["id"]))
            if run["status"] not in ("queued", "in_progress"):
                return run
        raise AssertionError("run did not finish: %r" % run)
