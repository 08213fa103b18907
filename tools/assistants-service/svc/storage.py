"""SQLite storage of every object the service keeps, in the data folder.

One table holds every object as JSON, keyed by kind, parent and id; `seq` is the creation order,
so listings order by it and objects made in the same second keep their order. Members whose
names begin with "_" are the service's own bookkeeping and never leave it (`public`). Uploaded
bytes live beside the database in files/<file id>.

One connection serves every thread behind one lock: requests are short and SQLite serialises
writers anyway.
"""

import contextlib
import json
import os
import secrets
import sqlite3
import threading
import time

SCHEMA = """
CREATE TABLE IF NOT EXISTS objects (
  seq INTEGER PRIMARY KEY AUTOINCREMENT,
  kind TEXT NOT NULL,
  parent TEXT NOT NULL,
  id TEXT NOT NULL,
  body TEXT NOT NULL,
  UNIQUE (kind, parent, id)
);
CREATE INDEX IF NOT EXISTS objects_by_id ON objects (id);
CREATE INDEX IF NOT EXISTS objects_by_parent ON objects (parent, kind, seq);
"""


def new_id(prefix):
    return prefix + secrets.token_hex(12)


def now():
    return int(time.time())


def public(obj):
    """The object without the service's own "_" members."""
    return {k: v for k, v in obj.items() if not k.startswith("_")}


class Store:
    def __init__(self, data_dir):
        self.data_dir = data_dir
        self.files_dir = os.path.join(data_dir, "files")
        os.makedirs(self.files_dir, exist_ok=True)
        self._lock = threading.RLock()
        self._db = sqlite3.connect(os.path.join(data_dir, "service.sqlite3"),
                                   check_same_thread=False, isolation_level=None)
        self._db.execute("PRAGMA journal_mode=WAL")
        self._db.execute("PRAGMA synchronous=NORMAL")
        self._db.executescript(SCHEMA)
        self._depth = 0
        self._remove_stale_uploads()

    def close(self):
        with self._lock:
            self._db.close()

    def _remove_stale_uploads(self):
        # Pieces of uploads that a crash interrupted; a clean stop never leaves any.
        for name in os.listdir(self.files_dir):
            if name.startswith(".upload-"):
                with contextlib.suppress(OSError):
                    os.unlink(os.path.join(self.files_dir, name))

    @contextlib.contextmanager
    def transaction(self):
        """Groups the statements inside into one atomic write; nests."""
        with self._lock:
            outer = self._depth == 0
            if outer:
                self._db.execute("BEGIN IMMEDIATE")
            self._depth += 1
            try:
                yield self
            except BaseException:
                self._depth -= 1
                if outer:
                    self._db.execute("ROLLBACK")
                raise
            self._depth -= 1
            if outer:
                self._db.execute("COMMIT")

    def insert(self, kind, obj, parent=""):
        with self._lock:
            self._db.execute("INSERT INTO objects (kind, parent, id, body) VALUES (?, ?, ?, ?)",
                             (kind, parent, obj["id"], json.dumps(obj, ensure_ascii=False)))
        return obj

    def update(self, kind, obj, parent=""):
        with self._lock:
            self._db.execute("UPDATE objects SET body = ? WHERE kind = ? AND parent = ? AND id = ?",
                             (json.dumps(obj, ensure_ascii=False), kind, parent, obj["id"]))
        return obj

    def get(self, kind, ident, parent=""):
        with self._lock:
            row = self._db.execute(
                "SELECT body FROM objects WHERE kind = ? AND parent = ? AND id = ?",
                (kind, parent, ident)).fetchone()
        return json.loads(row[0]) if row else None

    def delete(self, kind, ident, parent=""):
        with self._lock:
            cur = self._db.execute("DELETE FROM objects WHERE kind = ? AND parent = ? AND id = ?",
                                   (kind, parent, ident))
        return cur.rowcount > 0

    def delete_children(self, parent, kind=None):
        with self._lock:
            if kind is None:
                self._db.execute("DELETE FROM objects WHERE parent = ?", (parent,))
            else:
                self._db.execute("DELETE FROM objects WHERE parent = ? AND kind = ?",
                                 (parent, kind))

    def all(self, kind, parent="", descending=False):
        with self._lock:
            rows = self._db.execute(
                "SELECT body FROM objects WHERE kind = ? AND parent = ? ORDER BY seq %s"
                % ("DESC" if descending else "ASC"), (kind, parent)).fetchall()
        return [json.loads(r[0]) for r in rows]

    def seq_of(self, kind, ident, parent=""):
        with self._lock:
            row = self._db.execute(
                "SELECT seq FROM objects WHERE kind = ? AND parent = ? AND id = ?",
                (kind, parent, ident)).fetchone()
        return row[0] if row else None

    def page(self, kind, parent, limit, descending, after_seq=None, before_seq=None,
             where=None):
        """`limit` objects in listing order strictly after `after_seq` and/or just before
        `before_seq` (the ones nearest the cursor), and whether more lie beyond the page.
        `where` filters the decoded objects (a predicate)."""
        sql = "SELECT seq, body FROM objects WHERE kind = ? AND parent = ?"
        args = [kind, parent]
        # In listing order "after" means further along; "before" nearer the start.
        if after_seq is not None:
            sql += " AND seq %s ?" % ("<" if descending else ">")
            args.append(after_seq)
        if before_seq is not None:
            sql += " AND seq %s ?" % (">" if descending else "<")
            args.append(before_seq)
        # With only "before", walk away from the cursor to take the nearest objects first.
        walk_descending = descending if before_seq is None or after_seq is not None \
            else not descending
        sql += " ORDER BY seq %s" % ("DESC" if walk_descending else "ASC")
        with self._lock:
            rows = self._db.execute(sql, args).fetchall()
        objs = [json.loads(body) for _, body in rows]
        if where is not None:
            objs = [o for o in objs if where(o)]
        items, has_more = objs[:limit], len(objs) > limit
        if walk_descending != descending:
            items.reverse()
        return items, has_more

    # Uploaded bytes.

    def file_path(self, file_id):
        return os.path.join(self.files_dir, file_id)

    def upload_temp_path(self):
        return os.path.join(self.files_dir, ".upload-" + secrets.token_hex(8))
