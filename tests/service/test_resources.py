"""Every resource family of the service through its HTTP API: members, listings and cursors,
run progression and streaming, files, vector stores and the other endpoints."""

import base64
import struct
import unittest
import zlib

from svc_testlib import ServiceTestCase


class AssistantsAndListings(ServiceTestCase):
    def test_create_retrieve_modify_delete(self):
        made = self.make_assistant(instructions="Be brief.", tools=[{"type": "file_search"}],
                                   metadata={"k": "v"}, temperature=0.5)
        self.assertTrue(made["id"].startswith("asst_"))
        self.assertEqual((made["object"], made["name"], made["instructions"], made["temperature"]),
                         ("assistant", "Tutor", "Be brief.", 0.5))
        self.assertEqual(self.client.ok("GET", "/assistants/" + made["id"]), made)
        changed = self.client.ok("POST", "/assistants/" + made["id"], {"name": "Renamed"})
        self.assertEqual((changed["name"], changed["instructions"]), ("Renamed", "Be brief."))
        gone = self.client.ok("DELETE", "/assistants/" + made["id"])
        self.assertEqual(gone, {"id": made["id"], "object": "assistant.deleted", "deleted": True})
        self.assertError(self.client.get("/assistants/" + made["id"]), 404, made["id"])

    def test_modify_accepts_the_object_it_was_given(self):
        made = self.make_assistant()
        echoed = dict(made, name="Again")
        del echoed["response_format"]
        self.assertEqual(self.client.ok("POST", "/assistants/" + made["id"], echoed)["name"],
                         "Again")

    def test_bad_members(self):
        cases = [({"name": "x"}, "model"), ({"model": "gpt-4o", "colour": 1}, "colour"),
                 ({"model": "gpt-4o", "tools": [{"type": "browser"}]}, "tools[0].type"),
                 ({"model": "gpt-4o", "temperature": 3}, "temperature"),
                 ({"model": "gpt-4o", "metadata": {"k": 1}}, "metadata"),
                 ({"model": "gpt-4o", "tool_resources": {"file_search": {
                     "vector_store_ids": ["vs_missing"]}}}, None)]
        for body, param in cases:
            with self.subTest(body=body):
                answer = self.client.post("/assistants", body)
                self.assertIn(answer.status, (400, 404))
                if param:
                    self.assertEqual(answer.json["error"]["param"], param)

    def test_listing_cursors_keep_creation_order_within_a_second(self):
        # A fresh thread gives a list of our own: messages made in the same second.
        thread = self.client.ok("POST", "/threads", {})
        path = "/threads/%s/messages" % thread["id"]
        ids = [self.client.ok("POST", path, {"role": "user", "content": "m%d" % i})["id"]
               for i in range(7)]
        page = self.client.ok("GET", path)
        self.assertEqual([m["id"] for m in page["data"]], ids[::-1])  # default order desc
        self.assertEqual((page["first_id"], page["last_id"], page["has_more"]),
                         (ids[-1], ids[0], False))
        asc = self.client.ok("GET", path + "?order=asc&limit=3")
        self.assertEqual([m["id"] for m in asc["data"]], ids[:3])
        self.assertTrue(asc["has_more"])
        after = self.client.ok("GET", path + "?order=asc&limit=3&after=" + asc["last_id"])
        self.assertEqual([m["id"] for m in after["data"]], ids[3:6])
        last = self.client.ok("GET", path + "?order=asc&limit=3&after=" + after["last_id"])
        self.assertEqual(([m["id"] for m in last["data"]], last["has_more"]), (ids[6:], False))
        # "before" is the page just before the cursor, still in listing order.
        before = self.client.ok("GET", path + "?order=asc&limit=2&before=" + ids[5])
        self.assertEqual(([m["id"] for m in before["data"]], before["has_more"]),
                         (ids[3:5], True))
        before_desc = self.client.ok("GET", path + "?limit=2&before=" + ids[2])
        self.assertEqual([m["id"] for m in before_desc["data"]], [ids[4], ids[3]])
        both = self.client.ok("GET", path + "?order=asc&after=%s&before=%s" % (ids[1], ids[5]))
        self.assertEqual([m["id"] for m in both["data"]], ids[2:5])
        # Empty order means the default; empty pages name no ids.
        self.assertEqual(self.client.ok("GET", path + "?order=")["data"][0]["id"], ids[-1])
        empty = self.client.ok("GET", path + "?after=" + ids[0])
        self.assertEqual((empty["data"], empty["first_id"], empty["has_more"]), ([], "", False))

    def test_listing_parameters_are_checked(self):
        for query, param in (("limit=0", "limit"), ("limit=101", "limit"), ("limit=x", "limit"),
                             ("order=up", "order"), ("after=asst_unknown", "after")):
            with self.subTest(query=query):
                error = self.assertError(self.client.get("/assistants?" + query), 400)
                self.assertEqual(error["param"], param)


