#include "settings/userdialogs.h"

QString ScriptedDialogs::next()
{
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

QString ScriptedDialogs::getOpenFileName(const QString &caption, const QString &dir,
                                         const QString &filter)
{
    asked.append(QStringList{QStringLiteral("open"), caption, dir, filter}.join(QLatin1Char('|')));
    return next();
}

QString ScriptedDialogs::getSaveFileName(const QString &caption, const QString &dir,
                                         const QString &filter)
{
    asked.append(QStringList{QStringLiteral("save"), caption, dir, filter}.join(QLatin1Char('|')));
    return next();
}

QString ScriptedDialogs::getExistingDirectory(const QString &caption, const QString &dir)
{
    asked.append(QStringList{QStringLiteral("dir"), caption, dir}.join(QLatin1Char('|')));
    return next();
}

void ScriptedDialogs::warning(const QString &title, const QString &text)
{
    warnings.append(title + QLatin1Char('|') + text);
}
