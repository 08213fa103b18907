"""Assistants: create, list, retrieve, modify, delete."""

from . import validation as v
from .api_vector_stores import tool_resources
from .errors import not_found
from .listing import list_page
from .storage import new_id, now, public

KIND = "assistant"
MEMBERS = ("model", "name", "description", "instructions", "reasoning_effort", "tools",
           "tool_resources", "metadata", "temperature", "top_p", "response_format")


def register(router):
    router.add("POST", "/assistants", create, beta=True)
    router.add("GET", "/assistants", listing, beta=True)
    router.add("GET", "/assistants/{assistant_id}", retrieve, beta=True)
    router.add("POST", "/assistants/{assistant_id}", modify, beta=True)
    router.add("DELETE", "/assistants/{assistant_id}", delete, beta=True)


def load(req, assistant_id, param=None):
    found = req.app.store.get(KIND, assistant_id)
    if found is None:
        raise not_found("assistant", assistant_id, param)
    return found


def _apply(req, body, obj):
    if "model" in body:
        obj["model"] = v.string(body, "model", nullable=False)
        v.expect(obj["model"], "Invalid 'model': empty string.", "model")
    for name, limit in (("name", 256), ("description", 512), ("instructions", 256000)):
        if name in body:
            obj[name] = v.string(body, name, max_len=limit)
    if "tools" in body:
        obj["tools"] = v.tools(body)
    if "tool_resources" in body:
        obj["tool_resources"] = tool_resources(req, body.get("tool_resources"))
    if "metadata" in body:
        obj["metadata"] = v.metadata(body)
    if "temperature" in body:
        obj["temperature"] = v.number(body, "temperature", 0, 2, 1.0)
    if "top_p" in body:
        obj["top_p"] = v.number(body, "top_p", 0, 1, 1.0)
    if "response_format" in body:
        value = body["response_format"]
        v.expect(value is None or value == "auto" or (isinstance(value, dict) and value.get(
            "type") in ("text", "json_object", "json_schema")),
            "Invalid 'response_format': expected 'auto' or an object with a 'type'.",
            "response_format")
        obj["response_format"] = value if value is not None else "auto"
    if "reasoning_effort" in body and body["reasoning_effort"] is not None:
        obj["reasoning_effort"] = v.string(body, "reasoning_effort")


def create(req):
    body = req.json(allowed=MEMBERS, required=("model",))
    obj = {"id": new_id("asst_"), "object": "assistant", "created_at": now(), "name": None,
           "description": None, "model": "", "instructions": None, "tools": [],
           "tool_resources": {}, "metadata": {}, "temperature": 1.0, "top_p": 1.0,
           "response_format": "auto"}
    with req.app.store.transaction():
        _apply(req, body, obj)
        req.app.store.insert(KIND, obj)
    return public(obj)


def listing(req):
    return list_page(req, KIND)


def retrieve(req):
    return public(load(req, req.params["assistant_id"]))


def modify(req):
    body = req.json(allowed=MEMBERS + v.ECHOED_MEMBERS)
    with req.app.store.transaction():
        obj = load(req, req.params["assistant_id"])
        _apply(req, body, obj)
        req.app.store.update(KIND, obj)
    return public(obj)


def delete(req):
    ident = req.params["assistant_id"]
    if not req.app.store.delete(KIND, ident):
        raise not_found("assistant", ident)
    return {"id": ident, "object": "assistant.deleted", "deleted": True}