class ThreadsAndMessages(ServiceTestCase):
    def test_thread_with_messages_and_message_members(self):
        thread = self.client.ok("POST", "/threads", {"messages": [
            {"role": "user", "content": "first"},
            {"role": "user", "content": [{"type": "text", "text": "second"}]}],
            "metadata": {"a": "b"}})
        self.assertTrue(thread["id"].startswith("thread_"))
        listed = self.client.ok("GET", "/threads/%s/messages?order=asc" % thread["id"])["data"]
        self.assertEqual([m["content"][0]["text"]["value"] for m in listed], ["first", "second"])
        message = listed[0]
        self.assertTrue(message["id"].startswith("msg_"))
        self.assertEqual((message["role"], message["run_id"], message["assistant_id"],
                          message["thread_id"]), ("user", None, None, thread["id"]))
        path = "/threads/%s/messages/%s" % (thread["id"], message["id"])
        self.assertEqual(self.client.ok("GET", path), message)
        self.assertEqual(self.client.ok("POST", path, {"metadata": {"x": "y"}})["metadata"],
                         {"x": "y"})
        self.assertEqual(self.client.ok("DELETE", path)["object"], "thread.message.deleted")
        self.assertError(self.client.get(path), 404)
        self.assertEqual(self.client.ok("POST", "/threads/" + thread["id"],
                                        {"metadata": {"c": "d"}})["metadata"], {"c": "d"})
        self.assertTrue(self.client.ok("DELETE", "/threads/" + thread["id"])["deleted"])
        self.assertError(self.client.get("/threads/%s/messages" % thread["id"]), 404)

    def test_message_needs_role_and_content(self):
        thread = self.client.ok("POST", "/threads")
        for body in ({"role": "user"}, {"content": "x"}, {"role": "system", "content": "x"},
                     {"role": "user", "content": [{"type": "video"}]}):
            with self.subTest(body=body):
                self.assertError(self.client.post("/threads/%s/messages" % thread["id"], body),
                                 400)

    def test_empty_post_creates_a_thread(self):
        # The project's client sends a POST without a body and without a content type.
        answer = self.client.request("POST", "/threads", raw_body=b"")
        self.assertEqual(answer.status, 200)
        self.assertEqual(answer.json["tool_resources"], {})


