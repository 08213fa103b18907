"""Runs and run steps: creation (also with a new thread, also streamed), the status progression
that polling clients see, cancel, and the steps and message a completed run leaves behind.

A run answers "queued" when created and completes at status read number `--run-polls`; every
read says how soon to poll again in "openai-poll-after-ms".
"""

import re
import secrets

from . import validation as v
from .answers import answer
from .api_assistants import load as load_assistant
from .api_threads import (MESSAGE_KIND, RUN_KIND as KIND, STEP_KIND, add_message, load as
                          load_thread, message_text, new_thread)
from .api_vector_stores import searchable_chunks
from .errors import ApiError, bad_request, not_found
from .listing import list_page
from .routing import Response, sse_event
from .storage import new_id, now, public

ACTIVE = ("queued", "in_progress", "requires_action", "cancelling")
RUN_MEMBERS = ("assistant_id", "model", "instructions", "additional_instructions",
               "additional_messages", "tools", "metadata", "temperature", "top_p", "stream",
               "max_prompt_tokens", "max_completion_tokens", "truncation_strategy",
               "tool_choice", "parallel_tool_calls", "response_format", "reasoning_effort")
THREAD_AND_RUN_MEMBERS = ("assistant_id", "thread", "model", "instructions", "tools",
                          "tool_resources", "metadata", "temperature", "top_p", "stream",
                          "max_prompt_tokens", "max_completion_tokens", "truncation_strategy",
                          "tool_choice", "parallel_tool_calls", "response_format")
WORD = re.compile(r"\S+\s*")


def register(router):
    router.add("POST", "/threads/runs", create_thread_and_run, beta=True)
    router.add("POST", "/threads/{thread_id}/runs", create, beta=True)
    router.add("GET", "/threads/{thread_id}/runs", listing, beta=True)
    router.add("GET", "/threads/{thread_id}/runs/{run_id}", retrieve, beta=True)
    router.add("POST", "/threads/{thread_id}/runs/{run_id}", modify, beta=True)
    router.add("POST", "/threads/{thread_id}/runs/{run_id}/cancel", cancel, beta=True)
    router.add("POST", "/threads/{thread_id}/runs/{run_id}/submit_tool_outputs",
               submit_tool_outputs, beta=True)
    router.add("GET", "/threads/{thread_id}/runs/{run_id}/steps", list_steps, beta=True)
    router.add("GET", "/threads/{thread_id}/runs/{run_id}/steps/{step_id}", retrieve_step,
               beta=True)


def _poll_headers(req):
    return {"openai-poll-after-ms": str(req.app.config.poll_after_ms)}


def _run_answer(req, run):
    return Response(public(run), headers=_poll_headers(req))


def _tokens(text):
    return len(WORD.findall(text or ""))


# Creation.

def _new_run(req, body, thread_id):
    assistant = load_assistant(req, v.string(body, "assistant_id", nullable=False),
                               "assistant_id")
    for name in ("max_prompt_tokens", "max_completion_tokens"):
        value = body.get(name)
        v.expect(value is None or (isinstance(value, int) and not isinstance(value, bool)
                                   and value >= 256),
                 "Invalid '%s': expected an integer of at least 256." % name, name)
    stream = body.get("stream", False)
    v.expect(stream is None or isinstance(stream, bool), "Invalid type for 'stream': expected a "
             "boolean.", "stream")
    instructions = v.string(body, "instructions")
    if instructions is None:
        instructions = assistant.get("instructions") or ""
    extra = v.string(body, "additional_instructions")
    if extra:
        instructions = (instructions + "\n" + extra) if instructions else extra
    truncation = body.get("truncation_strategy") or {"type": "auto", "last_messages": None}
    v.expect(isinstance(truncation, dict) and truncation.get("type") in ("auto", "last_messages"),
             "Invalid 'truncation_strategy'.", "truncation_strategy")
    tool_choice = body.get("tool_choice") or "auto"
    v.expect(tool_choice in ("none", "auto", "required") or isinstance(tool_choice, dict),
             "Invalid 'tool_choice'.", "tool_choice")
    parallel = body.get("parallel_tool_calls", True)
    v.expect(isinstance(parallel, bool), "Invalid type for 'parallel_tool_calls'.",
             "parallel_tool_calls")
    created = now()
    run = {"id": new_id("run_"), "object": "thread.run", "created_at": created,
           "thread_id": thread_id, "assistant_id": assistant["id"], "status": "queued",
           "required_action": None, "last_error": None, "expires_at": created + 600,
           "started_at": None, "cancelled_at": None, "failed_at": None, "completed_at": None,
           "incomplete_details": None,
           "model": v.string(body, "model") or assistant["model"],
           "instructions": instructions,
           "tools": v.tools(body) if body.get("tools") is not None else assistant["tools"],
           "metadata": v.metadata(body), "usage": None,
           "temperature": v.number(body, "temperature", 0, 2, assistant.get("temperature", 1.0)),
           "top_p": v.number(body, "top_p", 0, 1, assistant.get("top_p", 1.0)),
           "max_prompt_tokens": body.get("max_prompt_tokens"),
           "max_completion_tokens": body.get("max_completion_tokens"),
           "truncation_strategy": truncation, "tool_choice": tool_choice,
           "parallel_tool_calls": parallel,
           "response_format": body.get("response_format") or assistant.get("response_format")
           or "auto",
           "_reads": 0}
    return run, bool(stream)


