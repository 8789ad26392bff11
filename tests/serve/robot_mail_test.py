#!/usr/bin/env python3
"""The log robot's mail through a real mail server (Debian's aiosmtpd, mail_server.py) and
the real robot process: receipts, replacement and results notices as they arrive, retries
after a refusing or absent server and after kill -9, addresses that try to reach the
headers, and the hourly allowance per address.

    robot_mail_test.py --program build/native/tarno-score

Exit status 77 (skipped) when aiosmtpd is missing.
"""

import argparse
import email
import email.policy
import glob
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.parse
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from robot_server import RobotServer  # noqa: E402

SKIPPED = 77
PASSWORD = "mail-test-sponsor"
LOGS = os.path.join(os.path.dirname(os.path.dirname(HERE)), "tests", "data", "crosscheck", "logs")
FROM = "robot@example.org"
OPTIONS = argparse.Namespace()


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_until(what, seconds, step=0.1):
    deadline = time.monotonic() + seconds
    while True:
        value = what()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(step)


def made_log(call, qsos=3):
    lines = ["START-OF-LOG: 3.0", "CONTEST: TARNO", "CALLSIGN: " + call,
             "CATEGORY-OPERATOR: SINGLE-OP"]
    for i in range(qsos):
        lines.append("QSO: 14025 CW 2026-03-07 12%02d %-13s 599 BP     DL1ABC        599 %d"
                     % (i, call, i + 1))
    return ("\n".join(lines + ["END-OF-LOG:", ""])).encode("ascii")


class MailServer:
    """mail_server.py on a port of its own, writing into `folder`."""

    def __init__(self, folder):
        self.folder = folder
        self.port = free_port()
        os.makedirs(folder, exist_ok=True)
        self.process = None

    def start(self):
        self.process = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "mail_server.py"), "--port", str(self.port),
             "--folder", self.folder], stdout=subprocess.PIPE, text=True)
        assert self.process.stdout.readline().strip() == "ready"

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            self.process.wait(timeout=30)
        if self.process:
            self.process.stdout.close()

    def flag(self, name, text=""):
        with open(os.path.join(self.folder, name), "w", encoding="ascii") as out:
            out.write(text)

    def unflag(self, name):
        os.remove(os.path.join(self.folder, name))

    def messages(self):
        """(message, raw bytes, envelope recipients) of each one taken, in order."""
        taken = []
        for path in sorted(glob.glob(os.path.join(self.folder, "*.eml"))):
            with open(path, "rb") as raw_file:
                raw = raw_file.read()
            with open(path[:-4] + ".rcpt", encoding="utf-8") as rcpt:
                recipients = rcpt.read().split()
            taken.append((email.message_from_bytes(raw, policy=email.policy.default), raw,
                          recipients))
        return taken

    def wait_for(self, count, seconds=20):
        wait_until(lambda: len(self.messages()) >= count, seconds)
        return self.messages()

    def commands(self):
        path = os.path.join(self.folder, "commands.log")
        if not os.path.exists(path):
            return ""
        with open(path, encoding="utf-8") as log:
            return log.read()


def upload(robot, log, address):
    """POSTs the log and the address as they are (a CR or LF in it included): the answer's
    status and body, and how long it took."""
    boundary = "tarnomailtestboundary"
    body = (b"--" + boundary.encode() + b'\r\nContent-Disposition: form-data; name="log"; '
            b'filename="log.cbr"\r\nContent-Type: text/plain\r\n\r\n' + log + b"\r\n--" +
            boundary.encode() + b'\r\nContent-Disposition: form-data; name="email"\r\n\r\n' +
            address.encode("utf-8") + b"\r\n--" + boundary.encode() + b"--\r\n")
    request = urllib.request.Request(
        robot.url + "upload", data=body,
        headers={"Content-Type": "multipart/form-data; boundary=" + boundary})
    start = time.monotonic()
    try:
        with urllib.request.urlopen(request, timeout=60) as answer:
            return answer.status, answer.read().decode("utf-8"), time.monotonic() - start
    except urllib.error.HTTPError as refused:
        return refused.code, refused.read().decode("utf-8"), time.monotonic() - start


