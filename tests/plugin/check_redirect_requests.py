#!/usr/bin/env python3
"""Reads the requests the loopback servers recorded for pages/redirect_cookies.js and checks, run
by run, where each upload went, with which method, body and cookie, and that the page's HTTP
credentials reached its own server only.

  check_redirect_requests.py REQUESTS HTTP_PORT HTTPS_PORT OTHER_PORT TAG:FIRST:OTHER...

TAG names a run's pages; FIRST is the Cookie header the page's server (127.0.0.1) must get, OTHER
the one the other host (127.0.0.2) must get, empty for none. Prints one line a failed check and
ends with 1 when there is one.
"""
import base64
import os
import sys


def read_requests(folder):
    requests = []
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".req"):
            continue
        with open(os.path.join(folder, name), "rb") as f:
            raw = f.read()
        head, _, body = raw.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        method, path = (lines[0].split(" ") + ["", ""])[:2]
        headers = {}
        for line in lines[1:]:
            key, _, value = line.partition(":")
            headers.setdefault(key.strip().lower(), value.strip())
        requests.append({"method": method, "path": path, "headers": headers, "body": body})
    return requests


def main(argv):
    folder, http, https, other = argv[1], argv[2], argv[3], argv[4]
    runs = [arg.split(":", 2) for arg in argv[5:]]
    requests = read_requests(folder)
    failures = []

    def check(ok, text):
        if not ok:
            failures.append(text)

    def only(path):
        found = [r for r in requests if r["path"] == path]
        check(len(found) == 1, "%s: %d requests, expected 1" % (path, len(found)))
        return found[0] if found else None

    def expect(r, method, host, cookie, what):
        if r is None:
            return
        check(r["method"] == method, "%s: method %s, expected %s" % (what, r["method"], method))
        check(r["headers"].get("host") == host, "%s: host %s, expected %s" % (what, r["headers"].get("host"), host))
        got = r["headers"].get("cookie")
        check(got == (cookie or None), "%s: cookie %r, expected %r" % (what, got, cookie or None))

    for tag, first, second in runs:
        hops = [("%d" % code, http, code in (307, 308)) for code in (301, 302, 303, 307, 308)]
        hops.append(("https", https, True))
        for name, port, keeps_body in hops:
            code = "307" if name == "https" else name
            asked = only("/redirect/%s/empty/%s-%s" % (code, tag, name))
            followed = only("/empty/%s-%s" % (tag, name))
            expect(asked, "POST", "127.0.0.1:" + port, first, "%s %s, first request" % (tag, name))
            expect(followed, "POST" if keeps_body else "GET", "127.0.0.2:" + other, second,
                   "%s %s, after the redirect" % (tag, name))
            if asked is None or followed is None:
                continue
            check(len(asked["body"]) > 1000, "%s %s: a body of %d bytes" % (tag, name, len(asked["body"])))
            if keeps_body:
                check(followed["body"] == asked["body"], "%s %s: the body did not arrive whole" % (tag, name))
            else:
                check(followed["body"] == b"", "%s %s: a body after the redirect" % (tag, name))
        asked = only("/redirect/same/empty/%s-same" % tag)
        followed = only("/empty/%s-same" % tag)
        expect(followed, "POST", "127.0.0.1:" + http, first, "%s same server" % tag)
        if asked and followed:
            check(followed["body"] == asked["body"], "%s same server: the body did not arrive whole" % tag)

        # Credentials: the page's server was asked with them; the other host only without them.
        credentials = "Basic " + base64.b64encode(b"scanuser:scan:pass").decode()
        for path, host in (("/auth/redirect/302/auth/dl/image.png?%s-moved" % tag, http),
                           ("/auth/dl/image.png?%s-moved" % tag, other),
                           ("/auth/redirect/same/auth/dl/image.png?%s-same" % tag, http),
                           ("/auth/dl/image.png?%s-same" % tag, http),
                           ("/auth/empty/%s-put.bmp" % tag, other)):
            found = [r for r in requests if r["path"] == path]
            check(found, "%s: no request" % path)
            if not found:
                continue
            check(found[-1]["headers"].get("host") == "127.0.0.%d:%s" % (2 if host == other else 1, host),
                  "%s: host %s" % (path, found[-1]["headers"].get("host")))
            if host == other:
                check(len(found) == 1, "%s: %d requests, expected 1" % (path, len(found)))
            else:
                check(found[-1]["headers"].get("authorization") == credentials,
                      "%s: authorization %r" % (path, found[-1]["headers"].get("authorization")))

    loops = [r for r in requests if r["path"] == "/redirect/loop"]
    check(len(loops) == 6 * len(runs), "%d requests of the loop, expected %d" % (len(loops), 6 * len(runs)))
    # No cookie chosen for the page's server ever reaches the other host.
    firsts = {first for _, first, _ in runs if first}
    for r in requests:
        if r["headers"].get("host", "").startswith("127.0.0.2:"):
            sent = r["headers"].get("cookie") or ""
            for first in firsts:
                check(first not in sent, "%s on the other host carried %r" % (r["path"], sent))
            check("authorization" not in r["headers"],
                  "%s on the other host carried %r" % (r["path"], r["headers"].get("authorization")))
    for text in failures:
        print("FAIL " + text)
    print("redirect requests: %d recorded, %d runs, %d failures" % (len(requests), len(runs), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
