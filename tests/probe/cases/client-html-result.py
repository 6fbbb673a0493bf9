#!/usr/bin/env python3
"""An HTML page answered with 200 is not saved as the PDF result."""
import os
import client_probe as probe

out = os.path.join(probe.SCRATCH, "out")
api = probe.HostileApi(result=b"<!DOCTYPE html><html><body>Please sign in</body></html>")
status, text = probe.run_convert(api, ["--out", out, "PDFCompress", probe.source()])
left = probe.files_in(out)
probe.verdict(status == 1 and '"status":9' in text and not left,
              "HTML page as the PDF result: exit %d, saved: %s"
              % (status, ", ".join(left) or "nothing"))
