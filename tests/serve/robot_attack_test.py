#!/usr/bin/env python3
"""Slow and flooding clients against the log robot, through real sockets: the robot alone,
and the robot behind Debian's nginx exactly as docs/nginx-robot.conf deploys it (over TLS,
with a certificate made for the run).

    robot_attack_test.py --program build/native/tarno-score --nginx-conf docs/nginx-robot.conf

Each attack comes from addresses of its own in 127.0.0.0/8, so that the cap per client
address is met by the attacker alone, and an entrant uploading from another address must
get the receipt within two seconds all along. Exit status 77 (skipped) when nginx or
openssl is missing.
"""

import argparse
import http.client
import os
import re
import select
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from robot_server import RobotServer  # noqa: E402

SKIPPED = 77
PASSWORD = "attack-test-sponsor"
NGINX = shutil.which("nginx") or "/usr/sbin/nginx"
OPENSSL = shutil.which("openssl") or "/usr/bin/openssl"
HEADER_SECONDS = 10     # the robot's --timeout default, and the config's client_header_timeout
REQUEST_SECONDS = 6     # the robot's --request-timeout in this test
PER_ADDRESS = 16        # the robot's default cap, and the config's limit_conn
PROMPT_SECONDS = 2.0    # what an entrant may wait for a receipt while the attack goes on

OPTIONS = argparse.Namespace()


def made_log(call, qsos=5):
    lines = ["START-OF-LOG: 3.0", "CONTEST: TARNO", "CALLSIGN: " + call,
             "CATEGORY-OPERATOR: SINGLE-OP", "CATEGORY-MODE: CW"]
    for i in range(qsos):
        lines.append("QSO: 14025 CW 2026-01-17 12%02d %-13s 599 BP     %-13s 599 %d"
                     % (i, call, "DL%dABC" % i, i + 1))
    return "\n".join(lines + ["END-OF-LOG:", ""]).encode("ascii")


def multipart(fields, boundary="tarnoattackboundary"):
    body = b""
    for name, filename, data in fields:
        disposition = 'form-data; name="%s"' % name
        if filename:
            disposition += '; filename="%s"' % filename
        body += (b"--" + boundary.encode() + b"\r\nContent-Disposition: " +
                 disposition.encode() + b"\r\n\r\n" + data + b"\r\n")
    body += b"--" + boundary.encode() + b"--\r\n"
    return body, "multipart/form-data; boundary=" + boundary


class Target:
    """Where an attacker connects: the robot itself, or nginx before it over TLS."""

    def __init__(self, name, port, tls):
        self.name, self.port, self.tls = name, port, tls
        self.context = ssl.create_default_context()
        self.context.check_hostname = False
        self.context.verify_mode = ssl.CERT_NONE

    def connect(self, source, timeout=30):
        raw = socket.create_connection(("127.0.0.1", self.port), timeout=timeout,
                                       source_address=(source, 0))
        return self.context.wrap_socket(raw) if self.tls else raw

    def upload(self, source, call="HA5ENT"):
        """An entrant's upload: its status and how long the receipt took."""
        body, content_type = multipart([("log", "log.cbr", made_log(call)),
                                        ("email", None, b"op@example.org")])
        kind = http.client.HTTPSConnection if self.tls else http.client.HTTPConnection
        extra = {"context": self.context} if self.tls else {}
        started = time.monotonic()
        connection = kind("127.0.0.1", self.port, timeout=60, source_address=(source, 0),
                          **extra)
        try:
            connection.request("POST", "/upload", body=body,
                               headers={"Content-Type": content_type})
            response = connection.getresponse()
            response.read()
            return response.status, time.monotonic() - started
        finally:
            connection.close()


