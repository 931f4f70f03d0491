#!/usr/bin/env python3
"""Regenerates the forwarding slots of myQQuickView.

The scene calls every operation on ui_View (the view host); the operations
live in QtCore-only classes. This script reads the public slots of those
classes and writes one forwarding slot per operation between the markers in
view/myqquickview.h and view/myqquickview.cpp. Run it after adding an
operation; tests/view checks that nothing is missing.
"""
import pathlib
import re

ROOT = pathlib.Path(__file__).resolve().parent.parent
# header, class, accessor on Operations
SOURCES = [
    ("settings/settingsstore.h", "SettingsStore", "settings()"),
    ("settings/langstrings.h", "LangStrings", "lang()"),
    ("devicesettings/devicesettings.h", "DeviceSettings", "deviceSettings()"),
    ("devicesettings/recoildata.h", "RecoilData", "recoil()"),
    ("macro/macrolibrary.h", "MacroLibrary", "macros()"),
    ("desktop/autostart.h", "Autostart", "autostart()"),
]
BEGIN_H, END_H = "    // @@FORWARDERS BEGIN@@", "    // @@FORWARDERS END@@"
BEGIN_CPP, END_CPP = "// @@FORWARDER BODIES BEGIN@@", "// @@FORWARDER BODIES END@@"


def public_slots(text, cls):
    body = text[text.index("class " + cls):]
    slots = []
    for block in re.finditer(r"public slots:(.*?)(?=\n\s*(?:public:|private:|protected:|signals:|private slots:|protected slots:|\};))", body, re.S):
        chunk = re.sub(r"//[^\n]*", "", block.group(1))
        for decl in chunk.split(";"):
            decl = " ".join(decl.split())
            m = re.match(r"^(?:Q_INVOKABLE )?(.+?)\b(\w+)\((.*)\)( const)?$", decl)
            if decl and m:
                slots.append((m.group(1).strip(), m.group(2), m.group(3).strip()))
    return slots


def arg_names(params):
    if not params:
        return []
    names = []
    depth, cur = 0, ""
    for ch in params + ",":
        if ch in "<(":
            depth += 1
        elif ch in ">)":
            depth -= 1
        if ch == "," and depth == 0:
            p = cur.split("=")[0].strip()
            names.append(re.findall(r"(\w+)(?:\[\])?$", p)[0])
            cur = ""
        else:
            cur += ch
    return names


def strip_defaults(params):
    return re.sub(r"\s*=\s*[^,]+", "", params)


decls, bodies, seen = [], [], set()
for header, cls, accessor in SOURCES:
    text = (ROOT / header).read_text()
    for ret, name, params in public_slots(text, cls):
        key = (name, strip_defaults(params))
        if key in seen:
            continue
        seen.add(key)
        decls.append(f"    {ret} {name}({params});")
        call = f"m_ops->{accessor}->{name}({', '.join(arg_names(params))})"
        stmt = f"{call};" if ret == "void" else f"return {call};"
        bodies.append(f"{ret} myQQuickView::{name}({strip_defaults(params)})\n{{\n    {stmt}\n}}\n")


def replace(path, begin, end, content):
    text = path.read_text()
    start = text.index(begin) + len(begin)
    stop = text.index(end)
    path.write_text(text[:start] + "\n" + content + text[stop:])


replace(ROOT / "view/myqquickview.h", BEGIN_H, END_H, "\n".join(decls) + "\n")
replace(ROOT / "view/myqquickview.cpp", BEGIN_CPP, END_CPP, "\n".join(bodies))
print(f"{len(decls)} forwarding slots")

# Keep the repository's style.
import shutil
import subprocess

if shutil.which("clang-format"):
    subprocess.run(["clang-format", "-i", str(ROOT / "view/myqquickview.h"),
                    str(ROOT / "view/myqquickview.cpp")], check=True)
