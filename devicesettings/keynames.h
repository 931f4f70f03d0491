// The key-name table: one-byte key codes (keyboard usages, 0xF0..0xF4 for the
// mouse buttons) paired with their built-in names. Shared by the button pages,
// the macro files and the macro encoder.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace KeyNames {

struct Entry {
    uchar code;
    const char *name; // UTF-8
};

// The 133 entries in table order.
const QVector<Entry> &table();

// Code of the first entry whose name equals name, 0 when there is none.
uchar strTokeycode(const QString &name);
// Name of the first entry with that code, empty when there is none.
QString keycodeTostr(uchar code);

QVector<int> codes();
QStringList names();

} // namespace KeyNames
