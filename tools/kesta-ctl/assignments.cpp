#include "tools/kesta-ctl/assignments.h"

#include "devicesettings/keynames.h"

namespace Assignments {

namespace {

struct Fixed {
    const char *word;
    Entry entry;
    const char *text;
};

// The overlay's fixed choices, in its order.
const Fixed kFixed[] = {
    {"mouse:left", {0, 0, 0xF0, 0}, "Left Key"},
    {"mouse:middle", {0, 0, 0xF2, 0}, "Middle Key"},
    {"mouse:right", {0, 0, 0xF1, 0}, "Right Key"},
    {"mouse:forward", {0, 0, 0xF4, 0}, "Forward Key"},
    {"mouse:back", {0, 0, 0xF3, 0}, "Back Key"},
    {"mouse:double-fire", {0, 0xF0, 0x1E, 2}, "Double Fire"},
    {"media:player", {3, 0, 0x83, 0x01}, "Player"},
    {"media:next", {3, 0, 0xB5, 0}, "Next"},
    {"media:previous", {3, 0, 0xB6, 0}, "Previous"},
    {"media:stop", {3, 0, 0xB7, 0}, "Stop"},
    {"media:mute", {3, 0, 0xE2, 0}, "Mute"},
    {"media:play-pause", {3, 0, 0xCD, 0}, "Play/Pause"},
    {"media:volume-up", {3, 0, 0xE9, 0}, "Volume+"},
    {"media:volume-down", {3, 0, 0xEA, 0}, "Volume-"},
    {"dpi:up", {5, 0, 1, 0}, "DPI+"},
    {"dpi:down", {5, 0, 2, 0}, "DPI-"},
    {"dpi:loop", {5, 0, 3, 0}, "DPI Loop"},
    {"dpi:sniper", {5, 0, 4, 0}, "Sniper Key"},
    {"windows:my-pc", {6, 0, 0x94, 0x01}, "My PC"},
    {"windows:index", {6, 0, 0x23, 0x02}, "Index"},
    {"windows:search", {6, 0, 0x21, 0x02}, "Search"},
    {"windows:max", {6, 0x04, 0x2C, 0x1B}, "Max"},
    {"windows:min", {6, 0x04, 0x2C, 0x11}, "Min"},
    {"windows:desktop", {6, 0, 0xE3, 0x07}, "Desktop"},
    {"windows:run", {6, 0, 0xE3, 0x15}, "Run"},
    {"shortcut:new", {7, 0, 0xE0, 0x11}, "New"},
    {"shortcut:cut", {7, 0, 0xE0, 0x1B}, "Cut"},
    {"shortcut:copy", {7, 0, 0xE0, 0x06}, "Copy"},
    {"shortcut:paste", {7, 0, 0xE0, 0x19}, "Paste"},
    {"shortcut:save", {7, 0, 0xE0, 0x16}, "Save"},
    {"shortcut:print", {7, 0, 0xE0, 0x13}, "Print"},
    {"shortcut:find", {7, 0, 0xE0, 0x09}, "Find"},
    {"shortcut:redo", {7, 0, 0xE0, 0x1C}, "Redo"},
    {"shortcut:undo", {7, 0, 0xE0, 0x1D}, "Undo"},
    {"shortcut:select-all", {7, 0, 0xE0, 0x04}, "Select All"},
    {"gun:1", {8, 0, 1, 0}, "One Gun"},
    {"gun:2", {8, 0, 2, 0}, "Two Gun"},
    {"gun:3", {8, 0, 3, 0}, "Three Gun"},
};

struct Modifier {
    const char *word;
    int bit;
};

// "ctrl" and the like mean the left key.
const Modifier kModifiers[] = {
    {"ctrl", 0x01},  {"lctrl", 0x01},  {"shift", 0x02}, {"lshift", 0x02},
    {"alt", 0x04},   {"lalt", 0x04},   {"win", 0x08},   {"lwin", 0x08},
    {"rctrl", 0x10}, {"rshift", 0x20}, {"ralt", 0x40},  {"rwin", 0x80},
};

const char *const kModifierNames[] = {"LCtrl", "LShift", "LAlt", "LWin",
                                      "RCtrl", "RShift", "RAlt", "RWin"};

const char *const kModeWords[] = {"once", "loop-until-press", "loop-until-release"};

// Code of a key name, compared without case; 0 when there is none.
int keyCode(const QString &name)
{
    for (const KeyNames::Entry &e : KeyNames::table()) {
        if (QString::fromUtf8(e.name).compare(name, Qt::CaseInsensitive) == 0)
            return e.code;
    }
    return 0;
}

QString keyName(int code)
{
    const QString name = KeyNames::keycodeTostr(uchar(code));
    return name.isEmpty() ? QStringLiteral("0x%1").arg(code, 2, 16, QLatin1Char('0')) : name;
}

QString modifierText(int bits, const QString &separator)
{
    QStringList parts;
    for (int i = 0; i < 8; ++i) {
        if (bits & (1 << i))
            parts.append(QLatin1String(kModifierNames[i]));
    }
    return parts.join(separator);
}

bool parseKeys(const QString &combination, Entry *entry, QString *error)
{
    // "KP+" holds the separator: an empty piece after "KP" belongs to it.
    QStringList pieces;
    for (const QString &piece : combination.split(QLatin1Char('+'))) {
        if (piece.isEmpty() && !pieces.isEmpty() &&
            pieces.last().compare(QLatin1String("kp"), Qt::CaseInsensitive) == 0) {
            pieces.last() += QLatin1Char('+');
            continue;
        }
        pieces.append(piece);
    }
    int bits = 0;
    QList<int> keys;
    for (const QString &piece : pieces) {
        bool isModifier = false;
        for (const Modifier &m : kModifiers) {
            if (piece.compare(QLatin1String(m.word), Qt::CaseInsensitive) == 0) {
                bits |= m.bit;
                isModifier = true;
            }
        }
        if (isModifier)
            continue;
        const int code = keyCode(piece);
        if (code == 0 || code >= 0xE0) {
            *error = QStringLiteral("unknown key \"%1\" in keys:%2 (modifiers ctrl, shift, alt, "
                                    "win, rctrl, rshift, ralt, rwin; keys by their names, e.g. "
                                    "A, F5, Esc, KP+)")
                         .arg(piece, combination);
            return false;
        }
        keys.append(code);
    }
    if (keys.size() > 2) {
        *error = QStringLiteral("keys:%1 has %2 keys; a combination holds modifiers and at most "
                                "two keys")
                     .arg(combination)
                     .arg(keys.size());
        return false;
    }
    if (keys.isEmpty() && bits == 0) {
        *error = QStringLiteral("keys: needs modifiers and keys joined by +, e.g. keys:ctrl+c");
        return false;
    }
    *entry = {2, bits, keys.value(0), keys.value(1)};
    return true;
}

} // namespace

bool parse(const QString &word, const FireOptions &fire, bool gameMode, Choice *choice,
           QString *error)
{
    *choice = Choice();
    const int colon = word.indexOf(QLatin1Char(':'));
    const QString group = colon < 0 ? QString() : word.left(colon).toLower();
    const QString rest = colon < 0 ? QString() : word.mid(colon + 1);
    if (group == QLatin1String("macro")) {
        if (rest.isEmpty()) {
            *error = QStringLiteral("macro: needs the macro's name, e.g. macro:Burst");
            return false;
        }
        choice->isMacro = true;
        choice->macroName = rest;
        return true;
    }
    if (group == QLatin1String("keys"))
        return parseKeys(rest, &choice->entry, error);
    if (group == QLatin1String("fire")) {
        const int code = keyCode(rest);
        if (code == 0) {
            *error = QStringLiteral("unknown key \"%1\" in %2 (keys by their names, e.g. "
                                    "fire:A, fire:Space, fire:MS-L)")
                         .arg(rest, word);
            return false;
        }
        choice->entry = {1, code, fire.rate, fire.times};
        return true;
    }
    for (const Fixed &f : kFixed) {
        if (word.compare(QLatin1String(f.word), Qt::CaseInsensitive) != 0)
            continue;
        if (f.entry[0] == 8 && !gameMode) {
            *error = QStringLiteral("%1: weapon keys exist only in game mode").arg(word);
            return false;
        }
        choice->entry = f.entry;
        return true;
    }
    *error = QStringLiteral("unknown choice \"%1\" (accepted: %2, fire:KEY, keys:COMBINATION, "
                            "macro:NAME; see kesta-ctl button --help)")
                 .arg(word, groups().join(QLatin1String(", ")));
    return false;
}

int playMode(const QString &word)
{
    for (int i = 0; i < 3; ++i) {
        if (word == QLatin1String(kModeWords[i]))
            return i;
    }
    return -1;
}

QString playModeWord(int mode)
{
    return mode >= 0 && mode < 3 ? QLatin1String(kModeWords[mode]) : QString::number(mode);
}

Entry macroEntry(int mode, int matrixIndex)
{
    return {4, mode, matrixIndex, 0};
}

QString word(const Entry &entry, const QString &macroName)
{
    switch (entry[0]) {
    case 1:
        return QStringLiteral("fire:") + keyName(entry[1]);
    case 2: {
        // "ctrl" for the left key; the right-hand keys have their own words.
        QStringList parts;
        for (const Modifier &m : kModifiers) {
            const QString w = QLatin1String(m.word);
            if ((entry[1] & m.bit) && !w.startsWith(QLatin1Char('l')))
                parts.append(w);
        }
        for (int k : {entry[2], entry[3]}) {
            if (k != 0)
                parts.append(keyName(k).toLower());
        }
        return QStringLiteral("keys:") + parts.join(QLatin1Char('+'));
    }
    case 4:
        return QStringLiteral("macro:") + macroName;
    case 0xFF:
        return QStringLiteral("further:%1").arg(entry[2]);
    default:
        break;
    }
    for (const Fixed &f : kFixed) {
        if (f.entry == entry)
            return QLatin1String(f.word);
    }
    return QStringLiteral("raw:%1,%2,%3,%4")
        .arg(entry[0])
        .arg(entry[1])
        .arg(entry[2])
        .arg(entry[3]);
}

QString text(const Entry &entry, const QString &macroName)
{
    switch (entry[0]) {
    case 1:
        return QStringLiteral("Fire: %1, every %2 ms, %3")
            .arg(keyName(entry[1]))
            .arg(entry[2])
            .arg(entry[3] == 0 ? QStringLiteral("endless")
                               : QStringLiteral("%1 times").arg(entry[3]));
    case 2: {
        QStringList parts;
        if (entry[1] != 0)
            parts.append(modifierText(entry[1], QStringLiteral("+")));
        for (int k : {entry[2], entry[3]}) {
            if (k != 0)
                parts.append(keyName(k));
        }
        return parts.join(QLatin1Char('+'));
    }
    case 4:
        return QStringLiteral("Macro: %1 (%2)").arg(macroName, playModeWord(entry[1]));
    case 0xFF:
        return QStringLiteral("Further function %1").arg(entry[2]);
    default:
        break;
    }
    for (const Fixed &f : kFixed) {
        if (f.entry == entry)
            return QLatin1String(f.text);
    }
    return QStringLiteral("Unknown (%1 %2 %3 %4)")
        .arg(entry[0])
        .arg(entry[1])
        .arg(entry[2])
        .arg(entry[3]);
}

QStringList fixedWords()
{
    QStringList out;
    for (const Fixed &f : kFixed)
        out.append(QLatin1String(f.word));
    return out;
}

QStringList groups()
{
    return {QStringLiteral("mouse:"),   QStringLiteral("fire:"),     QStringLiteral("keys:"),
            QStringLiteral("media:"),   QStringLiteral("macro:"),    QStringLiteral("dpi:"),
            QStringLiteral("windows:"), QStringLiteral("shortcut:"), QStringLiteral("gun:")};
}

} // namespace Assignments