class Sponsor:
    """The sponsor's session on a robot, through plain HTTP."""

    def __init__(self, robot):
        self.url = robot.url
        self.opener = urllib.request.build_opener(urllib.request.HTTPCookieProcessor())
        form = self.get("sponsor")
        answer = self.post("sponsor/login", {"csrf": self.csrf(form), "password": PASSWORD})
        self.token = self.csrf(answer)

    @staticmethod
    def csrf(page):
        return re.search(r'name="csrf" value="([0-9a-f]+)"', page).group(1)

    def get(self, path):
        with self.opener.open(self.url + path, timeout=60) as answer:
            return answer.read().decode("utf-8")

    def post(self, path, fields):
        data = urllib.parse.urlencode(fields).encode("ascii")
        with self.opener.open(self.url + path, data=data, timeout=60) as answer:
            return answer.read().decode("utf-8")

    def outbox(self):
        """Each mail's row on the sponsor's page: state class, attempts, last error."""
        rows = re.findall(r'<tr id="mail-(\d+)">.*?class="mail-state (\w+)">.*?'
                          r'class="num mail-attempts">(\d+)</td><td class="mail-error">(.*?)</td>',
                          self.get("sponsor"))
        return [{"id": int(i), "state": s, "attempts": int(a), "error": e}
                for i, s, a, e in rows]


def receipt_link(body):
    return re.search(r"(http://\S+/receipt/[0-9a-f]{64})", body).group(1)


class RobotMailTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tarno-mail-test-")
        self.mail = MailServer(os.path.join(self.folder, "mail"))
        self.mail.start()
        self.robots = []

    def tearDown(self):
        for robot in self.robots:
            robot.stop()
        self.mail.stop()
        for robot in self.robots:
            robot.remove()
        shutil.rmtree(self.folder, ignore_errors=True)

    def start_robot(self, *extra, smtp=True, folder=None):
        mail = ["--smtp", "smtp://127.0.0.1:%d" % self.mail.port, "--mail-from", FROM]
        robot = RobotServer(OPTIONS.program, PASSWORD, (mail if smtp else []) + list(extra),
                            folder=folder)
        self.robots.append(robot)
        return robot

    def test_a_receipt_arrives_with_its_headers_both_languages_and_a_working_link(self):
        robot = self.start_robot("--deadline", "2099-12-31")
        sent = time.monotonic()
        status, page, answered = upload(robot, made_log("HA5AE"), "Op@Example.org")
        self.assertEqual(status, 200, page)
        [(message, raw, recipients)] = self.mail.wait_for(1)
        print("upload answered in %.2f s, its mail taken %.2f s after it was sent"
              % (answered, time.monotonic() - sent), file=sys.stderr)
        self.assertEqual(recipients, ["Op@Example.org"])
        head = raw.split(b"\r\n\r\n", 1)[0].decode("ascii")
        for name in ("Date", "Message-ID", "From", "To", "Subject", "MIME-Version",
                     "Content-Type", "Content-Transfer-Encoding"):
            self.assertEqual(len(re.findall("^" + name + ":", head, re.M)), 1, name)
        self.assertRegex(message["Message-ID"], r"^<[0-9a-f]{32}@example\.org>$")
        self.assertIsNotNone(email.utils.parsedate_to_datetime(message["Date"]))
        self.assertEqual((message["From"], message["To"]), (FROM, "Op@Example.org"))
        self.assertIn("Subject: =?UTF-8?B?", head, "Hungarian letters go as encoded words")
        self.assertEqual(message["Subject"], "HA5AE: a napló beérkezett / HA5AE: log received")
        self.assertEqual(message.get_content_type(), "text/plain")
        self.assertEqual(message.get_content_charset(), "utf-8")
        self.assertTrue(all(len(line) <= 78 for line in raw.split(b"\r\n")))
        body = message.get_payload(decode=True).decode("utf-8")  # strict: valid UTF-8
        hungarian, english = body.index("Hívójel: HA5AE"), body.index("Call: HA5AE")
        self.assertLess(hungarian, english)
        for words in ("Beolvasott QSO-sorok: 3", "QSO lines read: 3", "2099-12-31 23:59:59 UTC"):
            self.assertIn(words, body)
        link = receipt_link(body)
        self.assertIn('href="/receipt/%s"' % link[-64:], page)
        with urllib.request.urlopen(link, timeout=30) as receipt:
            self.assertEqual(receipt.status, 200)
            self.assertIn("HA5AE", receipt.read().decode("utf-8"))
        self.assertEqual(Sponsor(robot).outbox()[0]["state"], "sent")

    def test_a_replaced_log_is_told_to_both_addresses(self):
        robot = self.start_robot()
        self.assertEqual(upload(robot, made_log("HG7BB"), "first@example.org")[0], 200)
        self.mail.wait_for(1)
        self.assertEqual(upload(robot, made_log("HG7BB", 4), "second@example.org")[0], 200)
        taken = self.mail.wait_for(3)
        self.assertEqual(len(taken), 3)
        by_recipient = {}
        for message, _, recipients in taken:
            by_recipient.setdefault(recipients[0], []).append(message)
        first, second = by_recipient["first@example.org"], by_recipient["second@example.org"]
        self.assertEqual(len(first), 2)
        notice = first[1].get_content()
        self.assertIn("HG7BB: your log was replaced", first[1]["Subject"])
        self.assertIn("felváltja az Ön e-mail-címével", notice)
        self.assertEqual(receipt_link(notice), receipt_link(first[0].get_content()),
                         "the earlier sender's own receipt, never the newcomer's")
        self.assertIn("It replaces the log sent for this call", second[0].get_content())
        # A correction from the same address is one receipt, no notice.
        upload(robot, made_log("HG7BB", 5), "Second@example.org")
        self.assertEqual(len(self.mail.wait_for(4)), 4)
        time.sleep(1)
        self.assertEqual(len(self.mail.messages()), 4)

    def test_publication_tells_every_entrant_once(self):
        robot = self.start_robot("--start", "2026-03-06", "--end", "2026-03-07")
        calls = ["HA5AA", "HG7BB", "DL1CC", "OK2DD"]
        for call in calls:
            with open(os.path.join(LOGS, call.lower() + ".cbr"), "rb") as log:
                self.assertEqual(upload(robot, log.read(), call.lower() + "@example.org")[0], 200)
        self.mail.wait_for(4)
        sponsor = Sponsor(robot)
        sponsor.post("sponsor/check", {"csrf": sponsor.token})
        self.assertTrue(wait_until(lambda: "finished with status 0" in sponsor.get("sponsor"), 120))
        for _ in range(2):  # published again: nobody is told twice
            sponsor.post("sponsor/publish", {"csrf": sponsor.token})
        notices = self.mail.wait_for(8)[4:]
        time.sleep(1)
        self.assertEqual(len(self.mail.messages()), 8)
        run = re.search(r"/sponsor/runs/(\d+)/", sponsor.get("sponsor/results")).group(1)
        rows = {row.split(",")[1]: row.split(",") for row in
                sponsor.get("sponsor/runs/%s/results.csv" % run).splitlines()[1:]}
        self.assertEqual(sorted(recipients[0] for _, _, recipients in notices),
                         sorted(call.lower() + "@example.org" for call in calls))
        for message, _, recipients in notices:
            call = recipients[0].split("@")[0].upper()
            body = message.get_content()
            self.assertEqual(message["Subject"],
                             "%s: megjelentek az eredmények / %s: the results are published"
                             % (call, call))
            self.assertIn("Your place overall: %s of %d" % (rows[call][0], len(rows)), body)
            self.assertIn("Checked score: " + rows[call][3], body)
            self.assertIn("/results/certificates/%s.pdf" % call, body)
            with urllib.request.urlopen(receipt_link(body), timeout=30) as receipt:
                self.assertIn('id="report"', receipt.read().decode("utf-8"))

    def test_a_refusing_server_gets_the_mail_again_after_the_retry(self):
        self.mail.flag("refuse")
        robot = self.start_robot()
        upload(robot, made_log("HA1RR"), "retry@example.org")
        sponsor = Sponsor(robot)
        refused = wait_until(lambda: [m for m in sponsor.outbox() if m["attempts"] >= 1], 20)
        self.assertEqual(refused[0]["state"], "waiting")
        self.assertIn("451", refused[0]["error"])
        self.mail.unflag("refuse")
        start = time.monotonic()
        self.assertEqual(len(self.mail.wait_for(1, 30)), 1)
        print("refused, then delivered after %.1f s" % (time.monotonic() - start),
              file=sys.stderr)
        self.assertEqual(sponsor.outbox()[0]["state"], "sent")

    def test_mail_waiting_at_a_kill_is_sent_after_the_restart(self):
        self.mail.stop()  # no server at all at first
        robot = self.start_robot()
        status, _, seconds = upload(robot, made_log("HA2KK"), "killed@example.org")
        self.assertEqual(status, 200)
        self.assertLess(seconds, 5, "an upload never waits for the mail server")
        wait_until(lambda: Sponsor(robot).outbox()[0]["attempts"] >= 1, 20)
        robot.kill()
        self.mail.start()
        start = time.monotonic()
        self.start_robot(folder=robot.folder)
        [(message, _, recipients)] = self.mail.wait_for(1, 40)
        print("server down, robot killed; delivered %.1f s after the restart"
              % (time.monotonic() - start), file=sys.stderr)
        self.assertEqual(recipients, ["killed@example.org"])

    def test_a_mail_cut_short_by_a_kill_is_sent_again_under_the_same_message_id(self):
        self.mail.flag("slow", "30")
        robot = self.start_robot()
        status, _, seconds = upload(robot, made_log("HA3SS"), "twice@example.org")
        self.assertEqual(status, 200)
        self.assertLess(seconds, 5, "an upload never waits for the mail")
        self.mail.wait_for(1)  # taken, but its 250 is held back
        robot.kill()
        self.mail.unflag("slow")
        self.start_robot(folder=robot.folder)
        first, second = self.mail.wait_for(2, 40)[:2]
        self.assertEqual(first[0]["Message-ID"], second[0]["Message-ID"])
        self.assertEqual(first[0].get_content(), second[0].get_content())

    def test_addresses_that_could_reach_the_headers_get_no_mail(self):
        robot = self.start_robot()
        hostile = ["a@b.cc\r\nBcc: x@y.zz", "victim@example.org\nBcc: x@y.zz",
                   "victim@example.org\rBcc: x@y.zz", "a@example.org, b@example.org",
                   "<a@example.org>", "a@example.org>\r\nRCPT TO:<x@y.zz",
                   "a b@example.org", "a@@example.org", "a@localhost", "x" * 195 + "@ex.org",
                   "já@example.org", "a@example.org\x00b"]
        for number, address in enumerate(hostile):
            status, page, _ = upload(robot, made_log("HA%dXX" % (number + 1)), address)
            self.assertEqual(status, 200, address)
            self.assertIn('id="mail-note"', page, repr(address))
        upload(robot, made_log("HA9OK"), "fine@example.org")
        self.mail.wait_for(1)
        time.sleep(2)
        taken = self.mail.messages()
        self.assertEqual([recipients for _, _, recipients in taken], [["fine@example.org"]])
        self.assertNotIn(b"Bcc", taken[0][1])
        self.assertNotIn("x@y.zz", self.mail.commands())
        self.assertEqual(len(Sponsor(robot).outbox()), 1)

    def test_an_address_gets_five_mails_an_hour_and_the_rest_wait(self):
        robot = self.start_robot()
        for number in range(7):
            upload(robot, made_log("HA%dRL" % number), "busy@example.org")
        upload(robot, made_log("HA8OT"), "other@example.org")
        self.mail.wait_for(6)
        time.sleep(2)
        recipients = [r[0] for _, _, r in self.mail.messages()]
        self.assertEqual(recipients.count("busy@example.org"), 5)
        self.assertEqual(recipients.count("other@example.org"), 1)
        held = [m for m in Sponsor(robot).outbox() if m["state"] == "waiting"]
        self.assertEqual(len(held), 2)
        self.assertTrue(all("within the hour" in m["error"] for m in held))

    def test_without_smtp_nothing_is_queued(self):
        robot = self.start_robot(smtp=False)
        upload(robot, made_log("HA4NO"), "nomail@example.org")
        page = Sponsor(robot).get("sponsor")
        self.assertIn('id="mail-off"', page)
        self.assertNotIn('id="outbox"', page)
        time.sleep(1)
        self.assertEqual(self.mail.messages(), [])

    def test_a_login_never_goes_out_unencrypted(self):
        password = os.path.join(self.folder, "smtp-password")
        with open(password, "w", encoding="ascii") as out:
            out.write("secret\n")
        robot = self.start_robot("--smtp-user", "robot", "--smtp-password-file", password)
        upload(robot, made_log("HA5TL"), "tls@example.org")
        sponsor = Sponsor(robot)
        tried = wait_until(lambda: [m for m in sponsor.outbox() if m["attempts"] >= 1], 20)
        self.assertEqual(tried[0]["state"], "waiting")
        self.assertIn("TLS", tried[0]["error"])
        self.assertNotIn("AUTH", self.mail.commands())
        self.assertEqual(self.mail.messages(), [])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    OPTIONS.program, rest = parser.parse_known_args()[0].program, parser.parse_known_args()[1]
    try:
        import aiosmtpd  # noqa: F401
    except ImportError:
        print("aiosmtpd is missing (python3-aiosmtpd): skipped", file=sys.stderr)
        return SKIPPED
    result = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2).result
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
