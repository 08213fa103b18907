"""Models, completions, chat completions, edits, embeddings and moderations: deterministic
answers from the answer engine, vectors from hashed words."""

import hashlib
import json
import math
import re

from . import validation as v
from .answers import answer
from .errors import ApiError, bad_request
from .routing import Response
from .storage import new_id, now

BASE_MODELS = ("gpt-4o", "gpt-4o-mini", "gpt-4-turbo", "gpt-3.5-turbo",
               "gpt-3.5-turbo-instruct", "text-embedding-3-small", "text-embedding-3-large",
               "text-embedding-ada-002", "dall-e-2", "dall-e-3", "whisper-1",
               "omni-moderation-latest", "text-moderation-latest")
MODEL_CREATED = 1700000000
EMBEDDING_SIZES = {"text-embedding-3-large": 3072}
MODERATION_CATEGORIES = ("hate", "hate/threatening", "harassment", "harassment/threatening",
                         "illicit", "illicit/violent", "self-harm", "self-harm/intent",
                         "self-harm/instructions", "sexual", "sexual/minors", "violence",
                         "violence/graphic")
VIOLENT_WORDS = frozenset(("kill", "murder", "stab", "shoot"))
WORD = re.compile(r"\w+", re.UNICODE)
COMPLETION_MEMBERS = ("model", "prompt", "best_of", "echo", "frequency_penalty", "logit_bias",
                      "logprobs", "max_tokens", "n", "presence_penalty", "seed", "stop", "stream",
                      "stream_options", "suffix", "temperature", "top_p", "user")
CHAT_MEMBERS = ("model", "messages", "audio", "frequency_penalty", "function_call", "functions",
                "logit_bias", "logprobs", "max_completion_tokens", "max_tokens", "metadata",
                "modalities", "moderation", "n", "parallel_tool_calls", "prediction",
                "presence_penalty", "prompt_cache_key", "prompt_cache_options",
                "prompt_cache_retention", "reasoning_effort", "response_format",
                "safety_identifier", "seed", "service_tier", "stop", "store", "stream",
                "stream_options", "temperature", "tool_choice", "tools", "top_logprobs", "top_p",
                "user", "verbosity", "web_search_options")


def register(router):
    router.add("GET", "/models", list_models)
    router.add("GET", "/models/{model}", retrieve_model)
    router.add("DELETE", "/models/{model}", delete_model)
    router.add("POST", "/completions", completion)
    router.add("POST", "/chat/completions", chat_completion)
    router.add("POST", "/edits", edit)
    router.add("POST", "/embeddings", embeddings)
    router.add("POST", "/moderations", moderation)


def _model(ident, owner="system", created=MODEL_CREATED):
    return {"id": ident, "object": "model", "created": created, "owned_by": owner}


def list_models(req):
    tuned = [{k: m[k] for k in ("id", "object", "created", "owned_by")}
             for m in req.app.store.all("model")]
    return {"object": "list", "data": [_model(m) for m in BASE_MODELS] + tuned}


def retrieve_model(req):
    ident = req.params["model"]
    if ident in BASE_MODELS:
        return _model(ident)
    found = req.app.store.get("model", ident)
    if found is None:
        raise ApiError(404, "The model '%s' does not exist" % ident, param="model",
                       code="model_not_found")
    return {k: found[k] for k in ("id", "object", "created", "owned_by")}


def delete_model(req):
    ident = req.params["model"]
    if ident in BASE_MODELS:
        raise ApiError(403, "You have insufficient permissions for this operation: only "
                            "fine-tuned models can be deleted.", code="model_not_deletable")
    if not req.app.store.delete("model", ident):
        raise ApiError(404, "The model '%s' does not exist" % ident, param="model",
                       code="model_not_found")
    return {"id": ident, "object": "model", "deleted": True}


def _tokens(text):
    return len(WORD.findall(text))


def _usage(prompt, completion_text):
    p, c = _tokens(prompt), _tokens(completion_text)
    return {"prompt_tokens": p, "completion_tokens": c, "total_tokens": p + c}


def _reply(text):
    return answer(text, None, "local model").text


def completion(req):
    body = req.json(allowed=COMPLETION_MEMBERS, required=("model", "prompt"))
    model = v.string(body, "model", nullable=False)
    prompt = body["prompt"]
    prompts = [prompt] if isinstance(prompt, str) else prompt
    v.expect(isinstance(prompts, list) and all(isinstance(p, str) for p in prompts),
             "Invalid type for 'prompt': expected a string or an array of strings.", "prompt")
    choices = [{"text": _reply(p), "index": i, "logprobs": None, "finish_reason": "stop"}
               for i, p in enumerate(prompts)]
    return {"id": new_id("cmpl-"), "object": "text_completion", "created": now(),
            "model": model, "choices": choices,
            "usage": _usage(" ".join(prompts), " ".join(c["text"] for c in choices))}


def _chat_text(content):
    if isinstance(content, str):
        return content
    if isinstance(content, list):
        return " ".join(part.get("text", "") for part in content
                        if isinstance(part, dict) and part.get("type") == "text")
    return ""


