#!/usr/bin/env python3
"""Loopback HTTP, HTTPS and FTP servers for the transfer tests and benchmark, on 127.0.0.1 only.

  upload_servers.py start DIR   start the servers in the background; when this returns, DIR/ports
                                holds "http=<port> https=<port> slow=<port> ftp=<port> other=<port>"
                                and DIR/pid the server's process id
  upload_servers.py stop DIR    stop the server started for DIR
  upload_servers.py serve DIR   run in the foreground (what start runs)

Every request is recorded raw in DIR/requests/<n>.req: the request line and header lines as
received, an empty line, then the body bytes. The path decides the answer:
  /empty   200 with an empty body          /ok     200 with the body "OK"
  /404     404 with an empty body          /500    500 with an empty body
  /401     401 with an empty body          /slow   reads the body slowly, then 200 empty
  /redirect/CODE/REST   CODE (301, 302, 303, 307 or 308) with a Location on the other server:
                        http://127.0.0.2:<other>/REST
  /redirect/same/REST   307 with the Location /REST on the same server
  /redirect/loop        307 with the Location /redirect/loop, for ever (/redirect/loop/NAME: the
                        same with /redirect/loop/NAME)
  /redirect/location/CODE/TEXT   CODE with the Location TEXT percent-decoded, "{other}" in it
                        replaced by 127.0.0.2:<other>; with a query it answers as /empty
  /auth/REST   asks for Basic credentials: without "Authorization: Basic" of the user "scanuser"
               and the password "scan:pass" 401 with a WWW-Authenticate and the body
               "credentials required", with them as REST (/auth/dl/NAME serves NAME)
  anything else: 200 with an empty body. The HTTPS server answers the same, with a self-signed
certificate made at start. The slow server answers the same too, but with a small receive buffer
and a pause of 1.5 s before it reads anything: a client's writes block, as on a slow line.

GET /dl/... serves the files of DIR/files (made at start, see download_files.py):
  /dl/NAME            200 with the file and its Content-Length (a missing file: 404 with an HTML page)
  /dl/short/NAME      the full Content-Length, then half of the file and the connection closes
  /dl/nolength/NAME   the file without a Content-Length, ended by closing the connection
  /dl/slow/NAME       the file in 4096-byte pieces, 50 ms apart
  /dl/zero            Content-Length 0        /dl/huge   Content-Length 4000000000, then closes
  /dl/lang/NAME       a language pack of DIR/files/lang, as /dl/NAME
  /dl/status/CODE/NAME   CODE (300 to 399) with the file as its body and no Location: a
                      redirect the client cannot follow

The other server listens on 127.0.0.2 (another host for a client, on the same loopback device)
and answers as the plain one; its requests are recorded in the same folder with their Host header.

The FTP server (pyftpdlib) has the user "lumetta" with the password "s3cret" and the folder
DIR/ftp, which holds copies of DIR/files; passive and active mode both work. An upload to a name
starting with "fail" is cut off by the server after 64 KB, leaving the partial file behind.
"""
import base64
import os
import signal
import socket
import ssl
import struct
import subprocess
import sys
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import download_files  # noqa: E402

STATUS = {"/404": (404, "Not Found"), "/500": (500, "Internal Server Error"), "/401": (401, "Unauthorized")}
REDIRECT_REASONS = {301: "Moved Permanently", 302: "Found", 303: "See Other", 307: "Temporary Redirect",
                    308: "Permanent Redirect"}
OTHER_PORT = [0]  # the port of the server on 127.0.0.2, set at start
CREDENTIALS = "Basic " + base64.b64encode(b"scanuser:scan:pass").decode()
DENIED_PAGE = b"credentials required"


def redirect_of(path):
    """The (code, location) of a /redirect/ path, or None."""
    if not path.startswith("/redirect/"):
        return None
    rest = path[len("/redirect/"):]
    if rest == "loop" or rest.startswith("loop/"):
        return 307, "/redirect/" + rest
    kind, _, target = rest.partition("/")
    if kind == "same":
        return 307, "/" + target
    if kind == "location":
        code, _, text = target.partition("/")
        if "?" in text or not code.isdigit() or int(code) not in REDIRECT_REASONS:
            return None
        return int(code), urllib.parse.unquote(text).replace("{other}", "127.0.0.2:%d" % OTHER_PORT[0])
    if kind.isdigit() and int(kind) in REDIRECT_REASONS:
        return int(kind), "http://127.0.0.2:%d/%s" % (OTHER_PORT[0], target)
    return None


class Recorder:
    def __init__(self, folder):
        self.folder = os.path.join(folder, "requests")
        os.makedirs(self.folder, exist_ok=True)
        self.lock = threading.Lock()
        self.count = len(os.listdir(self.folder))

    def save(self, head, body):
        with self.lock:
            self.count += 1
            name = os.path.join(self.folder, "%06d.req" % self.count)
        with open(name + ".tmp", "wb") as f:
            f.write(head + b"\r\n" + body)
        os.replace(name + ".tmp", name)


