#!/usr/bin/env python3
"""The playground page in headless Firefox, opened from file://, driven over
WebDriver BiDi, which Firefox speaks itself: no driver program is needed.

    firefox_test.py CASE PAGE SOURCE_DIR

CASE is one of
  Address     the tour in the address (#scene=): its kept report; a long scene
              shared compressed (#z=) opens again from its link
  SceneError  a malformed scene: the message names the line, which is marked
  MainThread  the engine on the page itself (as where workers are refused)

Exits 77 (skipped), with one line, where Firefox is missing.
"""
import base64
import json
import os
import pathlib
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time

SKIP = 77
FIREFOX = shutil.which("firefox-esr") or shutil.which("firefox")
TIMEOUT = 60  # seconds for a run to show


class WebSocket:
    """Just enough of RFC 6455 for a local BiDi session: text frames."""

    def __init__(self, host, port, path):
        self.sock = socket.create_connection((host, port), timeout=TIMEOUT)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET {path} HTTP/1.1\r\nHost: {host}:{port}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n").encode())
        answer = b""
        while b"\r\n\r\n" not in answer:
            answer += self.sock.recv(4096)
        head, self.buffer = answer.split(b"\r\n\r\n", 1)
        if b" 101 " not in head.split(b"\r\n", 1)[0]:
            raise ConnectionError("no WebSocket: " + head.decode(errors="replace"))

    def send(self, text):
        data = text.encode()
        mask = os.urandom(4)
        size = len(data)
        header = bytes([0x81])
        if size < 126:
            header += bytes([0x80 | size])
        elif size < 1 << 16:
            header += bytes([0x80 | 126]) + struct.pack(">H", size)
        else:
            header += bytes([0x80 | 127]) + struct.pack(">Q", size)
        self.sock.sendall(header + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(data)))

    def _read(self, count):
        while len(self.buffer) < count:
            chunk = self.sock.recv(1 << 16)
            if not chunk:
                raise ConnectionError("Firefox closed the connection")
            self.buffer += chunk
        data, self.buffer = self.buffer[:count], self.buffer[count:]
        return data

    def receive(self):
        message = b""
        while True:
            first, second = self._read(2)
            size = second & 0x7F
            if size == 126:
                size = struct.unpack(">H", self._read(2))[0]
            elif size == 127:
                size = struct.unpack(">Q", self._read(8))[0]
            payload = self._read(size)
            if first & 0x0F == 0x9:  # a ping: answered by nothing, Firefox does not need it
                continue
            message += payload
            if first & 0x80:
                return message.decode()


