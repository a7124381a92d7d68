#!/usr/bin/env python3
"""Drives a page in headless Chromium through chromedriver (W3C WebDriver over
plain HTTP, standard library only), the way an operator uses it: real clicks
and real key presses.

    browser_steps.py URL STEP...

Steps, run in order:
    click:CSS            clicks the element
    type:CSS:TEXT        clears the field and types TEXT; "\\n" in TEXT is Enter
    wait:CSS:TEXT        waits until the element exists and its text is TEXT
Every step first waits for its element to exist: a busy machine renders late.
WAIT_SECONDS only guards against a page that never comes.
    contains:CSS:TEXT    waits until the element's text contains TEXT
    go:HASH              sets location.hash, as an edited address does
    signal:PATH          creates the file PATH (the test acts on it)
    await:PATH           waits until the file PATH exists (the test has acted)
    value:CSS            prints the field's current value
    text:CSS             prints the element's text
    hash                 prints location.hash
    until:SCRIPT         waits until the script's return value is true, and prints it
Prints one line per printing step; exits 1 with the reason when a step fails."""
import json
import os
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

ELEMENT = "element-6066-11e4-a52e-4f735466cecf"
WAIT_SECONDS = 120
ENTER = "\ue007"


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


class Driver:
    def __init__(self, port):
        self.base = "http://127.0.0.1:%d" % port
        self.session = None

    def call(self, method, path, body=None):
        data = None if body is None else json.dumps(body).encode()
        request = urllib.request.Request(self.base + path, data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=30) as answer:
                return json.loads(answer.read() or b"{}").get("value")
        except urllib.error.HTTPError as e:
            raise RuntimeError("%s %s: %s" % (method, path, e.read().decode(errors="replace")[:300]))

    def start(self, profile):
        args = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                "--no-first-run", "--user-data-dir=" + profile, "--window-size=520,480"]
        caps = {"capabilities": {"alwaysMatch": {"browserName": "chrome",
                                                  "goog:chromeOptions": {"binary": "/usr/bin/chromium", "args": args}}}}
        self.session = "/session/" + self.call("POST", "/session", caps)["sessionId"]

    def element(self, css):
        end = time.time() + WAIT_SECONDS
        while True:
            try:
                return self.call("POST", self.session + "/element", {"using": "css selector", "value": css})[ELEMENT]
            except RuntimeError:
                if time.time() > end:
                    raise
                time.sleep(0.1)

    def text(self, css):
        return self.call("GET", self.session + "/element/%s/text" % self.element(css))


def wait_for_driver(port, process):
    for _ in range(WAIT_SECONDS * 10):
        if process.poll() is not None:
            sys.exit("chromedriver ended with %d" % process.returncode)
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
            return
        except OSError:
            time.sleep(0.1)
    sys.exit("chromedriver did not listen")


def run(d, step):
    kind, _, rest = step.partition(":")
    if kind == "click":
        d.call("POST", d.session + "/element/%s/click" % d.element(rest), {})
    elif kind == "type":
        css, _, text = rest.partition(":")
        e = d.element(css)
        d.call("POST", d.session + "/element/%s/clear" % e, {})
        d.call("POST", d.session + "/element/%s/value" % e, {"text": text.replace("\\n", ENTER)})
    elif kind in ("wait", "contains"):
        css, _, want = rest.partition(":")
        end, seen = time.time() + WAIT_SECONDS, None
        while time.time() < end:
            try:
                seen = d.text(css)
            except RuntimeError:  # re-rendered between the look-up and the read
                seen = None
            if seen == want or (kind == "contains" and seen is not None and want in seen):
                return
            time.sleep(0.1)
        raise RuntimeError("%s shows %r, not %r" % (css, seen, want))
    elif kind == "go":
        d.call("POST", d.session + "/execute/sync", {"script": "location.hash = arguments[0];", "args": [rest]})
    elif kind == "signal":
        open(rest, "w").close()
    elif kind == "await":
        end = time.time() + WAIT_SECONDS
        while not os.path.exists(rest):
            if time.time() > end:
                raise RuntimeError("the test never made " + rest)
            time.sleep(0.05)
    elif kind == "value":
        print(d.call("GET", d.session + "/element/%s/property/value" % d.element(rest)))
    elif kind == "text":
        print(d.text(rest))
    elif kind == "until":
        end, seen = time.time() + WAIT_SECONDS, None
        while time.time() < end:
            seen = d.call("POST", d.session + "/execute/sync", {"script": rest, "args": []})
            if seen:
                print(seen)
                return
            time.sleep(0.1)
        raise RuntimeError("%r stayed %r" % (rest, seen))
    elif kind == "hash":
        print(d.call("POST", d.session + "/execute/sync", {"script": "return location.hash;", "args": []}))
    else:
        raise RuntimeError("unknown step " + step)


def main():
    url, steps = sys.argv[1], sys.argv[2:]
    port = free_port()
    process = subprocess.Popen(["chromedriver", "--port=%d" % port], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    d = Driver(port)
    try:
        wait_for_driver(port, process)
        with tempfile.TemporaryDirectory() as profile:
            d.start(profile)
            try:
                d.call("POST", d.session + "/url", {"url": url})
                for step in steps:
                    run(d, step)
            finally:
                d.call("DELETE", d.session)
    except RuntimeError as e:
        print("step failed:", e)
        sys.exit(1)
    finally:
        process.terminate()
        process.wait()


main()
