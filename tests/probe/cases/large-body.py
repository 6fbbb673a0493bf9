#!/usr/bin/env python3
"""A 100 MiB body declared to the sign-in route is refused before it is read."""
import dokora_probe as probe

raw = probe.connect()
raw.settimeout(5)
raw.sendall(b"POST /shiro-cas/v1/tickets HTTP/1.1\r\nHost: x\r\nContent-Type: "
            b"application/x-www-form-urlencoded\r\nContent-Length: 104857600\r\n\r\nusername=")
try:
    reply = raw.recv(4096)
except OSError:
    reply = b""
probe.verdict(reply.startswith(b"HTTP/1.1 413"),
              "declared 100 MiB to the sign-in route: %s" % (reply.split(b"\r\n")[0].decode()
                                                             or "no answer within 5 s"))
