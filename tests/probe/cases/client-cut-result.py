#!/usr/bin/env python3
"""A result that declares 1 MiB and ends after 100 KiB leaves nothing under the result's name."""
import os
import client_probe as probe

out = os.path.join(probe.SCRATCH, "out")
api = probe.HostileApi(result=b"%PDF-1.7\n" + b"x" * (1 << 20), result_plan="cut",
                       cut_after=100 << 10)
status, text = probe.run_convert(api, ["--out", out, "PDFCompress", probe.source()])
left = probe.files_in(out)
probe.verdict(status == 1 and not left and '"status":9' in text,
              "1 MiB declared, 100 KiB sent: exit %d, left in the folder: %s"
              % (status, ", ".join(left) or "nothing"))
