"""The responses and conversations APIs of the service: answers from the shared engine, chains of
responses, conversations and their items, streaming with the API's event names (each event
validated against its schema), the cut-stream fault control, Azure's v1 form, and the switch
that turns conversations off."""

import http.client
import json
import time
import unittest

from svc_testlib import ApiDescription, Client, ServiceTestCase


def utf16_len(text):
    return len(text.encode("utf-16-le")) // 2


def event_schemas():
    """The schema of each stream event, by its "type"."""
    api = ApiDescription.get()
    schemas = {}
    for option in api.schema("ResponseStreamEvent")["anyOf"]:
        name = option["$ref"].rsplit("/", 1)[1]
        for kind in api.schema(name)["properties"]["type"].get("enum", []):
            schemas[kind] = name
    return schemas


def parse_events(raw):
    """(event, data) pairs of a complete event stream; every event's data is validated."""
    api = ApiDescription.get()
    schemas = event_schemas()
    events = []
    for block in raw.decode("utf-8").split("\n\n"):
        if not block.strip():
            continue
        fields = dict(line.split(": ", 1) for line in block.split("\n"))
        data = json.loads(fields["data"])
        assert fields["event"] == data["type"], block
        api.validate(data, api.schema(schemas[data["type"]]), data["type"])
        events.append((fields["event"], data))
    return events


class ResponsesCase(ServiceTestCase):
    def respond(self, **members):
        body = {"model": "gpt-4o-mini"}
        body.update(members)
        return self.client.ok("POST", "/responses", body, beta=False)

    def stream_raw(self, body, path="/v1/responses"):
        conn = http.client.HTTPConnection("127.0.0.1", self.service.port, timeout=30)
        try:
            conn.request("POST", path, body=json.dumps(body).encode("utf-8"),
                         headers={"Authorization": "Bearer test-key",
                                  "Content-Type": "application/json"})
            answer = conn.getresponse()
            return answer, answer.read()
        finally:
            conn.close()

    def store_with(self, filename, text):
        uploaded = self.client.upload(filename, text.encode("utf-8")).json
        store = self.client.ok("POST", "/vector_stores", {"name": "manuals",
                                                          "file_ids": [uploaded["id"]]})
        for _ in range(50):
            store = self.client.ok("GET", "/vector_stores/" + store["id"])
            if store["file_counts"]["completed"] == 1:
                return uploaded["id"], store["id"]
            time.sleep(0.05)
        raise AssertionError("the store did not take the file: %r" % store)