class Runs(ServiceTestCase):
    def setUp(self):
        self.assistant = self.make_assistant(name="Math Tutor")
        self.thread = self.client.ok("POST", "/threads")
        self.client.ok("POST", "/threads/%s/messages" % self.thread["id"],
                       {"role": "user", "content": "Solve 3x + 11 = 14"})

    def path(self, *parts):
        return "/threads/%s/runs" % self.thread["id"] + "".join("/" + p for p in parts)

    def test_progression_steps_usage_and_messages_of_the_run(self):
        created = self.client.request("POST", self.path(),
                                      {"assistant_id": self.assistant["id"]})
        self.assertEqual(created.status, 200)
        run = created.json
        self.assertTrue(run["id"].startswith("run_"))
        self.assertEqual((run["status"], run["usage"]), ("queued", None))
        self.assertEqual(created.header("openai-poll-after-ms"), "50")
        statuses = []
        for _ in range(2):
            read = self.client.get(self.path(run["id"]))
            self.assertEqual(read.header("openai-poll-after-ms"), "50")
            statuses.append(read.json["status"])
        self.assertEqual(statuses, ["in_progress", "completed"])  # --run-polls defaults to 2
        done = read.json
        self.assertEqual(done["usage"]["total_tokens"],
                         done["usage"]["prompt_tokens"] + done["usage"]["completion_tokens"])
        self.assertIsNotNone(done["completed_at"])
        steps = self.client.ok("GET", self.path(run["id"], "steps"))["data"]
        self.assertEqual(len(steps), 1)
        self.assertTrue(steps[0]["id"].startswith("step_"))
        self.assertEqual(steps[0]["type"], "message_creation")
        message_id = steps[0]["step_details"]["message_creation"]["message_id"]
        self.assertEqual(self.client.ok("GET", self.path(run["id"], "steps", steps[0]["id"])),
                         steps[0])
        of_run = self.client.ok("GET", "/threads/%s/messages?run_id=%s"
                                % (self.thread["id"], run["id"]))["data"]
        self.assertEqual([m["id"] for m in of_run], [message_id])
        self.assertEqual((of_run[0]["role"], of_run[0]["run_id"], of_run[0]["assistant_id"]),
                         ("assistant", run["id"], self.assistant["id"]))
        self.assertIn("x = 1", of_run[0]["content"][0]["text"]["value"])
        self.assertEqual(self.client.ok("GET", self.path())["data"][0]["id"], run["id"])

    def test_one_active_run_per_thread_and_cancel(self):
        run = self.client.ok("POST", self.path(), {"assistant_id": self.assistant["id"]})
        self.assertError(self.client.post(self.path(), {"assistant_id": self.assistant["id"]}),
                         400, "already has an active run")
        cancelling = self.client.ok("POST", self.path(run["id"], "cancel"))
        self.assertEqual(cancelling["status"], "cancelling")
        cancelled = self.client.ok("GET", self.path(run["id"]))
        self.assertEqual(cancelled["status"], "cancelled")
        self.assertIsNotNone(cancelled["cancelled_at"])
        self.assertError(self.client.post(self.path(run["id"], "cancel")), 400, "cancelled")
        self.assertEqual(self.client.ok("GET", "/threads/%s/messages?run_id=%s"
                                        % (self.thread["id"], run["id"]))["data"], [])

    def test_run_errors(self):
        self.assertError(self.client.post(self.path(), {"assistant_id": "asst_nope"}), 404)
        self.assertError(self.client.post(self.path(), {}), 400, "assistant_id")
        self.assertError(self.client.get(self.path("run_nope")), 404)
        self.assertError(self.client.post("/threads/thread_nope/runs",
                                          {"assistant_id": self.assistant["id"]}), 404)
        run = self.run_to_completion(self.thread["id"], self.assistant["id"])
        self.assertError(self.client.post(self.path(run["id"], "submit_tool_outputs"),
                                          {"tool_outputs": []}), 400, "completed")

    def test_overrides_and_metadata(self):
        run = self.client.ok("POST", self.path(), {
            "assistant_id": self.assistant["id"], "model": "gpt-4o-mini",
            "instructions": "Only numbers.", "additional_instructions": "Show steps.",
            "metadata": {"n": "1"}, "additional_messages": [{"role": "user",
                                                             "content": "2y - 4 = 10"}]})
        self.assertEqual((run["model"], run["instructions"]),
                         ("gpt-4o-mini", "Only numbers.\nShow steps."))
        self.assertEqual(self.client.ok("POST", self.path(run["id"]),
                                        {"metadata": {"n": "2"}})["metadata"], {"n": "2"})
        for _ in range(2):
            self.client.ok("GET", self.path(run["id"]))
        answer = self.client.ok("GET", "/threads/%s/messages?limit=1" % self.thread["id"])
        self.assertIn("y = 7", answer["data"][0]["content"][0]["text"]["value"])

    def test_create_thread_and_run(self):
        run = self.client.ok("POST", "/threads/runs", {
            "assistant_id": self.assistant["id"],
            "thread": {"messages": [{"role": "user", "content": "hello"}]}})
        self.assertEqual(run["status"], "queued")
        for _ in range(2):
            done = self.client.ok("GET", "/threads/%s/runs/%s" % (run["thread_id"], run["id"]))
        self.assertEqual(done["status"], "completed")

    def test_streamed_run_events_in_snapshot_order(self):
        events = self.client.stream(self.path(), {"assistant_id": self.assistant["id"],
                                                  "stream": True})
        names = [name for name, _ in events]
        self.assertEqual(names[:3], ["thread.run.created", "thread.run.queued",
                                     "thread.run.in_progress"])
        self.assertEqual(names[-2:], ["thread.run.completed", "done"])
        self.assertEqual(events[-1][1], "[DONE]")
        self.assertLess(names.index("thread.run.step.created"),
                        names.index("thread.message.created"))
        first_delta = names.index("thread.message.delta")
        self.assertLess(names.index("thread.message.created"), first_delta)
        self.assertLess(max(i for i, n in enumerate(names) if n == "thread.message.delta"),
                        names.index("thread.message.completed"))
        self.assertLess(names.index("thread.message.completed"),
                        names.index("thread.run.step.completed"))
        parts = [part for name, data in events if name == "thread.message.delta"
                 for part in data["delta"]["content"]]
        self.assertTrue(all(part["index"] == 0 for part in parts))
        text = "".join(part["text"]["value"] for part in parts)
        completed = dict(events)["thread.message.completed"]
        self.assertEqual(text, completed["content"][0]["text"]["value"])
        self.assertIn("x = 1", text)
        # The streamed run is stored like a polled one.
        run_id = events[0][1]["id"]
        self.assertEqual(self.client.ok("GET", self.path(run_id))["status"], "completed")


