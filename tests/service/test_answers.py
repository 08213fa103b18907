"""The answer engine: linear equations, BM25 file search with UTF-16 citation indices, the
echo; as units and through runs."""

import os
import sys
import unittest

from svc_testlib import REPO, ServiceTestCase

sys.path.insert(0, os.path.join(REPO, "tools", "assistants-service"))
from svc import answers, retrieval  # noqa: E402


class LinearEquations(unittest.TestCase):
    def test_solutions(self):
        cases = [("3x + 11 = 14", "x = 1"), ("Solve 2y-4=10 please", "y = 7"),
                 ("5 = 2x + 1", "x = 2"), ("-x + 3 = 1", "x = 2"), ("4z = 6", "z = 3/2"),
                 ("  7 a   -  1 =  -15 ", "a = -2"), ("x = 5", "x = 5"),
                 ("2x + 3 = x + 10", "x = 7"), ("3*x + 0 = 9", "x = 3")]
        for question, solution in cases:
            with self.subTest(question=question):
                worked = answers.solve_linear(question)
                self.assertIsNotNone(worked)
                self.assertTrue(worked.endswith("Solution: " + solution), worked)

    def test_degenerate_and_non_equations(self):
        self.assertIn("every value of x", answers.solve_linear("2x + 1 = 2x + 1"))
        self.assertIn("no solution", answers.solve_linear("2x + 1 = 2x + 2"))
        for text in ("3 + 4 = 7", "x + y = 3", "hello world", "a == b", "email=me@x",
                     "version 1.5x = 3"):
            with self.subTest(text=text):
                self.assertIsNone(answers.solve_linear(text))

    def test_echo_names_the_assistant(self):
        reply = answers.answer("What is new?", "Help Desk", "asst_1")
        self.assertEqual(reply.text, 'Help Desk (asst_1) received your message: "What is new?"')
        self.assertEqual(reply.annotations, [])


class Ranking(unittest.TestCase):
    def chunks(self, *lines):
        return [retrieval.Chunk("file-1", "f.txt", line) for line in lines]

    def test_bm25_prefers_rare_terms_and_shorter_lines(self):
        chunks = self.chunks("the parser reads json text", "the window shows text",
                             "json json json parser parser in a very long line of many words "
                             "about other unrelated subjects entirely", "nothing here")
        ranked = retrieval.rank("json parser", chunks, limit=4)
        self.assertEqual([c.text for _, c in ranked][:2],
                         [chunks[0].text, chunks[2].text])
        self.assertNotIn(chunks[3], [c for _, c in ranked])
        self.assertEqual(retrieval.rank("the a of", chunks), [])  # stop words only

    def test_citation_indices_count_utf16_units(self):
        line = "Emoji \U0001F600 and caf\u00e9 both here"
        reply = answers.file_search_answer("emoji cafe both", self.chunks("other", line))
        annotation, = reply.annotations
        units = reply.text.encode("utf-16-le")
        cited = units[2 * annotation["start_index"]:2 * annotation["end_index"]].decode(
            "utf-16-le")
        self.assertEqual(cited, annotation["text"])
        self.assertEqual(annotation["text"], answers.CITATION_MARKER)
        self.assertTrue(all(ord(ch) < 0x10000 for ch in answers.CITATION_MARKER))
        self.assertIn(line, reply.text)
        # Counting code points instead would put the marker one unit early.
        self.assertEqual(annotation["start_index"], reply.text.index(answers.CITATION_MARKER) + 1)


