"""Images (generations, edits, variations: a small valid PNG) and audio transcription and
translation (a fixed text naming the uploaded file's length)."""

import base64
import hashlib
import struct
import wave
import zlib

from . import validation as v
from .errors import bad_request
from .multipart import Form
from .routing import Response
from .storage import now

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
IMAGE_SIDE = 16


def register(router):
    router.add("POST", "/images/generations", generate_image)
    router.add("POST", "/images/edits", edit_image)
    router.add("POST", "/images/variations", vary_image)
    router.add("POST", "/audio/transcriptions", transcribe)
    router.add("POST", "/audio/translations", translate)


def png(seed_text):
    """A small opaque PNG whose colours derive from `seed_text`."""
    digest = hashlib.sha256(seed_text.encode("utf-8")).digest()
    rows = []
    for y in range(IMAGE_SIDE):
        row = bytearray(b"\x00")  # filter: none
        for x in range(IMAGE_SIDE):
            k = (x // 4 + y // 4 * 4) % 10 * 3
            row += digest[k:k + 3]
        rows.append(bytes(row))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", IMAGE_SIDE, IMAGE_SIDE, 8, 2, 0, 0, 0)
    return (PNG_SIGNATURE + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(b"".join(rows)))
            + chunk(b"IEND", b""))


def _images(prompt, count, response_format):
    v.expect(isinstance(count, int) and 1 <= count <= 10, "Invalid 'n': must be between 1 and "
             "10.", "n")
    v.expect(response_format in ("url", "b64_json"), "Invalid 'response_format': expected 'url' "
             "or 'b64_json'.", "response_format")
    data = []
    for index in range(count):
        encoded = base64.b64encode(png("%s#%d" % (prompt, index))).decode("ascii")
        item = {"revised_prompt": prompt}
        if response_format == "url":
            item["url"] = "data:image/png;base64," + encoded
        else:
            item["b64_json"] = encoded
        data.append(item)
    return {"created": now(), "data": data}


def generate_image(req):
    body = req.json(allowed=("prompt", "model", "n", "quality", "response_format", "size",
                             "style", "user", "background", "moderation", "output_format",
                             "output_compression"), required=("prompt",))
    prompt = v.string(body, "prompt", nullable=False)
    return _images(prompt, body.get("n", 1), body.get("response_format") or "b64_json")


def _image_form(req, need_prompt):
    form = Form(req.app.store.upload_temp_path)
    try:
        form.parse(req.body, req.header("Content-Type", ""))
        image = form.files.get("image") or form.files.get("image[]")
        if image is None:
            raise bad_request("Missing required parameter: 'image'.", "image")
        with open(image.path, "rb") as handle:
            if handle.read(8) != PNG_SIGNATURE:
                raise bad_request("Invalid input image: the image must be a PNG file.", "image")
        prompt = form.fields.get("prompt")
        if need_prompt and not prompt:
            raise bad_request("Missing required parameter: 'prompt'.", "prompt")
        try:
            count = int(form.fields.get("n", "1"))
        except ValueError:
            raise bad_request("Invalid 'n': expected an integer.", "n")
        return _images("%s|%s|%d" % (prompt or "variation", image.filename, image.size), count,
                       form.fields.get("response_format") or "b64_json")
    finally:
        form.discard()


def edit_image(req):
    return _image_form(req, need_prompt=True)


def vary_image(req):
    return _image_form(req, need_prompt=False)


def _audio_length(path):
    """The duration of a WAVE file in seconds, or None for other formats."""
    try:
        with wave.open(path, "rb") as audio:
            return audio.getnframes() / float(audio.getframerate() or 1)
    except (wave.Error, EOFError, OSError):
        return None


def _audio(req, verb):
    with Form(req.app.store.upload_temp_path) as form:
        form.parse(req.body, req.header("Content-Type", ""))
        part = form.files.get("file")
        if part is None:
            raise bad_request("Missing required parameter: 'file'.", "file")
        if not form.fields.get("model"):
            raise bad_request("Missing required parameter: 'model'.", "model")
        seconds = _audio_length(part.path)
        length = "%d bytes" % part.size
        if seconds is not None:
            length += ", %.2f seconds" % seconds
        text = "%s of %s (%s)." % (verb, part.filename, length)
        fmt = form.fields.get("response_format") or "json"
    if fmt == "text":
        return Response(raw=text.encode("utf-8"), content_type="text/plain; charset=utf-8")
    if fmt in ("srt", "vtt"):
        cue = "00:00:00,000 --> 00:00:01,000" if fmt == "srt" else "00:00:00.000 --> 00:00:01.000"
        head = "1\n" if fmt == "srt" else "WEBVTT\n\n"
        return Response(raw=("%s%s\n%s\n" % (head, cue, text)).encode("utf-8"),
                        content_type="text/plain; charset=utf-8")
    if fmt == "verbose_json":
        return {"task": "transcribe" if verb == "Transcription" else "translate",
                "language": "english", "duration": seconds or 0.0, "text": text}
    if fmt != "json":
        raise bad_request("Invalid 'response_format': expected json, text, srt, verbose_json "
                          "or vtt.", "response_format")
    return {"text": text}


def transcribe(req):
    return _audio(req, "Transcription")


def translate(req):
    return _audio(req, "Translation")
