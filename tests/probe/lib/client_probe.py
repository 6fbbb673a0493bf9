"""Helpers for the probe's client cases: a fault-injecting conversion API beside the real
service, and a run of dokora-convert that signs in at the real service and converts through
that API."""
import http.server
import json
import os
import subprocess
import threading
import time

SCRATCH = os.environ.get("DOKORA_PROBE_SCRATCH", ".")
CONVERT = os.environ.get("DOKORA_CONVERT", "")


def _json(data):
    return json.dumps({"ret": 0, "msg": "success", "data": data}).encode()


class HostileApi:
    """The conversion API on a free loopback port. The token exchange accepts any ticket;
    upload, submit and query answer like a healthy service unless told otherwise; the result
    is `result` (bytes), sent as `result_plan` says:
      "whole"    with its length
      "cut"      declares the whole length, sends `cut_after` bytes and closes
      "trickle"  one byte per second
      "stall"    `cut_after` bytes, then nothing
    `upload_reply` replaces the upload's reply; `never_finish` keeps the task RUNNING."""

    def __init__(self, result=b"%PDF-1.7\n%probe\n", result_plan="whole", cut_after=0,
                 upload_reply=None, never_finish=False):
        self.result, self.result_plan, self.cut_after = result, result_plan, cut_after
        self.upload_reply, self.never_finish = upload_reply, never_finish
        self.requests = []
        api = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def do_GET(self):
                api._serve(self)

            def do_POST(self):
                length = int(self.headers.get("Content-Length", "0") or 0)
                while length > 0:
                    chunk = self.rfile.read(min(length, 65536))
                    if not chunk:
                        break
                    length -= len(chunk)
                api._serve(self)

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.url = "http://127.0.0.1:%d" % self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def count(self, path):
        return sum(1 for request in self.requests if request.startswith(path))

    def _send(self, handler, body, length=None):
        handler.send_response(200)
        handler.send_header("Content-Type", "application/octet-stream")
        handler.send_header("Content-Length", str(len(body) if length is None else length))
        handler.end_headers()
        handler.wfile.write(body)
        handler.wfile.flush()

    def _serve(self, handler):
        path = handler.path
        self.requests.append(path)
        try:
            if path.startswith("/auth/pcdokoraLogin"):
                self._send(handler, _json({"expireTime": 7200, "token": "probe-token"}))
            elif path.startswith("/v2/task/upload"):
                reply = self.upload_reply or _json({"fileSize": 1, "filePrice": 0,
                                                    "taskId": "t1", "docid": "d1",
                                                    "fileType": "pdf", "fileName": "x.pdf"})
                self._send(handler, reply)
            elif path.startswith("/task/submitTask"):
                self._send(handler, _json({"docid": "d1", "taskId": "t1", "jobId": "j1"}))
            elif path.startswith("/task/taskQuery"):
                state = "RUNNING" if self.never_finish else "FINISH"
                url = "" if self.never_finish else self.url + "/results/j1"
                self._send(handler, _json({"taskState": state, "balanceStatus": "NORMAL",
                                           "filePrice": 0, "userBalance": 100.0,
                                           "downloadUrl": url}))
            elif path.startswith("/results/"):
                self._result(handler)
            else:
                handler.send_error(404)
        except OSError:
            pass

    def _result(self, handler):
        body = self.result
        if self.result_plan == "whole":
            self._send(handler, body)
            return
        self._send(handler, body[:self.cut_after], len(body))
        if self.result_plan == "cut":
            handler.close_connection = True
            return
        for index in range(self.cut_after, len(body)):
            time.sleep(1 if self.result_plan == "trickle" else 3600)
            handler.wfile.write(body[index:index + 1])
            handler.wfile.flush()


def source(name="report.pdf", content=b"%PDF-1.4\n%probe source\n"):
    """A source document in the case's scratch directory."""
    path = os.path.join(SCRATCH, name)
    with open(path, "wb") as out:
        out.write(content)
    return path


def environment(api):
    """The converter's environment: signed in at the real service, converting through `api`."""
    service = os.environ["DOKORA_URL"]
    env = dict(os.environ)
    env.update({
        "DOKORA_API_URL": api.url if api else service,
        "DOKORA_WEB_URL": service,
        "DOKORA_FILES_URL": service,
        "DOKORA_SSO_URL": service + "/shiro-cas",
        "DOKORA_POLL_INTERVAL_MS": "100",
        "XDG_DATA_HOME": os.path.join(SCRATCH, "data"),
        "XDG_CACHE_HOME": os.path.join(SCRATCH, "cache"),
        "HOME": SCRATCH,
    })
    return env


def start_convert(api, arguments):
    """dokora-convert with `arguments` (after --user), its output kept in a file."""
    if not CONVERT:
        raise SystemExit("DOKORA_CONVERT is not set")
    output = open(os.path.join(SCRATCH, "convert.out"), "wb")
    return subprocess.Popen([CONVERT, "--json", "--user", os.environ["DOKORA_USER"]] + arguments,
                            env=environment(api), stdout=output, stderr=subprocess.STDOUT)


def run_convert(api, arguments, timeout=45):
    """(exit status, output); -1000 when the converter had to be killed."""
    process = start_convert(api, arguments)
    try:
        status = process.wait(timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        status = -1000
    return status, output()


def output():
    with open(os.path.join(SCRATCH, "convert.out"), "rb") as result:
        return result.read().decode("utf-8", "replace")


def files_in(folder):
    """Every name in `folder`, hidden temporary files included."""
    return sorted(os.listdir(folder))


def verdict(held, text):
    """Prints the case's one line and ends it with its status."""
    print(text)
    raise SystemExit(0 if held else 1)
