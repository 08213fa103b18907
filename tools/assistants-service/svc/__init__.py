"""The bundled local assistants service: a deterministic, offline peer of the assistants API."""
