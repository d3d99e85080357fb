#!/usr/bin/env python3
"""Mutation testing: does the suite notice when the code is changed a little?

For each mutant (one small change to one .cpp file of the product) the mutated file is compiled
into an object of its own, linked ahead of the library archives into every test program that
links the file's library, and the fast tests among those that run the mutated line (found once, in a
build made with coverage, each test alone) run; the slow ones run only for the mutants that
survived them. Nothing in build/ is touched: the tool keeps its own build tree,
build-mutants/, and builds its scratch objects and programs beside it.

  scripts/mutants.py sample  [--count 250] [--seed 2026] [--out FILE] [--area NAME GLOB..]..  pick a fixed sample
  scripts/mutants.py run     SAMPLE [--results FILE] [--limit N] [--jobs N]  run the sample's mutants
  scripts/mutants.py run     SAMPLE --results FILE --ids N.. --programs P..  recheck after tests were added
  scripts/mutants.py report  RESULTS [RESULTS] [--markdown OUT]        kill rates, and a comparison

A sample records each mutant by file, line, column, the text it replaces and the line's text, so
that it can be run again after the code moved on: a mutant whose line is no longer where it was is
looked for by its line's text in the same file (or a file of the same name) and reported as gone
when it cannot be found. Where the code was rewritten, `run --moved MAP` takes each such mutant's
place today from a hand-made map (id -> file, line text, column, change; or gone, with the reason).
"""

import argparse
import hashlib
import json
import os
import random
import re
import resource
import shlex
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, asdict
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BUILD = ROOT / "build-mutants"
SCRATCH = BUILD / "mutants"
COVERAGE = ROOT / "build-mutants-coverage"  # the same tree built with --coverage: who runs which line

# The areas the sample covers, and the source files of each (globs below the repository).
AREAS = {
    "protocol cores": ["sio/zmodem/*.cpp", "sio/xmodem/*.cpp", "sio/kermit/*.cpp", "sio/ascii/*.cpp",
                       "sio/crc.cpp", "sio/incoming_file.cpp", "sio/names.cpp"],
    "transfer layer": ["sio/ft_api.cpp", "sio/channel.cpp", "transfer/ft_proc.cpp", "transfer/safe_names.cpp"],
    "port layer": ["sio/port*.cpp", "sio/os_*.cpp", "serial/port_lifecycle.cpp", "serial/port_settings.cpp"],
    "phone rules": ["phone/*.cpp", "app/answer_*.cpp", "app/text_scan.cpp", "app/convert_code_page.cpp",
                    "app/windows1251.cpp", "app/receive_path.cpp", "app/command_queue.cpp"],
    "download sequence": ["transfer/memo_file.cpp", "app/memo_download.cpp"],
    "file utilities": ["fileutil/*.cpp"],
}

FAST_SECONDS = 1.0  # a test that took longer in the clean run counts as slow


# ---------------------------------------------------------------- mutation sites

@dataclass
class Mutant:
    id: int
    area: str
    file: str
    line: int       # 1-based
    col: int        # 0-based, in the line
    original: str
    replacement: str
    kind: str
    text: str       # the line as it was, to find it again


SWAPS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==",
         "&&": "||", "||": "&&", "+": "-", "-": "+"}
OPERATOR = re.compile(r"(<=|>=|==|!=|&&|\|\||<|>|\+|-)")
NUMBER = re.compile(r"(?<![\w.])(0[xX][0-9a-fA-F']+|\d[\d']*)([uUlL]*)(?![\w.])")
BOOL = re.compile(r"\b(true|false)\b")
CONDITION = re.compile(r"\b(if|while)\s*\(")