def _check_idle(req, thread_id):
    for other in req.app.store.all(KIND, thread_id, descending=True):
        if other["status"] in ACTIVE:
            raise bad_request("Thread %s already has an active run %s." % (thread_id,
                                                                            other["id"]))


def _start(req, run, stream):
    if stream:
        _complete(req, run)
        req.app.store.update(KIND, run, run["thread_id"])
        return Response(stream=_events(req, run), content_type="text/event-stream",
                        headers=_poll_headers(req))
    return _run_answer(req, run)


def create(req):
    body = req.json(allowed=RUN_MEMBERS, required=("assistant_id",))
    thread_id = req.params["thread_id"]
    store = req.app.store
    with store.transaction():
        load_thread(req, thread_id)
        _check_idle(req, thread_id)
        run, stream = _new_run(req, body, thread_id)
        extra = body.get("additional_messages") or []
        v.expect(isinstance(extra, list), "Invalid type for 'additional_messages'.",
                 "additional_messages")
        for index, message in enumerate(extra):
            v.expect(isinstance(message, dict), "Invalid 'additional_messages[%d]'." % index,
                     "additional_messages")
            add_message(req, thread_id, message, "additional_messages[%d]." % index)
        store.insert(KIND, run, thread_id)
        return _start(req, run, stream)


def create_thread_and_run(req):
    body = req.json(allowed=THREAD_AND_RUN_MEMBERS, required=("assistant_id",))
    thread_body = body.get("thread") or {}
    v.expect(isinstance(thread_body, dict), "Invalid type for 'thread': expected an object.",
             "thread")
    if body.get("tool_resources") is not None:
        thread_body = dict(thread_body, tool_resources=body["tool_resources"])
    store = req.app.store
    with store.transaction():
        thread = new_thread(req, thread_body)
        run, stream = _new_run(req, body, thread["id"])
        store.insert(KIND, run, thread["id"])
        return _start(req, run, stream)


# Progression.

def _load(req):
    thread_id, run_id = req.params["thread_id"], req.params["run_id"]
    load_thread(req, thread_id)
    run = req.app.store.get(KIND, run_id, thread_id)
    if run is None:
        raise not_found("run", run_id)
    return run


def _advance(req, run):
    """One status read of the run moves it along."""
    if run["status"] == "cancelling":
        run["status"] = "cancelled"
        run["cancelled_at"] = now()
        run["expires_at"] = None
        return
    if run["status"] not in ("queued", "in_progress"):
        return
    run["_reads"] += 1
    if run["_reads"] >= req.app.config.run_polls:
        _complete(req, run)
    else:
        run["status"] = "in_progress"
        run["started_at"] = run["started_at"] or now()


def _search_stores(req, run):
    if not any(tool.get("type") == "file_search" for tool in run["tools"]):
        return None
    ids = []
    thread = req.app.store.get("thread", run["thread_id"]) or {}
    assistant = req.app.store.get("assistant", run["assistant_id"]) or {}
    for owner in (thread, assistant):
        for store_id in (owner.get("tool_resources") or {}).get("file_search", {}).get(
                "vector_store_ids", []):
            if store_id not in ids and req.app.store.get("vector_store", store_id):
                ids.append(store_id)
    return ids or None


def _new_step(run, kind, details, usage, created):
    return {"id": new_id("step_"), "object": "thread.run.step", "created_at": created,
            "assistant_id": run["assistant_id"], "thread_id": run["thread_id"],
            "run_id": run["id"], "type": kind, "status": "completed", "step_details": details,
            "last_error": None, "expired_at": None, "cancelled_at": None, "failed_at": None,
            "completed_at": created, "metadata": {}, "usage": usage}


def _usage(prompt, completion):
    return {"prompt_tokens": prompt, "completion_tokens": completion,
            "total_tokens": prompt + completion}


