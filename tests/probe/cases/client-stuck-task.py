#!/usr/bin/env python3
"""A task that stays RUNNING fails after the converter's --timeout."""
import time
import client_probe as probe

api = probe.HostileApi(never_finish=True)
start = time.monotonic()
status, text = probe.run_convert(api, ["--timeout", "2", "PDFCompress", probe.source()])
took = time.monotonic() - start
probe.verdict(status == 1 and '"status":8' in text and "处理超时" in text and took < 30,
              "task RUNNING for ever, --timeout 2: exit %d after %.1f s, %d queries"
              % (status, took, api.count("/task/taskQuery")))