def code_mask(source):
    """The source with comments, string and character literals and preprocessor lines blanked
    (same length, newlines kept), so that sites are looked for in code only."""
    out = list(source)
    i, n = 0, len(source)
    line_start = True
    while i < n:
        c = source[i]
        if line_start and c in " \t":
            i += 1
            continue
        if line_start and c == "#":
            while i < n and source[i] != "\n":
                if source[i] == "\\" and i + 1 < n and source[i + 1] == "\n":
                    out[i] = " "
                    i += 2
                    continue
                out[i] = " "
                i += 1
            continue
        line_start = False
        if c == "\n":
            line_start = True
            i += 1
        elif source.startswith("//", i):
            while i < n and source[i] != "\n":
                out[i] = " "
                i += 1
        elif source.startswith("/*", i):
            end = source.find("*/", i + 2)
            end = n if end < 0 else end + 2
            for k in range(i, end):
                if source[k] != "\n":
                    out[k] = " "
            i = end
        elif c == 'R' and i + 1 < n and source[i + 1] == '"' and (i == 0 or not source[i - 1].isalnum()):
            delim_end = source.find("(", i + 2)
            closing = ")" + source[i + 2:delim_end] + '"'
            end = source.find(closing, delim_end)
            end = n if end < 0 else end + len(closing)
            for k in range(i, end):
                if source[k] != "\n":
                    out[k] = " "
            i = end
        elif c in "\"'":
            if c == "'" and i > 0 and source[i - 1].isalnum():  # a digit separator: 1'000
                i += 1
                continue
            k = i + 1
            while k < n and source[k] != c and source[k] != "\n":
                k += 2 if source[k] == "\\" else 1
            for m in range(i, min(k + 1, n)):
                out[m] = " "
            i = k + 1
        else:
            i += 1
    return "".join(out)


def matching_paren(code, open_at):
    depth = 0
    for k in range(open_at, len(code)):
        if code[k] == "(":
            depth += 1
        elif code[k] == ")":
            depth -= 1
            if depth == 0:
                return k
    return -1


def sites(path, area):
    source = path.read_text(encoding="utf-8", errors="surrogateescape")
    code = code_mask(source)
    lines = source.split("\n")
    starts = [0]
    for line in lines[:-1]:
        starts.append(starts[-1] + len(line) + 1)
    rel = str(path.relative_to(ROOT))
    found = []

    def add(offset, original, replacement, kind):
        line = max(k for k in range(len(starts)) if starts[k] <= offset)
        found.append(Mutant(0, area, rel, line + 1, offset - starts[line], original, replacement, kind,
                            lines[line]))

    for m in OPERATOR.finditer(code):
        a, b = m.start(), m.end()
        # Binary operators only, written with a space each side: keeps templates, ->, ++, += and
        # unary minus out.
        if a == 0 or b >= len(code) or code[a - 1] != " " or code[b] != " ":
            continue
        if code[a - 2:a] in ("<<", ">>") or code[b:b + 1] in "<>=":
            continue
        if "template" in code[max(0, a - 80):a].split("\n")[-1] or "operator" in code[max(0, a - 10):a]:
            continue
        op = m.group(1)
        kind = "logical" if op in ("&&", "||") else "arithmetic" if op in "+-" else "relational"
        add(a, op, SWAPS[op], kind)
    def lines_of(offset):
        return code[code.rfind("\n", 0, offset) + 1:code.find("\n", offset)]

    for m in NUMBER.finditer(code):
        digits = m.group(1).replace("'", "")
        value = int(digits, 16) if digits[:2].lower() == "0x" else int(digits, 8 if len(digits) > 1 and digits[0] == "0" else 10)
        before = code[max(0, m.start() - 12):m.start()]
        if re.search(r"\[\s*$", before) and re.search(r"\b(char|int|uint\w*|byte)\s+\w+\[\s*$", before):
            continue  # an array's length: a smaller one only moves the fault elsewhere
        if re.fullmatch(r"\s*((0[xX][0-9a-fA-F]+|\d+)[uUlL]*\s*,\s*){3,}.*", lines_of(m.start())):
            continue  # a line of a data table: its entries are data, not logic
        fmt = hex if digits[:2].lower() == "0x" else (lambda v: "0" + oct(v)[2:]) if digits[0] == "0" and len(digits) > 1 else str
        add(m.start(), m.group(0), fmt(value + 1) + m.group(2), "constant+1")
        if value > 0:
            add(m.start(), m.group(0), fmt(value - 1) + m.group(2), "constant-1")
    for m in BOOL.finditer(code):
        add(m.start(), m.group(1), "false" if m.group(1) == "true" else "true", "boolean")
    for m in CONDITION.finditer(code):
        open_at = m.end() - 1
        close_at = matching_paren(code, open_at)
        if close_at < 0 or "\n" in code[open_at:close_at] or ";" in code[open_at:close_at]:
            continue  # a condition over lines, or an if with an initialiser
        inner = source[open_at + 1:close_at]
        add(open_at, "(" + inner + ")", "(!(" + inner + "))", "negated")
    return found


