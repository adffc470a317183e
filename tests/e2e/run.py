#!/usr/bin/env python3
"""Runs the end-to-end cases: the sample catalogue, the host stand-in and the plug-in.

Each case is a folder tests/e2e/cases/NAME with case.json and, when the run must write an
output file, expected.txt (Shift-JIS, CR LF; built by make_expected.py). case.json holds:

  description  what the case shows
  scheme       "http" or "https" (HTTPS runs trust the test authority through --cacert)
  profile      work-directory profile under profiles/ (default "plain")
  isbns        the ISBN list handed to the plug-in, in order
  sim          extra arguments of catalogue-sim (its failure switches)
  host         extra arguments of "zelkon lookup" (time-outs)
  books        the books whose lines the output file holds, in order (keys of
               expected/<profile>.lines); null when the run must leave no output file
  messages     the plug-in's message lines on standard error, in order; "{base}" stands for
               the catalogue's base URL and "{login}" for its login page address
  searches     optional: the ISBN searches the catalogue must have answered, in order
               (compared as ISBN-13)

For every case the runner starts catalogue-sim on a free loopback port, prepares a work
directory (tovan.dat naming the catalogue, the profile's files in Shift-JIS), runs
"zelkon lookup" with the plug-in, stops the catalogue and compares the output file byte for
byte, the messages, the exit status and the searches.

Modes: native (zelkon + vostrel.so of the Linux build) and wine (zelkon.exe + vostrel.dll of
the Windows build under scripts/wine-run, messages observed with --observe-messages). The
wine mode exits with 77 (skipped) when the Windows build is missing.
"""

import argparse
import difflib
import json
import os
import pathlib
import select
import shutil
import signal
import subprocess
import sys
import tempfile

import make_expected

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
SKIPPED = 77
LOGIN_PATH = "/F?func=file&file_name=login&?RN"
SEARCH_KEY = "find_code=ISBN&request="


class CaseFailure(Exception):
    pass


class Skip(Exception):
    pass


# --- helpers ----------------------------------------------------------------------------------


def isbn13(term):
    """The ISBN-13 of an ISBN-10 or ISBN-13 text; the text itself otherwise."""
    digits = term.replace("-", "")
    if len(digits) == 10 and digits[:9].isdigit():
        body = "978" + digits[:9]
        total = sum(int(d) * (1 if i % 2 == 0 else 3) for i, d in enumerate(body))
        return body + str((10 - total % 10) % 10)
    return digits


def comma_items(line):
    """Splits one output line into its items, undoing the quoting of enclosed items."""
    items, item, quoted, i = [], "", False, 0
    while i < len(line):
        c = line[i]
        if quoted:
            if c == '"' and line[i + 1 : i + 2] == '"':
                item += '"'
                i += 1
            elif c == '"':
                quoted = False
            else:
                item += c
        elif c == '"' and item == "":
            quoted = True
        elif c == ",":
            items.append(item)
            item = ""
        else:
            item += c
        i += 1
    items.append(item)
    return items


def describe_difference(want, have):
    """Readable account of how two output files differ: lines aligned by content, then the
    items that differ within a changed line."""

    def text(line):
        return line.decode("cp932", errors="backslashreplace")

    def lines(data):
        parts = data.split(b"\r\n")
        return parts[:-1] if parts and parts[-1] == b"" else parts

    report = []
    if have and not have.endswith(b"\r\n"):
        report.append("the output does not end with CR LF")
    want_lines, have_lines = lines(want), lines(have)
    report.append(f"expected {len(want_lines)} lines, got {len(have_lines)}")
    matcher = difflib.SequenceMatcher(a=want_lines, b=have_lines, autojunk=False)
    for op, a1, a2, b1, b2 in matcher.get_opcodes():
        if op == "equal":
            continue
        pairs = list(zip(range(a1, a2), range(b1, b2))) if op == "replace" else []
        for a, b in pairs:
            wi, hi = comma_items(text(want_lines[a])), comma_items(text(have_lines[b]))
            report.append(f"line {b + 1} (expected line {a + 1}) differs:")
            for k in range(max(len(wi), len(hi))):
                x = wi[k] if k < len(wi) else "<none>"
                y = hi[k] if k < len(hi) else "<none>"
                if x != y:
                    report.append(f"  item {k + 1}: expected {x!r}")
                    report.append(f"  {' ' * len(str(k + 1))}       got      {y!r}")
        for a in range(a1 + len(pairs), a2):
            report.append(f"missing line {a + 1}: {text(want_lines[a])[:100]!r}...")
        for b in range(b1 + len(pairs), b2):
            report.append(f"unexpected line {b + 1}: {text(have_lines[b])[:100]!r}...")
    return "\n".join(report)


def to_cp932_crlf(text):
    lines = text.splitlines()
    return b"".join(line.encode("cp932") + b"\r\n" for line in lines)


def windows_path(path):
    """The path as Wine's drive Z: shows the Unix root."""
    return "Z:" + str(path).replace("/", "\\")


# --- the sample catalogue ---------------------------------------------------------------------


