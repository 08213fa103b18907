"""The service's HTTP behaviour: errors, authentication, the Azure URL forms, fault injection,
the request log, keep-alive, bad input, TLS, persistence and clean stops."""

import http.client
import json
import os
import select
import signal
import socket
import ssl
import subprocess
import tempfile
import threading
import time
import unittest

from svc_testlib import Client, Service, ServiceTestCase, raw_exchange


def status_of(raw):
    return int(raw.split(b" ", 2)[1]) if raw.startswith(b"HTTP/1.") else None


class ErrorsAndAuth(ServiceTestCase):
    SERVICE_ARGS = ("--api-key", "sk-right")

    def setUp(self):
        self.client.key = "sk-right"

    def test_keys(self):
        self.client.key = None
        self.assertError(self.client.get("/models"), 401, "API key")
        self.client.key = "sk-wrong"
        error = self.assertError(self.client.get("/assistants"), 401, "Incorrect API key")
        self.assertEqual(error["code"], "invalid_api_key")
        self.assertNotIn("sk-wrong", error["message"])
        self.client.key = "sk-right"
        self.assertEqual(self.client.get("/models").status, 200)

    def test_error_shapes(self):
        cases = [
            (self.client.get("/nowhere"), 404, "Invalid URL"),
            (self.client.get("/assistants", beta=False), 400, "OpenAI-Beta"),
            (self.client.get("/threads/thread_x", beta=False), 400, "OpenAI-Beta"),
            (self.client.request("POST", "/assistants", raw_body=b"{not json",
                                 content_type="application/json"), 400, "parse the JSON"),
            (self.client.request("POST", "/assistants", raw_body=b"[1]",
                                 content_type="application/json"), 400, "object"),
            (self.client.request("POST", "/assistants", raw_body=b"\xff\xfe",
                                 content_type="application/json"), 400, "parse the JSON"),
            (self.client.post("/assistants", {"model": "m", "bogus": 1}), 400, "bogus"),
            (self.client.get("/threads/thread_none"), 404, "thread_none"),
        ]
        for answer, status, fragment in cases:
            with self.subTest(status=status, fragment=fragment):
                self.assertEqual(answer.header("content-type"), "application/json")
                self.assertError(answer, status, fragment)
        self.assertEqual(self.client.get("/files", beta=False).status, 200)  # no beta needed

    def test_deeply_nested_json_is_a_clean_400(self):
        answer = self.client.request("POST", "/assistants", raw_body=b"[" * 100000,
                                     content_type="application/json")
        self.assertError(answer, 400)


class AzureForms(ServiceTestCase):
    def test_both_url_forms_with_api_key(self):
        for prefix in ("/openai/deployments/my-deployment", "/openai"):
            with self.subTest(prefix=prefix):
                azure = Client(self.service, key="azure-key", prefix=prefix, azure=True)
                made = azure.ok("POST", "/assistants", {"model": "gpt-4o", "name": "Az"})
                self.assertEqual(azure.ok("GET", "/assistants/" + made["id"])["name"], "Az")
                listed = azure.ok("GET", "/assistants?limit=1&order=asc")
                self.assertEqual(len(listed["data"]), 1)
                self.assertEqual(azure.ok("GET", "/models")["object"], "list")
                uploaded = azure.upload("a.txt", b"abc")
                self.assertEqual(uploaded.status, 200, uploaded.raw)

    def test_api_version_before_listing_parameters_and_its_absence(self):
        raw = raw_exchange(self.service.port, (
            b"GET /openai/deployments/d/assistants?api-version=2024-05-15&limit=1 HTTP/1.1\r\n"
            b"Host: x\r\napi-key: k\r\nOpenAI-Beta: assistants=v2\r\nConnection: close\r\n\r\n"))
        self.assertEqual(status_of(raw), 200)
        self.assertIn(b'"object":"list"', raw)
        missing = Client(self.service, key="k", prefix="/openai/deployments/d")
        self.assertError(missing.request("GET", "/assistants", headers={"api-key": "k"}), 400,
                         "api-version")
        nokey = Client(self.service, key=None, prefix="/openai", azure=True)
        self.assertError(nokey.get("/assistants"), 401)

    def test_image_generation_special_url(self):
        azure = Client(self.service, key="k", prefix="/openai", azure=True)
        made = azure.ok("POST", "/images/generations:submit", {"prompt": "p"}, beta=False)
        self.assertEqual(len(made["data"]), 1)


