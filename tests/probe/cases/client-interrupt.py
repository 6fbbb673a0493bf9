#!/usr/bin/env python3
"""Ctrl-C during a download leaves neither a partial nor an empty result."""
import os
import signal
import time
import client_probe as probe

out = os.path.join(probe.SCRATCH, "out")
api = probe.HostileApi(result=b"%PDF-1.7\n" + b"x" * 100000, result_plan="stall",
                       cut_after=50000)
process = probe.start_convert(api, ["--out", out, "PDFCompress", probe.source()])
deadline = time.monotonic() + 30
while api.count("/results/") == 0 and time.monotonic() < deadline:
    time.sleep(0.05)
time.sleep(0.5)
process.send_signal(signal.SIGINT)
try:
    status = process.wait(10)
except Exception:
    process.kill()
    status = process.wait()
left = probe.files_in(out) if os.path.isdir(out) else []
probe.verdict(api.count("/results/") > 0 and status != 0 and not left,
              "Ctrl-C while the result streams: exit %d, left in the folder: %s"
              % (status, ", ".join(left) or "nothing"))
