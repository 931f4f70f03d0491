// The key-assignment choices as one table: the groups of the assignment
// overlay and their fixed entries, the function list of each button, what a
// matrix position allows, the texts of an entry, and the choice words that
// kesta-ctl reads and prints ("media:mute", "keys:ctrl+c", "macro:Burst").
// The scene reaches it as the singleton AssignmentTable of Kesta.Model.
#pragma once

#include "devicesettings/buttonlabels.h"

#include <QJSValue>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <array>
#include <functional>

class AssignmentTable : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    // Built-in texts of the "keyAssigment" language section, by caption index.
    Q_PROPERTY(QStringList captionDefaults READ captionDefaults CONSTANT)
    // The mouse holds macros for slots 0..11; a button's slot is its index.
    Q_PROPERTY(int macroSlots READ macroSlots CONSTANT)
    // Caption of play mode m is playModeCaptions[m].
    Q_PROPERTY(QVariantList playModeCaptions READ playModeCaptions CONSTANT)
    // [{key, caption, gameOnly?, choices: [{caption, entry}]}] in overlay order.
    Q_PROPERTY(QVariantList groups READ groupList CONSTANT)
    // [{text, caption | matrixCaption, entry | open, gameOnly?}] in list order.
    Q_PROPERTY(QVariantList functions READ functionList CONSTANT)

public:
    using Entry = std::array<int, 4>; // type, b1, b2, b3

    static constexpr int kMacroSlots = ButtonLabels::kMacroSlots;

    // What a choice word asks for. A macro choice names the macro; its entry
    // still needs the play mode and the button's slot (macroEntry).
    struct Choice {
        Entry entry{};
        bool isMacro = false;
        QString macroName;
    };

    // Fire keys repeat every `rate` ms, `times` times (0: until released).
    struct FireOptions {
        int rate = 50;
        int times = 0;
    };

    explicit AssignmentTable(QObject *parent = nullptr);

    // Parses a choice word. gameMode offers the weapon keys ("gun:1".."gun:3").
    // On failure returns false with a message that names the accepted words.
    static bool parse(const QString &word, const FireOptions &fire, bool gameMode, Choice *choice,
                      QString *error);
    // Play modes of a macro binding: "once" 0, "loop-until-press" 1,
    // "loop-until-release" 2; -1 for other words.
    static int playMode(const QString &word);
    static QString playModeWord(int mode);
    // The entry of a macro bound at a button: the button's own index is its slot.
    static Entry macroEntry(int mode, int matrixIndex);
    // The choice word of an entry (macro: "macro:" + macroName); "raw:..."
    // when the entry matches no choice.
    static QString word(const Entry &entry, const QString &macroName);
    // The plain English text of an entry, as kesta-ctl prints it.
    static QString text(const Entry &entry, const QString &macroName);
    // Every fixed choice word and the group prefixes, for completion and help.
    static QStringList fixedWords();
    static QStringList groupWords();

    // The text the window shows for an entry: `captions` are the
    // "keyAssigment" texts, keyName(code) names a key code, macroName(slot)
    // the macro bound to a slot.
    static QString entryText(const Entry &entry, const QStringList &captions,
                             const std::function<QString(int)> &keyName,
                             const std::function<QString(int)> &macroName);
    // "LCtrl + LShift + A": modifiers in bit order, then the keys that are set.
    static QString comboText(int bits, int key1, int key2,
                             const std::function<QString(int)> &keyName);
    // The overlay group that edits `entry` ("mouse" for anything unknown).
    static QString groupKey(const Entry &entry);
    // Position of `entry` in the function list, -1 when no item names it
    // (the double fire, the built-in further functions).
    static int functionOf(const Entry &entry);
    // Whether function `fn` may be chosen at matrix position `index` in the
    // given mode (0 office, 1 game): the weapon keys are for game mode, a
    // macro only for the positions that have a macro slot.
    static bool allowedAt(int fn, int index, int mode);
    // The same for group `group` of the assignment overlay.
    static bool groupAllowedAt(int group, int index, int mode);

    QStringList captionDefaults() const;
    int macroSlots() const { return kMacroSlots; }
    QVariantList playModeCaptions() const;
    QVariantList groupList() const;
    QVariantList functionList() const;

    // The scene's calls: entries are arrays of four numbers; functions are
    // JavaScript callbacks.
    Q_INVOKABLE bool sameEntry(const QVariant &a, const QVariant &b) const;
    // {group, choice, caption} of the fixed choice that produces `entry`, or null.
    Q_INVOKABLE QVariant findChoice(const QVariant &entry) const;
    Q_INVOKABLE int groupIndex(const QString &key) const;
    // The overlay group that edits `entry`.
    Q_INVOKABLE QString groupOf(const QVariant &entry) const;
    Q_INVOKABLE int functionOf(const QVariant &entry) const;
    Q_INVOKABLE bool allows(int fn, int index, int mode) const
    {
        return allowedAt(fn, index, mode);
    }
    Q_INVOKABLE bool groupAllows(int group, int index, int mode) const
    {
        return groupAllowedAt(group, index, mode);
    }
    Q_INVOKABLE QString hex(int value) const { return hexText(value); }
    // Two upper-case hex digits at least ("0A"), as key codes are shown.
    static QString hexText(int value);
    Q_INVOKABLE QString comboText(int bits, int key1, int key2, const QJSValue &keyName) const;
    Q_INVOKABLE QString entryText(const QVariant &entry, const QStringList &captions,
                                  const QJSValue &keyName, const QJSValue &macroName) const;

    // An entry from a QML value; false unless it holds four numbers.
    static bool toEntry(const QVariant &value, Entry *entry);
};
