#include "model/assignmenttable.h"

#include "devicesettings/keynames.h"

#include <QJSEngine>

#include <iterator>

namespace {

using Entry = AssignmentTable::Entry;

// A fixed choice: its caption in "keyAssigment", the entry it produces, the
// word kesta-ctl reads and prints, and kesta-ctl's plain text of it.
struct Fixed {
    int caption;
    Entry entry;
    const char *word;
    const char *text;
};

struct Group {
    const char *key;
    int caption;
    bool gameOnly;
    std::initializer_list<Fixed> choices;
};

// The groups of the assignment overlay, in its order. "fire" and "combo" are
// built from captured keys, "macro" leads to the macro-assignment overlay.
const Group kGroups[] = {
    {"mouse",
     1,
     false,
     {
         {2, {0, 0, 0xF0, 0}, "mouse:left", "Left Key"},
         {3, {0, 0, 0xF2, 0}, "mouse:middle", "Middle Key"},
         {4, {0, 0, 0xF1, 0}, "mouse:right", "Right Key"},
         {5, {0, 0, 0xF4, 0}, "mouse:forward", "Forward Key"},
         {6, {0, 0, 0xF3, 0}, "mouse:back", "Back Key"},
         {7, {0, 0xF0, 0x1E, 2}, "mouse:double-fire", "Double Fire"},
     }},
    {"fire", 8, false, {}},
    {"combo", 14, false, {}},
    {"media",
     15,
     false,
     {
         {27, {3, 0, 0x83, 0x01}, "media:player", "Player"},
         {28, {3, 0, 0xB5, 0}, "media:next", "Next"},
         {29, {3, 0, 0xB6, 0}, "media:previous", "Previous"},
         {30, {3, 0, 0xB7, 0}, "media:stop", "Stop"},
         {31, {3, 0, 0xE2, 0}, "media:mute", "Mute"},
         {32, {3, 0, 0xCD, 0}, "media:play-pause", "Play/Pause"},
         {33, {3, 0, 0xE9, 0}, "media:volume-up", "Volume+"},
         {34, {3, 0, 0xEA, 0}, "media:volume-down", "Volume-"},
     }},
    {"macro", 16, false, {}},
    {"dpi",
     21,
     false,
     {
         {22, {5, 0, 1, 0}, "dpi:up", "DPI+"},
         {23, {5, 0, 2, 0}, "dpi:down", "DPI-"},
         {24, {5, 0, 3, 0}, "dpi:loop", "DPI Loop"},
         {56, {5, 0, 4, 0}, "dpi:sniper", "Sniper Key"},
     }},
    {"windows",
     25,
     false,
     {
         {35, {6, 0, 0x94, 0x01}, "windows:my-pc", "My PC"},
         {36, {6, 0, 0x23, 0x02}, "windows:index", "Index"},
         {37, {6, 0, 0x21, 0x02}, "windows:search", "Search"},
         {38, {6, 0x04, 0x2C, 0x1B}, "windows:max", "Max"},
         {39, {6, 0x04, 0x2C, 0x11}, "windows:min", "Min"},
         {40, {6, 0, 0xE3, 0x07}, "windows:desktop", "Desktop"},
         {41, {6, 0, 0xE3, 0x15}, "windows:run", "Run"},
     }},
    {"shortcut",
     26,
     false,
     {
         {42, {7, 0, 0xE0, 0x11}, "shortcut:new", "New"},
         {43, {7, 0, 0xE0, 0x1B}, "shortcut:cut", "Cut"},
         {44, {7, 0, 0xE0, 0x06}, "shortcut:copy", "Copy"},
         {45, {7, 0, 0xE0, 0x19}, "shortcut:paste", "Paste"},
         {46, {7, 0, 0xE0, 0x16}, "shortcut:save", "Save"},
         {47, {7, 0, 0xE0, 0x13}, "shortcut:print", "Print"},
         {48, {7, 0, 0xE0, 0x09}, "shortcut:find", "Find"},
         {49, {7, 0, 0xE0, 0x1C}, "shortcut:redo", "Redo"},
         {50, {7, 0, 0xE0, 0x1D}, "shortcut:undo", "Undo"},
         {51, {7, 0, 0xE0, 0x04}, "shortcut:select-all", "Select All"},
     }},
    {"gun",
     52,
     true,
     {
         {53, {8, 0, 1, 0}, "gun:1", "One Gun"},
         {54, {8, 0, 2, 0}, "gun:2", "Two Gun"},
         {55, {8, 0, 3, 0}, "gun:3", "Three Gun"},
     }},
};

// The function list of each button, in order. An item with an entry applies
// it at once; `open` names the overlay (and group) that finishes the choice.
// `caption` indexes "keyAssigment", `matrixCaption` the main page's strings.
struct Function {
    const char *text;
    int caption;       // -1: none
    int matrixCaption; // -1: none
    bool hasEntry;
    Entry entry;
    const char *open; // nullptr: none
    bool gameOnly;
};

const Function kFunctions[] = {
    {"Left Key", 2, -1, true, {0, 0, 0xF0, 0}, nullptr, false},
    {"Right Key", 4, -1, true, {0, 0, 0xF1, 0}, nullptr, false},
    {"Middle Key", 3, -1, true, {0, 0, 0xF2, 0}, nullptr, false},
    {"Forward Key", 5, -1, true, {0, 0, 0xF4, 0}, nullptr, false},
    {"Back Key", 6, -1, true, {0, 0, 0xF3, 0}, nullptr, false},
    {"DPI Function", 21, -1, false, {}, "dpi", false},
    {"Fire Function", 8, -1, false, {}, "fire", false},
    {"Group Function", 14, -1, false, {}, "combo", false},
    {"Media Function", 15, -1, false, {}, "media", false},
    {"Macro Function ", 16, -1, false, {}, "macro", false},
    {"Windows Function", 25, -1, false, {}, "windows", false},
    {"Shortcut Function", 26, -1, false, {}, "shortcut", false},
    {"Gun Editor", -1, 4, false, {}, "gun", true},
};
constexpr int kFunctionCount = int(sizeof(kFunctions) / sizeof(kFunctions[0]));

const char *const kCaptionDefaults[] = {"Key ",
                                        "Mouse Function",
                                        "Left Key",
                                        "Middle Key",
                                        "Right Key",
                                        "Forward Key",
                                        "Back Key",
                                        "Double Fire",
                                        "Fire Function",
                                        "Key",
                                        "Press a key",
                                        "Rate",
                                        "Times",
                                        "Endness",
                                        "Group Function",
                                        "Media Function",
                                        "Macro Function",
                                        "Macro List",
                                        "Macro runs one-time after pressing the button",
                                        "Macro runs endless loop until any button is pressed",
                                        "Macro runs endless loop until button is released",
                                        "DPI Function",
                                        "DPI+",
                                        "DPI-",
                                        "DPI LOOP",
                                        "Windows Function",
                                        "Shortcut Function",
                                        "Player",
                                        "Next",
                                        "Privous",
                                        "Stop",
                                        "Mute",
                                        "Play/Pause",
                                        "Volumn+",
                                        "Volumn-",
                                        "My PC",
                                        "Index",
                                        "Search",
                                        "Max",
                                        "Min",
                                        "Desktop",
                                        "Run",
                                        "New",
                                        "Cut",
                                        "Copy",
                                        "Paste",
                                        "Save",
                                        "Print",
                                        "Find",
                                        "Redo",
                                        "Undo",
                                        "Select All",
                                        "Gun Function",
                                        "One Gun",
                                        "Two Gun",
                                        "Three Gun",
                                        "Sniper Key",
                                        "Function %1"};
// The caption of the further functions (type 0xFF, the defaults of buttons
// 14 and 15), with their number for %1.
constexpr int kFurtherFunctionCaption = 57;
static_assert(std::size(kCaptionDefaults) == kFurtherFunctionCaption + 1);

// Captions of the play modes "once", "loop-until-press", "loop-until-release".
const int kPlayModeCaptions[] = {18, 19, 20};
const char *const kModeWords[] = {"once", "loop-until-press", "loop-until-release"};

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

const Fixed *findFixed(const Entry &entry, int *group = nullptr, int *choice = nullptr)
{
    int g = 0;
    for (const Group &grp : kGroups) {
        int c = 0;
        for (const Fixed &f : grp.choices) {
            if (f.entry == entry) {
                if (group)
                    *group = g;
                if (choice)
                    *choice = c;
                return &f;
            }
            ++c;
        }
        ++g;
    }
    return nullptr;
}

QVariantList entryList(const Entry &e)
{
    return {e[0], e[1], e[2], e[3]};
}

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

std::function<QString(int)> jsNamer(const QJSValue &fn)
{
    return [fn](int code) {
        QJSValue f = fn;
        return f.isCallable() ? f.call({QJSValue(code)}).toString() : QString();
    };
}

} // namespace