class Catalogue:
    def __init__(self, sim, args, workspace, tls):
        self.log = workspace / "sim.log"
        self.err_path = workspace / "sim.err"
        cmd = [str(sim), "--port", "0", "--max-seconds", "900", "--log", str(self.log)]
        if tls:
            cmd += ["--tls", str(tls / "cert.pem"), str(tls / "key.pem")]
        cmd += args
        self.err = open(self.err_path, "wb")
        self.proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=self.err)
        ready, _, _ = select.select([self.proc.stdout], [], [], 20)
        line = self.proc.stdout.readline().decode().strip() if ready else ""
        if not line.startswith(("http://", "https://")):
            self.stop()
            raise CaseFailure(
                f"catalogue-sim did not start ({' '.join(cmd)}):\n" + self.err_path.read_text(errors="replace")
            )
        self.base = line

    def stop(self):
        """Ends the catalogue; its exit status (0 after a clean end)."""
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc.stdout.close()
        self.err.close()
        return self.proc.returncode

    def searches(self):
        """The ISBN search terms the catalogue was asked, in order."""
        terms = []
        if not self.log.exists():
            return terms
        for line in self.log.read_text(errors="replace").splitlines():
            fields = line.split("\t", 3)
            if len(fields) == 4 and fields[1] == "search" and SEARCH_KEY in fields[3]:
                terms.append(fields[3].split(SEARCH_KEY, 1)[1])
        return terms


# --- one case ---------------------------------------------------------------------------------


class Runner:
    def __init__(self, args):
        self.args = args
        self.mode = args.mode
        if self.mode == "native":
            bin_dir = pathlib.Path(args.native_bin)
            self.host = bin_dir / "zelkon"
            self.plugin = bin_dir / "vostrel.so"
        else:
            bin_dir = pathlib.Path(args.windows_bin)
            self.host = bin_dir / "zelkon.exe"
            self.plugin = bin_dir / "vostrel.dll"
        self.sim = pathlib.Path(args.sim)
        self.tls_dir = pathlib.Path(args.tls_dir)
        self.profiles = {}

    def check_programs(self):
        missing = [p for p in (self.host, self.plugin) if not p.is_file()]
        if missing and self.mode == "wine":
            raise Skip("the Windows build is missing: " + ", ".join(map(str, missing)))
        if missing:
            raise CaseFailure("not built: " + ", ".join(map(str, missing)))
        if not self.sim.is_file():
            raise CaseFailure(f"not built: {self.sim}")

    def tls(self):
        subprocess.run([str(ROOT / "tools/catalogue-sim/make-cert"), str(self.tls_dir)], check=True)
        return self.tls_dir

    def run_case(self, name):
        case_dir = HERE / "cases" / name
        case = make_expected.load_case(case_dir)
        want = make_expected.expected_output(case, self.profiles)
        expected_file = case_dir / "expected.txt"
        have_file = expected_file.read_bytes() if expected_file.exists() else None
        if have_file != want:
            raise CaseFailure(f"{expected_file} does not match expected/*.lines; run make_expected.py")
        self.check_programs()

        workspace = pathlib.Path(tempfile.mkdtemp(prefix=f"e2e-{name}-"))
        keep = self.args.keep
        try:
            self._run(case, want, workspace)
        except CaseFailure:
            keep = True
            raise
        finally:
            if keep:
                print(f"  files kept in {workspace}")
            else:
                shutil.rmtree(workspace, ignore_errors=True)

    def _prepare(self, case, workspace, base):
        bin_dir, work, out_dir = workspace / "bin", workspace / "work", workspace / "out"
        for d in (bin_dir, work, out_dir):
            d.mkdir()
        # The host finds Setting.ini beside itself, so each case has its own copy of the host.
        shutil.copy2(self.host, bin_dir / self.host.name)
        shutil.copy2(self.plugin, bin_dir / self.plugin.name)
        profile = HERE / "profiles" / case.get("profile", "plain")
        tovan = f"CATALOGUE_URL={base}\n"
        for source in sorted(profile.glob("*.utf8")):
            name = source.name[: -len(".utf8")]
            text = source.read_text(encoding="utf-8")
            if name == "tovan.dat":
                tovan += text
            elif name == "Setting.ini":
                (bin_dir / name).write_bytes(to_cp932_crlf(text))
            else:
                (work / name).write_bytes(to_cp932_crlf(text))
        (work / "tovan.dat").write_bytes(to_cp932_crlf(tovan))
        return bin_dir, work, out_dir / "output.txt"

    def _host_command(self, case, bin_dir, work, out, tls):
        host = bin_dir / self.host.name
        plugin = bin_dir / self.plugin.name
        if self.mode == "native":
            cmd = [str(host), "lookup", "--plugin", str(plugin), "--workdir", str(work) + "/",
                   "--out", str(out)]
            if tls:
                cmd += ["--cacert", str(tls / "ca.pem")]
        else:
            cmd = [str(ROOT / "scripts/wine-run"), str(host), "lookup", "--observe-messages",
                   "--plugin", windows_path(plugin), "--workdir", windows_path(work) + "\\",
                   "--out", windows_path(out)]
            if tls:
                cmd += ["--cacert", windows_path(tls / "ca.pem")]
        return cmd + case.get("host", []) + case["isbns"]

    def _run(self, case, want, workspace):
        tls = self.tls() if case.get("scheme", "http") == "https" else None
        catalogue = Catalogue(self.sim, case.get("sim", []), workspace, tls)
        try:
            bin_dir, work, out = self._prepare(case, workspace, catalogue.base)
            cmd = self._host_command(case, bin_dir, work, out, tls)
            if self.args.verbose:
                print("  $ " + " ".join(cmd))
            try:
                result = subprocess.run(cmd, capture_output=True, timeout=self.args.host_timeout,
                                        cwd=workspace)
            except subprocess.TimeoutExpired:
                raise CaseFailure(f"zelkon did not finish within {self.args.host_timeout} s") from None
        finally:
            sim_status = catalogue.stop()
        if sim_status != 0:
            raise CaseFailure(f"catalogue-sim ended with status {sim_status}:\n" +
                              catalogue.err_path.read_text(errors="replace")[-4000:])
        (workspace / "zelkon.out").write_bytes(result.stdout)
        (workspace / "zelkon.err").write_bytes(result.stderr)
        self._compare(case, want, catalogue, out, result)

    def _messages(self, stderr):
        lines = stderr.decode("utf-8", errors="backslashreplace").splitlines()
        messages = []
        for line in lines:
            if line.startswith("zelkon: "):
                continue  # the host's own report, not the plug-in's
            if self.mode == "wine" and (line.startswith("wine: ") or line[4:5] == ":" and
                                        line[5:].startswith(("err:", "fixme:", "warn:"))):
                continue  # Wine's own diagnostics
            messages.append(line)
        return messages

    def _compare(self, case, want, catalogue, out, result):
        problems = []
        substitutions = {"{base}": catalogue.base, "{login}": catalogue.base + LOGIN_PATH}
        want_messages = []
        for message in case.get("messages", []):
            for key, value in substitutions.items():
                message = message.replace(key, value)
            want_messages.append(message)
        have_messages = self._messages(result.stderr)
        if have_messages != want_messages:
            problems.append(f"messages: expected {want_messages!r}\n          got      {have_messages!r}")

        want_status = 0 if want is not None else 4
        if result.returncode != want_status:
            problems.append(f"zelkon exit status {result.returncode}, expected {want_status}")

        if want is None:
            if out.exists():
                problems.append(f"an output file was written ({out.stat().st_size} bytes); none expected")
        elif not out.exists():
            problems.append("no output file was written")
        else:
            have = out.read_bytes()
            if have != want:
                problems.append("output file differs from expected.txt:\n" + describe_difference(want, have))

        if "searches" in case:
            want_searches = [isbn13(t) for t in case["searches"]]
            have_searches = [isbn13(t) for t in catalogue.searches()]
            if have_searches != want_searches:
                problems.append(f"searches: expected {want_searches}\n          got      {have_searches}")

        if problems:
            detail = "\n".join(problems)
            detail += "\n--- zelkon stderr ---\n" + result.stderr.decode("utf-8", "backslashreplace")
            raise CaseFailure(detail)


