#!/usr/bin/env python3
"""Writes the operation code of the view host and of Operations::call.

The operations are the public slots of a few QtCore classes. The build runs
this script (view/CMakeLists.txt) and it writes, into the build folder only:

  view/viewoperations.h, view/viewoperations.cpp
      ViewOperations, the base class of the view host: one slot per
      operation with the signature of the class's own slot, forwarding to it.
  view/operationtable.cpp
      The table behind Operations::call: name, signature, parameter count
      and an invoker that reads each argument as its parameter type and
      calls the member function.

Both call the classes' member functions directly, so an operation that is
missing or whose types changed fails the build rather than a call at run
time. A file whose text is unchanged is left alone (nothing recompiles).

Usage: gen_operations.py SOURCE_DIR OUTPUT_DIR STAMP CLASS:HEADER:ACCESSOR...
ACCESSOR is the member function of Operations that returns the object.
"""
import pathlib
import re
import sys

# Types the generated header can name without the class's own header.
VALUE_TYPES = {
    "bool", "int", "uint", "uchar", "short", "ushort", "qint64", "quint64", "double", "float",
    "QString", "QStringList", "QVariant", "QVariantList", "QVariantMap", "QByteArray",
}
# The same type written the way moc writes it in a signature.
MOC_NAMES = {
    "unsigned int": "uint", "unsigned": "uint", "unsigned char": "uchar",
    "unsigned short": "ushort", "unsigned long": "ulong",
}


class GeneratorError(Exception):
    pass


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    text = re.sub(r"//[^\n]*", "", text)
    return re.sub(r"^\s*#[^\n]*", "", text, flags=re.M)  # preprocessor lines


def class_body(text, cls):
    """The text between the braces of `class cls ... { ... };`."""
    m = re.search(r"\bclass\s+" + re.escape(cls) + r"\b[^;{]*\{", text)
    if not m:
        raise GeneratorError(f"class {cls} not found")
    depth, start = 1, m.end()
    for i in range(start, len(text)):
        if text[i] == "{":
            depth += 1
        elif text[i] == "}":
            depth -= 1
            if depth == 0:
                return text[start:i]
    raise GeneratorError(f"class {cls} has no closing brace")


LABEL = re.compile(r"(?:^|\s)(public|protected|private|signals|Q_SIGNALS)"
                   r"(?:\s+(slots|Q_SLOTS))?\s*$")


def members(body):
    """(section, declaration) for every member declared directly in the class."""
    body = re.sub(r"\bQ_[A-Z_]+\s*\([^()]*\)", " ", body)  # Q_PROPERTY(...) and the like
    body = re.sub(r"\bQ_(?:OBJECT|GADGET)\b", " ", body)
    section, cur, out = "private", "", []
    i = 0
    while i < len(body):
        ch = body[i]
        if ch == "{":  # an inline body or a nested type: skip it whole
            depth = 1
            i += 1
            while i < len(body) and depth:
                depth += {"{": 1, "}": -1}.get(body[i], 0)
                i += 1
            out.append((section, cur))
            cur = ""
            if body[i:].lstrip().startswith(";"):
                i = body.index(";", i) + 1
            continue
        if ch == ";":
            out.append((section, cur))
            cur = ""
        elif ch == ":" and body[i - 1] != ":" and body[i + 1:i + 2] != ":" and LABEL.search(cur):
            m = LABEL.search(cur)
            section = m.group(1) + (" slots" if m.group(2) else "")
            cur = ""
        else:
            cur += ch
        i += 1
    return [(s, " ".join(d.split())) for s, d in out if d.strip()]


def split_top(text, sep=","):
    parts, depth, cur = [], 0, ""
    for ch in text:
        if ch in "<({[":
            depth += 1
        elif ch in ">)}]":
            depth -= 1
        if ch == sep and depth == 0:
            parts.append(cur)
            cur = ""
        else:
            cur += ch
    if cur.strip():
        parts.append(cur)
    return [p.strip() for p in parts]


