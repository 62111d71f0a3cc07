#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/ from the bundled sessions and trace, and from host calls
spelled in the byte encoding the dispatcher targets read (see fuzz/*_fuzz.cpp and support/FuzzInput.h).
Run from the repository root after changing an encoding; the files it writes are committed. Inputs that
once found a defect sit beside them under their own names and are kept as they are."""
import os
import pathlib

root = pathlib.Path(__file__).resolve().parent.parent
corpus = root / "fuzz" / "corpus"


def write(target, name, data):
    folder = corpus / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data if isinstance(data, bytes) else data.encode())


# --- Values for the manager dispatcher: one byte picks the kind, then the kind's own bytes.
NAMES = {"fz-a": 0, "fz-b": 1, "fz-c": 2, "fz-temp": 3, "fz-unknown": 4, "": 5}
PRIORITIES = {0: 0, 1: 1, 10: 2, 20: 3, 30: 4, 1000: 5, 1001: 6, 2000: 7, 0xFFFFFFFF: 8}


def name(n):
    return bytes([0, 1, NAMES[n]])


def raw(text):
    return bytes([0, 0, len(text)]) + text.encode()


def i32(v):
    return bytes([1, 0, v])


def u32(p):
    return bytes([2, 0, PRIORITIES[p]])


def flag(b):
    return bytes([3, 1 if b else 0])


def obj(i):
    return bytes([4, i])


def handle(actor, index=1):
    return bytes([5, 0, index, actor])


def call(tag, values, blocking=False, table=0):
    return bytes([0, table, tag, len(values)]) + b"".join(values) + bytes([1 if blocking else 0, 1])


manager_calls = {
    "register-observers": [call(0, [handle(1)]), call(2, [handle(2)], table=1)],
    "add-and-find": [call(4, [name("fz-a"), flag(False)]), call(5, [name("fz-b"), u32(30), flag(True)]),
                     call(9, [u32(30)], True), call(7, [u32(10)]), call(8, [name("fz-b")])],
    "mode-and-query": [call(4, [name("fz-c"), flag(False)]), call(10, [name("fz-c"), raw("mode"), i32(2), obj(1)]),
                       call(11, [raw("q")], True)],
    "cursor-and-status": [call(15, [u32(10), raw("rotate")]), call(16, [], True), call(17, [i32(3), i32(4)]),
                          call(13, [i32(2)]), call(12, []), call(14, [])],
    "trace": [call(20, [flag(True)]), call(21, [], True), call(4, [name("fz-a"), flag(False)]),
              call(19, [name("fz-a"), raw('<MsgMouseMove mouseX="5" mouseY="7"/>')]),
              call(18, [name("fz-a"), raw("line")])],
    "plugin-observer-and-interfaces": [call(22, [obj(3)]), call(23, [raw("MessageInterface")], True),
                                       call(6, [u32(10), flag(True)])],
    "destroy": [call(4, [name("fz-temp"), flag(False)]), call(24, []), call(4, [name("fz-a"), flag(False)])],
    "refused": [call(5, [name("fz-a")], True), bytes([7, 0x05, 0x00, 250, 30, 0, 0, 1, 1])],
}
for key, calls in manager_calls.items():
    write("manager_dispatcher", key, b"".join(calls))

# --- The module: CreateManager with each view, with none, and with a value of another kind.
write("module_dispatcher", "create-shape", bytes([0, 0, 0, 1, 0, 0, 1, 1, 2, 5, 1, 1, 0]))
write("module_dispatcher", "create-each", bytes([0, 0, 0, 1, 0, 1, 1] + [0, 1, 0, 1, 0, 2, 1, 0]))
write("module_dispatcher", "create-null", bytes([0, 0, 0, 1, 1, 1, 0]))
write("module_dispatcher", "refused", bytes([0, 0, 0, 1, 2, 0, 1, 7, 3, 0x7F, 0x00, 0, 1]))

# --- The dispatch sequence: operations and handler reactions interleaved.
write("dispatch_sequence", "install-and-dispatch", bytes([0, 0, 4, 0, 2, 9, 0, 1, 6, 22, 1, 0, 2, 0, 0, 5, 35, 4, 0]))
write("dispatch_sequence", "claims", bytes([2, 2, 4, 3, 22, 0, 15, 1, 0, 7, 0, 2, 22, 23, 5, 22, 1, 2, 1, 0, 0, 8, 0]))
write("dispatch_sequence", "escape", bytes([0, 3, 7, 0, 3, 0, 1, 0, 15, 2, 1, 15, 2, 1, 5, 15, 1, 0, 0, 0]))
write("dispatch_sequence", "destroy-mid-dispatch", bytes([2, 0, 2, 2, 22, 0, 28, 0, 5, 22, 1, 0, 2, 0, 13, 1, 0, 0, 1]))
write("dispatch_sequence", "window-input", bytes([1, 0, 0, 15, 0, 0, 1, 9, 9, 15, 1, 20, 20, 15, 0, 0, 0, 20, 20, 16, 200]))

# --- Trace replay: a settings byte, then trace lines.
trace = (root / "examples" / "sessions" / "orbit.trace").read_text()
for settings in (0, 3, 4):
    write("trace_replay", f"orbit-{settings}", bytes([settings]) + trace.encode())
write("trace_replay", "modifiers", bytes([3]) + b'<simpleworkflow_MsgModifierKey ctrl="true" shift="false" alt="true"/>\n'
      b'<MsgModifierKey ctrl="false" shift="true" alt="false"/>\n<MsgKeyPress utf8Key="a" systemKey=""/>\n'
      b'<MsgMouseWheel mouseX="40" mouseY="12" mouseDelta="-120"/>\n<MsgMouseLeave/>\n<MsgUpdateCursor/>')

# --- The XML parser: a flags byte, then one document.
for i, line in enumerate(trace.splitlines()[:3]):
    write("xml_parse", f"trace-line-{i}", bytes([i & 1]) + line.encode())
write("xml_parse", "declaration", bytes([1]) + b'<?xml version="1.0"?>\n<!-- c -->\n<a b=" x  y " c="&lt;&amp;&#65;">text<d/></a>')
write("xml_parse", "numbers", bytes([0]) + b'<n a="  -12px" b="99999999999" c="yes" d="TRUE" e="" b="2"/>')

# --- Session files: the bundled ones and the tests' own.
for source in list((root / "examples" / "sessions").glob("*.session")) + list((root / "tests" / "sessions").glob("*.session")):
    write("session_script", source.stem, source.read_bytes())
write("session_script", "quotes", 'log "a \\" b" "c\\\\"\nexpect status "x y"\n# comment\n\n')
write("session_script", "every-verb", "\n".join([
    "view shape", "load plugins/", "add orbit 100 persistent", "add \"sp ace\" +20", "remove 2000", "remove orbit",
    "persistent 100 off", "down left 10 20", "up right -3 4", "move 30 40", "dblclick middle", "wheel -120 30 40",
    "key Escape", "key \"\\\"\"", "mod shift down", "size 800 600", "leave", "touch 1 2 1 10 20 5 2 2 30 40 5 1", "touch 0 0",
    "motion -350 2 0 0 0 9000000000", "touch 1 2 3", "tick 86400000", "select add 3",
    "select clear", "mode orbit speed 2", "page -2", "query Q", "cursor 50 none", "trace on", "trace save t.trace",
    "replay orbit", "replay orbit orbit.trace", "pick 1 2 3", "pick-box 1 2 -3 4 5 6",
    "bounds 30 -12.5 -33.13 -1e-05 4 5 800 584 7 2", "view shape 4", "focus 3", "activate 2",
    "angles -90 12.25", "print camera", "expect status \"zoom 1.10\"",
    "expect status-field 1 \"\"", "expect cursor rotate", "expect workflow 100 orbit", "expect handled z \"M(1)\"",
    "expect camera x", "expect selection none", "expect exception none", "expect routed MsgKeyPress to none",
    "expect not-offered MsgKeyPress dragger", "remove 4294967396", "tick 86400001", "dwon left 1 2", ""]))
