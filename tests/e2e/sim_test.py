#!/usr/bin/env python3
"""Checks catalogue-sim on its own: the exchange's pages and routes, every failure switch,
the control requests, HTTPS, and that the committed record-page fixtures are what the sim
serves. The end-to-end cases rely on each switch doing what it says; a switch that silently
did nothing would let a case pass for the wrong reason."""

import argparse
import http.client
import pathlib
import select
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
LOGIN = "/F?func=file&file_name=login&?RN"
VISIT_QUERY = "?func=file&=&file_name=login%20%3FRN&pds_handle="
SEARCH_QUERY = ("?func=find-a&find_code=WTYP&request=&request_op=AND&request=&request_op=AND"
                "&find_code=ISBN&request=")
FORM_MARKER = b'name="form1"  action="'
TITLE_LABEL = "<b>タイトル</b>".encode()
KNOWN = "9784991012013"
KNOWN10 = "4991012015"
UNKNOWN = "9784991012990"

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL " + what)


class Sim:
    def __init__(self, sim, *args, tls=None):
        cmd = [sim, "--port", "0", "--max-seconds", "120", "--quiet", *args]
        if tls:
            cmd += ["--tls", str(tls / "cert.pem"), str(tls / "key.pem")]
        self.proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        ready, _, _ = select.select([self.proc.stdout], [], [], 20)
        self.base = self.proc.stdout.readline().decode().strip() if ready else ""
        if not self.base:
            self.stop()
            raise RuntimeError("catalogue-sim did not start: " + self.proc.stderr.read().decode())
        scheme, rest = self.base.split("://")
        self.port = int(rest.rsplit(":", 1)[1])
        self.context = None
        if scheme == "https":
            self.context = ssl.create_default_context(cafile=str(tls / "ca.pem"))

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            self.proc.wait(timeout=20)
        self.proc.stdout.close()
        self.proc.stderr.close()

    def get(self, target, timeout=10):
        """(status, body) of one GET of the raw target, sent as it stands."""
        if target.startswith(self.base):
            target = target[len(self.base):]
        if self.context:
            conn = http.client.HTTPSConnection("localhost", self.port, timeout=timeout,
                                               context=self.context)
        else:
            conn = http.client.HTTPConnection("localhost", self.port, timeout=timeout)
        try:
            conn.request("GET", target)
            response = conn.getresponse()
            return response.status, response.read()
        finally:
            conn.close()

    def walk(self, isbn):
        """The three pages of one look-up; stops early (None for the rest) when a step fails."""
        pages = [self.get(LOGIN)]
        lines = pages[0][1].split(b"\n")
        url_lines = [l for l in lines[1:] if b"var url = " in l]
        if pages[0][0] != 200 or not url_lines:
            return pages + [None, None]
        start = (self.base + "/F/").encode()
        handle = url_lines[0].split(start, 1)[1].split(b"?func", 1)[0].decode()
        pages.append(self.get("/F/" + handle + VISIT_QUERY))
        form_lines = [l for l in pages[1][1].split(b"\n")[1:] if FORM_MARKER in l]
        if pages[1][0] != 200 or not form_lines:
            return pages + [None]
        form = form_lines[0].split(FORM_MARKER, 1)[1].split(b'">', 1)[0].decode()
        pages.append(self.get(form + SEARCH_QUERY + isbn))
        return pages


