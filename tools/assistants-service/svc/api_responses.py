"""Responses: create (plain or streamed as server-sent events), retrieve, delete, cancel, and the
input items of a response. Answers come from the same engine as runs: equations, file search
quoting the stored text with a file citation, and the echo.

A response carries on a conversation ("conversation", the conversation's items are its context
and it adds its input and output to them) or a chain ("previous_response_id", the earlier
response's input and output are its context); the two exclude each other. With "background"
a response starts "queued" and completes at status read number `--run-polls`, so that it can be
cancelled; otherwise it is complete when created.

The fault control "/_control/cut_stream" makes the next streamed answer stop after a number of
events and drop the connection, without its final event.
"""

import json
import re
import secrets

from . import api_conversations as conversations
from . import validation as v
from .answers import CITATION_MARKER, answer, utf16_len
from .api_vector_stores import searchable_chunks
from .errors import bad_request, not_found
from .listing import list_page
from .response_items import input_items, item_text, last_user_text, message_item
from .routing import Response
from .storage import new_id, now, public

KIND = "response"
INPUT_KIND = "response_input"
MEMBERS = ("model", "input", "instructions", "conversation", "previous_response_id", "tools",
           "tool_choice", "temperature", "top_p", "max_output_tokens", "metadata", "include",
           "store", "stream", "stream_options", "background", "parallel_tool_calls", "text",
           "truncation", "user", "reasoning", "service_tier", "max_tool_calls", "top_logprobs",
           "prompt_cache_key", "safety_identifier")
TOOL_TYPES = ("file_search", "code_interpreter", "function")
WORD = re.compile(r"\S+\s*")


def register(router):
    router.add("POST", "/responses", create)
    router.add("GET", "/responses/{response_id}", retrieve)
    router.add("DELETE", "/responses/{response_id}", delete)
    router.add("POST", "/responses/{response_id}/cancel", cancel)
    router.add("GET", "/responses/{response_id}/input_items", list_input_items)


def _tokens(text):
    return len(WORD.findall(text or ""))


# Checking the request.

def _tools(body):
    tools = body.get("tools")
    if tools is None:
        return []
    v.expect(isinstance(tools, list), "Invalid type for 'tools': expected an array.", "tools")
    for index, tool in enumerate(tools):
        where = "tools[%d]" % index
        v.expect(isinstance(tool, dict) and tool.get("type") in TOOL_TYPES,
                 "Invalid value for '%s.type': expected one of 'file_search', "
                 "'code_interpreter' or 'function'." % where, where + ".type")
        if tool["type"] == "file_search":
            v.id_list(tool.get("vector_store_ids"), where + ".vector_store_ids", 16)
        elif tool["type"] == "code_interpreter":
            container = tool.get("container")
            v.expect(isinstance(container, str) or (isinstance(container, dict) and
                                                    container.get("type") == "auto"),
                     "Missing required parameter: '%s.container'." % where, where + ".container")
        else:
            v.expect(isinstance(tool.get("name"), str) and tool["name"],
                     "Missing required parameter: '%s.name'." % where, where + ".name")
    return tools


def _conversation_id(req, body):
    value = body.get("conversation")
    if value is None:
        return None
    if not conversations.enabled(req):
        raise bad_request("Unrecognized request argument supplied: conversation", "conversation",
                          "unknown_parameter")
    if isinstance(value, dict):
        value = value.get("id")
    v.expect(isinstance(value, str) and value, "Invalid type for 'conversation': expected a "
             "conversation id or an object with its 'id'.", "conversation")
    conversations.load(req, value, "conversation")
    return value


def _store_ids(req, tools):
    """The vector stores of the file search tool, each checked; None without the tool."""
    ids = None
    for index, tool in enumerate(tools):
        if tool["type"] != "file_search":
            continue
        ids = ids or []
        for store_id in tool["vector_store_ids"]:
            if req.app.store.get("vector_store", store_id) is None:
                raise not_found("vector store", store_id, "tools[%d].vector_store_ids" % index)
            if store_id not in ids:
                ids.append(store_id)
    return ids


def _chain(req, previous_id):
    """The items of the chain that ends at `previous_id`, oldest first."""
    items = []
    seen = set()
    while previous_id and previous_id not in seen:
        seen.add(previous_id)
        previous = req.app.store.get(KIND, previous_id)
        if previous is None:
            raise not_found("response", previous_id, "previous_response_id")
        items[:0] = req.app.store.all(INPUT_KIND, previous_id) + previous["output"]
        previous_id = previous.get("previous_response_id")
    return items


