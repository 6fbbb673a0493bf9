#!/usr/bin/env python3
"""A dangling link planted under the result's name is never written through."""
import os
import client_probe as probe

out = os.path.join(probe.SCRATCH, "out")
os.makedirs(out)
target = os.path.join(probe.SCRATCH, "elsewhere", "planted.pdf")
os.symlink(target, os.path.join(out, "report.pdf"))
api = probe.HostileApi()
status, text = probe.run_convert(api, ["--out", out, "PDFCompress", probe.source()])
held = (status == 0 and not os.path.lexists(target) and
        os.path.islink(os.path.join(out, "report.pdf")) and
        os.path.isfile(os.path.join(out, "report(1).pdf")))
probe.verdict(held, "result name taken by a dangling link: exit %d, link target %s, saved %s"
              % (status, "created" if os.path.lexists(target) else "untouched",
                 ", ".join(probe.files_in(out))))
