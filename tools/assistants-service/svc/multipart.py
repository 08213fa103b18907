"""Streaming multipart/form-data parsing: file parts go to temporary files on disk in bounded
pieces, plain fields stay in memory up to a small limit. `Form` removes what it wrote unless the
caller keeps a file, so a failed upload leaves nothing behind."""

import base64
import binascii
import email.header
import os
import quopri
import re
import urllib.parse

from .errors import bad_request

MAX_FIELD = 1024 * 1024
MAX_FIELDS_TOTAL = 4 * 1024 * 1024  # plain fields are kept in memory: bounded all together
MAX_PART_HEADERS = 16 * 1024
MAX_PARTS = 64
BOUNDARY = re.compile(r'boundary=(?:"([^"]{1,70})"|([^\s;"]{1,70}))', re.IGNORECASE)


class FilePart:
    def __init__(self, name, filename, content_type, path):
        self.name = name
        self.filename = filename
        self.content_type = content_type
        self.path = path
        self.size = 0


class Form:
    """The fields and file parts of one multipart body, parsed by `parse`."""

    def __init__(self, temp_path_factory):
        self.fields = {}
        self.files = {}
        self._temp_path = temp_path_factory

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.discard()

    def discard(self):
        for part in self.files.values():
            if part.path:
                try:
                    os.unlink(part.path)
                except OSError:
                    pass
                part.path = None

    def keep(self, name, final_path):
        """Moves file part `name` to `final_path`; it is no longer removed on exit."""
        part = self.files[name]
        os.replace(part.path, final_path)
        part.path = None

    def parse(self, body, content_type):
        if not content_type.lower().startswith("multipart/form-data"):
            raise bad_request("Invalid Content-Type header (%s), expected multipart/form-data."
                              % (content_type or "none"))
        found = BOUNDARY.search(content_type)
        if not found:
            raise bad_request("Invalid multipart/form-data body: no boundary in the "
                              "Content-Type header.")
        boundary = (found.group(1) or found.group(2)).encode("latin-1")
        _Parser(self, body, boundary).run()
        return self


def _disposition(value):
    params = {}
    for piece in value.split(";")[1:]:
        key, _, raw = piece.strip().partition("=")
        raw = raw.strip()
        if len(raw) >= 2 and raw[0] == raw[-1] == '"':
            raw = raw[1:-1].replace('\\"', '"')
        params[key.lower()] = raw
    for key in ("name", "filename"):
        if params.get(key, "").startswith("=?"):
            params[key] = str(email.header.make_header(email.header.decode_header(params[key])))
    if "filename*" in params:
        charset, _, rest = params["filename*"].partition("''")
        params["filename"] = urllib.parse.unquote(rest, encoding=charset or "utf-8",
                                                  errors="replace")
    return params


