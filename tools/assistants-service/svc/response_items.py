"""Items of the responses and conversations APIs: input given as text or message items, checked
and turned into the stored form that both APIs hand back ("message" items with an id, a status
and content parts), and the text a person would read in them.
"""

from . import validation as v
from .storage import new_id

MAX_ITEMS_PER_CALL = 20
INPUT_ROLES = ("user", "assistant", "system", "developer")
TEXT_PARTS = ("input_text", "output_text", "text", "summary_text", "reasoning_text")
PART_TYPES = TEXT_PARTS + ("refusal", "input_image", "input_file")


def _part(value, where):
    v.expect(isinstance(value, dict) and isinstance(value.get("type"), str),
             "Invalid '%s': expected an object with a 'type'." % where, where)
    kind = value["type"]
    v.expect(kind in PART_TYPES, "Invalid value for '%s.type': '%s' is not a supported content "
             "type." % (where, kind), where + ".type")
    part = dict(value)
    if kind in TEXT_PARTS:
        v.expect(isinstance(value.get("text"), str), "Missing required parameter: '%s.text'."
                 % where, where + ".text")
    if kind == "output_text":
        part.setdefault("annotations", [])
        part.setdefault("logprobs", [])
    if kind == "refusal":
        v.expect(isinstance(value.get("refusal"), str), "Missing required parameter: "
                 "'%s.refusal'." % where, where + ".refusal")
    return part


def message_item(role, text):
    """A stored message of `role` holding one text part."""
    if role == "assistant":
        part = {"type": "output_text", "text": text, "annotations": [], "logprobs": []}
    else:
        part = {"type": "input_text", "text": text}
    return {"id": new_id("msg_"), "type": "message", "status": "completed", "role": role,
            "content": [part]}


def input_items(value, param="input", limit=None):
    """The stored items of an "input" (text, or a list of message items) or of "items". Each
    gets an id of its own (an id the client sends along is not kept: ids stay unique)."""
    if isinstance(value, str):
        return [message_item("user", value)]
    v.expect(isinstance(value, list), "Invalid type for '%s': expected a string or an array."
             % param, param)
    if limit is not None:
        v.expect(len(value) <= limit, "Invalid '%s': array too long. Expected an array with "
                 "maximum length %d, but got an array with length %d instead."
                 % (param, limit, len(value)), param)
    items = []
    for index, item in enumerate(value):
        where = "%s[%d]" % (param, index)
        v.expect(isinstance(item, dict), "Invalid type for '%s': expected an object." % where,
                 where)
        kind = item.get("type", "message")
        v.expect(kind == "message", "Invalid value for '%s.type': only 'message' items are "
                 "supported here." % where, where + ".type")
        role = item.get("role")
        v.expect(role in INPUT_ROLES, "Invalid value for '%s.role': expected one of 'user', "
                 "'assistant', 'system' or 'developer'." % where, where + ".role")
        content = item.get("content")
        if isinstance(content, str):
            stored = message_item(role, content)
        else:
            v.expect(isinstance(content, list), "Invalid type for '%s.content': expected a "
                     "string or an array." % where, where + ".content")
            stored = message_item(role, "")
            stored["content"] = [_part(part, "%s.content[%d]" % (where, i))
                                 for i, part in enumerate(content)]
        items.append(stored)
    return items


def item_text(item):
    """The text of a message item's text parts, one after the other."""
    if not isinstance(item, dict) or item.get("type") != "message":
        return ""
    return "".join(part.get("text", "") for part in item.get("content", [])
                   if isinstance(part, dict) and part.get("type") in TEXT_PARTS)


def last_user_text(items):
    for item in reversed(items):
        if item.get("type") == "message" and item.get("role") == "user":
            return item_text(item)
    return ""