class FaultInjectionAndRequestLog(ServiceTestCase):
    def setUp(self):
        self.client.control("DELETE", "requests")

    def control(self, path, body):
        answer = self.client.control("POST", path, body)
        self.assertEqual(answer.status, 200, answer.raw)

    def test_next_requests_fail_then_recover(self):
        self.control("fail", {"status": 500, "count": 2})
        for _ in range(2):
            self.assertError(self.client.get("/models"), 500)
        self.assertEqual(self.client.get("/models").status, 200)
        self.control("fail", {"status": 429, "count": 1})
        limited = self.client.get("/models")
        self.assertError(limited, 429)
        self.assertEqual(limited.header("retry-after"), "1")
        self.assertError(self.client.control("POST", "fail", {"status": 200}), 400)

    def test_control_paths_need_no_key_and_are_not_api_requests(self):
        self.control("fail", {"status": 503, "count": 1})
        self.assertEqual(self.client.control("GET", "requests").status, 200)
        self.assertError(self.client.get("/models"), 503)  # the one failure is still there

    def test_reset_next_connection(self):
        self.control("reset", {"count": 1})
        with self.assertRaises((ConnectionError, http.client.RemoteDisconnected)):
            conn = http.client.HTTPConnection("127.0.0.1", self.service.port, timeout=10)
            try:
                conn.request("GET", "/v1/models", headers={"Authorization": "Bearer k"})
                conn.getresponse().read()
            finally:
                conn.close()
        self.assertEqual(self.client.get("/models").status, 200)

    def test_requests_are_listed_with_keys_masked(self):
        self.client.key = "sk-secret-value"
        self.client.post("/assistants", {"model": "gpt-4o"})
        listed = self.client.control("GET", "requests").json["data"]
        entry = listed[-1]
        self.assertEqual((entry["method"], entry["path"], entry["status"]),
                         ("POST", "/v1/assistants", 200))
        self.assertEqual(entry["body_size"], len(json.dumps({"model": "gpt-4o"})))
        headers = {k.lower(): v for k, v in entry["headers"].items()}
        self.assertEqual(headers["authorization"], "Bearer ***")
        self.assertNotIn("sk-secret-value", json.dumps(listed))


class RequestLogFile(unittest.TestCase):
    def test_log_file_has_json_lines(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "requests.jsonl")
            service = Service("--request-log", path)
            try:
                client = Client(service, key="sk-abc")
                client.get("/models")
                client.get("/files", headers={"api-key": "sk-abc"})
            finally:
                service.stop()
            with open(path, encoding="utf-8") as handle:
                entries = [json.loads(line) for line in handle]
            self.assertEqual([e["path"] for e in entries], ["/v1/models", "/v1/files"])
            self.assertNotIn("sk-abc", json.dumps(entries))