class _Parser:
    def __init__(self, form, body, boundary):
        self.form = form
        self.body = body
        self.buf = bytearray()
        self.delimiter = b"--" + boundary
        self.separator = b"\r\n" + self.delimiter
        self.eof = False
        self.fields_size = 0

    def fill(self):
        piece = self.body.read()
        if not piece:
            self.eof = True
            return False
        self.buf += piece
        return True

    def fail(self, why):
        raise bad_request("Invalid multipart/form-data body: %s." % why)

    def need(self, count):
        while len(self.buf) < count:
            if not self.fill():
                self.fail("unexpected end of the body")

    def run(self):
        # The first delimiter may follow a preamble.
        while True:
            index = self.buf.find(self.delimiter)
            if index >= 0 and (index == 0 or self.buf[index - 2:index] == b"\r\n"):
                del self.buf[: index + len(self.delimiter)]
                break
            if len(self.buf) > MAX_PART_HEADERS:
                self.fail("no boundary found")
            if not self.fill():
                self.fail("the boundary of the Content-Type header does not occur in the body")
        parts = 0
        while True:
            self.need(2)
            if self.buf[:2] == b"--":
                return
            if self.buf[:2] != b"\r\n":
                self.fail("malformed boundary line")
            del self.buf[:2]
            parts += 1
            if parts > MAX_PARTS:
                self.fail("too many parts")
            self.part()

    def part(self):
        while True:
            end = self.buf.find(b"\r\n\r\n")
            if end >= 0:
                break
            if len(self.buf) > MAX_PART_HEADERS:
                self.fail("part headers too long")
            if not self.fill():
                self.fail("unexpected end of the body in part headers")
        raw = bytes(self.buf[:end])
        del self.buf[: end + 4]
        headers = {}
        for line in raw.split(b"\r\n"):
            name, sep, value = line.partition(b":")
            if not sep:
                self.fail("malformed part header")
            try:
                text = value.decode("utf-8")
            except UnicodeDecodeError:
                text = value.decode("latin-1")
            headers[name.strip().lower().decode("latin-1")] = text.strip()
        disposition = headers.get("content-disposition", "")
        if not disposition.lower().startswith("form-data"):
            self.fail("a part without Content-Disposition: form-data")
        params = _disposition(disposition)
        name = params.get("name")
        if not name:
            self.fail("a part without a name")
        transfer = headers.get("content-transfer-encoding", "binary").strip().lower()
        if transfer not in ("binary", "7bit", "8bit", "quoted-printable", "base64"):
            self.fail("unsupported Content-Transfer-Encoding '%s'" % transfer)
        if "filename" in params:
            self.file_part(name, params["filename"], headers.get("content-type", ""), transfer)
        else:
            chunks = []
            size = 0
            for piece in self.data():
                size += len(piece)
                if size > MAX_FIELD:
                    raise bad_request("Invalid multipart/form-data body: field '%s' is larger "
                                      "than %d bytes." % (name, MAX_FIELD), name)
                chunks.append(piece)
            value = b"".join(chunks)
            self.fields_size += len(value)
            if self.fields_size > MAX_FIELDS_TOTAL:
                raise bad_request("Invalid multipart/form-data body: the plain fields are larger "
                                  "than %d bytes together." % MAX_FIELDS_TOTAL)
            try:
                if transfer == "quoted-printable":
                    value = quopri.decodestring(value)
                elif transfer == "base64":
                    value = base64.b64decode(value)
            except (ValueError, binascii.Error):
                self.fail("field '%s' is not valid %s" % (name, transfer))
            self.form.fields[name] = value.decode("utf-8", errors="replace")

    def file_part(self, name, filename, content_type, transfer):
        if name in self.form.files:
            self.fail("more than one file part named '%s'" % name)
        part = FilePart(name, os.path.basename(filename.replace("\\", "/")) or "upload",
                        content_type, self.form._temp_path())
        self.form.files[name] = part
        with open(part.path, "wb") as handle:
            for piece in self.data():
                handle.write(piece)
                part.size += len(piece)
        if transfer in ("quoted-printable", "base64"):
            self.decode_file(part, transfer)

    def decode_file(self, part, transfer):
        """Decodes an encoded file part on disk, line by line, into a second file."""
        decoded = self.form._temp_path()
        try:
            with open(part.path, "rb") as source, open(decoded, "wb") as target:
                if transfer == "base64":
                    base64.decode(source, target)
                else:
                    quopri.decode(source, target)
            os.replace(decoded, part.path)
        except (ValueError, binascii.Error):
            self.fail("file '%s' is not valid %s" % (part.filename, transfer))
        finally:
            if os.path.exists(decoded):
                os.unlink(decoded)
        part.size = os.path.getsize(part.path)

    def data(self):
        """The part's bytes up to the next separator, in pieces."""
        keep = len(self.separator) - 1
        while True:
            index = self.buf.find(self.separator)
            if index >= 0:
                if index:
                    yield bytes(self.buf[:index])
                del self.buf[: index + len(self.separator)]
                return
            if len(self.buf) > keep:
                cut = len(self.buf) - keep
                yield bytes(self.buf[:cut])
                del self.buf[:cut]
            if not self.fill():
                self.fail("unexpected end of the body")