AssignmentTable::AssignmentTable(QObject *parent) : QObject(parent) {}

bool AssignmentTable::parse(const QString &word, const FireOptions &fire, bool gameMode,
                            Choice *choice, QString *error)
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
    for (const Group &g : kGroups) {
        for (const Fixed &f : g.choices) {
            if (word.compare(QLatin1String(f.word), Qt::CaseInsensitive) != 0)
                continue;
            if (g.gameOnly && !gameMode) {
                *error = QStringLiteral("%1: weapon keys exist only in game mode").arg(word);
                return false;
            }
            choice->entry = f.entry;
            return true;
        }
    }
    *error = QStringLiteral("unknown choice \"%1\" (accepted: %2, fire:KEY, keys:COMBINATION, "
                            "macro:NAME; see kesta-ctl button --help)")
                 .arg(word, groupWords().join(QLatin1String(", ")));
    return false;
}

int AssignmentTable::playMode(const QString &word)
{
    for (int i = 0; i < 3; ++i) {
        if (word == QLatin1String(kModeWords[i]))
            return i;
    }
    return -1;
}

QString AssignmentTable::playModeWord(int mode)
{
    return mode >= 0 && mode < 3 ? QLatin1String(kModeWords[mode]) : QString::number(mode);
}

AssignmentTable::Entry AssignmentTable::macroEntry(int mode, int matrixIndex)
{
    return {4, mode, matrixIndex, 0};
}

