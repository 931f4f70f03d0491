// A modules folder in a temporary directory with a settings store and a macro
// library on it, and helpers that look at files as they are on disk (QSettings
// objects of one process share a cache, so they cannot tell what was written).
#pragma once

#include "macro/macrolibrary.h"
#include "settings/settingsstore.h"
#include "settings/userdialogs.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Files to stage before the store opens its handles: relative path -> text.
using StagedFiles = QList<QPair<QString, QByteArray>>;

struct MacroFixture {
    QTemporaryDir tmp;
    QString modules;
    ScriptedDialogs dialogs;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<MacroLibrary> lib;

    explicit MacroFixture(const StagedFiles &files = {})
    {
        modules = tmp.path() + QStringLiteral("/modules");
        QDir().mkpath(modules + QStringLiteral("/setting"));
        QDir().mkpath(modules + QStringLiteral("/macro"));
        for (const auto &f : files)
            write(f.first, f.second);
        store = std::make_unique<SettingsStore>(modules, &dialogs);
        lib = std::make_unique<MacroLibrary>(store.get(), nullptr, &dialogs);
    }

    QString path(const QString &relative) const { return modules + QLatin1Char('/') + relative; }
    QString macro(const QString &relative) const
    {
        return path(QStringLiteral("macro/") + relative);
    }

    void write(const QString &relative, const QByteArray &text) const
    {
        const QString p = path(relative);
        QDir().mkpath(QFileInfo(p).path());
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

    void select(const QString &n1 = {}, const QString &n2 = {}, const QString &n3 = {},
                const QString &n4 = {}, const QString &n5 = {}) const
    {
        lib->setMacroSelectName(n1, n2, n3, n4, n5);
    }

    // Every path under the temporary folder, for "nothing changed" checks.
    QStringList tree() const { return treeOf(tmp.path()); }

    static QStringList treeOf(const QString &root)
    {
        QStringList out;
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            out << it.next().mid(root.size());
        out.sort();
        return out;
    }
};

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Raw text of key in [group] of an INI file, or a null string when absent.
inline QString iniValue(const QString &path, const QString &group, const QString &key)
{
    const QStringList lines = QString::fromUtf8(fileBytes(path)).split(QLatin1Char('\n'));
    QString section;
    for (QString line : lines) {
        line = line.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && section == group && line.left(eq).trimmed() == key)
            return line.mid(eq + 1).trimmed();
    }
    return QString();
}

inline bool iniHasGroup(const QString &path, const QString &group)
{
    return QString::fromUtf8(fileBytes(path)).contains(QLatin1Char('[') + group + QLatin1Char(']'));
}
