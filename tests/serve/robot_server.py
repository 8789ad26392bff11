"""A `tarno-score serve` of its own for a test: a fresh data folder and password file in a
temporary folder, a free port on 127.0.0.1, and a clean stop at the end."""

import os
import queue
import re
import shutil
import signal
import subprocess
import tempfile
import threading

LISTENING = re.compile(r"^listening on (http://127\.0\.0\.1:\d+/)$")


class RobotServer:
    """Starts on construction and waits for the robot's "listening on" line; `url` is its
    address with the trailing slash. stop() sends SIGTERM and returns the exit status."""

    def __init__(self, program, password, extra_args=(), start_seconds=60, folder=None):
        # A folder given is taken again as it is: a restart on the data an earlier one left.
        self.folder = folder or tempfile.mkdtemp(prefix="tarno-robot-test-")
        self.password_file = os.path.join(self.folder, "password")
        with open(self.password_file, "w", encoding="ascii") as out:
            out.write(password + "\n")
        self._stderr = open(os.path.join(self.folder, "stderr.txt"), "a+b")
        command = [program, "serve", "--data", os.path.join(self.folder, "data"),
                   "--listen", "127.0.0.1:0", "--password-file", self.password_file,
                   *extra_args]
        self._process = subprocess.Popen(command, stdout=subprocess.PIPE,
                                         stderr=self._stderr, text=True)
        self._lines = queue.Queue()
        # Standard output is drained all along, so that a chatty server never blocks on it.
        threading.Thread(target=self._drain, daemon=True).start()
        self.url = self._wait_for_listening(start_seconds)

    def _drain(self):
        for line in self._process.stdout:
            self._lines.put(line.rstrip("\n"))
        self._lines.put(None)

    def _wait_for_listening(self, seconds):
        seen = []
        while True:
            try:
                line = self._lines.get(timeout=seconds)
            except queue.Empty:
                self._process.kill()
                raise RuntimeError("no 'listening on' line within %d s; output: %r%s"
                                   % (seconds, seen, self.stderr()))
            if line is None:
                status = self._process.wait()
                raise RuntimeError("the server ended (status %d) before listening; output: %r%s"
                                   % (status, seen, self.stderr()))
            match = LISTENING.match(line)
            if match:
                return match.group(1)
            seen.append(line)

    def stderr(self):
        self._stderr.flush()
        self._stderr.seek(0)
        text = self._stderr.read().decode("utf-8", "replace")
        return "\nstandard error:\n" + text if text else ""

    def stop(self, seconds=30):
        if self._process.poll() is None:
            self._process.send_signal(signal.SIGTERM)
            try:
                self._process.wait(timeout=seconds)
            except subprocess.TimeoutExpired:
                self._process.kill()
                self._process.wait()
                return None
        return self._process.returncode

    def kill(self):
        """SIGKILL, the power cut: the data folder stays for a restart."""
        self._process.kill()
        self._process.wait()

    def remove(self):
        self._stderr.close()
        shutil.rmtree(self.folder, ignore_errors=True)