def chat_completion(req):
    body = req.json(allowed=CHAT_MEMBERS, required=("model", "messages"))
    model = v.string(body, "model", nullable=False)
    messages = body["messages"]
    v.expect(isinstance(messages, list) and messages and all(
        isinstance(m, dict) and isinstance(m.get("role"), str) for m in messages),
        "Invalid 'messages': expected a non-empty array of messages with a 'role'.", "messages")
    users = [m for m in messages if m["role"] == "user"]
    question = _chat_text(users[-1].get("content")) if users else ""
    text = _reply(question)
    ident, created = new_id("chatcmpl-"), now()
    usage = _usage(" ".join(_chat_text(m.get("content")) for m in messages), text)
    if body.get("stream"):
        return Response(stream=_chat_stream(ident, created, model, text), headers={},
                        content_type="text/event-stream")
    return {"id": ident, "object": "chat.completion", "created": created, "model": model,
            "choices": [{"index": 0, "message": {"role": "assistant", "content": text,
                                                 "refusal": None, "annotations": []},
                         "logprobs": None, "finish_reason": "stop"}],
            "usage": usage}


def _chat_stream(ident, created, model, text):
    def chunk(delta, finish):
        data = {"id": ident, "object": "chat.completion.chunk", "created": created,
                "model": model, "choices": [{"index": 0, "delta": delta, "logprobs": None,
                                             "finish_reason": finish}]}
        return ("data: %s\n\n" % json.dumps(data, ensure_ascii=False)).encode("utf-8")
    yield chunk({"role": "assistant", "content": ""}, None)
    for piece in re.findall(r"\S+\s*", text):
        yield chunk({"content": piece}, None)
    yield chunk({}, "stop")
    yield b"data: [DONE]\n\n"


def edit(req):
    body = req.json(allowed=("model", "input", "instruction", "n", "temperature", "top_p"),
                    required=("model", "instruction"))
    v.string(body, "model", nullable=False)
    instruction = v.string(body, "instruction", nullable=False)
    source = v.string(body, "input", "") or ""
    text = "%s\n[edited as instructed: %s]" % (source, instruction) if source else \
        "[written as instructed: %s]" % instruction
    return {"object": "edit", "created": now(), "choices": [{"text": text, "index": 0}],
            "usage": _usage(source + " " + instruction, text)}


def _vector(text, size):
    """A unit vector of hashed word counts: texts sharing words point alike."""
    values = [0.0] * size
    for word in WORD.findall(text.lower()) or [""]:
        digest = hashlib.sha256(word.encode("utf-8")).digest()
        for k in range(0, 8, 4):
            index = int.from_bytes(digest[k:k + 4], "little") % size
            values[index] += 1.0 if digest[8 + k] & 1 else -1.0
    norm = math.sqrt(sum(x * x for x in values)) or 1.0
    return [round(x / norm, 6) for x in values]


def embeddings(req):
    body = req.json(allowed=("model", "input", "dimensions", "encoding_format", "user"),
                    required=("model", "input"))
    model = v.string(body, "model", nullable=False)
    raw = body["input"]
    if isinstance(raw, str):
        inputs = [raw]
    elif isinstance(raw, list) and raw and all(isinstance(x, int) for x in raw):
        inputs = [" ".join(map(str, raw))]
    elif isinstance(raw, list) and raw:
        inputs = [x if isinstance(x, str) else " ".join(map(str, x)) for x in raw
                  if isinstance(x, (str, list))]
        v.expect(len(inputs) == len(raw), "Invalid 'input'.", "input")
    else:
        raise bad_request("Invalid 'input': expected a string or an array.", "input")
    v.expect(len(inputs) <= 2048, "Invalid 'input': at most 2048 inputs.", "input")
    size = body.get("dimensions") or EMBEDDING_SIZES.get(model, 1536)
    v.expect(isinstance(size, int) and 1 <= size <= 3072, "Invalid 'dimensions'.", "dimensions")
    fmt = body.get("encoding_format", "float")
    v.expect(fmt in ("float", "base64"), "Invalid 'encoding_format'.", "encoding_format")
    data = []
    for index, text in enumerate(inputs):
        vector = _vector(text, size)
        if fmt == "base64":
            import base64
            import struct
            vector = base64.b64encode(struct.pack("<%df" % size, *vector)).decode("ascii")
        data.append({"object": "embedding", "index": index, "embedding": vector})
    tokens = sum(_tokens(t) for t in inputs)
    return {"object": "list", "model": model, "data": data,
            "usage": {"prompt_tokens": tokens, "total_tokens": tokens}}


def moderation(req):
    body = req.json(allowed=("input", "model"), required=("input",))
    raw = body["input"]
    inputs = [raw] if isinstance(raw, str) else raw
    v.expect(isinstance(inputs, list) and inputs, "Invalid 'input'.", "input")
    results = []
    for item in inputs:
        text = item if isinstance(item, str) else (item.get("text", "") if isinstance(
            item, dict) else "")
        violent = bool(VIOLENT_WORDS & set(w.lower() for w in WORD.findall(text)))
        categories = {c: (violent and c == "violence") for c in MODERATION_CATEGORIES}
        scores = {c: (0.9 if categories[c] else 0.0001) for c in MODERATION_CATEGORIES}
        results.append({"flagged": violent, "categories": categories, "category_scores": scores,
                        "category_applied_input_types": {c: ["text"]
                                                         for c in MODERATION_CATEGORIES}})
    return {"id": new_id("modr-"), "model": body.get("model") or "omni-moderation-latest",
            "results": results}
