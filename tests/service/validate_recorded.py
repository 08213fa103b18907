"""Validates recorded answers (a JSON list of {method, url, status, body}) against the API
description: success bodies against their endpoint's response schema, errors against the error
shape. Used for the bodies that the Node SDK tests receive."""

import base64
import json
import struct
import sys
import urllib.parse

from svc_testlib import ApiDescription, SchemaError


def api_path(url):
    path = urllib.parse.urlsplit(url).path
    if path.startswith("/v1/"):
        return path[3:]
    if path.startswith("/openai/v1/"):
        return path[len("/openai/v1"):]
    if path.startswith("/openai/deployments/"):
        return "/" + path[len("/openai/deployments/"):].split("/", 1)[1]
    if path.startswith("/openai/"):
        return path[len("/openai"):]
    return path


def decode_base64_embeddings(method, path, body):
    """The SDK asks for embeddings as base64 (an encoding the request schema offers while the
    response schema only describes float arrays); decode them so the floats are checked."""
    if (method, path) != ("POST", "/embeddings"):
        return body
    for item in body.get("data", []):
        if isinstance(item.get("embedding"), str):
            raw = base64.b64decode(item["embedding"], validate=True)
            item["embedding"] = list(struct.unpack("<%df" % (len(raw) // 4), raw))
    return body


def main(recorded_file):
    with open(recorded_file, encoding="utf-8") as handle:
        entries = json.load(handle)
    api = ApiDescription.get()
    checked, failures = 0, []
    for entry in entries:
        method, path = entry["method"].upper(), api_path(entry["url"])
        if entry["status"] >= 400:
            schema = api.schema("ErrorResponse")
        else:
            schema = api.response_schema(method, path)
        if schema is None:
            continue
        try:
            body = decode_base64_embeddings(method, path, entry["body"])
            api.validate(body, schema, "%s %s" % (method, path))
            checked += 1
        except SchemaError as error:
            failures.append(str(error))
    print("validated %d of %d recorded SDK answers" % (checked, len(entries)))
    for failure in failures:
        print("schema mismatch:", failure)
    if not entries or failures:
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
