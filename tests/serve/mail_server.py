#!/usr/bin/env python3
"""A mail server for the robot's mail tests: Debian's aiosmtpd on 127.0.0.1, writing each
message it takes to FOLDER as NNNN.eml (the bytes as received) beside NNNN.rcpt (the
envelope's recipients, one a line), each written whole under another name first.

    mail_server.py --port PORT --folder FOLDER

It prints "ready" once it listens and serves until SIGTERM. What it does is steered by
files in FOLDER, so that a test can change it while it runs:
  refuse        every recipient is answered 451 (try again later)
  slow SECONDS  a message is written, then its 250 held back so long
Every command it is given is appended to FOLDER/commands.log.
"""

import argparse
import asyncio
import os
import signal
import threading

from aiosmtpd.controller import Controller


class Keeper:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0
        self.lock = threading.Lock()

    def _flag(self, name):
        return os.path.join(self.folder, name)

    def _log(self, line):
        with open(self._flag("commands.log"), "a", encoding="utf-8") as log:
            log.write(line + "\n")

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        self._log("EHLO " + hostname)
        session.host_name = hostname
        return responses

    async def handle_AUTH(self, server, session, envelope, args):
        self._log("AUTH")
        return "502 5.5.1 no login here"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        self._log("RCPT " + address)
        if os.path.exists(self._flag("refuse")):
            return "451 4.3.2 try again later"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            self.count += 1
            name = os.path.join(self.folder, "%04d" % self.count)
        with open(name + ".rcpt.part", "w", encoding="utf-8") as out:
            out.write("\n".join(envelope.rcpt_tos) + "\n")
        os.rename(name + ".rcpt.part", name + ".rcpt")
        with open(name + ".eml.part", "wb") as out:
            out.write(envelope.original_content)
        os.rename(name + ".eml.part", name + ".eml")
        self._log("DATA %s" % os.path.basename(name))
        slow = self._flag("slow")
        if os.path.exists(slow):
            with open(slow, encoding="ascii") as seconds:
                await asyncio.sleep(float(seconds.read().strip() or "5"))
        return "250 OK"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--folder", required=True)
    options = parser.parse_args()
    os.makedirs(options.folder, exist_ok=True)
    controller = Controller(Keeper(options.folder), hostname="127.0.0.1", port=options.port)
    controller.start()
    print("ready", flush=True)
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    stop.wait()
    controller.stop()


if __name__ == "__main__":
    main()
