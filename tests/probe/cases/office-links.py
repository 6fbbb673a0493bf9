#!/usr/bin/env python3
"""Documents linking images by http:// and file:// make the office fetch or embed nothing."""
import http.server
import os
import subprocess
import threading
import zipfile
import zlib
import struct

import dokora_probe as probe


def png(width, height):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    rows = b"".join(b"\0" + b"\x80" * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def odt(link):
    path = os.path.join(probe.SCRATCH, "linked.odt")
    with zipfile.ZipFile(path, "w") as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.text")
        z.writestr("META-INF/manifest.xml",
                   '<?xml version="1.0" encoding="UTF-8"?><manifest:manifest xmlns:manifest='
                   '"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">'
                   '<manifest:file-entry manifest:full-path="/" manifest:media-type='
                   '"application/vnd.oasis.opendocument.text"/><manifest:file-entry '
                   'manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                   '</manifest:manifest>')
        z.writestr("content.xml",
                   '<?xml version="1.0" encoding="UTF-8"?><office:document-content '
                   'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
                   'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
                   'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
                   'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
                   'xmlns:xlink="http://www.w3.org/1999/xlink" office:version="1.2">'
                   '<office:body><office:text><text:p>linked<draw:frame draw:name="i" '
                   'text:anchor-type="as-char" svg:width="2cm" svg:height="2cm"><draw:image '
                   'xlink:href="%s" xlink:type="simple" xlink:show="embed" '
                   'xlink:actuate="onLoad"/></draw:frame></text:p></office:text></office:body>'
                   '</office:document-content>' % link)
    return open(path, "rb").read()


def docx(link):
    path = os.path.join(probe.SCRATCH, "linked.docx")
    pic = ('<w:drawing><wp:inline><wp:extent cx="720000" cy="720000"/><wp:docPr id="1" '
           'name="i"/><a:graphic><a:graphicData uri="http://schemas.openxmlformats.org/'
           'drawingml/2006/picture"><pic:pic><pic:nvPicPr><pic:cNvPr id="1" name="i"/>'
           '<pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:link="rIdImg"/><a:stretch>'
           '<a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm><a:off x="0" y="0"/>'
           '<a:ext cx="720000" cy="720000"/></a:xfrm><a:prstGeom prst="rect"/></pic:spPr>'
           '</pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing>')
    with zipfile.ZipFile(path, "w") as z:
        z.writestr("[Content_Types].xml",
                   '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.'
                   'openxmlformats.org/package/2006/content-types"><Default Extension="rels" '
                   'ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
                   '<Default Extension="xml" ContentType="application/xml"/><Override '
                   'PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-'
                   'officedocument.wordprocessingml.document.main+xml"/></Types>')
        z.writestr("_rels/.rels",
                   '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.'
                   'openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" '
                   'Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
                   'officeDocument" Target="word/document.xml"/></Relationships>')
        z.writestr("word/_rels/document.xml.rels",
                   '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.'
                   'openxmlformats.org/package/2006/relationships"><Relationship Id="rIdImg" '
                   'Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
                   'image" Target="%s" TargetMode="External"/></Relationships>' % link)
        z.writestr("word/document.xml",
                   '<?xml version="1.0" encoding="UTF-8"?><w:document xmlns:w="http://schemas.'
                   'openxmlformats.org/wordprocessingml/2006/main" xmlns:r="http://schemas.'
                   'openxmlformats.org/officeDocument/2006/relationships" xmlns:wp="http://'
                   'schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing" xmlns:a='
                   '"http://schemas.openxmlformats.org/drawingml/2006/main" xmlns:pic="http://'
                   'schemas.openxmlformats.org/drawingml/2006/picture"><w:body><w:p><w:r><w:t>'
                   'linked</w:t></w:r><w:r>%s</w:r></w:p></w:body></w:document>' % pic)
    return open(path, "rb").read()


fetched = []


class Recorder(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        fetched.append(self.path)
        image = png(64, 64)
        self.send_response(200)
        self.send_header("Content-Type", "image/png")
        self.send_header("Content-Length", str(len(image)))
        self.end_headers()
        self.wfile.write(image)

    def log_message(self, *args):
        pass


listener = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Recorder)
threading.Thread(target=listener.serve_forever, daemon=True).start()
outside = os.path.join(probe.SCRATCH, "outside.png")
with open(outside, "wb") as f:
    f.write(png(64, 64))

token = probe.sign_in()
web = "http://127.0.0.1:%d/image.png" % listener.server_address[1]
problems = []
for make in (odt, docx):
    for link in (web, "file://" + outside):
        state, message, result = probe.convert(token, "word-to-pdf", "linked." + make.__name__,
                                               make(link))
        if result is None:
            problems.append("%s linking %s: %s %s" % (make.__name__, link[:7], state, message))
            continue
        pdf = os.path.join(probe.SCRATCH, "result.pdf")
        with open(pdf, "wb") as f:
            f.write(result)
        images = subprocess.run(["pdfimages", "-list", pdf], capture_output=True, text=True)
        if len(images.stdout.strip().splitlines()) > 2:
            problems.append("%s linking %s embeds the image" % (make.__name__, link[:7]))
if fetched:
    problems.append("the office fetched %d time(s)" % len(fetched))
probe.verdict(not problems, "; ".join(problems) or
              "linked images (http and file, .odt and .docx): nothing fetched or embedded")