def check_pages(sim, fixtures):
    login, visit, record = sim.walk(KNOWN)
    check(login[0] == 200 and visit and visit[0] == 200 and record and record[0] == 200,
          "a known ISBN walks login, visit and search with status 200")
    lines = login[1].split(b"\n")
    check(b"var url = " not in lines[0], "the visit handle is not on the login page's first line")
    url_line = next(l for l in lines if b"var url = " in l)
    check(url_line.startswith(b"var url = '" + (sim.base + "/F/").encode()) and b"?func" in url_line,
          "the handle line holds base/F/<handle>?func")
    check(FORM_MARKER not in login[1], "the login page holds no search form marker")
    form_line = next(l for l in visit[1].split(b"\n") if FORM_MARKER in l)
    check(form_line.endswith(b'">') and (sim.base + "/F/").encode() in form_line,
          "the form line ends with the absolute action URL and '\">'")
    check(record[1] == (fixtures / f"{KNOWN}.html").read_bytes(),
          "the record page served is the rendered fixture")
    check(record[1].decode("utf-8").count("<b>タイトル</b>") == 1, "the record page has one title row")

    _, _, by_isbn10 = sim.walk(KNOWN10)
    check(by_isbn10 and by_isbn10[1] == record[1], "the ISBN-10 form finds the same book")
    _, _, unknown = sim.walk(UNKNOWN)
    check(unknown and unknown[0] == 200 and TITLE_LABEL not in unknown[1],
          "an unknown ISBN answers a page without title row")

    status, body = sim.get("/F/NOSUCHHANDLE" + VISIT_QUERY)
    check(status == 200 and FORM_MARKER not in body, "an unknown visit handle gets no search form")
    status, body = sim.get("/F/NOSUCHHANDLE" + SEARCH_QUERY + KNOWN)
    check(status == 200 and TITLE_LABEL not in body, "an unknown search handle gets no record")
    status, _ = sim.get("/F?func=file&file_name=other")
    check(status == 404, "an unknown request answers 404")


def check_faults(sim_path):
    def one(args, step, test, what):
        sim = Sim(sim_path, *args)
        try:
            first = sim.walk(KNOWN)
            second = sim.walk(KNOWN)
            index = {"login": 0, "visit": 1, "search": 2}[step]
            check(all(p is not None and p[0] == 200 for p in first), f"{what}: #1 is untouched")
            check(test(second[index]), what)
        except Exception as error:  # noqa: BLE001 - a broken answer is what some checks expect
            check(False, f"{what}: {error!r}")
        finally:
            sim.stop()

    def lines(page):
        return page[1].split(b"\n")

    one(["--fault", "login=status:503#2"], "login", lambda p: p[0] == 503, "login=status:503#2")
    one(["--fault", "visit=status#2"], "visit", lambda p: p[0] == 500, "visit=status#2 (default 500)")
    one(["--fault", "search=status:404#2"], "search", lambda p: p[0] == 404, "search=status:404#2")
    one(["--fault", "login=nomarker#2"], "login",
        lambda p: p[0] == 200 and b"var url = " not in p[1], "login=nomarker#2")
    one(["--fault", "login=firstline#2"], "login",
        lambda p: b"var url = " in lines(p)[0] and not any(b"var url = " in l for l in lines(p)[1:]),
        "login=firstline#2")
    one(["--fault", "visit=nomarker#2"], "visit",
        lambda p: p[0] == 200 and FORM_MARKER not in p[1] and b'name="form2"' in p[1], "visit=nomarker#2")
    one(["--fault", "visit=onespace#2"], "visit",
        lambda p: FORM_MARKER not in p[1] and b'name="form1" action="' in p[1], "visit=onespace#2")

    def not_utf8(page):
        try:
            page[1].decode("utf-8")
            return False
        except UnicodeDecodeError as error:
            return page[1][error.start] == 0x80 and TITLE_LABEL in page[1]

    one(["--fault", "search=badutf8#2"], "search", not_utf8, "search=badutf8#2")
    one(["--fault", "search=empty#2"], "search", lambda p: p[0] == 200 and p[1] == b"", "search=empty#2")

    # A broken-off answer: the client must not get a whole body.
    sim = Sim(sim_path, "--fault", "login=drop")
    try:
        sim.get(LOGIN)
        check(False, "login=drop breaks the answer off")
    except (http.client.IncompleteRead, ConnectionError):
        pass
    finally:
        sim.stop()

    sim = Sim(sim_path, "--fault", "visit=slow:2")
    try:
        login = sim.get(LOGIN)
        handle = login[1].split((sim.base + "/F/").encode())[1].split(b"?func")[0].decode()
        began = time.monotonic()
        status, body = sim.get("/F/" + handle + VISIT_QUERY)
        check(time.monotonic() - began >= 1.9 and FORM_MARKER in body, "visit=slow:2 answers after 2 s")
    finally:
        sim.stop()

    sim = Sim(sim_path, "--fail-after", "2:502")
    try:
        statuses = [sim.get(LOGIN)[0] for _ in range(4)]
        check(statuses == [200, 200, 502, 502], f"--fail-after 2:502 gives {statuses}")
    finally:
        sim.stop()

    sim = Sim(sim_path, "--offline-after", "2")
    try:
        statuses = [sim.get(LOGIN)[0] for _ in range(2)]
        time.sleep(0.3)
        refused = False
        try:
            socket.create_connection(("127.0.0.1", sim.port), timeout=3).close()
        except OSError:
            refused = True
        check(statuses == [200, 200] and refused, "--offline-after 2 answers two requests, then refuses")
    finally:
        sim.stop()

    sim = Sim(sim_path, "--offline")
    try:
        refused = False
        try:
            socket.create_connection(("127.0.0.1", sim.port), timeout=3).close()
        except OSError:
            refused = True
        check(refused, "--offline prints an address nobody listens on")
    finally:
        sim.stop()

    sim = Sim(sim_path)
    try:
        check(sim.get("/__sim/fault?rule=login%3Dstatus%3A418")[0] == 200, "a control request adds a fault")
        check(sim.get(LOGIN)[0] == 418, "the fault added by a control request applies")
        check(sim.get("/__sim/fault?rule=nosuch%3Dstatus")[0] == 400, "a bad fault rule answers 400")
        log = sim.get("/__sim/log")[1].decode()
        check(log.count("\tlogin\t418*\t") == 1, "the log shows the failed login")
        sim.get("/__sim/reset")
        check(sim.get(LOGIN)[0] == 200, "reset drops the faults")
    finally:
        sim.stop()

    bad = subprocess.run([sim_path, "--fault", "search=firstline"], capture_output=True)
    check(bad.returncode == 2, "a fault kind a step has not is refused")


