#!/usr/bin/env python3
"""Checks that a data folder of the bundled service is consistent: every object row is valid
JSON naming its own id, every child row's parent exists, every file row has its bytes in
files/, and files/ holds nothing else (no bytes without a row, no interrupted upload).

    python3 check_data.py DATA_DIR

Prints one line per problem and a summary ("consistent: N rows, M files"), and exits with 1
when there is a problem. Read-only: the database is opened in read-only mode.
"""

import json
import os
import sqlite3
import sys


def check(data_dir):
    """The problems found in data_dir (empty when consistent) and the row and file counts."""
    problems = []
    files_dir = os.path.join(data_dir, "files")
    db_path = os.path.join(data_dir, "service.sqlite3")
    if not os.path.isfile(db_path):
        return ["no database at %s" % db_path], 0, 0
    db = sqlite3.connect("file:%s?mode=ro" % db_path, uri=True)
    try:
        rows = db.execute("SELECT kind, parent, id, body FROM objects").fetchall()
        integrity = db.execute("PRAGMA integrity_check").fetchone()[0]
    finally:
        db.close()
    if integrity != "ok":
        problems.append("database integrity: %s" % integrity)

    ids = {ident for _, _, ident, _ in rows}
    file_ids = {ident for kind, _, ident, _ in rows if kind == "file"}
    for kind, parent, ident, body in rows:
        try:
            obj = json.loads(body)
        except ValueError:
            problems.append("%s %s: body is not JSON" % (kind, ident))
            continue
        if not isinstance(obj, dict) or obj.get("id", ident) != ident:
            problems.append("%s %s: body names another id" % (kind, ident))
        if parent and parent not in ids:
            problems.append("%s %s: orphaned, its parent %s is gone" % (kind, ident, parent))
        if kind == "file":
            if not os.path.isfile(os.path.join(files_dir, ident)):
                problems.append("file %s: its bytes are missing" % ident)
        if kind == "vector_store.file" and ident not in file_ids:
            problems.append("vector_store.file %s: no such file" % ident)

    names = sorted(os.listdir(files_dir)) if os.path.isdir(files_dir) else []
    for name in names:
        if name.startswith(".upload-"):
            problems.append("files/%s: an interrupted upload was left behind" % name)
        elif name not in file_ids:
            problems.append("files/%s: bytes without a file row" % name)
    return problems, len(rows), len(names)


def main(argv):
    if len(argv) != 1:
        print("usage: check_data.py DATA_DIR", file=sys.stderr)
        return 2
    problems, rows, files = check(argv[0])
    for problem in problems:
        print(problem)
    print("%s: %d rows, %d files" % ("inconsistent" if problems else "consistent", rows, files))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
