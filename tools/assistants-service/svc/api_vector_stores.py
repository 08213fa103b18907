"""Vector stores, their files and file batches, search, and the tool resources that name them.

Attaching a file is processed at once, but the answer that attaches it reports it "in_progress"
(pending) and the next read of the store settles it to "completed", so polling clients see the
progression that the hosted service shows.
"""

from . import validation as v
from .errors import ApiError, bad_request, not_found
from .listing import list_page
from .retrieval import rank
from .storage import new_id, now, public

KIND = "vector_store"
FILE_KIND = "vector_store.file"
BATCH_KIND = "vector_store.files_batch"
FILE_STATUSES = ("in_progress", "completed", "failed", "cancelled")
CHUNKING = {"type": "static", "static": {"max_chunk_size_tokens": 800,
                                         "chunk_overlap_tokens": 400}}
CREATE_MEMBERS = ("name", "description", "file_ids", "expires_after", "chunking_strategy",
                  "metadata")
MODIFY_MEMBERS = ("name", "expires_after", "metadata")


def register(router):
    router.add("POST", "/vector_stores", create, beta=True)
    router.add("GET", "/vector_stores", listing, beta=True)
    router.add("GET", "/vector_stores/{vector_store_id}", retrieve, beta=True)
    router.add("POST", "/vector_stores/{vector_store_id}", modify, beta=True)
    router.add("DELETE", "/vector_stores/{vector_store_id}", delete, beta=True)
    router.add("POST", "/vector_stores/{vector_store_id}/search", search, beta=True)
    router.add("POST", "/vector_stores/{vector_store_id}/files", create_file, beta=True)
    router.add("GET", "/vector_stores/{vector_store_id}/files", list_files, beta=True)
    router.add("GET", "/vector_stores/{vector_store_id}/files/{file_id}", retrieve_file,
               beta=True)
    router.add("POST", "/vector_stores/{vector_store_id}/files/{file_id}", update_file,
               beta=True)
    router.add("DELETE", "/vector_stores/{vector_store_id}/files/{file_id}", delete_file,
               beta=True)
    router.add("GET", "/vector_stores/{vector_store_id}/files/{file_id}/content", file_content,
               beta=True)
    router.add("POST", "/vector_stores/{vector_store_id}/file_batches", create_batch, beta=True)
    router.add("GET", "/vector_stores/{vector_store_id}/file_batches/{batch_id}",
               retrieve_batch, beta=True)
    router.add("POST", "/vector_stores/{vector_store_id}/file_batches/{batch_id}/cancel",
               cancel_batch, beta=True)
    router.add("GET", "/vector_stores/{vector_store_id}/file_batches/{batch_id}/files",
               list_batch_files, beta=True)


# Shared with assistants, threads and runs.

def tool_resources(req, value, default=None):
    """Checked tool resources; "vector_stores" helpers are turned into new stores."""
    if value is None:
        return default if default is not None else {}
    v.expect(isinstance(value, dict), "Invalid type for 'tool_resources': expected an object.",
             "tool_resources")
    out = {}
    for key in value:
        v.expect(key in ("code_interpreter", "file_search"),
                 "Unrecognized request argument supplied: tool_resources.%s" % key,
                 "tool_resources." + key)
    code = value.get("code_interpreter")
    if code is not None:
        v.expect(isinstance(code, dict), "Invalid type for 'tool_resources.code_interpreter'.",
                 "tool_resources.code_interpreter")
        ids = v.id_list(code.get("file_ids", []), "tool_resources.code_interpreter.file_ids", 20)
        from .api_files import load as load_file
        for file_id in ids:
            load_file(req, file_id, "tool_resources.code_interpreter.file_ids")
        out["code_interpreter"] = {"file_ids": ids}
    search_res = value.get("file_search")
    if search_res is not None:
        param = "tool_resources.file_search"
        v.expect(isinstance(search_res, dict), "Invalid type for '%s'." % param, param)
        ids = v.id_list(search_res.get("vector_store_ids", []), param + ".vector_store_ids", 1)
        for store_id in ids:
            load(req, store_id, param + ".vector_store_ids")
        helpers = search_res.get("vector_stores", [])
        v.expect(isinstance(helpers, list), "Invalid type for '%s.vector_stores'." % param,
                 param + ".vector_stores")
        for helper in helpers:
            v.expect(isinstance(helper, dict), "Invalid type for '%s.vector_stores'." % param,
                     param + ".vector_stores")
            ids.append(_new_store(req, {"file_ids": helper.get("file_ids", []),
                                        "metadata": helper.get("metadata")})["id"])
        v.expect(len(ids) <= 1, "Invalid '%s': at most one vector store." % param, param)
        out["file_search"] = {"vector_store_ids": ids}
    return out