class RunPollsOption(ServiceTestCase):
    SERVICE_ARGS = ("--run-polls", "3")

    def test_run_completes_at_the_given_read_and_streams_with_a_new_thread(self):
        assistant = self.make_assistant()
        run = self.client.ok("POST", "/threads/runs", {
            "assistant_id": assistant["id"],
            "thread": {"messages": [{"role": "user", "content": "8 = 2k"}]}})
        path = "/threads/%s/runs/%s" % (run["thread_id"], run["id"])
        self.assertEqual([self.client.ok("GET", path)["status"] for _ in range(4)],
                         ["in_progress", "in_progress", "completed", "completed"])
        events = self.client.stream("/threads/runs", {
            "assistant_id": assistant["id"], "stream": True,
            "thread": {"messages": [{"role": "user", "content": "8 = 2k"}]}})
        self.assertEqual(events[-2][0], "thread.run.completed")
        self.assertIn("k = 4", dict(events)["thread.message.completed"]["content"][0]["text"][
            "value"])


class FilesAndVectorStores(ServiceTestCase):
    TEXT = ("The capital of France is Paris.\n"
            "Bananas are yellow and rich in potassium \U0001F34C.\n"
            "The component library ships a tolerant JSON parser.\n").encode("utf-8")

    def upload(self, name="notes.txt", data=None, purpose="assistants"):
        answer = self.client.upload(name, self.TEXT if data is None else data, purpose)
        self.assertEqual(answer.status, 200, answer.raw)
        return answer.json

    def test_file_upload_list_content_delete(self):
        data = bytes(range(256)) * 300
        made = self.upload("blob.bin", data)
        self.assertTrue(made["id"].startswith("file-"))
        self.assertEqual((made["bytes"], made["filename"], made["purpose"], made["status"]),
                         (len(data), "blob.bin", "assistants", "processed"))
        self.assertNotIn("status_details", made)
        content = self.client.get("/files/%s/content" % made["id"], beta=False)
        self.assertEqual((content.status, content.raw), (200, data))
        self.assertEqual(self.client.ok("GET", "/files/" + made["id"], beta=False), made)
        other = self.upload("batch.jsonl", b"{}\n", purpose="batch")
        listed = self.client.ok("GET", "/files?purpose=batch", beta=False)["data"]
        self.assertEqual([f["id"] for f in listed], [other["id"]])
        self.assertEqual(self.client.ok("DELETE", "/files/" + made["id"], beta=False),
                         {"id": made["id"], "object": "file", "deleted": True})
        self.assertError(self.client.get("/files/%s/content" % made["id"], beta=False), 404)

    def test_upload_with_encoded_parts(self):
        # Quoted-printable fields, base64 files and encoded-word file names, as MIME writers
        # such as the project's own multipart stream produce them.
        data = "caf\u00e9 = \U0001F600\n".encode("utf-8") * 40
        body = (b"--B\r\nContent-Disposition: form-data; name=\"purpose\"\r\n"
                b"Content-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n"
                b"\r\nassist=\r\nants\r\n"
                b"--B\r\nContent-Disposition: form-data; name=\"file\"; "
                b"filename=\"=?UTF-8?B?" + base64.b64encode("r\u00e9sum\u00e9.txt".encode())
                + b"?=\"\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                + base64.encodebytes(data) + b"\r\n--B--\r\n")
        answer = self.client.request("POST", "/files", raw_body=body, beta=False,
                                     content_type="multipart/form-data; boundary=B")
        self.assertEqual(answer.status, 200, answer.raw)
        self.assertEqual((answer.json["filename"], answer.json["purpose"], answer.json["bytes"]),
                         ("r\u00e9sum\u00e9.txt", "assistants", len(data)))
        stored = self.client.get("/files/%s/content" % answer.json["id"], beta=False)
        self.assertEqual(stored.raw, data)

    def test_upload_errors(self):
        self.assertError(self.client.upload("a.txt", b"x", purpose="nonsense"), 400, "purpose")
        self.assertError(self.client.upload("a.txt", b"x", purpose=None), 400, "purpose")
        self.assertError(self.client.upload("a.txt", b"x", field="document"), 400)
        self.assertError(self.client.post("/files", {"purpose": "assistants"}, beta=False), 400,
                         "multipart/form-data")

    def test_vector_store_file_counts_reach_completed(self):
        first, second = self.upload(), self.upload("two.txt", b"second file\n")
        store = self.client.ok("POST", "/vector_stores", {"name": "docs",
                                                          "file_ids": [first["id"]]})
        self.assertTrue(store["id"].startswith("vs_"))
        self.assertEqual((store["file_counts"]["in_progress"], store["status"]),
                         (1, "in_progress"))
        store = self.client.ok("GET", "/vector_stores/" + store["id"])
        self.assertEqual((store["file_counts"]["completed"], store["file_counts"]["total"],
                          store["status"], store["usage_bytes"]), (1, 1, "completed",
                                                                   len(self.TEXT)))
        path = "/vector_stores/%s/files" % store["id"]
        attached = self.client.ok("POST", path, {"file_id": second["id"]})
        self.assertEqual((attached["id"], attached["status"]), (second["id"], "in_progress"))
        self.assertEqual(self.client.ok("GET", path + "?filter=completed")["data"][0]["status"],
                         "completed")
        self.assertEqual(len(self.client.ok("GET", path)["data"]), 2)
        self.assertEqual(self.client.ok("GET", path + "?filter=failed")["data"], [])
        self.assertEqual(self.client.ok("GET", "%s/%s" % (path, second["id"]))["status"],
                         "completed")
        self.assertError(self.client.post(path, {"file_id": "file-missing"}), 404)
        self.assertTrue(self.client.ok("DELETE", "%s/%s" % (path, second["id"]))["deleted"])
        self.assertEqual(self.client.ok("POST", "/vector_stores/" + store["id"],
                                        {"name": "renamed"})["name"], "renamed")
        found = self.client.ok("POST", "/vector_stores/%s/search" % store["id"],
                               {"query": "yellow bananas"})
        self.assertIn("Bananas", found["data"][0]["content"][0]["text"])
        self.assertTrue(self.client.ok("DELETE", "/vector_stores/" + store["id"])["deleted"])
        self.assertError(self.client.get(path), 404)

    def test_file_batches(self):
        files = [self.upload("f%d.txt" % i, b"line %d\n" % i) for i in range(3)]
        store = self.client.ok("POST", "/vector_stores", {"name": "batchy"})
        base = "/vector_stores/%s/file_batches" % store["id"]
        batch = self.client.ok("POST", base, {"file_ids": [f["id"] for f in files[:2]]})
        self.assertTrue(batch["id"].startswith("vsfb_"))
        self.assertEqual((batch["object"], batch["status"], batch["file_counts"]["in_progress"]),
                         ("vector_store.files_batch", "in_progress", 2))
        read = self.client.ok("GET", "%s/%s" % (base, batch["id"]))
        self.assertEqual((read["status"], read["file_counts"]["completed"]), ("completed", 2))
        listed = self.client.ok("GET", "%s/%s/files?order=asc" % (base, batch["id"]))["data"]
        self.assertEqual([f["id"] for f in listed], [f["id"] for f in files[:2]])
        self.assertError(self.client.post("%s/%s/cancel" % (base, batch["id"])), 400)
        pending = self.client.ok("POST", base, {"file_ids": [files[2]["id"]]})
        cancelled = self.client.ok("POST", "%s/%s/cancel" % (base, pending["id"]))
        self.assertEqual((cancelled["status"], cancelled["file_counts"]["cancelled"]),
                         ("cancelled", 1))
        self.assertError(self.client.post(base, {}), 400)


class OtherEndpoints(ServiceTestCase):
    def test_models(self):
        models = self.client.ok("GET", "/models", beta=False)["data"]
        self.assertIn("gpt-4o", [m["id"] for m in models])
        self.assertEqual(self.client.ok("GET", "/models/gpt-4o", beta=False)["id"], "gpt-4o")
        self.assertError(self.client.get("/models/nope", beta=False), 404)
        self.assertError(self.client.delete("/models/gpt-4o", beta=False), 403)

    def test_completions_chat_and_edits(self):
        completion = self.client.ok("POST", "/completions", {"model": "gpt-3.5-turbo-instruct",
                                                             "prompt": "4x = 8"}, beta=False)
        self.assertIn("x = 2", completion["choices"][0]["text"])
        chat = self.client.ok("POST", "/chat/completions", {
            "model": "gpt-4o", "messages": [{"role": "system", "content": "s"},
                                            {"role": "user", "content": "hello"}]}, beta=False)
        self.assertIn("hello", chat["choices"][0]["message"]["content"])
        streamed = self.client.request("POST", "/chat/completions", {
            "model": "gpt-4o", "stream": True, "messages": [{"role": "user", "content": "hi"}]},
            beta=False)
        self.assertTrue(streamed.raw.endswith(b"data: [DONE]\n\n"))
        edit = self.client.ok("POST", "/edits", {"model": "m", "instruction": "fix",
                                                 "input": "teh"}, beta=False)
        self.assertTrue(edit["choices"][0]["text"].startswith("teh"))
        self.assertError(self.client.post("/chat/completions", {"model": "gpt-4o"},
                                          beta=False), 400)

    def test_embeddings_are_deterministic_unit_vectors(self):
        body = {"model": "text-embedding-3-small", "input": ["red apple", "red apple", "car"],
                "dimensions": 64}
        data = self.client.ok("POST", "/embeddings", body, beta=False)["data"]
        vectors = [d["embedding"] for d in data]
        self.assertEqual(len(vectors[0]), 64)
        self.assertEqual(vectors[0], vectors[1])
        self.assertNotEqual(vectors[0], vectors[2])
        self.assertAlmostEqual(sum(x * x for x in vectors[0]), 1.0, places=3)
        self.assertEqual(self.client.ok("POST", "/embeddings", body, beta=False)["data"][0],
                         data[0])

    def test_moderations(self):
        result = self.client.ok("POST", "/moderations", {"input": ["hello", "I will kill"]},
                                beta=False)["results"]
        self.assertEqual([r["flagged"] for r in result], [False, True])

    def _check_png(self, encoded):
        data = base64.b64decode(encoded)
        self.assertEqual(data[:8], b"\x89PNG\r\n\x1a\n")
        position = 8
        while position < len(data):
            length, = struct.unpack(">I", data[position:position + 4])
            kind = data[position + 4:position + 8]
            body = data[position + 8:position + 8 + length]
            crc, = struct.unpack(">I", data[position + 8 + length:position + 12 + length])
            self.assertEqual(crc, zlib.crc32(kind + body) & 0xFFFFFFFF)
            if kind == b"IDAT":
                zlib.decompress(body)
            position += 12 + length
        return data

    def test_images(self):
        made = self.client.ok("POST", "/images/generations", {"prompt": "a cat", "n": 2},
                              beta=False)
        self.assertEqual(len(made["data"]), 2)
        png = self._check_png(made["data"][0]["b64_json"])
        edit = self.client.upload("in.png", png, purpose=None, field="image",
                                  extra={"prompt": "with a hat"}, path="/images/edits",
                                  content_type="image/png")
        self.assertEqual(edit.status, 200, edit.raw)
        self._check_png(edit.json["data"][0]["b64_json"])
        variation = self.client.upload("in.png", png, purpose=None, field="image",
                                       path="/images/variations")
        self._check_png(variation.json["data"][0]["b64_json"])
        self.assertError(self.client.upload("in.png", b"not a png", purpose=None, field="image",
                                            extra={"prompt": "p"}, path="/images/edits"), 400)

    def test_audio_names_the_file_length(self):
        for path, verb in (("/audio/transcriptions", "Transcription"),
                           ("/audio/translations", "Translation")):
            answer = self.client.upload("talk.mp3", b"\0" * 1234, purpose=None,
                                        extra={"model": "whisper-1"}, path=path)
            self.assertEqual(answer.status, 200, answer.raw)
            self.assertEqual(answer.json["text"], "%s of talk.mp3 (1234 bytes)." % verb)
        text = self.client.upload("talk.mp3", b"\0" * 10, purpose=None, path=path,
                                  extra={"model": "whisper-1", "response_format": "text"})
        self.assertEqual(text.raw, b"Translation of talk.mp3 (10 bytes).")

    def test_fine_tunes_leave_a_deletable_model(self):
        training = self.client.upload("train.jsonl", b"{}\n", purpose="fine-tune").json
        job = self.client.ok("POST", "/fine-tunes", {"training_file": training["id"]},
                             beta=False)
        self.assertEqual(job["status"], "pending")
        done = self.client.ok("GET", "/fine-tunes/" + job["id"], beta=False)
        self.assertEqual(done["status"], "succeeded")
        self.assertError(self.client.post("/fine-tunes/%s/cancel" % job["id"], beta=False), 400)
        events = self.client.ok("GET", "/fine-tunes/%s/events" % job["id"], beta=False)["data"]
        self.assertEqual(len(events), 2)
        self.assertIn(job["id"], [j["id"] for j in self.client.ok(
            "GET", "/fine-tunes", beta=False)["data"]])
        model = done["fine_tuned_model"]
        self.assertEqual(self.client.ok("GET", "/models/" + model, beta=False)["id"], model)
        self.assertTrue(self.client.ok("DELETE", "/models/" + model, beta=False)["deleted"])
        self.assertError(self.client.get("/models/" + model, beta=False), 404)


if __name__ == "__main__":
    unittest.main()