def area_files(areas):
    for area, globs in areas.items():
        seen = set()
        for g in globs:
            for p in sorted(ROOT.glob(g)):
                if p not in seen and p.is_file():
                    seen.add(p)
                    yield area, p


def cmd_sample(args):
    by_area = {}
    areas = {name: globs for name, *globs in args.area} if args.area else AREAS
    for area, path in area_files(areas):
        by_area.setdefault(area, []).extend(sites(path, area))
    total = sum(len(v) for v in by_area.values())
    rng = random.Random(args.seed)
    chosen = []
    for area in sorted(by_area):
        pool = by_area[area]
        share = max(15, round(args.count * len(pool) / total))
        chosen.extend(rng.sample(pool, min(share, len(pool))))
    rng.shuffle(chosen)
    chosen = chosen[:args.count]
    chosen.sort(key=lambda m: (m.file, m.line, m.col, m.replacement))
    for k, m in enumerate(chosen, 1):
        m.id = k
    data = {"seed": args.seed, "count": len(chosen), "sites": total,
            "sites_by_area": {a: len(v) for a, v in by_area.items()}, "mutants": [asdict(m) for m in chosen]}
    Path(args.out).write_text(json.dumps(data, indent=1, ensure_ascii=False) + "\n")
    print(f"{len(chosen)} mutants from {total} sites -> {args.out}")


# ---------------------------------------------------------------- building

def ensure_build():
    if not (BUILD / "compile_commands.json").exists():
        launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if shutil.which("ccache") else []
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(BUILD), "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                        "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON", *launcher], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(BUILD), f"-j{os.cpu_count()}"], check=True, stdout=subprocess.DEVNULL)
    SCRATCH.mkdir(exist_ok=True)


def compile_commands():
    entries = json.loads((BUILD / "compile_commands.json").read_text())
    return {str(Path(e["file"]).resolve()): e for e in entries}


def test_programs():
    """Each test program's link command, and the folder it runs in."""
    programs = {}
    for link in BUILD.glob("**/CMakeFiles/test_*.dir/link.txt"):
        name = link.parent.name[:-len(".dir")]
        if (BUILD / "bin" / name).exists():  # test_support is a library
            programs[name] = (link.parent.parent.parent, link.read_text().strip())
    return programs


def object_of(entry):
    """The object file a compile command writes."""
    if "output" in entry:
        return Path(entry["directory"], entry["output"])
    args = shlex.split(entry["command"]) if "command" in entry else list(entry["arguments"])
    return Path(entry["directory"], args[args.index("-o") + 1]) if "-o" in args else None


def defined_symbols(binary):
    r = subprocess.run(["nm", "--defined-only", "-g", "-P", str(binary)], capture_output=True, text=True)
    return {line.split()[0] for line in r.stdout.splitlines() if len(line.split()) > 1 and line.split()[1] in "TtWDdBbRr"}


def programs_pulling(entry, programs, cache={}):
    """The test programs that the object really went into (a static archive gives a program only
    the objects it needs): those that hold one of the object's own symbols."""
    obj = object_of(entry)
    if obj is None or not obj.exists():
        return sorted(programs)
    own = defined_symbols(obj)
    pulled = []
    for name in programs:
        if name not in cache:
            cache[name] = defined_symbols(BUILD / "bin" / name)
        if own & cache[name]:
            pulled.append(name)
    return sorted(pulled)


