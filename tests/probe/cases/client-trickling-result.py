#!/usr/bin/env python3
"""A result trickling at 1 byte/s fails within the time limit and leaves nothing behind."""
import os
import time
import client_probe as probe

out = os.path.join(probe.SCRATCH, "out")
api = probe.HostileApi(result=b"%PDF-1.7\n" + b"x" * 1000, result_plan="trickle",
                       cut_after=9)
start = time.monotonic()
status, text = probe.run_convert(api, ["--timeout", "3", "--out", out, "PDFCompress",
                                       probe.source()])
took = time.monotonic() - start
left = probe.files_in(out)
probe.verdict(status == 1 and took < 40 and not left,
              "result at 1 byte/s, --timeout 3: exit %d after %.1f s, left: %s"
              % (status, took, ", ".join(left) or "nothing"))
