"""The periodic fault mode of the service (every n-th request fails, every m-th connection is
reset), set through "/_control/faults" and on the command line, and the data folder checker."""

import http.client
import os
import socket
import sqlite3
import sys
import unittest

from svc_testlib import REPO, Client, Service, ServiceTestCase

sys.path.insert(0, os.path.join(REPO, "tools", "assistants-service"))
import check_data  # noqa: E402


def outcome(client):
    """The status of one GET /models, or "reset" when the connection was reset."""
    try:
        return client.get("/models").status
    except (ConnectionError, http.client.RemoteDisconnected):
        return "reset"


class PeriodicFaults(ServiceTestCase):
    def tearDown(self):
        # All off again; the connection of this request may itself be the one reset.
        for _ in range(2):
            try:
                self.client.control("POST", "faults", {})
                return
            except (ConnectionError, http.client.RemoteDisconnected):
                pass

    def test_every_nth_request_fails_with_the_status(self):
        answer = self.client.control("POST", "faults", {"fail_every": 3, "status": 503})
        self.assertEqual(answer.status, 200, answer.raw)
        self.assertEqual([outcome(self.client) for _ in range(7)],
                         [200, 200, 503, 200, 200, 503, 200])
        state = self.client.control("GET", "faults").json
        self.assertEqual((state["fail_every"], state["status"], state["requests"]), (3, 503, 7))

    def test_every_mth_connection_is_reset(self):
        # The control request's own connection was counted before the counters restart.
        self.client.control("POST", "faults", {"reset_every": 2})
        self.assertEqual([outcome(self.client) for _ in range(5)],
                         [200, "reset", 200, "reset", 200])

    def test_an_injected_reset_is_a_reset_not_an_orderly_close(self):
        # It once sent a FIN ahead of the reset: the client read an orderly end of the stream
        # ("Connection Closed Gracefully.") instead of a reset.
        # The reset can overtake the end of the client's connect, which then fails with it and
        # cannot tell a reset from a FIN followed by one: such attempts are made again.
        for _ in range(20):
            self.client.control("POST", "reset", {"count": 1})
            try:
                conn = socket.create_connection(("127.0.0.1", self.service.port), timeout=10)
            except ConnectionResetError:
                continue
            with conn:
                with self.assertRaises(ConnectionResetError):
                    conn.recv(1)
            return
        self.fail("every connect was overtaken by the reset")

    def test_a_reset_connection_is_not_a_request(self):
        self.client.control("POST", "faults", {"fail_every": 2, "reset_every": 3})
        # Connections 1..6 (3 and 6 reset); requests are counted only where one was read.
        self.assertEqual([outcome(self.client) for _ in range(6)],
                         [200, 500, "reset", 200, 500, "reset"])

    def test_one_off_failures_come_first_and_bad_values_are_refused(self):
        self.client.control("POST", "faults", {"fail_every": 2})
        self.client.control("POST", "fail", {"status": 429, "count": 1})
        self.assertEqual([outcome(self.client) for _ in range(3)], [429, 500, 200])
        for body in ({"fail_every": -1}, {"status": 200}, {"reset_every": "5"}, {"other": 1}):
            self.assertError(self.client.control("POST", "faults", body), 400)


class FaultsFromTheCommandLine(unittest.TestCase):
    def test_flags_set_the_periodic_faults(self):
        service = Service("--fail-every", "2", "--fail-status", "502")
        try:
            client = Client(service)
            self.assertEqual([outcome(client) for _ in range(4)], [200, 502, 200, 502])
        finally:
            service.stop()

    def test_bad_flags_stop_the_start(self):
        for args in (["--fail-every", "-1"], ["--fail-status", "200"]):
            with self.assertRaises(RuntimeError):
                Service(*args).stop()


class DataFolderChecker(ServiceTestCase):
    def test_a_used_folder_is_consistent_and_orphans_are_found(self):
        thread = self.client.ok("POST", "/threads", {})
        self.client.ok("POST", "/threads/%s/messages" % thread["id"],
                       {"role": "user", "content": "hello"})
        uploaded = self.client.upload("notes.txt", b"some notes\n")
        self.assertEqual(uploaded.status, 200, uploaded.raw)
        data_dir = self.service.data_dir
        problems, rows, files = check_data.check(data_dir)
        self.assertEqual(problems, [])
        self.assertGreaterEqual(rows, 3)
        self.assertEqual(files, 1)

        # Bytes without a row, a row without bytes, a child without its parent.
        stray = os.path.join(data_dir, "files", "file-stray")
        with open(stray, "wb") as f:
            f.write(b"x")
        os.unlink(os.path.join(data_dir, "files", uploaded.json["id"]))
        db = sqlite3.connect(os.path.join(data_dir, "service.sqlite3"))
        db.execute("INSERT INTO objects (kind, parent, id, body) VALUES "
                   "('thread.message', 'thread_gone', 'msg_x', '{\"id\": \"msg_x\"}')")
        db.commit()
        db.close()
        try:
            problems, _, _ = check_data.check(data_dir)
            text = "\n".join(problems)
            self.assertIn("files/file-stray: bytes without a file row", text)
            self.assertIn("file %s: its bytes are missing" % uploaded.json["id"], text)
            self.assertIn("msg_x: orphaned, its parent thread_gone is gone", text)
            self.assertEqual(len(problems), 3, text)
        finally:
            os.unlink(stray)


if __name__ == "__main__":
    unittest.main()