class Firefox:
    """A headless Firefox with one BiDi session and its first tab."""

    def __init__(self, profile):
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        # Quiet: no first-run pages, no updates, no network of its own.
        pathlib.Path(profile, "user.js").write_text(
            'user_pref("browser.shell.checkDefaultBrowser", false);\n'
            'user_pref("app.update.enabled", false);\n'
            'user_pref("datareporting.policy.dataSubmissionEnabled", false);\n'
            'user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);\n'
            'user_pref("browser.aboutwelcome.enabled", false);\n')
        self.process = subprocess.Popen(
            [FIREFOX, "--headless", "--no-remote", "--profile", profile,
             f"--remote-debugging-port={port}", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + TIMEOUT
        while True:
            try:
                self.socket = WebSocket("127.0.0.1", port, "/session")
                break
            except OSError:
                if time.time() > deadline or self.process.poll() is not None:
                    raise
                time.sleep(0.3)
        self.next_id = 0
        self.command("session.new", {"capabilities": {}})
        self.context = self.command("browsingContext.getTree", {})["contexts"][0]["context"]

    def command(self, method, params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            answer = json.loads(self.socket.receive())
            if answer.get("id") != self.next_id:
                continue  # an event
            if answer.get("type") == "error":
                raise RuntimeError(f"{method}: {answer.get('error')}: {answer.get('message')}")
            return answer["result"]

    def open(self, address):
        self.command("browsingContext.navigate",
                     {"context": self.context, "url": address, "wait": "complete"})

    def js(self, body, *arguments):
        """Runs the body of a function of `arguments` in the page; its JSON result."""
        result = self.command("script.callFunction", {
            "functionDeclaration": "async (json) => JSON.stringify(await (async function () {" +
                                   body + "}).apply(null, JSON.parse(json)) ?? null)",
            "arguments": [{"type": "string", "value": json.dumps(arguments)}],
            "target": {"context": self.context}, "awaitPromise": True})
        if result.get("type") == "exception":
            raise RuntimeError("in the page: " + json.dumps(result.get("exceptionDetails"))[:400])
        return json.loads(result["result"]["value"])

    def wait(self, body, *arguments):
        deadline = time.time() + TIMEOUT
        while not self.js(body, *arguments):
            if time.time() > deadline:
                raise TimeoutError("waited in vain for: " + body)
            time.sleep(0.2)

    def quit(self):
        try:
            self.command("browser.close", {})
        except (OSError, RuntimeError):
            pass
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()


RUNS = "return Number(document.body.dataset.runs || 0);"
REPORT = "return document.getElementById('report').textContent;"


def page_address(page, scene=None, query=""):
    address = pathlib.Path(page).resolve().as_uri() + query
    if scene is None:
        return address
    return address + "#scene=" + base64.urlsafe_b64encode(scene.encode()).decode().rstrip("=")


def case_address(browser, source, failures):
    scenes = pathlib.Path(source, "scenes")
    browser.open(page_address(PAGE, scenes.joinpath("tour.scene").read_text("utf-8")))
    browser.wait(RUNS)
    failures.check(browser.js(REPORT) == scenes.joinpath("tour.expected").read_text("utf-8"),
                   "the tour's report in the page is not the expected report")
    failures.check(browser.js("return !!document.querySelector('#picture svg');"),
                   "no picture")
    # A long scene, shared: its link is compressed and opens the scene again.
    scene = "type Ball\n" + "".join(f"object {s} Ball x {s * 7 % 300}\n" for s in range(400)) + \
        "order " + " ".join(str(s) for s in range(400)) + "\ncall \"Increasing X Sort\"\n"
    browser.js("const e = document.getElementById('scene'); e.value = arguments[0];"
               "e.dispatchEvent(new Event('input')); document.getElementById('link').click();",
               scene)
    browser.wait("return document.getElementById('link-text').value.includes('#z=');")
    link = browser.js("return document.getElementById('link-text').value;")
    browser.open("about:blank")
    browser.open(link)
    browser.wait(RUNS)
    failures.check(browser.js("return document.getElementById('scene').value;") == scene,
                   "the compressed link did not give the scene back")


def case_scene_error(browser, source, failures):
    scene = pathlib.Path(source, "hostprog", "tests", "data", "malformed.scene").read_text("utf-8")
    browser.open(page_address(PAGE, scene))
    browser.wait("return !document.getElementById('error').hidden;")
    message = browser.js("return document.getElementById('error').textContent;")
    failures.check(message.startswith('playground.scene:4: unknown object type "Wall"'),
                   "the message is " + repr(message))
    failures.check(browser.js("return [...document.querySelectorAll('#marks .error-line')]"
                              ".map(e => e.dataset.line);") == ["4"],
                   "the editor does not mark line 4")


def case_main_thread(browser, source, failures):
    scenes = pathlib.Path(source, "scenes")
    browser.open(page_address(PAGE, scenes.joinpath("tour.scene").read_text("utf-8"),
                              "?main-thread"))
    browser.wait(RUNS)
    failures.check(browser.js(REPORT) == scenes.joinpath("tour.expected").read_text("utf-8"),
                   "on the page itself, the tour's report differs")
    failures.check("on the page itself" in browser.js(
        "return document.querySelector('footer').textContent;"),
        "the page does not say that it runs the scene itself")


class Failures:
    def __init__(self):
        self.messages = []

    def check(self, ok, message):
        if not ok:
            self.messages.append(message)


CASES = {"Address": case_address, "SceneError": case_scene_error,
         "MainThread": case_main_thread}

if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in CASES:
        sys.stderr.write(__doc__)
        sys.exit(2)
    case, PAGE, source = sys.argv[1:]
    if FIREFOX is None:
        print("skipped: headless Firefox needs firefox-esr (tools/setup.sh installs it)")
        sys.exit(SKIP)
    if not os.path.exists(PAGE):
        sys.exit(f"{PAGE}: the page is not built")
    failures = Failures()
    with tempfile.TemporaryDirectory(prefix="tier-firefox-") as profile:
        browser = Firefox(profile)
        try:
            CASES[case](browser, source, failures)
        finally:
            browser.quit()
    for message in failures.messages:
        print("FAILED: " + message)
    print(f"Firefox {case}: " + ("passed" if not failures.messages else "failed"))
    sys.exit(1 if failures.messages else 0)