# Answering.

def _output(req, question, tools, model, include):
    """The output items of the answer to `question`."""
    store_ids = _store_ids(req, tools)
    chunks = None if store_ids is None else searchable_chunks(req, store_ids)
    reply = answer(question, None, model, chunks)
    output = []
    text = reply.text
    annotations = []
    if reply.search_results is not None:
        results = None
        if "file_search_call.results" in include:
            top = reply.search_results[0][0] if reply.search_results else 1.0
            results = [{"file_id": chunk.file_id, "filename": chunk.filename, "text": chunk.text,
                        "score": round(score / top, 6), "attributes": {}}
                       for score, chunk in reply.search_results]
        output.append({"id": "fs_" + secrets.token_hex(12), "type": "file_search_call",
                       "status": "completed", "queries": [question], "results": results})
        # The quote ends where the citation stands; the marker of the assistants' text is
        # not part of a response's text.
        if text.endswith(CITATION_MARKER):
            text = text[:-len(CITATION_MARKER)].rstrip()
        for cited in reply.annotations:
            file_id = cited["file_citation"]["file_id"]
            name = next((chunk.filename for _, chunk in reply.search_results
                         if chunk.file_id == file_id), "")
            annotations.append({"type": "file_citation", "file_id": file_id, "filename": name,
                                "index": utf16_len(text)})
    message = message_item("assistant", text)
    message["content"][0]["annotations"] = annotations
    output.append(message)
    return output


def _usage(prompt, completion):
    return {"input_tokens": prompt, "input_tokens_details": {"cached_tokens": 0,
                                                             "cache_write_tokens": 0},
            "output_tokens": completion, "output_tokens_details": {"reasoning_tokens": 0},
            "total_tokens": prompt + completion}


def _complete(req, response, context, new_items):
    question = last_user_text(new_items) or last_user_text(context)
    output = _output(req, question, response["tools"], response["model"],
                     response.get("_include", []))
    prompt = _tokens(response["instructions"]) + sum(_tokens(item_text(i))
                                                     for i in context + new_items)
    completion = sum(_tokens(item_text(i)) for i in output)
    response.update({"status": "completed", "completed_at": now(), "output": output,
                     "usage": _usage(prompt, completion)})
    if response.get("conversation"):
        conversations.append_items(req, response["conversation"]["id"], output)


def create(req):
    body = req.json(allowed=MEMBERS, required=("model",))
    model = v.string(body, "model", nullable=False)
    v.expect(bool(model), "Invalid 'model': expected a model name.", "model")
    instructions = v.string(body, "instructions")
    previous_id = v.string(body, "previous_response_id")
    stream = body.get("stream") or False
    background = body.get("background") or False
    store_it = body.get("store", True) is not False
    for name, value in (("stream", stream), ("background", background)):
        v.expect(isinstance(value, bool), "Invalid type for '%s': expected a boolean." % name,
                 name)
    include = body.get("include") or []
    v.id_list(include, "include", 16)
    tools = _tools(body)
    max_output = body.get("max_output_tokens")
    v.expect(max_output is None or (isinstance(max_output, int) and not isinstance(
        max_output, bool) and max_output >= 16), "Invalid 'max_output_tokens': expected an "
        "integer of at least 16.", "max_output_tokens")
    new_items = input_items(body.get("input", []))
    store = req.app.store
    with store.transaction():
        conversation_id = _conversation_id(req, body)
        if conversation_id and previous_id:
            raise bad_request("Cannot use 'previous_response_id' together with 'conversation'.",
                              "previous_response_id")
        if conversation_id:
            context = conversations.items_of(req, conversation_id)
        else:
            context = _chain(req, previous_id)
        created = now()
        response = {
            "id": new_id("resp_"), "object": "response", "created_at": created,
            "status": "queued" if background else "in_progress", "background": background,
            "completed_at": None, "error": None, "incomplete_details": None,
            "instructions": instructions, "max_output_tokens": max_output, "model": model,
            "output": [], "parallel_tool_calls": body.get("parallel_tool_calls", True) is not False,
            "previous_response_id": previous_id,
            "conversation": {"id": conversation_id} if conversation_id else None,
            "temperature": v.number(body, "temperature", 0, 2, 1.0),
            "top_p": v.number(body, "top_p", 0, 1, 1.0),
            "tool_choice": body.get("tool_choice") or "auto", "tools": tools,
            "metadata": v.metadata(body), "store": store_it, "truncation": "disabled",
            "text": {"format": {"type": "text"}},
            "_include": include, "_reads": 0}
        if conversation_id:
            conversations.append_items(req, conversation_id, new_items)
        if background:
            response["_context"] = context
            response["_new"] = new_items
        else:
            _complete(req, response, context, new_items)
        if store_it or background:
            store.insert(KIND, response)
            for item in new_items:
                store.insert(INPUT_KIND, item, response["id"])
    if stream:
        return Response(stream=_events(req, response), content_type="text/event-stream")
    return public(response)


