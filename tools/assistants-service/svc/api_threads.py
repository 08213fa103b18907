"""Threads and their messages."""

from . import validation as v
from .api_vector_stores import tool_resources
from .errors import not_found
from .listing import list_page
from .storage import new_id, now, public

KIND = "thread"
MESSAGE_KIND = "thread.message"
RUN_KIND = "thread.run"
STEP_KIND = "thread.run.step"
MESSAGE_MEMBERS = ("role", "content", "attachments", "metadata")
# Image content parts and the member that names their image.
IMAGE_PARTS = {"image_file": "file_id", "image_url": "url"}


def register(router):
    router.add("POST", "/threads", create, beta=True)
    router.add("GET", "/threads/{thread_id}", retrieve, beta=True)
    router.add("POST", "/threads/{thread_id}", modify, beta=True)
    router.add("DELETE", "/threads/{thread_id}", delete, beta=True)
    router.add("POST", "/threads/{thread_id}/messages", create_message, beta=True)
    router.add("GET", "/threads/{thread_id}/messages", list_messages, beta=True)
    router.add("GET", "/threads/{thread_id}/messages/{message_id}", retrieve_message, beta=True)
    router.add("POST", "/threads/{thread_id}/messages/{message_id}", modify_message, beta=True)
    router.add("DELETE", "/threads/{thread_id}/messages/{message_id}", delete_message,
               beta=True)


def load(req, thread_id, param=None):
    found = req.app.store.get(KIND, thread_id)
    if found is None:
        raise not_found("thread", thread_id, param)
    return found


def new_thread(req, body):
    """Creates a thread (and its initial messages) from a create-thread body."""
    obj = {"id": new_id("thread_"), "object": "thread", "created_at": now(),
           "tool_resources": {}, "metadata": v.metadata(body)}
    messages = body.get("messages") or []
    v.expect(isinstance(messages, list), "Invalid type for 'messages': expected an array.",
             "messages")
    with req.app.store.transaction():
        obj["tool_resources"] = tool_resources(req, body.get("tool_resources"))
        req.app.store.insert(KIND, obj)
        for index, message in enumerate(messages):
            param = "messages[%d]" % index
            v.expect(isinstance(message, dict), "Invalid type for '%s'." % param, param)
            for key in message:
                v.expect(key in MESSAGE_MEMBERS, "Unrecognized request argument supplied: "
                         "%s.%s" % (param, key), param + "." + key)
            add_message(req, obj["id"], message, param + ".")
    return obj


def create(req):
    body = req.json(allowed=("messages", "metadata", "tool_resources"))
    return public(new_thread(req, body))


def retrieve(req):
    return public(load(req, req.params["thread_id"]))


def modify(req):
    body = req.json(allowed=("metadata", "tool_resources") + v.ECHOED_MEMBERS)
    with req.app.store.transaction():
        obj = load(req, req.params["thread_id"])
        if "metadata" in body:
            obj["metadata"] = v.metadata(body)
        if "tool_resources" in body:
            obj["tool_resources"] = tool_resources(req, body["tool_resources"])
        req.app.store.update(KIND, obj)
    return public(obj)


def delete(req):
    thread_id = req.params["thread_id"]
    store = req.app.store
    with store.transaction():
        if not store.delete(KIND, thread_id):
            raise not_found("thread", thread_id)
        for run in store.all(RUN_KIND, thread_id):
            store.delete_children(run["id"])
        store.delete_children(thread_id)
    return {"id": thread_id, "object": "thread.deleted", "deleted": True}


# Messages.

def text_content(value):
    return {"type": "text", "text": {"value": value, "annotations": []}}