class Connections(ServiceTestCase):
    SERVICE_ARGS = ("--client-timeout", "2")

    def test_keep_alive_and_connection_close(self):
        request = (b"GET /v1/models HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer k\r\n\r\n")
        closing = request.replace(b"\r\n\r\n", b"\r\nConnection: close\r\n\r\n")
        raw = raw_exchange(self.service.port, request + request + closing)
        self.assertEqual(raw.count(b"HTTP/1.1 200 OK"), 3)
        self.assertIn(b"Connection: close", raw)

    def test_chunked_request_body(self):
        body = json.dumps({"model": "gpt-4o", "name": "Chunky"}).encode()
        chunks = b"".join(b"%x\r\n%s\r\n" % (len(body[i:i + 7]), body[i:i + 7])
                          for i in range(0, len(body), 7)) + b"0\r\n\r\n"
        raw = raw_exchange(self.service.port, (
            b"POST /v1/assistants HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer k\r\n"
            b"OpenAI-Beta: assistants=v2\r\nTransfer-Encoding: chunked\r\n"
            b"Connection: close\r\n\r\n") + chunks)
        self.assertEqual(status_of(raw), 200, raw)
        self.assertIn(b'"name":"Chunky"', raw)
        endless = raw_exchange(self.service.port, (
            b"POST /v1/assistants HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer k\r\n"
            b"OpenAI-Beta: assistants=v2\r\nTransfer-Encoding: chunked\r\n\r\n"
            b"0\r\n" + b"X-Trailer: 1\r\n" * 500 + b"\r\n"))
        self.assertEqual(status_of(endless), 400, endless[:300])
        for size_line in (b"zz\r\n", b"-5\r\n"):
            broken = raw_exchange(self.service.port, (
                b"POST /v1/assistants HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer k\r\n"
                b"OpenAI-Beta: assistants=v2\r\nTransfer-Encoding: chunked\r\n\r\n"
                + size_line + b"{}\r\n0\r\n\r\n"))
            self.assertEqual(status_of(broken), 400, broken[:300])

    def test_malformed_heads_get_an_error_and_the_service_goes_on(self):
        cases = [b"GARBAGE\r\n\r\n", b"GET /v1/models HTTP/9.9\r\n\r\n",
                 b"GET /" + b"a" * 70000 + b" HTTP/1.1\r\n\r\n",
                 b"GET /v1/models HTTP/1.1\r\nX: " + b"b" * 70000 + b"\r\n\r\n",
                 b"GET /v1/models HTTP/1.1\r\n" + b"X-Many: 1\r\n" * 200 + b"\r\n",
                 b"POST /v1/assistants HTTP/1.1\r\nContent-Length: abc\r\n\r\n"]
        for data in cases:
            with self.subTest(data=data[:40]):
                raw = raw_exchange(self.service.port, data)
                self.assertIn(status_of(raw), (400, 414, 431, 505), raw[:200])
                self.assertIn(b'"error"', raw)
        self.assertEqual(self.client.get("/models").status, 200)

    def test_oversized_bodies(self):
        raw = raw_exchange(self.service.port, (
            b"POST /v1/files HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer k\r\n"
            b"Content-Type: multipart/form-data; boundary=b\r\n"
            b"Content-Length: %d\r\n\r\n" % (512 * 1024 * 1024 + 1)))
        self.assertEqual(status_of(raw), 413, raw[:300])
        raw = raw_exchange(self.service.port, (
            b"POST /v1/assistants HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer k\r\n"
            b"OpenAI-Beta: assistants=v2\r\nContent-Type: application/json\r\n"
            b"Content-Length: %d\r\n\r\n" % (64 * 1024 * 1024)))
        self.assertEqual(status_of(raw), 400, raw[:300])
        self.assertIn(b"too large", raw)

    def test_slow_client_is_closed_and_others_are_served(self):
        with socket.create_connection(("127.0.0.1", self.service.port), timeout=10) as slow:
            slow.sendall(b"GET /v1/models HTTP/1.1\r\nHost: x\r\n")  # never finishes
            self.assertEqual(self.client.get("/models").status, 200)
            started = time.monotonic()
            self.assertEqual(slow.recv(100), b"")  # closed by the 2 s client time-out
            self.assertLess(time.monotonic() - started, 10)

    def test_trickled_head_is_cut_off(self):
        # One header byte every 0.2 s never lets the per-read time-out expire; the head's own
        # deadline (the 2 s client time-out) ends the connection long before 200 bytes.
        with socket.create_connection(("127.0.0.1", self.service.port), timeout=10) as slow:
            slow.sendall(b"GET /v1/models HTTP/1.1\r\n")
            closed = False
            for _ in range(200):
                try:
                    slow.sendall(b"X")
                except OSError:
                    closed = True
                    break
                readable, _, _ = select.select([slow], [], [], 0.2)
                if readable:
                    self.assertIn(slow.recv(100), (b"",))
                    closed = True
                    break
            self.assertTrue(closed)

    def test_concurrent_clients(self):
        made = self.make_assistant()
        errors = []

        def work():
            try:
                for _ in range(10):
                    client = Client(self.service)
                    if client.get("/assistants/" + made["id"]).status != 200:
                        errors.append("status")
            except Exception as error:  # reported below
                errors.append(repr(error))
        workers = [threading.Thread(target=work) for _ in range(8)]
        for worker in workers:
            worker.start()
        for worker in workers:
            worker.join(60)
        self.assertEqual(errors, [])