def moc_type(declared):
    """The type of a parameter as moc writes it in a signature."""
    t = declared
    if t.endswith("&") and not t.endswith("&&"):
        t = t[:-1].strip()
        if t.startswith("const "):
            t = t[len("const "):]
    t = re.sub(r"\s*([<>,*])\s*", r"\1", t)
    return MOC_NAMES.get(t, t)


def parse_param(text, index):
    decl, _, default = text.partition("=")
    decl = decl.strip()
    m = re.match(r"^(.*?[\w>&*\s])\s*\b(\w+)$", decl)
    if m and m.group(1).strip() and m.group(1).strip() not in ("const", "unsigned"):
        declared, name = m.group(1).strip(), m.group(2)
    else:  # no parameter name
        declared, name = decl, f"a{index}"
    return {"declared": declared, "name": name, "default": default.strip() or None,
            "type": moc_type(declared)}


DECL = re.compile(r"^(?P<ret>.+?)\s*\b(?P<name>\w+)\s*\((?P<params>.*)\)"
                  r"(?:\s*(?:const|override|final|noexcept))*$")


def public_slots(header, cls):
    slots = []
    for section, decl in members(class_body(strip_comments(header.read_text()), cls)):
        if section != "public slots":
            continue
        decl = re.sub(r"\[\[[^\]]*\]\]|\b(?:Q_INVOKABLE|Q_SCRIPTABLE|virtual)\b", " ", decl)
        decl = " ".join(decl.split())
        m = DECL.match(decl)
        if not m:
            raise GeneratorError(f"{header.name}: cannot read the slot `{decl}`")
        ret = re.sub(r"^static\s+", "", m.group("ret")).strip()
        params = [parse_param(p, i) for i, p in enumerate(split_top(m.group("params")))
                  if p != "void"]
        slots.append({"ret": ret, "name": m.group("name"), "params": params})
    return slots


def param_text(p, with_default):
    """A parameter as declared, e.g. `const QVariant &key`."""
    declared = p["declared"]
    if declared.endswith(("&", "*")):
        text = re.sub(r"\s*([&*]+)$", r" \1", declared) + p["name"]
    else:
        text = f"{declared} {p['name']}"
    return text + (f" = {p['default']}" if with_default and p["default"] else "")


def write_if_changed(path, text):
    path.parent.mkdir(parents=True, exist_ok=True)
    if path.exists() and path.read_text() == text:
        return
    path.write_text(text)


HEADER_NOTE = ("// Written at build time by view/gen_operations.py from the public slots of\n"
               "//   {classes}\n"
               "// Not kept in version control: edit the classes or the script instead.\n")


def view_header(ops, classes, extra_includes):
    decls = []
    for op in ops:
        params = ", ".join(param_text(p, True) for p in op["params"])
        decls.append(f"    {op['ret']} {op['name']}({params});")
    includes = "".join(f'#include "{h}"\n' for h in extra_includes)
    return (HEADER_NOTE.format(classes=classes) + """// The operation slots of the view host: the scene calls them on ui_View.
#pragma once

#include <QQuickView>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
""" + includes + """
class Operations;

class ViewOperations : public QQuickView
{
    Q_OBJECT
public:
    explicit ViewOperations(QWindow *parent = nullptr) : QQuickView(parent) {}

protected:
    // The objects the slots forward to; set once by the view host. Not owned.
    void setOperations(Operations *operations) { m_operations = operations; }

public slots:
""" + "\n".join(decls) + """

private:
    Operations *m_operations = nullptr;
};
""")


def view_source(ops, classes, headers):
    bodies = []
    for op in ops:
        params = ", ".join(param_text(p, False) for p in op["params"])
        args = ", ".join(p["name"] for p in op["params"])
        call = f"m_operations->{op['accessor']}()->{op['name']}({args})"
        stmt = f"{call};" if op["ret"] == "void" else f"return {call};"
        bodies.append(f"{op['ret']} ViewOperations::{op['name']}({params})\n{{\n    {stmt}\n}}\n")
    includes = "".join(f'#include "{h}"\n' for h in headers)
    return (HEADER_NOTE.format(classes=classes) + '#include "view/viewoperations.h"\n\n'
            + includes + '#include "view/operations.h"\n\n' + "\n".join(bodies))