def _load(req):
    response = req.app.store.get(KIND, req.params["response_id"])
    if response is None:
        raise not_found("response", req.params["response_id"])
    return response


def _advance(req, response):
    """One status read of a background response moves it along."""
    if response["status"] not in ("queued", "in_progress"):
        return
    response["_reads"] += 1
    if response["_reads"] >= req.app.config.run_polls:
        _complete(req, response, response.pop("_context", []), response.pop("_new", []))
    else:
        response["status"] = "in_progress"


def retrieve(req):
    with req.app.store.transaction():
        response = _load(req)
        _advance(req, response)
        req.app.store.update(KIND, response)
    return public(response)


def delete(req):
    with req.app.store.transaction():
        response = _load(req)
        req.app.store.delete_children(response["id"], INPUT_KIND)
        req.app.store.delete(KIND, response["id"])
    return {"id": response["id"], "object": "response", "deleted": True}


def cancel(req):
    with req.app.store.transaction():
        response = _load(req)
        if not response.get("background"):
            raise bad_request("Only background responses can be cancelled.", "response_id")
        if response["status"] in ("queued", "in_progress"):
            response.update({"status": "cancelled", "_context": [], "_new": []})
            req.app.store.update(KIND, response)
    return public(response)


def list_input_items(req):
    response = _load(req)
    return list_page(req, INPUT_KIND, response["id"])


# Streaming.

def _sse(data):
    return ("event: %s\ndata: %s\n\n" % (data["type"], json.dumps(
        data, ensure_ascii=False, separators=(",", ":")))).encode("utf-8")


def _pieces(text):
    words = WORD.findall(text) or [text]
    return ["".join(words[i:i + 3]) for i in range(0, len(words), 3)]


def _event_data(final):
    """The events of a streamed response, in the order the API sends them."""
    response = public(final)
    # No usage until the answer is complete (the member is an object or absent).
    started = dict(response, status="in_progress", completed_at=None, output=[])
    started.pop("usage", None)
    yield {"type": "response.created", "response": started}
    yield {"type": "response.in_progress", "response": started}
    if final["status"] != "completed":
        # A background response streams its start only; it finishes on later reads.
        return
    for index, item in enumerate(response["output"]):
        if item["type"] == "file_search_call":
            yield {"type": "response.output_item.added", "output_index": index,
                   "item": dict(item, status="in_progress", results=None)}
            for step in ("in_progress", "searching", "completed"):
                yield {"type": "response.file_search_call." + step, "output_index": index,
                       "item_id": item["id"]}
            yield {"type": "response.output_item.done", "output_index": index, "item": item}
            continue
        part = item["content"][0]
        common = {"item_id": item["id"], "output_index": index, "content_index": 0}
        yield {"type": "response.output_item.added", "output_index": index,
               "item": dict(item, status="in_progress", content=[])}
        yield dict(common, type="response.content_part.added",
                   part={"type": "output_text", "text": "", "annotations": [], "logprobs": []})
        for piece in _pieces(part["text"]):
            yield dict(common, type="response.output_text.delta", delta=piece, logprobs=[])
        for number, annotation in enumerate(part["annotations"]):
            yield dict(common, type="response.output_text.annotation.added",
                       annotation_index=number, annotation=annotation)
        yield dict(common, type="response.output_text.done", text=part["text"], logprobs=[])
        yield dict(common, type="response.content_part.done", part=part)
        yield {"type": "response.output_item.done", "output_index": index, "item": item}
    yield {"type": "response.completed", "response": response}


def _events(req, final):
    cut_after = req.app.control.take_stream_cut()
    for number, data in enumerate(_event_data(final)):
        if cut_after is not None and number >= cut_after:
            # Caught by the HTTP front as a connection gone: no final chunk, no final event.
            raise ConnectionAbortedError("stream cut by the fault control")
        data["sequence_number"] = number
        yield _sse(data)
