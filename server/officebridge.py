# Drives one warm office instance over UNO for the conversion service.
# argv: pipe name. Reads one JSON request per line on stdin, answers one line on stdout:
# "READY" once connected, then "OK" or "ERR <reason>" per request.
import json
import sys
import time

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException

EXPORT_FOR_PDF = [
    ("com.sun.star.text.GenericTextDocument", "writer_pdf_Export"),
    ("com.sun.star.sheet.SpreadsheetDocument", "calc_pdf_Export"),
    ("com.sun.star.presentation.PresentationDocument", "impress_pdf_Export"),
    ("com.sun.star.drawing.DrawingDocument", "draw_pdf_Export"),
]


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def connect(pipe):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    deadline = time.monotonic() + 60
    while True:
        try:
            remote = resolver.resolve(
                "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
            block_linked_content(remote)
            return remote.ServiceManager.createInstanceWithContext(
                "com.sun.star.frame.Desktop", remote)
        except NoConnectException:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.05)


# Documents come from anyone: nothing they link is fetched or updated, no macro runs.
NO_UPDATE = 0  # com.sun.star.document.UpdateDocMode.NO_UPDATE
NEVER_EXECUTE = 0  # com.sun.star.document.MacroExecMode.NEVER_EXECUTE


def block_linked_content(remote):
    """Makes the office refuse every link of a document it did not place in a trusted
    location, which no uploaded document is."""
    provider = remote.ServiceManager.createInstanceWithContext(
        "com.sun.star.configuration.ConfigurationProvider", remote)
    access = provider.createInstanceWithArguments(
        "com.sun.star.configuration.ConfigurationUpdateAccess",
        (prop("nodepath", "/org.openoffice.Office.Common/Security/Scripting"),))
    access.setPropertyValue("BlockUntrustedRefererLinks", True)
    access.commitChanges()


def convert(desktop, request):
    load = [prop("Hidden", True), prop("ReadOnly", True),
            prop("UpdateDocMode", NO_UPDATE), prop("MacroExecutionMode", NEVER_EXECUTE)]
    if request.get("importFilter"):
        load.append(prop("FilterName", request["importFilter"]))
    if request.get("importOptions"):
        load.append(prop("FilterOptions", request["importOptions"]))
    url = uno.systemPathToFileUrl(request["input"])
    doc = desktop.loadComponentFromURL(url, "_blank", 0, tuple(load))
    if doc is None:
        return "ERR the document could not be opened"
    try:
        export = request["exportFilter"]
        if export == "pdf":
            export = next((f for s, f in EXPORT_FOR_PDF if doc.supportsService(s)), None)
            if export is None:
                return "ERR the document type cannot be exported to PDF"
        store = [prop("FilterName", export), prop("Overwrite", True)]
        doc.storeToURL(uno.systemPathToFileUrl(request["output"]), tuple(store))
        return "OK"
    finally:
        doc.close(True)


def main():
    desktop = connect(sys.argv[1])
    print("READY", flush=True)
    for line in sys.stdin:
        try:
            reply = convert(desktop, json.loads(line))
        except Exception as error:  # every failure is one reply line; the bridge lives on
            reply = "ERR " + " ".join(str(error).split())
        print(reply, flush=True)


main()
