#!/usr/bin/env python3
"""--out naming a file or a path below one ends with a message and status 2, no crash."""
import os
import client_probe as probe

plain = os.path.join(probe.SCRATCH, "a-file")
with open(plain, "w") as out:
    out.write("x")
answers = []
for folder in (plain, "/proc/version/x"):
    status, text = probe.run_convert(None, ["--out", folder, "PDFCompress", probe.source()])
    answers.append((folder, status, "output folder" in text))
probe.verdict(all(status == 2 and named for _, status, named in answers),
              "--out FILE and --out /proc/version/x: " +
              ", ".join("exit %d%s" % (status, "" if named else " (no message)")
                        for _, status, named in answers))
