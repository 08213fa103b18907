#!/usr/bin/env python3
"""Extracts the request schemas of "/responses" and "/conversations" from the service's API
description, with every schema they reach, into the compact fixture that the object-model tests
validate request bodies against. Descriptions and examples are dropped; the rest is kept as is.

Usage: extract_request_schemas.py openapi-subset.json > responses_request_schemas.json
"""
import json
import sys

DROP = {"description", "example", "examples", "title", "x-oaiMeta", "x-stainless-const",
        "deprecated", "x-oaiTypeLabel", "x-oaiExpandable", "x-oaiSupportedSDKs"}


def strip(node):
    if isinstance(node, dict):
        out = {k: strip(v) for k, v in node.items() if k not in DROP}
        # The catalogue of third-party connectors of MCP tools is left out (this client writes
        # no MCP tools): any connector id is then accepted.
        if "connector_id" in out.get("properties", {}):
            out["properties"]["connector_id"] = {"type": "string"}
        return out
    if isinstance(node, list):
        return [strip(v) for v in node]
    return node


def main():
    api = json.load(open(sys.argv[1]))
    schemas = api["components"]["schemas"]
    # The body of "add items" is written inline in its path; it gets a name of its own here.
    items_body = api["paths"]["/conversations/{conversation_id}/items"]["post"]["requestBody"]
    roots = {
        "CreateResponse": schemas["CreateResponse"],
        "CreateConversationBody": schemas["CreateConversationBody"],
        "UpdateConversationBody": schemas["UpdateConversationBody"],
        "CreateConversationItemsBody": items_body["content"]["application/json"]["schema"],
    }
    out = {}

    def reach(node):
        if isinstance(node, dict):
            for key, value in node.items():
                if key == "$ref":
                    name = value.split("/")[-1]
                    if name not in out:
                        out[name] = strip(schemas[name])
                        reach(schemas[name])
                else:
                    reach(value)
        elif isinstance(node, list):
            for value in node:
                reach(value)

    for name, schema in roots.items():
        out[name] = strip(schema)
        reach(schema)
    json.dump({"components": {"schemas": dict(sorted(out.items()))}}, sys.stdout,
              separators=(",", ":"), sort_keys=False)
    sys.stdout.write("\n")


if __name__ == "__main__":
    main()