QString AssignmentTable::word(const Entry &entry, const QString &macroName)
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
    if (const Fixed *f = findFixed(entry))
        return QLatin1String(f->word);
    return QStringLiteral("raw:%1,%2,%3,%4")
        .arg(entry[0])
        .arg(entry[1])
        .arg(entry[2])
        .arg(entry[3]);
}

QString AssignmentTable::text(const Entry &entry, const QString &macroName)
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
    if (const Fixed *f = findFixed(entry))
        return QLatin1String(f->text);
    return QStringLiteral("Unknown (%1 %2 %3 %4)")
        .arg(entry[0])
        .arg(entry[1])
        .arg(entry[2])
        .arg(entry[3]);
}

QStringList AssignmentTable::fixedWords()
{
    QStringList out;
    for (const Group &g : kGroups) {
        for (const Fixed &f : g.choices)
            out.append(QLatin1String(f.word));
    }
    return out;
}

QStringList AssignmentTable::groupWords()
{
    return {QStringLiteral("mouse:"),   QStringLiteral("fire:"),     QStringLiteral("keys:"),
            QStringLiteral("media:"),   QStringLiteral("macro:"),    QStringLiteral("dpi:"),
            QStringLiteral("windows:"), QStringLiteral("shortcut:"), QStringLiteral("gun:")};
}