def _content(value, param):
    if isinstance(value, str):
        return [text_content(value)]
    v.expect(isinstance(value, list) and value, "Invalid type for '%s': expected a string or an "
             "array of content parts." % param, param)
    parts = []
    for index, part in enumerate(value):
        where = "%s[%d]" % (param, index)
        kind = part.get("type") if isinstance(part, dict) else None
        if kind == "text":
            v.expect(isinstance(part.get("text"), str), "Invalid '%s.text': expected a string."
                     % where, where + ".text")
            parts.append(text_content(part["text"]))
        elif kind in IMAGE_PARTS:
            image, key = part.get(kind), IMAGE_PARTS[kind]
            v.expect(isinstance(image, dict) and isinstance(image.get(key), str),
                     "Missing required parameter: '%s.%s.%s'." % (where, kind, key),
                     "%s.%s" % (where, kind))
            parts.append({"type": kind, kind: image})
        else:
            v.expect(False, "Invalid value for '%s.type': expected 'text', 'image_file' or "
                     "'image_url'." % where, where + ".type")
    return parts


def _attachments(req, value, param):
    if value is None:
        return []
    v.expect(isinstance(value, list), "Invalid type for '%s': expected an array." % param, param)
    from .api_files import load as load_file
    out = []
    for index, item in enumerate(value):
        where = "%s[%d]" % (param, index)
        v.expect(isinstance(item, dict) and isinstance(item.get("file_id"), str),
                 "Missing required parameter: '%s.file_id'." % where, where + ".file_id")
        load_file(req, item["file_id"], where + ".file_id")
        tools = v.tools(item, param="tools")
        out.append({"file_id": item["file_id"], "tools": tools})
    return out


def add_message(req, thread_id, body, prefix="", role=None, run_id=None, assistant_id=None):
    """Stores a new message of the thread; the body members are checked here."""
    for name in ("role", "content"):
        v.expect(name in body or (name == "role" and role), "Missing required parameter: '%s%s'."
                 % (prefix, name), prefix + name)
    role = role or body["role"]
    v.expect(role in ("user", "assistant"), "Invalid value for '%srole': expected 'user' or "
             "'assistant'." % prefix, prefix + "role")
    created = now()
    obj = {"id": new_id("msg_"), "object": "thread.message", "created_at": created,
           "thread_id": thread_id, "status": "completed", "incomplete_details": None,
           "completed_at": created if role == "assistant" else None, "incomplete_at": None,
           "role": role, "content": body["content"] if run_id else
           _content(body["content"], prefix + "content"),
           "assistant_id": assistant_id, "run_id": run_id,
           "attachments": _attachments(req, body.get("attachments"), prefix + "attachments"),
           "metadata": v.metadata(body)}
    req.app.store.insert(MESSAGE_KIND, obj, thread_id)
    return obj


def message_text(message):
    return "\n".join(part["text"]["value"] for part in message["content"]
                     if part.get("type") == "text")


def create_message(req):
    body = req.json(allowed=MESSAGE_MEMBERS, required=("role", "content"))
    thread_id = req.params["thread_id"]
    with req.app.store.transaction():
        load(req, thread_id)
        obj = add_message(req, thread_id, body)
    return public(obj)


def list_messages(req):
    thread_id = req.params["thread_id"]
    load(req, thread_id)
    run_id = req.query.get("run_id")
    where = (lambda m: m["run_id"] == run_id) if run_id else None
    return list_page(req, MESSAGE_KIND, thread_id, where=where)


def _load_message(req):
    thread_id, message_id = req.params["thread_id"], req.params["message_id"]
    load(req, thread_id)
    found = req.app.store.get(MESSAGE_KIND, message_id, thread_id)
    if found is None:
        raise not_found("message", message_id)
    return found


def retrieve_message(req):
    return public(_load_message(req))


def modify_message(req):
    body = req.json(allowed=("metadata",) + v.ECHOED_MEMBERS + ("thread_id", "role", "content"))
    with req.app.store.transaction():
        obj = _load_message(req)
        if "metadata" in body:
            obj["metadata"] = v.metadata(body)
        req.app.store.update(MESSAGE_KIND, obj, obj["thread_id"])
    return public(obj)


def delete_message(req):
    obj = _load_message(req)
    req.app.store.delete(MESSAGE_KIND, obj["id"], obj["thread_id"])
    return {"id": obj["id"], "object": "thread.message.deleted", "deleted": True}
