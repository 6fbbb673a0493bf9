"""Helpers for the probe's Python cases: the service's address and a client for its API."""
import http.client
import json
import os
import socket
import time
import urllib.parse
import uuid

URL = urllib.parse.urlsplit(os.environ["DOKORA_URL"])
HOST, PORT = URL.hostname, URL.port
SCRATCH = os.environ.get("DOKORA_PROBE_SCRATCH", ".")


def request(method, target, body=b"", headers=None, timeout=30):
    """One request; (status, headers, body bytes)."""
    connection = http.client.HTTPConnection(HOST, PORT, timeout=timeout)
    try:
        connection.request(method, target, body=body, headers=headers or {})
        reply = connection.getresponse()
        return reply.status, dict(reply.getheaders()), reply.read()
    finally:
        connection.close()


def sign_in():
    """The token of the probe's account."""
    form = urllib.parse.urlencode({"username": os.environ["DOKORA_USER"],
                                   "password": os.environ["DOKORA_PASSWORD"]})
    form_type = {"Content-Type": "application/x-www-form-urlencoded"}
    status, headers, _ = request("POST", "/shiro-cas/v1/tickets", form, form_type)
    location = urllib.parse.urlsplit(headers["Location"]).path
    # A ticket buys a token only when it was issued for the desktop client's own service.
    service = urllib.parse.urlencode({"service": os.environ["DOKORA_URL"] + "/shiro-cas"})
    _, _, ticket = request("POST", location, service, form_type)
    _, _, body = request("GET", "/auth/pcdokoraLogin?ticket=" + ticket.decode())
    return json.loads(body)["data"]["token"]


def upload(token, task, name, content):
    """The upload's JSON reply (raw bytes too, for checks of the encoding)."""
    boundary = uuid.uuid4().hex
    name_bytes = name if isinstance(name, bytes) else name.encode()
    body = (b"--" + boundary.encode() + b"\r\nContent-Disposition: form-data; name=\"file\"; "
            b"filename=\"" + name_bytes + b"\"\r\nContent-Type: application/octet-stream\r\n\r\n"
            + content + b"\r\n--" + boundary.encode() + b"--\r\n")
    _, _, reply = request("POST", "/v2/task/upload?plateform=pc&token=%s&taskname=%s"
                          % (token, task), body,
                          {"Content-Type": "multipart/form-data; boundary=" + boundary})
    return json.loads(reply.decode("utf-8", "replace")), reply


def convert(token, task, name, content, limit=50):
    """Upload, submit and poll; (state, message, result bytes or None)."""
    uploaded, _ = upload(token, task, name, content)
    if uploaded.get("ret") != 0:
        return "REFUSED", uploaded.get("msg", ""), None
    task_id = uploaded["data"]["taskId"]
    _, _, reply = request("POST", "/task/submitTask?plateform=pc&token=%s&taskId=%s&taskname=%s"
                          % (token, task_id, task))
    job_id = json.loads(reply)["data"]["jobId"]
    deadline = time.monotonic() + limit
    while True:
        _, _, reply = request("POST", "/task/taskQuery?plateform=pc&token=%s&taskId=%s&jobId=%s"
                              % (token, task_id, job_id))
        answer = json.loads(reply)
        state = answer["data"]["taskState"] if "data" in answer else "REFUSED"
        if state not in ("WAITING", "RUNNING") or time.monotonic() > deadline:
            break
        time.sleep(0.1)
    if state != "FINISH":
        return state, answer.get("msg", ""), None
    _, _, result = request("GET", urllib.parse.urlsplit(answer["data"]["downloadUrl"]).path)
    return state, answer.get("msg", ""), result


def connect(source="127.0.0.1"):
    """A raw connection to the service from a chosen loopback address."""
    raw = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    raw.bind((source, 0))
    raw.connect((HOST, PORT))
    return raw


def verdict(held, text):
    """Prints the case's one line and ends it with its status."""
    print(text)
    raise SystemExit(0 if held else 1)
