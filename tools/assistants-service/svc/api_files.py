"""Files: multipart upload kept on disk, list, retrieve, delete, and the stored bytes."""

import os

from .api_vector_stores import detach_file_everywhere
from .errors import bad_request, not_found
from .listing import list_page
from .multipart import Form
from .routing import Response
from .storage import new_id, now, public

KIND = "file"
PURPOSES = ("assistants", "assistants_output", "batch", "batch_output", "fine-tune",
            "fine-tune-results", "vision", "user_data", "evals")
UPLOAD_PURPOSES = ("assistants", "batch", "fine-tune", "vision", "user_data", "evals")
DOWNLOAD_PIECE = 64 * 1024


def register(router):
    router.add("POST", "/files", upload)
    router.add("GET", "/files", listing)
    router.add("GET", "/files/{file_id}", retrieve)
    router.add("DELETE", "/files/{file_id}", delete)
    router.add("GET", "/files/{file_id}/content", content)


def load(req, file_id, param=None):
    found = req.app.store.get(KIND, file_id)
    if found is None:
        raise not_found("file", file_id, param)
    return found


def upload(req):
    store = req.app.store
    with Form(store.upload_temp_path) as form:
        form.parse(req.body, req.header("Content-Type", ""))
        for name in form.fields:
            if name not in ("purpose", "expires_after[anchor]", "expires_after[seconds]"):
                raise bad_request("Unrecognized request argument supplied: %s" % name, name)
        purpose = form.fields.get("purpose")
        if purpose is None:
            raise bad_request("Missing required parameter: 'purpose'.", "purpose")
        if purpose not in UPLOAD_PURPOSES:
            raise bad_request("Invalid value for 'purpose': '%s'. Supported values are: %s."
                              % (purpose, ", ".join("'%s'" % p for p in UPLOAD_PURPOSES)),
                              "purpose")
        part = form.files.get("file")
        if part is None or set(form.files) != {"file"}:
            raise bad_request("Missing required parameter: 'file'." if part is None else
                              "Unexpected file part: only 'file' is accepted.", "file")
        obj = {"id": "file-" + new_id("")[:22], "object": "file", "bytes": part.size,
               "created_at": now(), "filename": part.filename, "purpose": purpose,
               "status": "processed"}
        final_path = store.file_path(obj["id"])
        form.keep("file", final_path)
        try:
            store.insert(KIND, obj)
        except BaseException:
            os.unlink(final_path)
            raise
    return public(obj)


def listing(req):
    purpose = req.query.get("purpose")
    where = (lambda o: o["purpose"] == purpose) if purpose else None
    return list_page(req, KIND, where=where, max_limit=10000)


def retrieve(req):
    return public(load(req, req.params["file_id"]))


def delete(req):
    file_id = req.params["file_id"]
    store = req.app.store
    with store.transaction():
        if not store.delete(KIND, file_id):
            raise not_found("file", file_id)
        detach_file_everywhere(store, file_id)
    req.app.index.forget(file_id)
    try:
        os.unlink(store.file_path(file_id))
    except OSError:
        pass
    return {"id": file_id, "object": "file", "deleted": True}


def content(req):
    obj = load(req, req.params["file_id"])
    path = req.app.store.file_path(obj["id"])
    try:
        handle = open(path, "rb")
    except OSError:
        raise not_found("file content", obj["id"])

    def pieces():
        with handle:
            while True:
                piece = handle.read(DOWNLOAD_PIECE)
                if not piece:
                    return
                yield piece

    return Response(stream=pieces(), length=os.fstat(handle.fileno()).st_size,
                    content_type="application/octet-stream")