def main():
    parser = argparse.ArgumentParser(description="Runs the end-to-end cases.")
    parser.add_argument("--mode", choices=["native", "wine"], default="native")
    parser.add_argument("--case", action="append", help="case folder name (default: all)")
    parser.add_argument("--native-bin", default=str(ROOT / "build/linux/bin"))
    parser.add_argument("--windows-bin", default=str(ROOT / "build/windows/bin"))
    parser.add_argument("--sim", help="catalogue-sim (default: in --native-bin)")
    parser.add_argument("--tls-dir", help="where the test certificates live (default: beside --native-bin)")
    parser.add_argument("--host-timeout", type=int, default=600, help="seconds one zelkon run may take")
    parser.add_argument("--keep", action="store_true", help="keep each case's files")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()
    if args.sim is None:
        args.sim = str(pathlib.Path(args.native_bin) / "catalogue-sim")
    if args.tls_dir is None:
        args.tls_dir = str(pathlib.Path(args.native_bin).parent / "e2e-tls")
    # zelkon runs in the case's own folder: every path it is given must be absolute.
    for name in ("native_bin", "windows_bin", "sim", "tls_dir"):
        setattr(args, name, str(pathlib.Path(getattr(args, name)).resolve()))

    names = args.case or [d.name for d in make_expected.case_dirs()]
    runner = Runner(args)
    failed, skipped = [], []
    for name in names:
        try:
            runner.run_case(name)
            print(f"PASS {args.mode} {name}")
        except Skip as why:
            skipped.append(name)
            print(f"SKIP {args.mode} {name}: {why}")
        except (CaseFailure, make_expected.LinesError) as why:
            failed.append(name)
            print(f"FAIL {args.mode} {name}\n{why}")
    sys.stdout.flush()
    if failed:
        return 1
    if skipped and len(skipped) == len(names):
        return SKIPPED
    return 0


if __name__ == "__main__":
    sys.exit(main())