def archive_of(entry):
    # .../CMakeFiles/<target>.dir/<path>.o: the library the object goes into
    m = re.search(r"CMakeFiles/([^/]+)\.dir/", str(object_of(entry)))
    return f"lib{m.group(1)}.a" if m else None


def compile_mutant(entry, mutated_source, obj):
    args = shlex.split(entry["command"]) if "command" in entry else list(entry["arguments"])
    out, skip = [], 0
    original = str(Path(entry["file"]).resolve())
    for k, a in enumerate(args):
        if skip:
            skip -= 1
            continue
        if a in ("-MD", "-MMD"):
            continue
        if a in ("-MT", "-MF", "-o"):
            skip = 1
            continue
        if a == "-c":
            continue
        if str(Path(entry["directory"], a).resolve()) == original:
            continue
        out.append(a)
    out += ["-iquote", str(Path(original).parent), "-c", str(mutated_source), "-o", str(obj)]
    r = subprocess.run(out, cwd=entry["directory"], capture_output=True, text=True)
    return r.returncode == 0


def link_mutant(program, obj, exe):
    folder, command = program
    words = shlex.split(command)
    out, skip, inserted = [], 0, False
    for a in words:
        if skip:
            skip -= 1
            continue
        if a == "-o":
            skip = 1
            continue
        if not inserted and (a.endswith(".a") or a.startswith("-l")):
            out.append(str(obj))
            inserted = True
        out.append(a)
    out += ["-o", str(exe)]
    return subprocess.run(out, cwd=folder, capture_output=True, text=True).returncode == 0


# ---------------------------------------------------------------- running

def cap_file_size():
    # A mutant that turns a write loop endless would fill the disk before its time-out: a file
    # past 8 GiB ends the test program (SIGXFSZ), which counts as the mutant killed. The clean
    # run has the same cap, so a test that needs more (a sparse file past 4 GiB is fine) never
    # counts as a kill.
    resource.setrlimit(resource.RLIMIT_FSIZE, (8 << 30, 8 << 30))


def run_tests(exe, tests, timeout, fail_fast=False):
    """Runs the named tests; returns the set of those that failed, or that crashed or hung (with
    fail_fast, the first of them only)."""
    if not tests:
        return set(), 0.0
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    report = exe.with_suffix(".json")
    report.unlink(missing_ok=True)
    started = time.monotonic()
    # A group of its own: a hung or failed test's helpers (a simulator, a peer) go with it.
    process = subprocess.Popen([str(exe), "--gtest_filter=" + ":".join(tests), f"--gtest_output=json:{report}",
                                *(["--gtest_fail_fast"] if fail_fast else [])],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, env=env, cwd=exe.parent,
                               errors="replace", preexec_fn=cap_file_size, start_new_session=True)
    try:
        output, _ = process.communicate(timeout=timeout)
        status = process.returncode
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        output, status = process.communicate()[0], "timeout"
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    elapsed = time.monotonic() - started
    # A parameterised test's line reads "NAME, where GetParam() = ... (N ms)".
    failed = set(re.findall(r"^\[  FAILED  \] ([^\s,]+)(?:, where .*)? \(\d+ ms\)$", output, re.M))
    if status != 0 and not failed:
        running = re.findall(r"^\[ RUN      \] (\S+)", output, re.M)
        finished = set(re.findall(r"^\[       OK \] (\S+)", output, re.M))
        unfinished = [t for t in running if t not in finished]
        failed = {(unfinished[-1] if unfinished else "?") + (" (hung)" if status == "timeout" else " (crashed)")}
    return failed, elapsed


def sources_key():
    """What the kept timings and coverage were measured on: every source and test as it is now, so
    that a changed suite is measured again."""
    digest = hashlib.sha256()
    for path in sorted(ROOT.glob("**/*")):
        if path.suffix in (".cpp", ".h", ".txt") and not str(path.relative_to(ROOT)).startswith("build"):
            digest.update(str(path.relative_to(ROOT)).encode() + b"\0" + path.read_bytes())
    return digest.hexdigest()


