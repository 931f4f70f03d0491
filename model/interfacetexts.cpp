#include "model/interfacetexts.h"

#include "model/languagemodel.h"
#include "model/models.h"

namespace InterfaceTexts {

QStringList defaults()
{
    return {
        QStringLiteral("Help"),
        QStringLiteral("Minimise"),
        QStringLiteral("Maximise"),
        QStringLiteral("Close to the tray"),
        QStringLiteral("Close"),
        QStringLiteral("Recording takes only the keys typed into this window."),
        QStringLiteral("ms"),
        QStringLiteral("Open (&O)"),
        QStringLiteral("Quit (&Q)"),
        QStringLiteral("ZORVANT KESTA MOUSE R218"),
        QStringLiteral("Info"),
        QStringLiteral("Detect Device"),
        QStringLiteral("Profile in use: %1"),
        QStringLiteral("The mouse was removed. Plug it in again to change its settings."),
        QStringLiteral("Profile %1 had no left click: button 1 is the left button again."),
        QStringLiteral("Profile %1 has no left click, and its file could not be written."),
        QStringLiteral("Changed outside the window: %1. Unsaved edits there were replaced by "
                       "the new values."),
        QStringLiteral("buttons"),
        QStringLiteral("DPI"),
        QStringLiteral("lighting"),
        QStringLiteral("lift-off"),
        QStringLiteral("pointer"),
        QStringLiteral("report rate"),
        QStringLiteral("Open File"),
        QStringLiteral("Save File"),
        QStringLiteral("Open Directory"),
        QStringLiteral("\"%1\" already exists. To replace it, choose it by its full name."),
        QStringLiteral("Create folder"),
        QString::fromUtf8("Duplicate name！"),
        QStringLiteral("This desktop keeps no pointer settings that the program can change."),
        QStringLiteral("This desktop keeps no pointer settings that the program can change "
                       "(they need gsettings, as GNOME has)."),
        QStringLiteral("This desktop has no setting for the lines a wheel step scrolls."),
        QStringLiteral("Profile(*.pf)"),
        QStringLiteral("Macro(*.mc)"),
        QStringLiteral("The profile was not changed: %1 could not be written (is the disk full "
                       "or read-only?). Nothing was sent."),
    };
}

QString english(Text which)
{
    return defaults().value(which);
}

namespace {

QStringList current()
{
    const Models *models = Models::instance();
    if (!models)
        return defaults();
    return models->language()->texts(QStringLiteral("interface"), defaults());
}

} // namespace

QString text(Text which)
{
    return current().value(which);
}

QString localised(const QString &english)
{
    const QStringList builtIn = defaults();
    const int exact = builtIn.indexOf(english);
    if (exact >= 0)
        return current().value(exact);
    // A text with its one argument filled in: find the built-in text it was
    // made from by what stands around the argument.
    for (int i = 0; i < builtIn.size(); ++i) {
        const QString &pattern = builtIn.at(i);
        const int at = pattern.indexOf(QLatin1String("%1"));
        if (at < 0)
            continue;
        const QString before = pattern.left(at);
        const QString after = pattern.mid(at + 2);
        if (english.size() >= pattern.size() - 2 && english.startsWith(before) &&
            english.endsWith(after)) {
            const QString argument =
                english.mid(before.size(), english.size() - before.size() - after.size());
            return current().value(i).arg(argument);
        }
    }
    return english;
}

} // namespace InterfaceTexts
