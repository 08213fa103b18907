"""Listings with cursors: limit, order, after and before in the query; has_more, first_id and
last_id in the page."""

from .errors import bad_request
from .storage import public


def _cursor_seq(store, kind, parent, req, name):
    ident = req.query.get(name)
    if not ident:
        return None
    seq = store.seq_of(kind, ident, parent)
    if seq is None:
        raise bad_request("Invalid '%s' cursor: no object with id '%s' in this list."
                          % (name, ident), name)
    return seq


def list_query(req, max_limit=100):
    """(limit, descending) from the query, checked."""
    raw = req.query.get("limit", "20")
    try:
        limit = int(raw)
    except ValueError:
        raise bad_request("Invalid 'limit': expected an integer, got '%s'." % raw, "limit")
    if not 1 <= limit <= max_limit:
        raise bad_request("Invalid 'limit': must be between 1 and %d." % max_limit, "limit")
    order = req.query.get("order", "desc") or "desc"
    if order not in ("asc", "desc"):
        raise bad_request("Invalid 'order': expected 'asc' or 'desc', got '%s'." % order, "order")
    return limit, order == "desc"


def list_page(req, kind, parent="", where=None, present=public, max_limit=100):
    """The listing page answer for objects of `kind` under `parent`."""
    store = req.app.store
    limit, descending = list_query(req, max_limit)
    after = _cursor_seq(store, kind, parent, req, "after")
    before = _cursor_seq(store, kind, parent, req, "before")
    items, has_more = store.page(kind, parent, limit, descending, after, before, where)
    data = [present(o) for o in items]
    # An empty page names no ids; the API describes these members as strings, so "" it is.
    return {"object": "list", "data": data,
            "first_id": data[0]["id"] if data else "",
            "last_id": data[-1]["id"] if data else "",
            "has_more": has_more}