class ConnectionLimit(ServiceTestCase):
    SERVICE_ARGS = ("--max-connections", "2", "--client-timeout", "20")

    def test_connections_beyond_the_limit_get_503(self):
        idle = [socket.create_connection(("127.0.0.1", self.service.port), timeout=10)
                for _ in range(2)]
        try:
            # The idle connections hold both slots (the first byte proves each was accepted).
            for sock in idle:
                sock.sendall(b"GET /v1/models HTTP/1.1\r\nAuthorization: Bearer k\r\n\r\n")
                self.assertTrue(sock.recv(12).startswith(b"HTTP/1.1 200"))
            busy = self.client.get("/models")
            self.assertError(busy, 503, "Too many connections")
        finally:
            for sock in idle:
                sock.close()
        deadline = time.monotonic() + 10
        while self.client.get("/models", validate=False).status != 200:
            self.assertLess(time.monotonic(), deadline, "slots were not given back")
            time.sleep(0.05)


class UploadsLeaveNothingBehind(ServiceTestCase):
    SERVICE_ARGS = ("--client-timeout", "2")

    def leftovers(self):
        folder = os.path.join(self.service.data_dir, "files")
        return sorted(os.listdir(folder))

    def file_ids(self):
        return [f["id"] for f in self.client.ok("GET", "/files?limit=10000", beta=False)["data"]]

    def head(self, length, boundary=b"XyZ"):
        return (b"POST /v1/files HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer k\r\n"
                b"Content-Type: multipart/form-data; boundary=" + boundary + b"\r\n"
                b"Content-Length: %d\r\n\r\n" % length)

    def part(self, size):
        return (b"--XyZ\r\nContent-Disposition: form-data; name=\"purpose\"\r\n\r\nassistants\r\n"
                b"--XyZ\r\nContent-Disposition: form-data; name=\"file\"; filename=\"big.bin\"\r\n"
                b"\r\n" + b"z" * size)

    def test_disconnect_mid_upload(self):
        before_files, before_ids = self.leftovers(), self.file_ids()
        body = self.part(3 * 1024 * 1024)
        with socket.create_connection(("127.0.0.1", self.service.port), timeout=10) as sock:
            sock.sendall(self.head(len(body) + 1000) + body)
        self.wait_for_quiet(before_files)
        self.assertEqual(self.file_ids(), before_ids)

    def test_body_shorter_than_its_length(self):
        before_files, before_ids = self.leftovers(), self.file_ids()
        body = self.part(100000)
        raw = raw_exchange(self.service.port, self.head(len(body) + 50) + body,
                           shutdown_write=True)
        self.assertNotEqual(status_of(raw), 200)  # an error answer or a closed connection
        self.wait_for_quiet(before_files)
        self.assertEqual(self.file_ids(), before_ids)

    def test_bad_boundaries(self):
        before_files, before_ids = self.leftovers(), self.file_ids()
        body = self.part(1000) + b"\r\n--XyZ--\r\n"
        for head_boundary, data in ((b"Other", body), (b"XyZ", body.replace(b"\r\n--XyZ--",
                                                                            b"\r\n--XyZ!!")),
                                    (b"XyZ", body[:-12])):
            with self.subTest(boundary=head_boundary, tail=data[-12:]):
                raw = raw_exchange(self.service.port, self.head(len(data), head_boundary)
                                   .replace(b"\r\n\r\n", b"\r\nConnection: close\r\n\r\n")
                                   + data)
                self.assertEqual(status_of(raw), 400, raw[:300])
                self.assertIn(b"multipart", raw)
        self.assertEqual((self.leftovers(), self.file_ids()), (before_files, before_ids))

    def test_upload_in_pieces_keeps_every_byte(self):
        payload = os.urandom(1024 * 1024 + 17) + b"\r\n--XyZ" + os.urandom(1000)  # near-miss
        answer = self.client.upload("noise.bin", payload)
        self.assertEqual(answer.status, 200, answer.raw)
        stored = self.client.get("/files/%s/content" % answer.json["id"], beta=False)
        self.assertEqual(stored.raw, payload)

    def wait_for_quiet(self, expected, limit=10.0):
        deadline = time.monotonic() + limit
        while self.leftovers() != expected and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertEqual(self.leftovers(), expected)


