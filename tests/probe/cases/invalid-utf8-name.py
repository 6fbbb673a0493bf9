#!/usr/bin/env python3
"""File-name bytes FF FE C0 AF never come back raw in a JSON reply."""
import dokora_probe as probe

token = probe.sign_in()
_, raw = probe.upload(token, "pdf-compress", b"\xff\xfe\xc0\xaf.pdf", b"%PDF-1.4\n")
try:
    raw.decode("utf-8")
    probe.verdict(True, "a file name that is not UTF-8 gets a UTF-8 reply")
except UnicodeDecodeError:
    probe.verdict(False, "the upload reply holds bytes that are not UTF-8: %r" % raw[:120])