QString AssignmentTable::comboText(int bits, int key1, int key2,
                                   const std::function<QString(int)> &keyName)
{
    QStringList parts;
    for (int b = 0; b < 8; ++b) {
        if (bits & (1 << b))
            parts.append(keyName(0xE0 + b));
    }
    if (key1 != 0)
        parts.append(keyName(key1));
    if (key2 != 0)
        parts.append(keyName(key2));
    return parts.join(QStringLiteral(" + "));
}

QString AssignmentTable::entryText(const Entry &entry, const QStringList &captions,
                                   const std::function<QString(int)> &keyName,
                                   const std::function<QString(int)> &macroName)
{
    if (const Fixed *f = findFixed(entry))
        return captions.value(f->caption);
    const int b1 = entry[1], b2 = entry[2], b3 = entry[3];
    QString combo;
    switch (entry[0]) {
    case 0:
        return captions.value(1);
    case 1:
        return keyName(b1) + QStringLiteral(" · %1 ms · ").arg(b2) +
               (b3 == 0 ? QStringLiteral("∞") : QStringLiteral("×%1").arg(b3));
    case 2:
        combo = comboText(b1, b2, b3, keyName);
        return combo.isEmpty() ? captions.value(14) : combo;
    case 3:
        return captions.value(15);
    case 4: {
        const QString name = macroName(b2);
        return name.isEmpty() ? captions.value(16) : name;
    }
    case 5:
        return captions.value(21);
    case 6:
        combo = comboText(b1, b2, b3, keyName);
        return combo.isEmpty() ? captions.value(25) : combo;
    case 7:
        combo = comboText(0, b2, b3, keyName);
        return combo.isEmpty() ? captions.value(26) : combo;
    case 8:
        return captions.value(52);
    case 0xFF: {
        // A language file from before this caption has no text for it.
        const QString caption = captions.value(kFurtherFunctionCaption);
        return (caption.isEmpty() ? QString::fromUtf8(kCaptionDefaults[kFurtherFunctionCaption])
                                  : caption)
            .arg(b2);
    }
    }
    QStringList bytes;
    for (int v : entry)
        bytes.append(QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper());
    return bytes.join(QLatin1Char(' '));
}

int AssignmentTable::functionOf(const Entry &entry)
{
    if (entry[0] == 0) {
        for (int f = 0; f < 5; ++f) {
            if (kFunctions[f].entry == entry)
                return f;
        }
        return -1;
    }
    const QString open = groupKey(entry);
    for (int i = 5; i < kFunctionCount; ++i) {
        if (open == QLatin1String(kFunctions[i].open))
            return i;
    }
    return -1;
}

bool AssignmentTable::allowedAt(int fn, int index, int mode)
{
    if (fn < 0 || fn >= kFunctionCount)
        return false;
    const Function &f = kFunctions[fn];
    if (f.gameOnly && mode != 1)
        return false;
    if (f.open && qstrcmp(f.open, "macro") == 0 && index >= kMacroSlots)
        return false;
    return true;
}

bool AssignmentTable::groupAllowedAt(int group, int index, int mode)
{
    if (group < 0 || group >= int(sizeof(kGroups) / sizeof(kGroups[0])))
        return false;
    const Group &g = kGroups[group];
    if (g.gameOnly && mode != 1)
        return false;
    if (qstrcmp(g.key, "macro") == 0 && !ButtonLabels::hasMacroSlot(index))
        return false;
    return true;
}

QStringList AssignmentTable::captionDefaults() const
{
    QStringList out;
    for (const char *c : kCaptionDefaults)
        out.append(QString::fromUtf8(c));
    return out;
}

QVariantList AssignmentTable::playModeCaptions() const
{
    QVariantList out;
    for (int c : kPlayModeCaptions)
        out.append(c);
    return out;
}

QVariantList AssignmentTable::groupList() const
{
    QVariantList out;
    for (const Group &g : kGroups) {
        QVariantList choices;
        for (const Fixed &f : g.choices)
            choices.append(QVariantMap{{QStringLiteral("caption"), f.caption},
                                       {QStringLiteral("entry"), entryList(f.entry)}});
        QVariantMap item{{QStringLiteral("key"), QLatin1String(g.key)},
                         {QStringLiteral("caption"), g.caption},
                         {QStringLiteral("choices"), choices}};
        if (g.gameOnly)
            item.insert(QStringLiteral("gameOnly"), true);
        out.append(item);
    }
    return out;
}