def coverage_map(durations, wanted_files):
    """For each line of the wanted source files, the tests that run it: every test runs alone in
    the coverage build with its counters written apart (GCOV_PREFIX), and gcov reads them."""
    cache = SCRATCH / "coverage.json"
    key = sources_key()
    if cache.exists():
        kept = json.loads(cache.read_text())
        if kept.get("key") == key:
            if wanted_files <= set(kept["files"]):
                return {k: set(v) for k, v in kept["lines"].items()}
            wanted_files = wanted_files | set(kept["files"])  # another sample's files: keep them mapped
    if not (COVERAGE / "compile_commands.json").exists():
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(COVERAGE), "-DCMAKE_BUILD_TYPE=Debug",
                        "-DCMAKE_CXX_FLAGS=--coverage", "-DCMAKE_EXE_LINKER_FLAGS=--coverage",
                        "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(COVERAGE), f"-j{os.cpu_count()}"], check=True, stdout=subprocess.DEVNULL)
    entries = json.loads((COVERAGE / "compile_commands.json").read_text())
    notes = []  # the coverage notes (.gcno) of the wanted files' objects
    for e in entries:
        if str(Path(e["file"]).resolve()) in wanted_files:
            notes.append(object_of(e).with_suffix(".gcno"))
    covered = {}

    def run_one(test):
        name, gtest = test.split("/", 1)
        counters = SCRATCH / "coverage" / re.sub(r"[^\w.]", "_", test)
        shutil.rmtree(counters, ignore_errors=True)
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", GCOV_PREFIX=str(counters), GCOV_PREFIX_STRIP="0")
        try:
            subprocess.run([str(COVERAGE / "bin" / name), "--gtest_filter=" + gtest], capture_output=True,
                           env=env, cwd=COVERAGE / "bin", timeout=600)
        except subprocess.TimeoutExpired:
            pass
        found = []
        for note in notes:
            data = Path(str(counters) + str(note.with_suffix(".gcda")))
            if data.exists():
                link = data.with_suffix(".gcno")
                if not link.exists():
                    link.symlink_to(note)
                found.append(str(data))
        lines = set()
        if found:
            r = subprocess.run(["gcov", "--json-format", "--stdout", *found], capture_output=True, text=True,
                               cwd=counters)
            for doc in r.stdout.splitlines():
                if not doc.startswith("{"):
                    continue
                report = json.loads(doc)
                # A source named relative (ccache's base_dir rewrites the paths it compiles)
                # is relative to the folder the object was compiled in.
                compiled_in = report.get("current_working_directory", "")
                for f in report.get("files", []):
                    source = str(Path(compiled_in, f["file"]).resolve())
                    if source in wanted_files:
                        lines |= {(source, l["line_number"]) for l in f["lines"] if l["count"] > 0}
        shutil.rmtree(counters, ignore_errors=True)
        return test, lines

    from concurrent.futures import ThreadPoolExecutor
    with ThreadPoolExecutor(max_workers=os.cpu_count()) as pool:
        for test, lines in pool.map(run_one, [t for t, (_, ok) in durations.items() if ok]):
            for source, line in lines:
                covered.setdefault(f"{Path(source).relative_to(ROOT)}:{line}", set()).add(test)
    cache.write_text(json.dumps({"key": key, "files": sorted(wanted_files),
                                 "lines": {k: sorted(v) for k, v in covered.items()}}))
    return covered


