// Operations the macro editor page uses besides the library store: the
// real content of a library folder, and how recording
// gets its keys.
#include "macro/macrolibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QStringList MacroLibrary::macroFolderEntries(int macroLevel, const QString &name)
{
    const QString folder = MacroPaths::itemPath(libraryRoot(), m_selection, macroLevel, name, true);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return {};
    QStringList entries;
    QDir dir(folder);
    const auto order = QDir::Name | QDir::IgnoreCase;
    const QString suffix = QStringLiteral(".bin");
    dir.setNameFilters({QStringLiteral("*.bin")});
    for (const QFileInfo &fi : dir.entryInfoList(QDir::Files, order)) {
        const QString macro = fi.fileName().chopped(suffix.size());
        if (MacroPaths::isSafeName(macro))
            entries.append(QStringLiteral("0,") + macro);
    }
    dir.setNameFilters({});
    for (const QFileInfo &fi : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, order))
        entries.append(QStringLiteral("1,") + fi.fileName());
    return entries;
}

QString MacroLibrary::inputCaptureMode()
{
    // Published by the input hook when it installs its capture (see
    // inputhook/inputhook.h); a program without one has no capture.
    const QCoreApplication *app = QCoreApplication::instance();
    return app ? app->property("kestaInputCapture").toString() : QString();
}