QVariantList AssignmentTable::functionList() const
{
    QVariantList out;
    for (const Function &f : kFunctions) {
        QVariantMap item{{QStringLiteral("text"), QLatin1String(f.text)}};
        if (f.caption >= 0)
            item.insert(QStringLiteral("caption"), f.caption);
        if (f.matrixCaption >= 0)
            item.insert(QStringLiteral("matrixCaption"), f.matrixCaption);
        if (f.hasEntry)
            item.insert(QStringLiteral("entry"), entryList(f.entry));
        if (f.open)
            item.insert(QStringLiteral("open"), QLatin1String(f.open));
        if (f.gameOnly)
            item.insert(QStringLiteral("gameOnly"), true);
        out.append(item);
    }
    return out;
}

bool AssignmentTable::toEntry(const QVariant &value, Entry *entry)
{
    QVariant v = value;
    if (v.canConvert<QJSValue>() && v.metaType() == QMetaType::fromType<QJSValue>())
        v = v.value<QJSValue>().toVariant();
    const QVariantList list = v.toList();
    if (list.size() < 4)
        return false;
    for (int i = 0; i < 4; ++i)
        (*entry)[i] = list.at(i).toInt();
    return true;
}

bool AssignmentTable::sameEntry(const QVariant &a, const QVariant &b) const
{
    Entry ea, eb;
    return toEntry(a, &ea) && toEntry(b, &eb) && ea == eb;
}

QVariant AssignmentTable::findChoice(const QVariant &entry) const
{
    Entry e;
    int g = -1, c = -1;
    const Fixed *f = toEntry(entry, &e) ? findFixed(e, &g, &c) : nullptr;
    if (!f)
        return QVariant::fromValue(nullptr);
    return QVariantMap{{QStringLiteral("group"), g},
                       {QStringLiteral("choice"), c},
                       {QStringLiteral("caption"), f->caption}};
}

int AssignmentTable::groupIndex(const QString &key) const
{
    int g = 0;
    for (const Group &grp : kGroups) {
        if (key == QLatin1String(grp.key))
            return g;
        ++g;
    }
    return -1;
}

QString AssignmentTable::groupOf(const QVariant &value) const
{
    Entry e{};
    toEntry(value, &e);
    return groupKey(e);
}

QString AssignmentTable::groupKey(const Entry &e)
{
    int g = -1;
    if (findFixed(e, &g))
        return QLatin1String(kGroups[g].key);
    switch (e[0]) {
    case 1:
        return QStringLiteral("fire");
    case 2:
        return QStringLiteral("combo");
    case 3:
        return QStringLiteral("media");
    case 4:
        return QStringLiteral("macro");
    case 5:
        return QStringLiteral("dpi");
    case 6:
        return QStringLiteral("windows");
    case 7:
        return QStringLiteral("shortcut");
    case 8:
        return QStringLiteral("gun");
    }
    return QStringLiteral("mouse");
}

int AssignmentTable::functionOf(const QVariant &entry) const
{
    Entry e{};
    toEntry(entry, &e);
    return functionOf(e);
}

QString AssignmentTable::hexText(int value)
{
    const QString text = QString::number(value, 16).toUpper();
    return text.size() < 2 ? QLatin1Char('0') + text : text;
}

QString AssignmentTable::comboText(int bits, int key1, int key2, const QJSValue &keyName) const
{
    return comboText(bits, key1, key2, jsNamer(keyName));
}

QString AssignmentTable::entryText(const QVariant &entry, const QStringList &captions,
                                   const QJSValue &keyName, const QJSValue &macroName) const
{
    Entry e;
    if (!toEntry(entry, &e))
        return QString();
    return entryText(e, captions, jsNamer(keyName), jsNamer(macroName));
}