def clean_durations(programs, cached=True):
    """Each test's time in the clean build: which are fast, and which fail without any mutant."""
    cache = SCRATCH / "durations.json"
    key = sources_key()
    if cached and cache.exists():
        kept = json.loads(cache.read_text())
        if kept.get("key") == key:
            return kept["durations"]
    durations = {}
    for name in sorted(programs):
        exe = BUILD / "bin" / name
        report = SCRATCH / f"{name}.clean.json"
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        subprocess.run([str(exe), f"--gtest_output=json:{report}"], capture_output=True, env=env, cwd=exe.parent,
                       preexec_fn=cap_file_size)
        data = json.loads(report.read_text())
        for suite in data["testsuites"]:
            for t in suite["testsuite"]:
                seconds = float(t.get("time", "0s").rstrip("s"))
                durations[f"{name}/{suite['name']}.{t['name']}"] = (seconds, not t.get("failures"))
    if cached:
        cache.write_text(json.dumps({"key": key, "durations": durations}, indent=0))
    return durations


def locate(m):
    """The mutant's place in today's code: where it was, or the same line text in that file or a
    file of the same name."""
    if not m["file"]:
        return None, None
    candidates = [ROOT / m["file"]] + sorted(p for p in ROOT.glob("**/" + Path(m["file"]).name)
                                                if "build" not in p.parts[len(ROOT.parts)] and p != ROOT / m["file"])
    for path in candidates:
        if not path.is_file():
            continue
        lines = path.read_text(encoding="utf-8", errors="surrogateescape").split("\n")
        if m["line"] <= len(lines) and lines[m["line"] - 1] == m["text"]:
            return path, m["line"]
        hits = [k + 1 for k, l in enumerate(lines) if l == m["text"]]
        if hits:
            return path, min(hits, key=lambda k: abs(k - m["line"]))
    return None, None


def follow(m, move):
    """The mutant where a hand-made map of moved code puts it today: a site whose line was rewritten
    or whose file was split gets its new file, line text, column and change; a site whose logic no
    longer exists is marked gone with the reason."""
    if not move:
        return m
    if "gone" in move:
        return dict(m, file="", gone=move["gone"])
    return dict(m, **{k: move[k] for k in ("file", "line", "text", "col", "original", "replacement") if k in move})


def apply(path, line, m):
    source = path.read_text(encoding="utf-8", errors="surrogateescape")
    lines = source.split("\n")
    text = lines[line - 1]
    col = m["col"]
    assert text[col:col + len(m["original"])] == m["original"], "site moved"
    lines[line - 1] = text[:col] + m["replacement"] + text[col + len(m["original"]):]
    return "\n".join(lines)


def cmd_run(args):
    ensure_build()
    sample = json.loads(Path(args.sample).read_text())
    moved = json.loads(Path(args.moved).read_text()) if args.moved else {}
    sample["mutants"] = [follow(m, moved.get(str(m["id"]))) for m in sample["mutants"]]
    entries = compile_commands()
    programs = test_programs()
    if args.programs:
        # A recheck after tests changed: every test of the named programs, timed afresh.
        programs = {n: p for n, p in programs.items() if n in args.programs}
        durations, coverage = clean_durations(programs, cached=False), None
    else:
        durations = clean_durations(programs)
        wanted = set()
        for m in sample["mutants"]:
            path, _ = locate(m)
            if path:
                wanted.add(str(path.resolve()))
        coverage = coverage_map(durations, wanted)
    results_path = Path(args.results)
    done = {}
    if results_path.exists():
        done = {r["id"]: r for r in json.loads(results_path.read_text())["results"]}
    started = time.monotonic()
    context = (entries, programs, durations, coverage)
    waiting = [m for m in sample["mutants"][:args.limit]
               if (m["id"] in args.ids if args.ids else m["id"] not in done)
               and (not args.areas or m["area"] in args.areas)]
    from concurrent.futures import ThreadPoolExecutor, as_completed
    with ThreadPoolExecutor(max_workers=args.jobs) as pool:
        for future in as_completed([pool.submit(run_mutant, m, *context) for m in waiting]):
            m, result = future.result()
            done[m["id"]] = result
            results_path.write_text(json.dumps({"sample": args.sample, "results": sorted(done.values(), key=lambda r: r["id"])},
                                               indent=1, ensure_ascii=False) + "\n")
            print(f"#{m['id']:3} {result['status']:13} {m['file']}:{m['line']} {result['change']}  "
                  f"{','.join(result['killed_by'])[:100]}  ({result['seconds']} s)", flush=True)
    print(f"done in {time.monotonic() - started:.0f} s")


