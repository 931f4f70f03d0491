#include "macro/macropaths.h"

#include "settings/settingsstore.h"

namespace MacroPaths {

bool isSafeName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() == 0)
            return false;
    }
    return true;
}

QString levelFolder(const QString &root, const SelectionPath &sel, int level)
{
    if (level < 0 || level > kMaxLevel)
        return QString();
    QString path = root;
    for (int i = 0; i < level; ++i) {
        if (!isSafeName(sel.names[i]))
            return QString();
        path += QLatin1Char('/') + sel.names[i];
    }
    return path;
}

QString itemPath(const QString &root, const SelectionPath &sel, int level, const QString &name,
                 bool folder)
{
    if (!isSafeName(name))
        return QString();
    const QString dir = levelFolder(root, sel, level);
    if (dir.isEmpty())
        return QString();
    return dir + QLatin1Char('/') + name + (folder ? QString() : QStringLiteral(".bin"));
}

bool isReservedName(const QString &name)
{
    return name == SettingsStore::paddingItem();
}

QString baseNameToFirstDot(const QString &fileName)
{
    const int dot = fileName.indexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

QString rootPrefix()
{
    return QStringLiteral("macro");
}

QString joinedNames(const SelectionPath &sel, int count)
{
    QString out;
    for (int i = 0; i < count && i < kMaxLevel; ++i)
        out += sel.names[i];
    return out;
}

QString listPrefix(const QStringList &chain)
{
    return chain.isEmpty() ? rootPrefix() : chain.join(QString());
}

QString subListPrefix(const SelectionPath &sel, int level, const QString &name)
{
    if (level < 1 || level > kMaxLevel)
        return QString();
    return joinedNames(sel, level - 1) + name;
}

const QStringList &listSuffixes()
{
    static const QStringList suffixes = {QStringLiteral("macroName"), QStringLiteral("macroType"),
                                         QStringLiteral("showImg"),   QStringLiteral("txtMargin"),
                                         QStringLiteral("level"),     QStringLiteral("no0"),
                                         QStringLiteral("no1"),       QStringLiteral("no2"),
                                         QStringLiteral("no3"),       QStringLiteral("no4")};
    return suffixes;
}

} // namespace MacroPaths