def _complete(req, run):
    """Answers the latest user message: stores the assistant's message and the steps."""
    store = req.app.store
    thread_id = run["thread_id"]
    messages = store.all(MESSAGE_KIND, thread_id, descending=True)
    latest = next((m for m in messages if m["role"] == "user"), None)
    question = message_text(latest) if latest else ""
    assistant = store.get("assistant", run["assistant_id"]) or {}
    stores = _search_stores(req, run)
    chunks = searchable_chunks(req, stores) if stores else None
    reply = answer(question, assistant.get("name"), run["assistant_id"], chunks)
    created = now()
    prompt_tokens = _tokens(run["instructions"]) + sum(
        _tokens(message_text(m)) for m in messages)
    completion_tokens = _tokens(reply.text)
    steps = []
    if reply.search_results is not None:
        results = [{"file_id": chunk.file_id, "file_name": chunk.filename,
                    "score": round(score / reply.search_results[0][0], 6)}
                   for score, chunk in reply.search_results]
        call = {"id": "call_" + secrets.token_hex(12), "type": "file_search",
                "file_search": {"ranking_options": {"ranker": "default_2024_08_21",
                                                    "score_threshold": 0.0},
                                "results": results}}
        steps.append(_new_step(run, "tool_calls", {"type": "tool_calls", "tool_calls": [call]},
                               _usage(prompt_tokens, 0), created))
    message = add_message(req, thread_id, {"content": [
        {"type": "text", "text": {"value": reply.text, "annotations": reply.annotations}}]},
        role="assistant", run_id=run["id"], assistant_id=run["assistant_id"])
    steps.append(_new_step(run, "message_creation", {
        "type": "message_creation", "message_creation": {"message_id": message["id"]}},
        _usage(prompt_tokens, completion_tokens), created))
    for step in steps:
        store.insert(STEP_KIND, step, run["id"])
    run.update({"status": "completed", "started_at": run["started_at"] or created,
                "completed_at": created, "expires_at": None,
                "usage": _usage(prompt_tokens, completion_tokens)})
    run["_message"] = message["id"]


def listing(req):
    load_thread(req, req.params["thread_id"])
    return list_page(req, KIND, req.params["thread_id"])


def retrieve(req):
    store = req.app.store
    with store.transaction():
        run = _load(req)
        _advance(req, run)
        store.update(KIND, run, run["thread_id"])
    return _run_answer(req, run)


def modify(req):
    body = req.json(allowed=("metadata",) + v.ECHOED_MEMBERS)
    store = req.app.store
    with store.transaction():
        run = _load(req)
        if "metadata" in body:
            run["metadata"] = v.metadata(body)
        store.update(KIND, run, run["thread_id"])
    return _run_answer(req, run)


def cancel(req):
    store = req.app.store
    with store.transaction():
        run = _load(req)
        if run["status"] not in ("queued", "in_progress", "requires_action"):
            raise ApiError(400, "Cannot cancel run with status '%s'." % run["status"],
                           param="run_id")
        run["status"] = "cancelling"
        store.update(KIND, run, run["thread_id"])
    return _run_answer(req, run)


def submit_tool_outputs(req):
    req.json(allowed=("tool_outputs", "stream"), required=("tool_outputs",))
    run = _load(req)
    raise ApiError(400, "Runs in status \"%s\" do not accept tool outputs." % run["status"],
                   param="run_id")


def list_steps(req):
    run = _load(req)
    return list_page(req, STEP_KIND, run["id"])


def retrieve_step(req):
    run = _load(req)
    step = req.app.store.get(STEP_KIND, req.params["step_id"], run["id"])
    if step is None:
        raise not_found("run step", req.params["step_id"])
    return public(step)


# Streaming.

def _message_deltas(message):
    """The deltas that rebuild the message's text part: a few words each, with the annotations
    on the delta that carries their marker."""
    part = message["content"][0]["text"]
    value, annotations = part["value"], part["annotations"]
    pieces = WORD.findall(value) or [value]
    grouped = ["".join(pieces[i:i + 3]) for i in range(0, len(pieces), 3)]
    pending = list(enumerate(annotations))
    for text in grouped:
        text_delta = {"value": text}
        carried = [dict(annotation, index=index) for index, annotation in pending
                   if annotation["text"] in text]
        if carried:
            text_delta["annotations"] = carried
            pending = [(i, a) for i, a in pending if a["text"] not in text]
        yield {"id": message["id"], "object": "thread.message.delta",
               "delta": {"content": [{"index": 0, "type": "text", "text": text_delta}]}}


def _events(req, final_run):
    """Snapshots in the order clients rebuild them from, ending with "done"."""
    store = req.app.store
    run = public(final_run)
    queued = dict(run, status="queued", started_at=None, completed_at=None, usage=None,
                  expires_at=run["created_at"] + 600)
    in_progress = dict(queued, status="in_progress", started_at=run["started_at"])
    yield sse_event("thread.run.created", queued)
    yield sse_event("thread.run.queued", queued)
    yield sse_event("thread.run.in_progress", in_progress)
    message = store.get(MESSAGE_KIND, final_run["_message"], run["thread_id"])
    for step in store.all(STEP_KIND, run["id"]):
        started = dict(step, status="in_progress", completed_at=None, usage=None)
        yield sse_event("thread.run.step.created", started)
        yield sse_event("thread.run.step.in_progress", started)
        if step["type"] == "message_creation" and message is not None:
            blank = dict(public(message), status="in_progress", completed_at=None, content=[])
            yield sse_event("thread.message.created", blank)
            yield sse_event("thread.message.in_progress", blank)
            for delta in _message_deltas(message):
                yield sse_event("thread.message.delta", delta)
            yield sse_event("thread.message.completed", public(message))
        yield sse_event("thread.run.step.completed", step)
    yield sse_event("thread.run.completed", run)
    yield sse_event("done", "[DONE]")