def check_tls(sim_path, tls, fixtures):
    sim = Sim(sim_path, tls=tls)
    try:
        check(sim.base.startswith("https://localhost:"), "--tls serves https://localhost")
        _, _, record = sim.walk(KNOWN)
        check(record and record[1] == (fixtures / f"{KNOWN}.html").read_bytes(),
              "the record page comes over HTTPS")
        untrusting = ssl.create_default_context()
        try:
            conn = http.client.HTTPSConnection("localhost", sim.port, timeout=5, context=untrusting)
            conn.request("GET", LOGIN)
            conn.getresponse()
            check(False, "a client that does not trust the test authority is refused")
        except ssl.SSLError:
            pass
    finally:
        sim.stop()


def check_fixtures(sim_path, fixtures):
    with tempfile.TemporaryDirectory() as rendered:
        subprocess.run([sim_path, "--render-fixtures", rendered], check=True, capture_output=True)
        fresh = {p.name: p.read_bytes() for p in pathlib.Path(rendered).glob("*.html")}
    committed = {p.name: p.read_bytes() for p in fixtures.glob("*.html")}
    check(fresh.keys() == committed.keys(), "a fixture page for every sample book, and no other")
    stale = [n for n in fresh if committed.get(n) != fresh[n]]
    check(not stale, f"committed fixtures match the books (stale: {stale}); "
                     "run catalogue-sim --render-fixtures tests/fixtures/pages")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sim", default=str(ROOT / "build/linux/bin/catalogue-sim"))
    parser.add_argument("--tls-dir", default=str(ROOT / "build/linux/e2e-tls"))
    args = parser.parse_args()
    tls = pathlib.Path(args.tls_dir)
    subprocess.run([str(ROOT / "tools/catalogue-sim/make-cert"), str(tls)], check=True)
    fixtures = ROOT / "tests/fixtures/pages"

    check_fixtures(args.sim, fixtures)
    sim = Sim(args.sim)
    try:
        check_pages(sim, fixtures)
    finally:
        sim.stop()
    check_faults(args.sim)
    check_tls(args.sim, tls, fixtures)
    print(f"{len(failures)} failed" if failures else "all catalogue-sim checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