class AnswersThroughRuns(ServiceTestCase):
    MANUAL = ("Installing: run the setup program and choose a folder.\n"
              "The TozkJSON class parses JSON text into a document tree.\n"
              "Licence keys go into the registration dialog \U0001F511.\n"
              "Uninstalling removes every file but your settings.\n").encode("utf-8")

    def setUp(self):
        uploaded = self.client.upload("manual.txt", self.MANUAL).json
        self.file_id = uploaded["id"]
        self.store = self.client.ok("POST", "/vector_stores", {"name": "manuals",
                                                               "file_ids": [self.file_id]})

    def ask(self, question, **assistant):
        made = self.make_assistant(**assistant)
        thread = self.client.ok("POST", "/threads", {"messages": [
            {"role": "user", "content": "an earlier question"},
            {"role": "user", "content": question}]})
        run = self.run_to_completion(thread["id"], made["id"])
        self.assertEqual(run["status"], "completed")
        message = self.client.ok("GET", "/threads/%s/messages?limit=1&run_id=%s"
                                 % (thread["id"], run["id"]))["data"][0]
        steps = self.client.ok("GET", "/threads/%s/runs/%s/steps?order=asc"
                               % (thread["id"], run["id"]))["data"]
        return message["content"][0]["text"], steps

    def test_file_search_quotes_the_best_line_with_a_citation(self):
        text, steps = self.ask("Where do licence keys go?", tools=[{"type": "file_search"}],
                               tool_resources={"file_search": {
                                   "vector_store_ids": [self.store["id"]]}})
        self.assertIn("Licence keys go into the registration dialog \U0001F511.", text["value"])
        annotation, = text["annotations"]
        self.assertEqual((annotation["type"], annotation["file_citation"]["file_id"]),
                         ("file_citation", self.file_id))
        units = text["value"].encode("utf-16-le")
        self.assertEqual(units[2 * annotation["start_index"]:2 * annotation["end_index"]]
                         .decode("utf-16-le"), annotation["text"])
        self.assertEqual([s["type"] for s in steps], ["tool_calls", "message_creation"])
        call = steps[0]["step_details"]["tool_calls"][0]
        self.assertEqual(call["file_search"]["results"][0]["file_id"], self.file_id)

    def test_thread_resources_also_feed_file_search(self):
        made = self.make_assistant(tools=[{"type": "file_search"}])
        thread = self.client.ok("POST", "/threads", {
            "messages": [{"role": "user", "content": "how does TozkJSON parse?"}],
            "tool_resources": {"file_search": {"vector_store_ids": [self.store["id"]]}}})
        self.run_to_completion(thread["id"], made["id"])
        value = self.client.ok("GET", "/threads/%s/messages?limit=1" % thread["id"])[
            "data"][0]["content"][0]["text"]["value"]
        self.assertIn("The TozkJSON class parses JSON text", value)

    def test_without_file_search_the_question_is_echoed(self):
        text, steps = self.ask("Where do licence keys go?", name="Desk")
        self.assertIn('Desk (asst_', text["value"])
        self.assertIn('"Where do licence keys go?"', text["value"])
        self.assertEqual(text["annotations"], [])
        self.assertEqual([s["type"] for s in steps], ["message_creation"])

    def test_equation_wins_over_search(self):
        text, _ = self.ask("9x - 3 = 24", tools=[{"type": "file_search"}],
                           tool_resources={"file_search": {
                               "vector_store_ids": [self.store["id"]]}})
        self.assertTrue(text["value"].endswith("Solution: x = 3"))

    def test_streamed_annotation_delta_carries_an_index(self):
        made = self.make_assistant(tools=[{"type": "file_search"}], tool_resources={
            "file_search": {"vector_store_ids": [self.store["id"]]}})
        thread = self.client.ok("POST", "/threads", {
            "messages": [{"role": "user", "content": "uninstalling settings"}]})
        events = self.client.stream("/threads/%s/runs" % thread["id"],
                                    {"assistant_id": made["id"], "stream": True})
        annotated = [part["text"]["annotations"] for name, data in events
                     if name == "thread.message.delta" for part in data["delta"]["content"]
                     if "annotations" in part["text"]]
        self.assertEqual(len(annotated), 1)
        self.assertEqual(annotated[0][0]["index"], 0)
        final = dict(events)["thread.message.completed"]["content"][0]["text"]
        self.assertEqual(annotated[0][0]["start_index"], final["annotations"][0]["start_index"])
        self.assertIn("Uninstalling removes every file", final["value"])


if __name__ == "__main__":
    unittest.main()