def run_mutant(m, entries, programs, durations, coverage):
    """One mutant built and tested in a scratch folder of its own, so that several can run at once."""
    result = dict(id=m["id"], file=m["file"], line=m["line"], kind=m["kind"],
                  change=f"{m['original']} -> {m['replacement']}", status="", killed_by=[], seconds=0.0)
    t0 = time.monotonic()
    path, line = locate(m)
    entry = entries.get(str(path.resolve())) if path else None
    archive = archive_of(entry) if entry else None
    linking = {n: p for n, p in programs.items() if archive and archive in p[1]}
    affected = programs_pulling(entry, linking) if entry else []
    if not path:
        result["status"] = "gone"
        if m.get("gone"):
            result["gone"] = m["gone"]
    elif not entry or not affected:
        result["status"] = "not built" if not entry else "no test program"
    else:
        # A line no test runs at run time may still act at compile time (a constexpr table, a
        # constant's initialiser): then every fast test of the programs holding it runs.
        running = coverage.get(f"{path.relative_to(ROOT)}:{line}") if coverage is not None else "every test"
        if not running:
            result["uncovered"] = True
        scratch = SCRATCH / str(m["id"])
        scratch.mkdir(parents=True, exist_ok=True)
        mutated = scratch / path.name
        obj = scratch / (path.name + ".o")
        mutated.write_text(apply(path, line, m), encoding="utf-8", errors="surrogateescape")
        if not compile_mutant(entry, mutated, obj):
            result["status"] = "did not build"
        else:
            killers = set()
            for phase in ("fast", "slow") if running else ("fast",):
                for name in affected:
                    tests = [t.split("/", 1)[1] for t, (sec, ok) in durations.items()
                             if (not running or running == "every test" or t in running)
                             and t.startswith(name + "/") and ok
                             and (sec <= FAST_SECONDS) == (phase == "fast")]
                    if not tests:
                        continue
                    # beside the real programs: the tests find their helpers relative to their own folder
                    exe = BUILD / "bin" / f".mutant{m['id']}_{name}"
                    if not link_mutant(programs[name], obj, exe):
                        result["status"] = "did not build"
                        break
                    budget = sum(durations[f"{name}/{t}"][0] for t in tests)
                    # the slow tests only ask whether the mutant dies: the first failure says so
                    failed, _ = run_tests(exe, tests, timeout=max(60, 5 * budget + 30), fail_fast=phase == "slow")
                    killers |= {f"{name}/{t}" for t in failed}
                    exe.unlink(missing_ok=True)
                    if killers and phase == "slow":
                        break
                if killers or result["status"]:
                    break
            if not result["status"]:
                result["status"] = "killed" if killers else "survived"
            result["killed_by"] = sorted(killers)
        shutil.rmtree(scratch, ignore_errors=True)
    result["seconds"] = round(time.monotonic() - t0, 1)
    return m, result


def cmd_report(args):
    sets = []
    for name in args.results:
        results = json.loads(Path(name).read_text())["results"]
        counted = [r for r in results if r["status"] in ("killed", "survived")]
        killed = [r for r in counted if r["status"] == "killed"]
        rate = 100.0 * len(killed) / len(counted) if counted else 0.0
        print(f"{name}: {len(killed)} killed of {len(counted)} built ({rate:.1f}%); "
              + ", ".join(f"{s} {sum(r['status'] == s for r in results)}"
                          for s in ("survived", "did not build", "gone", "not built", "no test program")))
        sets.append({r["id"]: r for r in results})
    if len(sets) == 2:
        before, after = sets
        lost = [k for k in before if before[k]["status"] == "killed" and after.get(k, {}).get("status") == "survived"]
        print("killed before, surviving now:", lost or "none")
        if args.markdown:
            Path(args.markdown).write_text(comparison_table(args, before, after))
            print("table ->", args.markdown)