class Holder:
    """Connections held open by an attacker, each on a thread of its own; notes when the
    other side closed each one and what it answered, if anything."""

    def __init__(self):
        self.stop = threading.Event()
        self.threads, self.closed, self.answers = [], [], []
        self.lock = threading.Lock()
        self.started = time.monotonic()

    def spawn(self, work, *args):
        thread = threading.Thread(target=self._run, args=(work,) + args, daemon=True)
        thread.start()
        self.threads.append(thread)

    def _run(self, work, *args):
        answer = b""
        try:
            answer = work(self.stop, *args) or b""
        except (OSError, ssl.SSLError):
            pass
        with self.lock:
            self.closed.append(time.monotonic() - self.started)
            self.answers.append(answer)

    def end(self, seconds=5):
        self.stop.set()
        for thread in self.threads:
            thread.join(seconds)

    def wait_closed(self, count, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            with self.lock:
                if len(self.closed) >= count:
                    return True
            time.sleep(0.1)
        return False


def peer_closed(sock):
    """True, with what came, when the other side answered or closed."""
    readable, _, _ = select.select([sock], [], [], 0)
    if not readable and not (isinstance(sock, ssl.SSLSocket) and sock.pending()):
        return False, b""
    try:
        data = sock.recv(65536)
    except ssl.SSLWantReadError:
        return False, b""
    return True, data


def slow_headers(stop, target, source, interval):
    """A request line, then one header line every `interval` seconds, never the end."""
    with target.connect(source) as sock:
        sock.sendall(b"POST /upload HTTP/1.1\r\nHost: robot\r\n")
        count = 0
        while not stop.is_set():
            closed, data = peer_closed(sock)
            if closed:
                return data
            if stop.wait(interval if count else 0.1):
                break
            count += 1
            sock.sendall(b"X-Slow-%d: %s\r\n" % (count, b"a" * 20))
    return b""


def idle(stop, target, source):
    """A connection that says nothing."""
    with target.connect(source) as sock:
        while not stop.wait(0.2):
            closed, data = peer_closed(sock)
            if closed:
                return data
    return b""


def slow_body(stop, target, source, interval):
    """Whole headers of an upload, then its body one byte every `interval` seconds."""
    with target.connect(source) as sock:
        sock.sendall(b"POST /upload HTTP/1.1\r\nHost: robot\r\nContent-Type: multipart/form-data;"
                     b" boundary=x\r\nContent-Length: 100000\r\n\r\n")
        while not stop.wait(interval):
            closed, data = peer_closed(sock)
            if closed:
                return data
            sock.sendall(b"a")
    return b""


def header_flood(stop, target, source, megabytes, sent):
    """`megabytes` of short header lines, each well under any per-line limit."""
    with target.connect(source) as sock:
        sock.sendall(b"GET / HTTP/1.1\r\nHost: robot\r\n")
        chunk = b"".join(b"X-F%05d: b\r\n" % i for i in range(5000))
        total = 0
        while total < megabytes * 1024 * 1024 and not stop.is_set():
            closed, data = peer_closed(sock)
            if closed:
                sent.append(total)
                return data
            try:
                sock.sendall(chunk)
            except OSError:
                break
            total += len(chunk)
        sent.append(total)
        sock.settimeout(5)
        try:
            return sock.recv(65536)
        except OSError:
            return b""


def status_of(answer):
    match = re.match(rb"HTTP/1\.[01] (\d{3})", answer or b"")
    return int(match.group(1)) if match else None


def peak_memory_kb(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return -1


def reset_peak_memory(pid):
    with open("/proc/%d/clear_refs" % pid, "w") as refs:
        refs.write("5")


class Deployment:
    """The robot, and nginx before it when `nginx_conf` is given."""

    def __init__(self, nginx_conf=None):
        extra = ["--request-timeout", str(REQUEST_SECONDS), "--upload-limit", "1000"]
        if nginx_conf:
            extra.append("--behind-tls")
        self.robot = RobotServer(OPTIONS.program, PASSWORD, extra)
        self.robot_port = int(re.search(r":(\d+)/$", self.robot.url).group(1))
        self.nginx = None
        if nginx_conf:
            self.target = Target("nginx", self._start_nginx(nginx_conf), True)
        else:
            self.target = Target("robot", self.robot_port, False)

    @property
    def robot_pid(self):
        return self.robot._process.pid

    def _start_nginx(self, conf_path):
        folder = tempfile.mkdtemp(prefix="tarno-nginx-test-")
        self.nginx_folder = folder
        subprocess.run([OPENSSL, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                        "-subj", "/CN=localhost", "-keyout", folder + "/key.pem",
                        "-out", folder + "/cert.pem"], check=True, capture_output=True)
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        with open(conf_path, encoding="utf-8") as documented:
            conf = documented.read()
        # The documented file as it stands, but for where it listens and what it serves.
        replacements = [
            (r"listen 443 ssl;", "listen 127.0.0.1:%d ssl;" % port),
            (r"ssl_certificate\s+\S+;", "ssl_certificate %s/cert.pem;" % folder),
            (r"ssl_certificate_key\s+\S+;", "ssl_certificate_key %s/key.pem;" % folder),
            (r"proxy_pass http://127\.0\.0\.1:8080;",
             "proxy_pass http://127.0.0.1:%d;" % self.robot_port),
        ]
        for pattern, replacement in replacements:
            conf, count = re.subn(pattern, replacement, conf)
            if count == 0:
                raise RuntimeError("docs/nginx-robot.conf no longer has " + pattern)
        with open(folder + "/robot.conf", "w", encoding="utf-8") as out:
            out.write(conf)
        with open(folder + "/nginx.conf", "w", encoding="utf-8") as out:
            out.write("worker_processes 1;\npid %s/nginx.pid;\nerror_log %s/error.log;\n"
                      "events { worker_connections 1024; }\n"
                      "http {\n  access_log off;\n  client_body_temp_path %s/body;\n"
                      "  proxy_temp_path %s/proxy;\n  include %s/robot.conf;\n}\n"
                      % (folder, folder, folder, folder, folder))
        self.nginx = subprocess.Popen([NGINX, "-p", folder, "-c", folder + "/nginx.conf",
                                       "-g", "daemon off;"], stderr=subprocess.PIPE)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                return port
            except OSError:
                if self.nginx.poll() is not None:
                    raise RuntimeError("nginx did not start: " +
                                       self.nginx.stderr.read().decode("utf-8", "replace"))
                time.sleep(0.1)
        raise RuntimeError("nginx did not listen within 20 s")

    def close(self):
        if self.nginx:
            self.nginx.terminate()
            self.nginx.wait(10)
            shutil.rmtree(self.nginx_folder, ignore_errors=True)
        self.robot.stop()
        self.robot.remove()


class AttackCases:
    """The attacks, and what must hold under each, for whichever deployment `nginx_conf`
    names."""

    nginx_conf = None

    def setUp(self):
        self.deployment = Deployment(self.nginx_conf)
        self.target = self.deployment.target
        self.assertEqual(self.target.upload("127.0.9.1", "HA5WARM")[0], 200)
        reset_peak_memory(self.deployment.robot_pid)
        self.baseline_kb = peak_memory_kb(self.deployment.robot_pid)

    def tearDown(self):
        self.deployment.close()

    def assertEntrantServed(self, source):
        status, seconds = self.target.upload(source)
        self.assertEqual(status, 200)
        prompt = PROMPT_SECONDS * (3 if OPTIONS.sanitized else 1)
        self.assertLess(seconds, prompt, "an entrant's upload waited on the attack")

    def test_slow_headers_hold_no_entrant_and_end_at_the_header_deadline(self):
        holder = Holder()
        for i in range(16):
            holder.spawn(slow_headers, self.target, "127.0.1.%d" % (i + 1), 5)
        time.sleep(1.5)
        self.assertEntrantServed("127.0.2.1")
        self.assertTrue(holder.wait_closed(16, HEADER_SECONDS + 8),
                        "slow headers were let run past the deadline: %r" % holder.closed)
        holder.end()
        self.assertLess(max(holder.closed), HEADER_SECONDS + 6)

    def test_idle_connections_hold_no_entrant(self):
        holder = Holder()
        for i in range(40):
            holder.spawn(idle, self.target, "127.0.3.%d" % (i // 10 + 1))
        time.sleep(1.5)
        self.assertEntrantServed("127.0.3.200")
        holder.end()

    def test_connections_from_one_address_are_capped(self):
        holder = Holder()
        for _ in range(40):
            holder.spawn(slow_body, self.target, "127.0.4.1", 1)
        time.sleep(3)
        with holder.lock:
            refused = len(holder.closed)
        self.assertGreaterEqual(refused, 40 - PER_ADDRESS,
                                "more than %d requests held from one address" % PER_ADDRESS)
        self.assertEntrantServed("127.0.4.2")
        holder.end()

    def test_header_floods_are_cut_short_and_cost_no_memory(self):
        holder, sent = Holder(), []
        for i in range(4):
            holder.spawn(header_flood, self.target, "127.0.5.%d" % (i + 1), 30, sent)
        self.assertTrue(holder.wait_closed(4, 10), "a header flood went on for 10 s")
        holder.end()
        self.assertEqual(len(sent), 4)
        if not self.nginx_conf:
            # Cut short: what the sender got rid of is the robot's few kB and the two kernels'
            # socket buffers (several MB on loopback under load), far from the 30 MB.
            # nginx reads on after its answer and drops what comes, lest a reset lose it.
            self.assertLess(max(sent), 16 * 1024 * 1024, "the headers were read whole")
        for answer in holder.answers:
            self.assertIn(status_of(answer), (None, 400, 431), answer[:200])
        self.assertEntrantServed("127.0.5.100")
        if not OPTIONS.sanitized:
            grown = peak_memory_kb(self.deployment.robot_pid) - self.baseline_kb
            self.assertLess(grown, 20 * 1024, "the robot grew by %d kB" % grown)

    def test_too_many_header_fields_are_refused(self):
        request = b"GET / HTTP/1.1\r\nHost: robot\r\n" + b"".join(
            b"X-Many-%d: v\r\n" % i for i in range(300)) + b"Connection: close\r\n\r\n"
        answer = b""
        with self.target.connect("127.0.6.1") as sock:
            sock.sendall(request)
            while True:
                data = sock.recv(65536)
                if not data:
                    break
                answer += data
        self.assertIn(status_of(answer), (400, 431), answer[:200])

    def test_a_slow_body_holds_no_entrant(self):
        holder = Holder()
        for i in range(8):
            holder.spawn(slow_body, self.target, "127.0.7.%d" % (i + 1), 1)
        time.sleep(1.5)
        self.assertEntrantServed("127.0.7.100")
        if not self.nginx_conf:
            # nginx takes a body whole before the robot sees it; alone, the robot ends it.
            self.assertTrue(holder.wait_closed(8, REQUEST_SECONDS + 4),
                            "a dripping body was let run past the request's deadline")
        holder.end()

    def test_a_stop_ends_the_robot_whatever_clients_hold(self):
        holder = Holder()
        for i in range(10):
            holder.spawn(slow_headers, self.target, "127.0.8.%d" % (i + 1), 1)
            holder.spawn(slow_body, self.target, "127.0.8.%d" % (i + 101), 1)
        time.sleep(1.5)
        started = time.monotonic()
        status = self.deployment.robot.stop(seconds=30)
        self.assertEqual(status, 0)
        self.assertLess(time.monotonic() - started, 6.0 if OPTIONS.sanitized else 3.0,
                        "the stop waited on the clients")
        holder.end()


class RobotAlone(AttackCases, unittest.TestCase):
    nginx_conf = None


class RobotBehindNginx(AttackCases, unittest.TestCase):
    nginx_conf = property(lambda self: OPTIONS.nginx_conf)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--nginx-conf", required=True)
    parser.add_argument("--sanitized", action="store_true",
                        help="the robot runs under a sanitizer: slower, memory not measured")
    args, rest = parser.parse_known_args()
    OPTIONS.program, OPTIONS.nginx_conf = args.program, args.nginx_conf
    OPTIONS.sanitized = args.sanitized
    if not (os.path.exists(NGINX) and os.path.exists(OPENSSL)):
        print("nginx or openssl is missing: skipped")
        return SKIPPED
    result = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2).result
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
