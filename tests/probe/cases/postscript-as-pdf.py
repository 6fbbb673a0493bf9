#!/usr/bin/env python3
"""A PostScript program with "%PDF-" in its first bytes is never run as a PDF."""
import dokora_probe as probe

program = (b"/Helvetica findfont 24 scalefont setfont 72 700 moveto\n"
           b"(computed ) show 6 7 mul 10 string cvs show showpage\n")
token = probe.sign_in()
problems = []
for name, content in (("header later", b"%!PS-Adobe-3.0\n% %PDF-1.4\n" + program),
                      ("header first", b"%PDF-1.4\n%!PS\n" + program)):
    state, message, result = probe.convert(token, "pdf-compress", "report.pdf", content)
    if state == "FINISH":
        problems.append("%s: converted (%d bytes back)" % (name, len(result or b"")))
probe.verdict(not problems, "; ".join(problems) or "PostScript sent as PDF is refused")