def searchable_chunks(req, store_ids):
    """Every line chunk of the completed files in the named stores, in attachment order."""
    store = req.app.store
    chunks = []
    for store_id in store_ids:
        settle(store, store_id)
        for link in store.all(FILE_KIND, store_id):
            if link["status"] != "completed":
                continue
            file_obj = store.get("file", link["id"])
            if file_obj is None:
                continue
            chunks.extend(req.app.index.chunks(file_obj["id"], file_obj["filename"],
                                               store.file_path(file_obj["id"])))
    return chunks


def detach_file_everywhere(store, file_id):
    """Removes a deleted file from every store that holds it."""
    for store_obj in store.all(KIND):
        store.delete(FILE_KIND, file_id, store_obj["id"])


# Stores.

def load(req, store_id, param=None):
    found = req.app.store.get(KIND, store_id)
    if found is None:
        raise not_found("vector store", store_id, param)
    return found


def settle(store, store_id):
    """Completes the pending files and batches of a store (their processing is instant)."""
    with store.transaction():
        for kind in (FILE_KIND, BATCH_KIND):
            for obj in store.all(kind, store_id):
                if obj.get("_pending"):
                    _finish(store, kind, obj, store_id, "completed")


def _finish(store, kind, obj, store_id, status):
    """Ends the pending processing of a store file or batch with `status`."""
    obj.pop("_pending")
    obj["status"] = status
    store.update(kind, obj, store_id)


def _settled(req):
    """The id of the request's store, checked, with its pending work settled."""
    store_id = req.params["vector_store_id"]
    load(req, store_id)
    settle(req.app.store, store_id)
    return store_id


def _counts(links):
    counts = {status: 0 for status in FILE_STATUSES}
    for link in links:
        counts[link["status"]] += 1
    counts["total"] = len(links)
    return counts


def present(store, obj):
    """A store with its file counts and usage computed from its files."""
    links = store.all(FILE_KIND, obj["id"])
    out = public(obj)
    out["file_counts"] = _counts(links)
    out["usage_bytes"] = sum(link["usage_bytes"] for link in links
                             if link["status"] == "completed")
    out["status"] = "in_progress" if out["file_counts"]["in_progress"] else "completed"
    return out


def _expires_after(body):
    value = body.get("expires_after")
    if value is None:
        return None
    v.expect(isinstance(value, dict) and value.get("anchor") == "last_active_at"
             and isinstance(value.get("days"), int) and 1 <= value["days"] <= 365,
             "Invalid 'expires_after': expected {\"anchor\": \"last_active_at\", \"days\": 1-365}.",
             "expires_after")
    return {"anchor": "last_active_at", "days": value["days"]}


def _apply_expiry(obj, expiry):
    if expiry is None:
        obj.pop("expires_after", None)
        obj["expires_at"] = None
    else:
        obj["expires_after"] = expiry
        obj["expires_at"] = obj["last_active_at"] + expiry["days"] * 86400


def _new_store(req, body):
    created = now()
    obj = {"id": new_id("vs_"), "object": "vector_store", "created_at": created,
           "name": v.string(body, "name", "") or "", "usage_bytes": 0, "file_counts": {},
           "status": "completed", "last_active_at": created, "metadata": v.metadata(body)}
    if body.get("description") is not None:
        obj["description"] = v.string(body, "description", max_len=512)
    _apply_expiry(obj, _expires_after(body))
    file_ids = v.id_list(body.get("file_ids") or [], "file_ids", 500)
    with req.app.store.transaction():
        req.app.store.insert(KIND, obj)
        for file_id in file_ids:
            _attach(req, obj["id"], file_id, "file_ids")
    return obj


def create(req):
    body = req.json(allowed=CREATE_MEMBERS)
    return present(req.app.store, _new_store(req, body))


def listing(req):
    store = req.app.store
    return list_page(req, KIND, present=lambda o: present(store, o))