def read_head(conn, pending):
    while b"\r\n\r\n" not in pending:
        data = conn.recv(65536)
        if not data:
            return None, pending
        pending += data
    head, rest = pending.split(b"\r\n\r\n", 1)
    return head + b"\r\n", rest


def serve_connection(conn, recorder, stall=False):
    if stall:
        time.sleep(1.5)
    pending = b""
    try:
        while True:
            head, pending = read_head(conn, pending)
            if head is None:
                return
            lines = head.split(b"\r\n")
            method, path, _ = (lines[0].decode("latin-1").split(" ") + ["", "", ""])[:3]
            length = 0
            chunked = False
            authorized = False
            for line in lines[1:]:
                name, _, value = line.decode("latin-1").partition(":")
                if name.strip().lower() == "content-length":
                    length = int(value.strip() or 0)
                if name.strip().lower() == "transfer-encoding" and "chunked" in value.lower():
                    chunked = True
                if name.strip().lower() == "authorization" and value.strip() == CREDENTIALS:
                    authorized = True
            denied = False
            if path.startswith("/auth/"):
                denied = not authorized
                path = path[len("/auth"):]
            if method == "GET" and path.startswith("/dl/") and not denied:
                recorder.save(head, b"")
                if not serve_download(conn, recorder.files, path[4:]):
                    return
                continue
            slow = path.startswith("/slow")
            body = bytearray(pending[:length])
            pending = pending[length:]
            while len(body) < length:
                if slow:
                    time.sleep(0.02)
                data = conn.recv(8192 if slow else 1 << 20)
                if not data:
                    recorder.save(head, bytes(body))
                    return
                need = length - len(body)
                body += data[:need]
                pending += data[need:]
            if chunked:
                return
            recorder.save(head, bytes(body))
            if denied:
                conn.sendall(b"HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"loopback\"\r\n"
                             b"Content-Length: %d\r\nConnection: keep-alive\r\n\r\n%s" % (len(DENIED_PAGE), DENIED_PAGE))
                continue
            redirect = redirect_of(path)
            if redirect:
                code, location = redirect
                conn.sendall(b"HTTP/1.1 %d %s\r\nLocation: %s\r\nContent-Length: 0\r\nConnection: keep-alive\r\n\r\n"
                             % (code, REDIRECT_REASONS[code].encode(), location.encode()))
                continue
            code, reason = STATUS.get(path.split("?")[0], (200, "OK"))
            answer = b"OK" if path.startswith("/ok") else b""
            extra = b"WWW-Authenticate: Basic realm=\"loopback\"\r\n" if code == 401 else b""
            conn.sendall(b"HTTP/1.1 %d %s\r\nContent-Length: %d\r\n%sConnection: keep-alive\r\n\r\n%s"
                         % (code, reason.encode(), len(answer), extra, answer))
            if method == "HEAD":
                continue
    except (OSError, ssl.SSLError, ValueError):
        return
    finally:
        try:
            conn.close()
        except OSError:
            pass


NOT_FOUND_PAGE = b"<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>"


