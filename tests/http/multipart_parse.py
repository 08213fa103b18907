"""Parses a multipart/form-data body with the standard library's email parser.

Usage: multipart_parse.py BODY_FILE CONTENT_TYPE OUT_DIR
Writes the decoded data of part i to OUT_DIR/part<i>.bin and prints one line per part:
"<i> <name as UTF-8 hex> <file name as UTF-8 hex or -> <content type>". Exits non-zero when the
body is not multipart or the parser reports defects.
"""
import email.policy
import os
import sys
from email.parser import BytesParser


def main():
    body_file, content_type, out_dir = sys.argv[1:4]
    with open(body_file, "rb") as f:
        body = f.read()
    head = b"Content-Type: " + content_type.encode("ascii") + b"\r\n\r\n"
    msg = BytesParser(policy=email.policy.default).parsebytes(head + body)
    if not msg.is_multipart():
        print("not multipart")
        return 2
    if msg.defects:
        print("defects:", msg.defects)
        return 3
    for i, part in enumerate(msg.iter_parts()):
        if part.defects:
            print("part defects:", i, part.defects)
            return 4
        name = part.get_param("name", header="content-disposition")
        filename = part.get_filename()
        data = part.get_payload(decode=True) or b""
        with open(os.path.join(out_dir, "part%d.bin" % i), "wb") as f:
            f.write(data)
        print(i, str(name).encode("utf-8").hex() or "-",
              filename.encode("utf-8").hex() if filename else "-", part.get_content_type())
    return 0


if __name__ == "__main__":
    sys.exit(main())