class Lifecycle(unittest.TestCase):
    def test_sigterm_and_sigint_stop_cleanly(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=sig):
                service = Service()
                Client(service).ok("GET", "/models")
                self.assertEqual(service.stop(sig), 0)

    def test_state_survives_a_restart(self):
        service = Service(keep_data=True)
        data_dir = service.data_dir
        try:
            client = Client(service)
            made = client.ok("POST", "/assistants", {"model": "gpt-4o", "name": "Persistent"})
            uploaded = client.upload("keep.txt", b"kept bytes\n").json
            store = client.ok("POST", "/vector_stores", {"name": "kept",
                                                         "file_ids": [uploaded["id"]]})
        finally:
            service.stop()
        service = Service(data_dir=data_dir)
        try:
            client = Client(service)
            self.assertEqual(client.ok("GET", "/assistants/" + made["id"])["name"], "Persistent")
            self.assertEqual(client.get("/files/%s/content" % uploaded["id"]).raw,
                             b"kept bytes\n")
            self.assertEqual(client.ok("GET", "/vector_stores/" + store["id"])[
                "file_counts"]["completed"], 1)
        finally:
            service.stop()
            import shutil
            shutil.rmtree(data_dir, ignore_errors=True)

    def test_tls(self):
        with tempfile.TemporaryDirectory() as folder:
            cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
            subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                            "ec_paramgen_curve:P-256", "-nodes", "-days", "1", "-subj",
                            "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                            "-keyout", key, "-out", cert], check=True, capture_output=True)
            service = Service("--tls-cert", cert, "--tls-key", key)
            try:
                self.assertTrue(service.base_url.startswith("https://127.0.0.1:"))
                context = ssl.create_default_context(cafile=cert)
                conn = http.client.HTTPSConnection("127.0.0.1", service.port, context=context,
                                                   timeout=10)
                conn.request("GET", "/v1/models", headers={"Authorization": "Bearer k"})
                response = conn.getresponse()
                self.assertEqual(response.status, 200)
                self.assertIn(b"gpt-4o", response.read())
                conn.close()
                # A plain-text client gets nothing and the service goes on.
                raw_exchange(service.port, b"GET /v1/models HTTP/1.1\r\n\r\n", timeout=5)
                conn = http.client.HTTPSConnection("127.0.0.1", service.port, context=context,
                                                   timeout=10)
                conn.request("GET", "/v1/models", headers={"Authorization": "Bearer k"})
                self.assertEqual(conn.getresponse().status, 200)
                conn.close()
            finally:
                service.stop()


if __name__ == "__main__":
    unittest.main()