def comparison_table(args, before, after):
    """The two runs side by side by area, and every mutant left alive with the reason written for it."""
    sample = {m["id"]: m for m in json.loads(Path(args.sample).read_text())["mutants"]}
    reasons = json.loads(Path(args.reasons).read_text()) if args.reasons else {}
    names = [Path(n).stem for n in args.results]
    rows = ["| area | sampled | " + " | ".join(f"{n}: killed / run (rate)" for n in names) + " |",
            "|---|---:|" + "---:|" * len(names)]

    def rate(run, ids):
        counted = [k for k in ids if run.get(k, {}).get("status") in ("killed", "survived")]
        killed = sum(run[k]["status"] == "killed" for k in counted)
        return f"{killed} / {len(counted)} ({100.0 * killed / len(counted):.1f}%)" if counted else "-"

    for area in sorted({m["area"] for m in sample.values()}) + ["all"]:
        ids = [k for k, m in sample.items() if area in ("all", m["area"])]
        rows.append(f"| {area} | {len(ids)} | " + " | ".join(rate(run, ids) for run in (before, after)) + " |")
    out = ["# Mutation runs compared", "", *rows, "",
           "A run counts the mutants that built and that a test program could run; the others: "
           + "; ".join(f"{n}: " + ", ".join(f"{s} {sum(r['status'] == s for r in run.values())}"
                                           for s in ("did not build", "gone", "not built", "no test program"))
                       + f", not run {len(sample) - len(run)}" for n, run in zip(names, (before, after))) + ".", "",
           f"## Alive after {names[1]}", "", "| # | site | change | before | why it lives |", "|---|---|---|---|---|"]
    for k in sorted(after):
        if after[k]["status"] == "survived":
            r = after[k]
            out.append(f"| {k} | {r['file']}:{r['line']} | `{r['change']}` | {before.get(k, {}).get('status', 'not run')} "
                       f"| {reasons.get(str(k), 'not yet explained')} |")
    gone = [k for k in sorted(after) if after[k]["status"] == "gone"]
    if gone:
        out += ["", f"## Gone in {names[1]} (the code they changed no longer exists)", "",
                "| # | was | before | why |", "|---|---|---|---|"]
        for k in gone:
            m = sample[k]
            out.append(f"| {k} | {m['file']}:{m['line']} `{m['original']} -> {m['replacement']}` "
                       f"| {before.get(k, {}).get('status', 'not run')} | {after[k].get('gone', '')} |")
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    s = sub.add_parser("sample")
    s.add_argument("--count", type=int, default=250)
    s.add_argument("--seed", type=int, default=2026)
    s.add_argument("--out", default=str(ROOT / "bench/mutants/sample.json"))
    s.add_argument("--area", nargs="+", action="append", metavar=("NAME", "GLOB"),
                   help="draw from these areas instead of the standard ones (repeat for each area)")
    r = sub.add_parser("run")
    r.add_argument("sample")
    r.add_argument("--results", default="mutants-results.json")
    r.add_argument("--limit", type=int, default=None)
    r.add_argument("--jobs", type=int, default=1, help="mutants built and tested at once")
    r.add_argument("--areas", nargs="*", default=None, help="only the mutants of these areas")
    r.add_argument("--ids", nargs="*", type=int, default=None, help="run these mutants again")
    r.add_argument("--programs", nargs="*", default=None,
                   help="with --ids: every test of these programs only (a recheck after tests were added)")
    r.add_argument("--moved", default=None, help="map of sites in code that moved since the sample was drawn")
    p = sub.add_parser("report")
    p.add_argument("results", nargs="+")
    p.add_argument("--markdown", default=None, help="with two runs: write them side by side as a table")
    p.add_argument("--sample", default=str(ROOT / "bench/mutants/sample.json"))
    p.add_argument("--reasons", default=None, help="id -> why a surviving mutant lives (equivalent, ...)")
    args = parser.parse_args()
    {"sample": cmd_sample, "run": cmd_run, "report": cmd_report}[args.command](args)


if __name__ == "__main__":
    main()