class Responses(ResponsesCase):
    def test_plain_answer_and_its_life(self):
        made = self.respond(input="Solve 3x + 2 = 11", instructions="Show the steps.",
                            metadata={"k": "v"})
        self.assertTrue(made["id"].startswith("resp_"))
        self.assertEqual((made["object"], made["status"], made["instructions"], made["metadata"]),
                         ("response", "completed", "Show the steps.", {"k": "v"}))
        message = made["output"][-1]
        self.assertEqual((message["type"], message["role"]), ("message", "assistant"))
        self.assertIn("Solution: x = 3", message["content"][0]["text"])
        self.assertGreater(made["usage"]["output_tokens"], 0)
        self.assertEqual(self.client.ok("GET", "/responses/" + made["id"], beta=False), made)
        items = self.client.ok("GET", "/responses/%s/input_items" % made["id"], beta=False)
        self.assertEqual([item_text(i) for i in items["data"]], ["Solve 3x + 2 = 11"])
        gone = self.client.ok("DELETE", "/responses/" + made["id"], beta=False)
        self.assertEqual(gone, {"id": made["id"], "object": "response", "deleted": True})
        self.assertError(self.client.get("/responses/" + made["id"], beta=False), 404)

    def test_input_items_and_the_echo(self):
        made = self.respond(input=[
            {"role": "developer", "content": "Be kind."},
            {"type": "message", "role": "user",
             "content": [{"type": "input_text", "text": "Hello there"}]}])
        self.assertIn('received your message: "Hello there"', item_text(made["output"][0]))
        page = self.client.ok("GET", "/responses/%s/input_items?order=asc" % made["id"],
                              beta=False)
        self.assertEqual([i["role"] for i in page["data"]], ["developer", "user"])

    def test_previous_response_chain(self):
        first = self.respond(input="Solve x + 1 = 2")
        second = self.respond(input="And now 2y = 8", previous_response_id=first["id"])
        self.assertEqual(second["previous_response_id"], first["id"])
        self.assertIn("y = 4", item_text(second["output"][0]))
        self.assertError(self.client.post("/responses", {"model": "m", "input": "x",
                                                         "previous_response_id": "resp_nope"},
                                          beta=False), 404, "resp_nope")
        # A response that was not stored cannot be chained to.
        unstored = self.respond(input="hi", store=False)
        self.assertError(self.client.get("/responses/" + unstored["id"], beta=False), 404)

    def test_file_search_quotes_the_file_with_a_citation(self):
        file_id, store_id = self.store_with("manual.txt", "Intro line.\nThe Host property "
                                            "names the server to connect to.\nOther things.\n")
        made = self.respond(input="Which property names the server?",
                            tools=[{"type": "file_search", "vector_store_ids": [store_id]}],
                            include=["file_search_call.results"])
        call, message = made["output"]
        self.assertEqual((call["type"], call["status"]), ("file_search_call", "completed"))
        self.assertEqual(call["results"][0]["file_id"], file_id)
        text = message["content"][0]["text"]
        self.assertIn('"The Host property names the server to connect to."', text)
        self.assertEqual(message["content"][0]["annotations"], [
            {"type": "file_citation", "file_id": file_id, "filename": "manual.txt",
             "index": utf16_len(text)}])
        missing = self.client.post("/responses", {"model": "m", "input": "x", "tools": [
            {"type": "file_search", "vector_store_ids": ["vs_missing"]}]}, beta=False)
        self.assertError(missing, 404, "vs_missing")

    def test_bad_requests(self):
        cases = [({"input": "x"}, "model"),
                 ({"model": "m", "colour": 1}, "colour"),
                 ({"model": "m", "input": [{"role": "robot", "content": "x"}]}, "input[0].role"),
                 ({"model": "m", "input": 5}, "input"),
                 ({"model": "m", "tools": [{"type": "file_search"}]},
                  "tools[0].vector_store_ids"),
                 ({"model": "m", "tools": [{"type": "code_interpreter"}]},
                  "tools[0].container"),
                 ({"model": "m", "temperature": 3}, "temperature"),
                 ({"model": "m", "stream": "yes"}, "stream"),
                 ({"model": "m", "max_output_tokens": 3}, "max_output_tokens")]
        for body, param in cases:
            with self.subTest(body=body):
                error = self.assertError(self.client.post("/responses", body, beta=False), 400)
                self.assertEqual(error["param"], param)

    def test_background_response_completes_on_reads_and_can_be_cancelled(self):
        made = self.respond(input="Solve x = 5", background=True)
        self.assertEqual(made["status"], "queued")
        seen = [self.client.ok("GET", "/responses/" + made["id"], beta=False)["status"]
                for _ in range(2)]
        self.assertEqual(seen, ["in_progress", "completed"])
        other = self.respond(input="hi", background=True)
        cancelled = self.client.ok("POST", "/responses/%s/cancel" % other["id"], beta=False)
        self.assertEqual(cancelled["status"], "cancelled")
        plain = self.respond(input="hi")
        self.assertError(self.client.post("/responses/%s/cancel" % plain["id"], beta=False), 400)

    def test_azure_v1_form_needs_no_version(self):
        azure = Client(self.service, key=None, prefix="/openai/v1")
        made = azure.ok("POST", "/responses", {"model": "m", "input": "Solve 2x = 4"},
                        headers={"api-key": "test-key"}, beta=False)
        self.assertIn("x = 2", item_text(made["output"][0]))
        conversation = azure.ok("POST", "/conversations", {}, headers={"api-key": "test-key"},
                                beta=False)
        self.assertEqual(conversation["object"], "conversation")


class Streaming(ResponsesCase):
    def test_events_in_the_api_order_rebuild_the_answer(self):
        answer, raw = self.stream_raw({"model": "m", "stream": True,
                                       "input": "Please solve 4x - 3 = 9 for me"})
        self.assertEqual(answer.status, 200)
        self.assertEqual(answer.getheader("Content-Type"), "text/event-stream")
        self.assertEqual(answer.getheader("Transfer-Encoding"), "chunked")
        events = parse_events(raw)
        names = [name for name, _ in events]
        self.assertEqual(names[:5], ["response.created", "response.in_progress",
                                     "response.output_item.added", "response.content_part.added",
                                     "response.output_text.delta"])
        self.assertEqual(names[-4:], ["response.output_text.done", "response.content_part.done",
                                      "response.output_item.done", "response.completed"])
        deltas = [data["delta"] for name, data in events if name == "response.output_text.delta"]
        self.assertGreater(len(deltas), 1)
        final = events[-1][1]["response"]
        self.assertEqual("".join(deltas), item_text(final["output"][0]))
        self.assertIn("x = 3", "".join(deltas))
        self.assertEqual([data["sequence_number"] for _, data in events],
                         list(range(len(events))))
        self.assertEqual(self.client.ok("GET", "/responses/" + final["id"], beta=False), final)

    def test_file_search_stream_carries_the_search_and_the_citation(self):
        file_id, store_id = self.store_with("notes.txt", "Proxies need the ProxyParams "
                                            "option.\n")
        _, raw = self.stream_raw({"model": "m", "stream": True, "input": "How do proxies work?",
                                  "tools": [{"type": "file_search",
                                             "vector_store_ids": [store_id]}]})
        names = [name for name, _ in parse_events(raw)]
        for name in ("response.file_search_call.in_progress", "response.file_search_call.searching",
                     "response.file_search_call.completed",
                     "response.output_text.annotation.added"):
            self.assertIn(name, names)

    def test_cut_stream_ends_without_its_final_event(self):
        self.client.control("POST", "cut_stream", {"after_events": 4})
        conn = http.client.HTTPConnection("127.0.0.1", self.service.port, timeout=30)
        conn.request("POST", "/v1/responses", body=json.dumps(
            {"model": "m", "stream": True, "input": "one two three four five six seven"}),
            headers={"Authorization": "Bearer test-key", "Content-Type": "application/json"})
        answer = conn.getresponse()
        with self.assertRaises(http.client.IncompleteRead) as cut:
            answer.read()
        conn.close()
        text = cut.exception.partial.decode("utf-8")
        self.assertEqual(text.count("\nevent: ") + text.startswith("event: "), 4)
        self.assertNotIn("response.completed", text)
        # The control acts once; the service carries on.
        _, raw = self.stream_raw({"model": "m", "stream": True, "input": "again"})
        self.assertEqual(parse_events(raw)[-1][0], "response.completed")