def table_source(ops, classes, headers):
    accessors = []
    for accessor in dict.fromkeys(op["accessor"] for op in ops):
        accessors.append(f"QObject *{accessor}Object(const Operations &ops)\n{{\n"
                         f"    return ops.{accessor}();\n}}\n")
    invokers, rows = [], []
    for op in ops:
        for count in range(op["required"], len(op["params"]) + 1):
            fn = f"call_{op['name']}_{count}"
            signature = op["signatures"][count]
            params = op["params"][:count]
            names = ("args", "error") if params else ("", "")
            lines = [f"// {signature}",
                     f"bool {fn}(const Operations &ops, const QVariantList &{names[0]}, "
                     f"QVariant *result, QString *{names[1]})", "{"]
            if params:
                lines.append(f"    static const char signature[] = \"{signature}\";")
            for i, p in enumerate(params):
                lines.append(f"    {p['type']} a{i}{{}};")
            if params:
                reads = " ||\n        ".join(
                    f"!readArgument(args, {i}, signature, &a{i}, error)" for i in range(count))
                lines.append(f"    if ({reads})\n        return false;")
            args = ", ".join(f"a{i}" for i in range(count))
            call = f"ops.{op['accessor']}()->{op['name']}({args})"
            if op["ret"] == "void":
                lines += [f"    {call};", "    setResult(result);"]
            else:
                lines.append(f"    setResult(result, {call});")
            lines += ["    return true;", "}"]
            invokers.append("\n".join(lines) + "\n")
            rows.append(f"    {{\"{op['name']}\", \"{signature}\", {count}, "
                        f"&{op['accessor']}Object, &{fn}}},")
    includes = "".join(f'#include "{h}"\n' for h in headers)
    return (HEADER_NOTE.format(classes=classes) + '#include "view/operationtable.h"\n\n'
            + includes + '#include "view/operations.h"\n\nnamespace {\n\n'
            + "\n".join(accessors) + "\n" + "\n".join(invokers) + "\n} // namespace\n\n"
            + "const OperationEntry kOperationTable[] = {\n" + "\n".join(rows) + "\n};\n"
            + "const std::size_t kOperationCount = std::size(kOperationTable);\n")


def main(argv):
    if len(argv) < 5:
        raise GeneratorError("usage: gen_operations.py SOURCE_DIR OUTPUT_DIR STAMP "
                             "CLASS:HEADER:ACCESSOR...")
    source, output, stamp = pathlib.Path(argv[1]), pathlib.Path(argv[2]), pathlib.Path(argv[3])
    ops, headers, extra, seen = [], [], [], {}
    for item in argv[4:]:
        cls, header, accessor = item.split(":")
        headers.append(header)
        for op in public_slots(source / header, cls):
            op["accessor"] = accessor
            op["required"] = sum(1 for p in op["params"] if p["default"] is None)
            op["signatures"] = {
                k: f"{op['name']}({','.join(p['type'] for p in op['params'][:k])})"
                for k in range(op["required"], len(op["params"]) + 1)}
            for k in op["signatures"]:
                # Operations::call finds an operation by its name and argument count.
                if (op["name"], k) in seen:
                    raise GeneratorError(f"{op['name']} with {k} arguments is both in "
                                         f"{seen[op['name'], k]} and in {cls}")
                seen[op["name"], k] = cls
            types = [p["type"] for p in op["params"]] + [moc_type(op["ret"])]
            if any(t not in VALUE_TYPES | {"void"} for t in types) and header not in extra:
                extra.append(header)
            ops.append(op)
    classes = ", ".join(item.split(":")[0] for item in argv[4:])
    write_if_changed(output / "view/viewoperations.h", view_header(ops, classes, extra))
    write_if_changed(output / "view/viewoperations.cpp", view_source(ops, classes, headers))
    write_if_changed(output / "view/operationtable.cpp", table_source(ops, classes, headers))
    stamp.parent.mkdir(parents=True, exist_ok=True)
    stamp.write_text(f"{len(ops)} operations\n")


if __name__ == "__main__":
    try:
        main(sys.argv)
    except (GeneratorError, OSError) as e:
        sys.exit(f"gen_operations.py: {e}")
