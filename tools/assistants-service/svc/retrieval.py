"""Retrieval for the file_search tool: BM25 over the non-empty lines of the stored text files.

Files are read as UTF-8 (undecodable bytes replaced), whatever content type they were uploaded
with; the index of each file is built on first use and kept while the file is unchanged.
"""

import collections
import math
import re
import threading

WORD = re.compile(r"\w+", re.UNICODE)
STOP_WORDS = frozenset("""a an and are as at be by can do does for from has have how i in is it
its me my of on or so that the their them then there these this to was we what when where which
who why will with you your""".split())
K1 = 1.2
B = 0.75
MAX_INDEXED_BYTES = 8 * 1024 * 1024  # the first 8 MiB of a file are searched
MAX_CACHED_FILES = 64


def terms(text):
    return [w for w in (m.group(0).lower() for m in WORD.finditer(text)) if w not in STOP_WORDS]


class Chunk:
    __slots__ = ("file_id", "filename", "text", "terms")

    def __init__(self, file_id, filename, text):
        self.file_id = file_id
        self.filename = filename
        self.text = text
        self.terms = terms(text)


class LineIndex:
    """Chunks per stored file, cached by file id (the most recently used files only)."""

    def __init__(self):
        self._lock = threading.Lock()
        self._chunks = collections.OrderedDict()

    def chunks(self, file_id, filename, path):
        with self._lock:
            cached = self._chunks.get(file_id)
            if cached is not None:
                self._chunks.move_to_end(file_id)
                return cached
        try:
            with open(path, "rb") as handle:
                raw = handle.read(MAX_INDEXED_BYTES)
        except OSError:
            return []
        text = raw.decode("utf-8", errors="replace")
        made = [Chunk(file_id, filename, line.strip()) for line in text.splitlines()
                if line.strip()]
        with self._lock:
            self._chunks[file_id] = made
            while len(self._chunks) > MAX_CACHED_FILES:
                self._chunks.popitem(last=False)
        return made

    def forget(self, file_id):
        with self._lock:
            self._chunks.pop(file_id, None)


def rank(query, chunks, limit=1):
    """The `limit` best (score, chunk) pairs by BM25, best first; chunks with no query term in
    them are left out. Ties keep document order."""
    query_terms = set(terms(query))
    if not query_terms or not chunks:
        return []
    count = len(chunks)
    average = sum(len(c.terms) for c in chunks) / count or 1.0
    frequency = {t: sum(1 for c in chunks if t in c.terms) for t in query_terms}
    scored = []
    for position, chunk in enumerate(chunks):
        score = 0.0
        length = len(chunk.terms)
        for term in query_terms:
            tf = chunk.terms.count(term)
            if not tf:
                continue
            idf = math.log(1 + (count - frequency[term] + 0.5) / (frequency[term] + 0.5))
            score += idf * tf * (K1 + 1) / (tf + K1 * (1 - B + B * length / average))
        if score > 0:
            scored.append((score, position, chunk))
    scored.sort(key=lambda item: (-item[0], item[1]))
    return [(score, chunk) for score, _, chunk in scored[:limit]]