class Conversations(ResponsesCase):
    def test_conversation_and_its_items(self):
        made = self.client.ok("POST", "/conversations", {
            "metadata": {"topic": "demo"},
            "items": [{"type": "message", "role": "user", "content": "Hello!"}]}, beta=False)
        self.assertTrue(made["id"].startswith("conv_"))
        self.assertEqual((made["object"], made["metadata"]), ("conversation", {"topic": "demo"}))
        path = "/conversations/%s" % made["id"]
        added = self.client.ok("POST", path + "/items", {"items": [
            {"role": "assistant", "content": "Hi."}, {"role": "user", "content": "Bye."}]},
            beta=False)
        self.assertEqual(len(added["data"]), 2)
        page = self.client.ok("GET", path + "/items?order=asc", beta=False)
        self.assertEqual([item_text(i) for i in page["data"]], ["Hello!", "Hi.", "Bye."])
        newest = self.client.ok("GET", path + "/items?limit=1", beta=False)
        self.assertEqual((item_text(newest["data"][0]), newest["has_more"]), ("Bye.", True))
        one = self.client.ok("GET", path + "/items/" + added["data"][0]["id"], beta=False)
        self.assertEqual(one["role"], "assistant")
        self.assertEqual(self.client.ok("DELETE", path + "/items/" + one["id"], beta=False)["id"],
                         made["id"])
        self.assertError(self.client.get(path + "/items/" + one["id"], beta=False), 404)
        changed = self.client.ok("POST", path, {"metadata": {"topic": "done"}}, beta=False)
        self.assertEqual(changed["metadata"], {"topic": "done"})
        self.assertError(self.client.post(path, {}, beta=False), 400, "metadata")
        self.assertError(self.client.post(path + "/items", {"items": [
            {"role": "user", "content": "x"}] * 21}, beta=False), 400)
        self.assertEqual(self.client.ok("DELETE", path, beta=False),
                         {"id": made["id"], "object": "conversation.deleted", "deleted": True})
        self.assertError(self.client.get(path, beta=False), 404)

    def test_responses_carry_on_the_conversation(self):
        conversation = self.client.ok("POST", "/conversations", {}, beta=False)
        first = self.respond(input="Solve x + 2 = 5", conversation=conversation["id"])
        self.assertEqual(first["conversation"], {"id": conversation["id"]})
        self.respond(input="Thanks", conversation={"id": conversation["id"]})
        items = self.client.ok("GET", "/conversations/%s/items?order=asc" % conversation["id"],
                               beta=False)["data"]
        self.assertEqual([i["role"] for i in items], ["user", "assistant", "user", "assistant"])
        self.assertIn("x = 3", item_text(items[1]))
        both = self.client.post("/responses", {"model": "m", "input": "x",
                                               "conversation": conversation["id"],
                                               "previous_response_id": first["id"]}, beta=False)
        self.assertError(both, 400, "previous_response_id")
        self.assertError(self.client.post("/responses", {"model": "m", "conversation": "conv_no"},
                                          beta=False), 404, "conv_no")


class ConversationsSwitchedOff(ResponsesCase):
    SERVICE_ARGS = ("--no-conversations",)

    def test_conversations_answer_404_and_chains_still_work(self):
        self.assertError(self.client.post("/conversations", {}, beta=False), 404, "Invalid URL")
        self.assertError(self.client.get("/conversations/conv_1/items", beta=False), 404)
        error = self.assertError(self.client.post("/responses", {"model": "m", "input": "x",
                                                                 "conversation": "conv_1"},
                                                  beta=False), 400)
        self.assertEqual(error["param"], "conversation")
        first = self.respond(input="Solve x + 1 = 3")
        second = self.respond(input="hi", previous_response_id=first["id"])
        self.assertEqual(second["previous_response_id"], first["id"])


def item_text(item):
    return "".join(part.get("text", "") for part in item.get("content", []))


if __name__ == "__main__":
    unittest.main()
