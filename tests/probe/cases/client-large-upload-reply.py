#!/usr/bin/env python3
"""An upload reply of 20 MiB is refused, not read into memory whole."""
import json
import client_probe as probe

reply = b" " * (20 << 20) + json.dumps({"ret": 0, "msg": "success", "data": {
    "fileSize": 1, "filePrice": 0, "taskId": "t1", "docid": "d1", "fileType": "pdf",
    "fileName": "x.pdf"}}).encode()
api = probe.HostileApi(upload_reply=reply)
status, text = probe.run_convert(api, ["PDFCompress", probe.source()])
probe.verdict(status == 1 and '"status":7' in text and api.count("/task/submitTask") == 0,
              "20 MiB upload reply: exit %d, submitted %d times"
              % (status, api.count("/task/submitTask")))