def retrieve(req):
    store_id = _settled(req)
    return present(req.app.store, load(req, store_id))


def modify(req):
    body = req.json(allowed=MODIFY_MEMBERS + v.ECHOED_MEMBERS)
    store = req.app.store
    with store.transaction():
        obj = load(req, req.params["vector_store_id"])
        if "name" in body:
            obj["name"] = v.string(body, "name", "") or ""
        if "metadata" in body:
            obj["metadata"] = v.metadata(body)
        if "expires_after" in body:
            _apply_expiry(obj, _expires_after(body))
        store.update(KIND, obj)
    return present(store, obj)


def delete(req):
    store_id = req.params["vector_store_id"]
    store = req.app.store
    with store.transaction():
        if not store.delete(KIND, store_id):
            raise not_found("vector store", store_id)
        store.delete_children(store_id)
    return {"id": store_id, "object": "vector_store.deleted", "deleted": True}


def search(req):
    body = req.json(allowed=("query", "rewrite_query", "max_num_results", "filters",
                             "ranking_options"), required=("query",))
    store_id = req.params["vector_store_id"]
    load(req, store_id)
    query = body["query"]
    queries = [query] if isinstance(query, str) else query
    v.expect(isinstance(queries, list) and queries and all(isinstance(q, str) for q in queries),
             "Invalid 'query': expected a string or an array of strings.", "query")
    limit = body.get("max_num_results", 10)
    v.expect(isinstance(limit, int) and 1 <= limit <= 50,
             "Invalid 'max_num_results': must be between 1 and 50.", "max_num_results")
    ranked = rank(" ".join(queries), searchable_chunks(req, [store_id]), limit)
    top = ranked[0][0] if ranked else 1.0
    data = [{"file_id": chunk.file_id, "filename": chunk.filename,
             "score": round(score / top, 6), "attributes": _attributes_of(req, store_id,
                                                                          chunk.file_id),
             "content": [{"type": "text", "text": chunk.text}]} for score, chunk in ranked]
    return {"object": "vector_store.search_results.page", "search_query": queries, "data": data,
            "has_more": False, "next_page": None}


# Files of a store.

def _attributes_of(req, store_id, file_id):
    link = req.app.store.get(FILE_KIND, file_id, store_id)
    return (link or {}).get("attributes", {})


def _attributes(value, param="attributes"):
    if value is None:
        return {}
    v.expect(isinstance(value, dict) and len(value) <= 16 and all(
        isinstance(item, (str, int, float, bool)) for item in value.values()),
        "Invalid '%s': up to 16 string, number or boolean values." % param, param)
    return value


def _attach(req, store_id, file_id, param="file_id", batch_id=None, attributes=None):
    from .api_files import load as load_file
    store = req.app.store
    file_obj = load_file(req, file_id, param)
    existing = store.get(FILE_KIND, file_id, store_id)
    if existing is not None:
        return existing
    link = {"id": file_id, "object": "vector_store.file", "usage_bytes": file_obj["bytes"],
            "created_at": now(), "vector_store_id": store_id, "status": "in_progress",
            "last_error": None, "chunking_strategy": CHUNKING,
            "attributes": _attributes(attributes), "_pending": True}
    if batch_id:
        link["_batch"] = batch_id
    store.insert(FILE_KIND, link, store_id)
    return link


def _load_link(req, store_id, file_id):
    link = req.app.store.get(FILE_KIND, file_id, store_id)
    if link is None:
        raise not_found("file", file_id)
    return link


def create_file(req):
    body = req.json(allowed=("file_id", "attributes", "chunking_strategy"),
                    required=("file_id",))
    store_id = req.params["vector_store_id"]
    file_id = v.string(body, "file_id", nullable=False)
    with req.app.store.transaction():
        load(req, store_id)
        link = _attach(req, store_id, file_id, attributes=body.get("attributes"))
    return public(link)


def _file_filter(req):
    wanted = req.query.get("filter")
    if not wanted:
        return None
    if wanted not in FILE_STATUSES:
        raise bad_request("Invalid 'filter': expected one of %s." % ", ".join(FILE_STATUSES),
                          "filter")
    return lambda link: link["status"] == wanted


def list_files(req):
    store_id = _settled(req)
    return list_page(req, FILE_KIND, store_id, where=_file_filter(req))


