"""Legacy fine-tunes: a job that succeeds at its first read and leaves a model that the models
endpoints list and delete."""

from . import validation as v
from .api_files import load as load_file
from .errors import ApiError, not_found
from .storage import new_id, now, public

KIND = "fine-tune"


def register(router):
    router.add("POST", "/fine-tunes", create)
    router.add("GET", "/fine-tunes", listing)
    router.add("GET", "/fine-tunes/{fine_tune_id}", retrieve)
    router.add("POST", "/fine-tunes/{fine_tune_id}/cancel", cancel)
    router.add("GET", "/fine-tunes/{fine_tune_id}/events", events)


def _event(message, created=None):
    return {"object": "fine-tune-event", "created_at": created or now(), "level": "info",
            "message": message}


def create(req):
    body = req.json(allowed=("training_file", "validation_file", "model", "n_epochs",
                             "batch_size", "learning_rate_multiplier", "prompt_loss_weight",
                             "compute_classification_metrics", "classification_n_classes",
                             "classification_positive_class", "classification_betas",
                             "suffix"), required=("training_file",))
    training = load_file(req, v.string(body, "training_file", nullable=False), "training_file")
    created = now()
    job = {"id": new_id("ft-"), "object": "fine-tune", "created_at": created,
           "updated_at": created, "model": v.string(body, "model") or "curie",
           "fine_tuned_model": None, "organization_id": "org-local", "status": "pending",
           "hyperparams": {"n_epochs": body.get("n_epochs", 4),
                           "batch_size": body.get("batch_size"),
                           "learning_rate_multiplier": body.get("learning_rate_multiplier"),
                           "prompt_loss_weight": body.get("prompt_loss_weight", 0.01)},
           "training_files": [public(training)], "validation_files": [], "result_files": [],
           "events": [_event("Created fine-tune: %s" % "job", created)],
           "_suffix": v.string(body, "suffix") or "local"}
    job["events"][0]["message"] = "Created fine-tune: " + job["id"]
    req.app.store.insert(KIND, job)
    return public(job)


def _load(req):
    job = req.app.store.get(KIND, req.params["fine_tune_id"])
    if job is None:
        raise not_found("fine-tune", req.params["fine_tune_id"])
    return job


def _advance(req, job):
    if job["status"] != "pending":
        return
    stamp = now()
    model = "%s:ft-%s-%s" % (job["model"], job["_suffix"], job["id"][3:11])
    job.update({"status": "succeeded", "fine_tuned_model": model, "updated_at": stamp})
    job["events"].append(_event("Fine-tune succeeded", stamp))
    req.app.store.insert("model", {"id": model, "object": "model", "created": stamp,
                                   "owned_by": "user-local"})


def listing(req):
    return {"object": "list", "data": [public(j) for j in req.app.store.all(KIND)]}


def retrieve(req):
    with req.app.store.transaction():
        job = _load(req)
        _advance(req, job)
        req.app.store.update(KIND, job)
    return public(job)


def cancel(req):
    with req.app.store.transaction():
        job = _load(req)
        if job["status"] != "pending":
            raise ApiError(400, "Cannot cancel a job with status '%s'." % job["status"])
        job["status"] = "cancelled"
        job["updated_at"] = now()
        job["events"].append(_event("Fine-tune cancelled"))
        req.app.store.update(KIND, job)
    return public(job)


def events(req):
    return {"object": "list", "data": _load(req)["events"]}