def serve_download(conn, folder, route):
    """Answers one download; false when the connection was closed on purpose."""
    if route == "zero":
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: keep-alive\r\n\r\n")
        return True
    if route == "huge":
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 4000000000\r\nConnection: close\r\n\r\nBM")
        return False
    mode, _, name = route.partition("/")
    status = "200 OK"
    if mode == "status":
        code, _, name = name.partition("/")
        if not code.isdigit() or not 300 <= int(code) <= 399:
            code = "404"
        status, mode = code + " Unfollowed", ""
    if mode == "lang":
        folder, mode = os.path.join(folder, "lang"), ""
    elif mode not in ("short", "nolength", "slow"):
        mode, name = "", route
    path = os.path.join(folder, os.path.basename(name.split("?")[0]))
    if not name or not os.path.isfile(path) or status.startswith("404"):
        conn.sendall(b"HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: %d\r\n"
                     b"Connection: keep-alive\r\n\r\n%s" % (len(NOT_FOUND_PAGE), NOT_FOUND_PAGE))
        return True
    with open(path, "rb") as f:
        data = f.read()
    if mode == "nolength":
        conn.sendall(b"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + data)
        return False
    conn.sendall(b"HTTP/1.1 %s\r\nContent-Type: application/octet-stream\r\nContent-Length: %d\r\n"
                 b"Connection: %s\r\n\r\n" % (status.encode(), len(data), b"close" if mode == "short" else b"keep-alive"))
    if mode == "short":
        conn.sendall(data[:len(data) // 2])
        return False
    if mode == "slow":
        for at in range(0, len(data), 4096):
            conn.sendall(data[at:at + 4096])
            time.sleep(0.05)
        return True
    conn.sendall(data)
    return True


def serve_ftp(folder):
    """Starts the FTP server in a thread of its own; answers its port."""
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import DTPHandler, FTPHandler
    from pyftpdlib.servers import ThreadedFTPServer

    class FailingDTPHandler(DTPHandler):
        def handle_read(self):
            super().handle_read()
            name = os.path.basename(getattr(self.file_obj, "name", "") or "")
            if name.startswith("fail") and self.get_transmitted_bytes() > 65536 and not self._closed:
                # A reset, not a polite close: the client's next write fails at once.
                self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                self._resp = ("426 Transfer aborted by the server.", lambda *args, **kwargs: None)
                self.close()

        handle_read_event = handle_read

    root = os.path.join(folder, "ftp")
    authorizer = DummyAuthorizer()
    authorizer.add_user("lumetta", "s3cret", root, perm="elradfmwMT")
    handler = type("LoopbackFTPHandler", (FTPHandler,), {})
    handler.authorizer = authorizer
    handler.dtp_handler = FailingDTPHandler
    handler.permit_privileged_ports = True
    handler.banner = "loopback FTP ready"
    import logging
    logging.getLogger("pyftpdlib").setLevel(logging.CRITICAL)
    server = ThreadedFTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, kwargs={"handle_exit": False}, daemon=True).start()
    return server.socket.getsockname()[1]


def listen(receive_buffer=0, address="127.0.0.1"):
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    if receive_buffer:
        server.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, receive_buffer)
    server.bind((address, 0))
    server.listen(64)
    return server


def accept_loop(server, recorder, context, stall):
    while True:
        conn, _ = server.accept()
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

        def run(conn=conn):
            if context:
                try:
                    conn.settimeout(30)
                    conn = context.wrap_socket(conn, server_side=True)
                    conn.settimeout(None)
                except (OSError, ssl.SSLError):
                    conn.close()
                    return
            serve_connection(conn, recorder, stall)

        threading.Thread(target=run, daemon=True).start()


def serve(folder):
    os.makedirs(folder, exist_ok=True)
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "2", "-subj", "/CN=127.0.0.1"], check=True, capture_output=True)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    recorder = Recorder(folder)
    recorder.files = os.path.join(folder, "files")
    download_files.make(recorder.files, os.path.join(folder, "ftp"))
    ftp = serve_ftp(folder)
    plain, secure, slow, other = listen(), listen(), listen(16384), listen(address="127.0.0.2")
    OTHER_PORT[0] = other.getsockname()[1]
    for server, ctx, stall in ((plain, None, False), (secure, context, False), (slow, None, True),
                               (other, None, False)):
        threading.Thread(target=accept_loop, args=(server, recorder, ctx, stall), daemon=True).start()
    with open(os.path.join(folder, "ports.tmp"), "w") as f:
        f.write("http=%d https=%d slow=%d ftp=%d other=%d\n" % (plain.getsockname()[1], secure.getsockname()[1],
                                                                 slow.getsockname()[1], ftp, OTHER_PORT[0]))
    os.replace(os.path.join(folder, "ports.tmp"), os.path.join(folder, "ports"))
    signal.sigwait([signal.SIGTERM, signal.SIGINT])


def start(folder):
    stop(folder)
    os.makedirs(folder, exist_ok=True)
    if os.path.exists(os.path.join(folder, "ports")):
        os.remove(os.path.join(folder, "ports"))
    process = subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", folder], start_new_session=True,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(os.path.join(folder, "pid"), "w") as f:
        f.write(str(process.pid))
    for _ in range(300):
        if os.path.exists(os.path.join(folder, "ports")):
            return 0
        if process.poll() is not None:
            break
        time.sleep(0.05)
    print("loopback servers did not start", file=sys.stderr)
    return 1


def stop(folder):
    pid_file = os.path.join(folder, "pid")
    if os.path.exists(pid_file):
        with open(pid_file) as f:
            pid = int(f.read().strip() or 0)
        if pid:
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        os.remove(pid_file)
    return 0


def system_python_if_needed():
    """The FTP server and the image files need Debian's pyftpdlib and Pillow: another Python
    (a virtual environment, pyenv) hands over to the system's."""
    try:
        import PIL  # noqa: F401
        import pyftpdlib  # noqa: F401
    except ImportError:
        system = "/usr/bin/python3"
        if os.path.realpath(sys.executable) != os.path.realpath(system) and os.path.exists(system):
            os.execv(system, [system, os.path.abspath(__file__)] + sys.argv[1:])


if __name__ == "__main__":
    system_python_if_needed()
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop", "serve"):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    if sys.argv[1] == "serve":
        signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGTERM, signal.SIGINT])
        serve(sys.argv[2])
    else:
        sys.exit({"start": start, "stop": stop}[sys.argv[1]](sys.argv[2]))
