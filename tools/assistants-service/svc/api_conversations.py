"""Conversations: create, retrieve, update and delete a conversation, and list, add, retrieve and
delete its items. Responses created with "conversation" read the items and add theirs.

The service's "--no-conversations" switch turns the whole family off: every path answers 404,
as on the many servers that implement "/responses" without "/conversations".
"""

from . import validation as v
from .errors import ApiError, not_found
from .listing import list_page
from .response_items import MAX_ITEMS_PER_CALL, input_items
from .storage import new_id, now, public

KIND = "conversation"
ITEM_KIND = "conversation_item"


def register(router):
    router.add("POST", "/conversations", create)
    router.add("GET", "/conversations/{conversation_id}", retrieve)
    router.add("POST", "/conversations/{conversation_id}", update)
    router.add("DELETE", "/conversations/{conversation_id}", delete)
    router.add("GET", "/conversations/{conversation_id}/items", list_items)
    router.add("POST", "/conversations/{conversation_id}/items", add_items)
    router.add("GET", "/conversations/{conversation_id}/items/{item_id}", retrieve_item)
    router.add("DELETE", "/conversations/{conversation_id}/items/{item_id}", delete_item)


def enabled(req):
    return req.app.config.conversations


def _check_enabled(req):
    if not enabled(req):
        raise ApiError(404, "Invalid URL (%s %s)" % (req.method, req.path))


def load(req, conversation_id, param=None):
    _check_enabled(req)
    found = req.app.store.get(KIND, conversation_id)
    if found is None:
        raise not_found("conversation", conversation_id, param)
    return found


def items_of(req, conversation_id):
    """The conversation's items, oldest first."""
    return req.app.store.all(ITEM_KIND, conversation_id)


def append_items(req, conversation_id, items):
    for item in items:
        req.app.store.insert(ITEM_KIND, item, conversation_id)


def create(req):
    _check_enabled(req)
    body = req.json(allowed=("metadata", "items"))
    items = input_items(body.get("items") or [], "items", MAX_ITEMS_PER_CALL)
    conversation = {"id": new_id("conv_"), "object": "conversation", "created_at": now(),
                    "metadata": v.metadata(body)}
    with req.app.store.transaction():
        req.app.store.insert(KIND, conversation)
        append_items(req, conversation["id"], items)
    return public(conversation)


def retrieve(req):
    return public(load(req, req.params["conversation_id"]))


def update(req):
    body = req.json(allowed=("metadata",), required=("metadata",))
    with req.app.store.transaction():
        conversation = load(req, req.params["conversation_id"])
        conversation["metadata"] = v.metadata(body)
        req.app.store.update(KIND, conversation)
    return public(conversation)


def delete(req):
    conversation_id = req.params["conversation_id"]
    with req.app.store.transaction():
        load(req, conversation_id)
        req.app.store.delete_children(conversation_id, ITEM_KIND)
        req.app.store.delete(KIND, conversation_id)
    return {"id": conversation_id, "object": "conversation.deleted", "deleted": True}


def list_items(req):
    conversation_id = req.params["conversation_id"]
    load(req, conversation_id)
    return list_page(req, ITEM_KIND, conversation_id)


def add_items(req):
    body = req.json(allowed=("items",), required=("items",))
    conversation_id = req.params["conversation_id"]
    items = input_items(body["items"], "items", MAX_ITEMS_PER_CALL)
    with req.app.store.transaction():
        load(req, conversation_id)
        append_items(req, conversation_id, items)
    return {"object": "list", "data": items, "first_id": items[0]["id"] if items else "",
            "last_id": items[-1]["id"] if items else "", "has_more": False}


def _load_item(req):
    conversation_id, item_id = req.params["conversation_id"], req.params["item_id"]
    load(req, conversation_id)
    item = req.app.store.get(ITEM_KIND, item_id, conversation_id)
    if item is None:
        raise not_found("item", item_id)
    return conversation_id, item


def retrieve_item(req):
    return _load_item(req)[1]


def delete_item(req):
    with req.app.store.transaction():
        conversation_id, item = _load_item(req)
        req.app.store.delete(ITEM_KIND, item["id"], conversation_id)
        conversation = load(req, conversation_id)
    return public(conversation)