def retrieve_file(req):
    store_id = _settled(req)
    return public(_load_link(req, store_id, req.params["file_id"]))


def update_file(req):
    body = req.json(allowed=("attributes",), required=("attributes",))
    store_id = req.params["vector_store_id"]
    with req.app.store.transaction():
        load(req, store_id)
        link = _load_link(req, store_id, req.params["file_id"])
        link["attributes"] = _attributes(body["attributes"])
        req.app.store.update(FILE_KIND, link, store_id)
    return public(link)


def delete_file(req):
    store_id = req.params["vector_store_id"]
    file_id = req.params["file_id"]
    load(req, store_id)
    if not req.app.store.delete(FILE_KIND, file_id, store_id):
        raise not_found("file", file_id)
    return {"id": file_id, "object": "vector_store.file.deleted", "deleted": True}


def file_content(req):
    store_id = req.params["vector_store_id"]
    load(req, store_id)
    link = _load_link(req, store_id, req.params["file_id"])
    file_obj = req.app.store.get("file", link["id"])
    chunks = req.app.index.chunks(link["id"], file_obj["filename"],
                                  req.app.store.file_path(link["id"])) if file_obj else []
    return {"object": "vector_store.file_content.page",
            "data": [{"type": "text", "text": "\n".join(c.text for c in chunks)}],
            "has_more": False, "next_page": None}


# Batches.

def _load_batch(req, store_id, batch_id):
    batch = req.app.store.get(BATCH_KIND, batch_id, store_id)
    if batch is None:
        raise not_found("file batch", batch_id)
    return batch


def _present_batch(store, batch):
    links = [link for link in store.all(FILE_KIND, batch["vector_store_id"])
             if link.get("_batch") == batch["id"]]
    out = public(batch)
    out["file_counts"] = _counts(links)
    return out


def create_batch(req):
    body = req.json(allowed=("file_ids", "files", "attributes", "chunking_strategy"))
    store_id = req.params["vector_store_id"]
    entries = []
    if "file_ids" in body:
        entries = [(file_id, body.get("attributes")) for file_id in
                   v.id_list(body["file_ids"], "file_ids", 500)]
    elif "files" in body:
        files = body["files"]
        v.expect(isinstance(files, list) and all(isinstance(f, dict) and isinstance(
            f.get("file_id"), str) for f in files), "Invalid 'files': expected objects with a "
            "'file_id'.", "files")
        entries = [(f["file_id"], f.get("attributes")) for f in files]
    v.expect(entries, "Missing required parameter: 'file_ids'.", "file_ids")
    store = req.app.store
    batch = {"id": new_id("vsfb_"), "object": "vector_store.files_batch", "created_at": now(),
             "vector_store_id": store_id, "status": "in_progress", "file_counts": {},
             "_pending": True}
    with store.transaction():
        load(req, store_id)
        store.insert(BATCH_KIND, batch, store_id)
        for file_id, attributes in entries:
            link = _attach(req, store_id, file_id, "file_ids", batch["id"], attributes)
            if link.get("_batch") != batch["id"]:
                # Already in the store: the batch counts it as well.
                link["_batch"] = batch["id"]
                store.update(FILE_KIND, link, store_id)
    return _present_batch(store, batch)


def retrieve_batch(req):
    store_id = _settled(req)
    return _present_batch(req.app.store, _load_batch(req, store_id, req.params["batch_id"]))


def cancel_batch(req):
    store_id = req.params["vector_store_id"]
    store = req.app.store
    with store.transaction():
        load(req, store_id)
        batch = _load_batch(req, store_id, req.params["batch_id"])
        if not batch.get("_pending"):
            raise ApiError(400, "Cannot cancel a file batch with status '%s'." % batch["status"],
                           param="batch_id")
        _finish(store, BATCH_KIND, batch, store_id, "cancelled")
        for link in store.all(FILE_KIND, store_id):
            if link.get("_batch") == batch["id"] and link.get("_pending"):
                _finish(store, FILE_KIND, link, store_id, "cancelled")
    return _present_batch(store, batch)


def list_batch_files(req):
    store_id = _settled(req)
    batch_id = _load_batch(req, store_id, req.params["batch_id"])["id"]
    status_filter = _file_filter(req)
    return list_page(req, FILE_KIND, store_id, where=lambda link: link.get("_batch") == batch_id
                     and (status_filter is None or status_filter(link)))
