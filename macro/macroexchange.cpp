// Import and export of .mc files, single and as whole trees, and the walk
// over a library folder that drops the name lists below it.
#include "macro/macrolibrary.h"

#include "macro/macrofiles.h"
#include "settings/exchangefiles.h"
#include "settings/settingsstore.h"
#include "settings/userdialogs.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

using MacroPaths::baseNameToFirstDot;
using MacroPaths::isSafeName;

namespace {

const QString kMacroFilter = QStringLiteral("Macro(*.mc)");

// Deepest depth a batch import or a library walk records.
constexpr int kMaxDepth = 5;

QFileInfoList sortedEntries(const QString &dir, QDir::Filters filters, const QString &pattern)
{
    QDir d(dir);
    if (!pattern.isEmpty())
        d.setNameFilters({pattern});
    return d.entryInfoList(filters | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

QString withoutSuffix(const QString &fileName, const QString &suffix)
{
    return fileName.endsWith(suffix) ? fileName.left(fileName.size() - suffix.size()) : fileName;
}

} // namespace

QString MacroLibrary::dialogFolder() const
{
    return ExchangeFiles::startFolder();
}

void MacroLibrary::clearDepthLists()
{
    for (QStringList &list : m_macrosAtDepth)
        list.clear();
    for (QStringList &list : m_foldersAtDepth)
        list.clear();
}

QString MacroLibrary::loadMacroFile(int macroLevel, int selectType)
{
    m_refusedNames.clear();
    UserDialogs *dialogs = m_dialogs;
    if (!dialogs)
        return QString();
    const QString chosen =
        dialogs->getOpenFileName(QStringLiteral("Open File"), dialogFolder(), kMacroFilter);
    if (chosen.isEmpty())
        return QString();

    const QString name = baseNameToFirstDot(QFileInfo(chosen).fileName());
    if (!isSafeName(name) || !MacroFiles::isMacroFile(chosen))
        return QString();
    if (MacroPaths::isReservedName(name)) {
        m_refusedNames.append(name);
        return QString();
    }

    // A selected macro, or nothing selected, imports into the root; a selected
    // folder at level L imports into that folder, found through L+1 names.
    int targetLevel = -1;
    if (selectType == 0 || macroLevel == -1)
        targetLevel = 0;
    else if (macroLevel >= 0 && macroLevel < MacroPaths::kMaxLevel)
        targetLevel = macroLevel + 1;
    const QString target =
        MacroPaths::itemPath(libraryRoot(), m_selection, targetLevel, name, false);
    if (target.isEmpty())
        return QString();

    // An existing macro of that name is kept; the scene reports the clash.
    // One in another folder is kept too, and nothing is imported: the scene
    // learns why from refusedMacroNames().
    if (nameHeldElsewhere(name, target)) {
        m_refusedNames.append(name);
        return QString();
    }
    QFile::copy(chosen, target);
    return name;
}

void MacroLibrary::saveMacroFile(int macroLevel, const QString &macroName)
{
    const QString source =
        MacroPaths::itemPath(libraryRoot(), m_selection, macroLevel, macroName, false);
    UserDialogs *dialogs = m_dialogs;
    if (source.isEmpty() || !dialogs)
        return;
    const QString chosen =
        dialogs->getSaveFileName(QStringLiteral("Save File"), dialogFolder(), kMacroFilter);
    // The import dialog lists *.mc only: a name typed without it gets it.
    const QString target =
        ExchangeFiles::exportTarget(chosen, ExchangeFiles::kMacroSuffix, dialogs);
    if (target.isEmpty())
        return;
    MacroFiles::replaceFile(source, target);
}

QString MacroLibrary::loadMacroFile_batch()
{
    m_batchSource.clear();
    m_refusedNames.clear();
    UserDialogs *dialogs = m_dialogs;
    if (!dialogs)
        return QString();
    const QString chosen =
        dialogs->getExistingDirectory(QStringLiteral("Open Directory"), dialogFolder());
    if (chosen.isEmpty())
        return QString();

    const QString source = QDir::cleanPath(chosen);
    const QString name = baseNameToFirstDot(QFileInfo(source).fileName());
    // The desktop itself is never imported as a whole.
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (name == QLatin1String("Desktop") ||
        (!desktop.isEmpty() &&
         QFileInfo(source).canonicalFilePath() == QFileInfo(desktop).canonicalFilePath()))
        return QString();
    if (!isSafeName(name) || !QFileInfo(source).isDir())
        return QString();
    if (MacroPaths::isReservedName(name)) {
        m_refusedNames.append(name);
        return QString();
    }

    m_batchSource = source;
    QDir().mkdir(libraryRoot() + QLatin1Char('/') + name);
    return name;
}

void MacroLibrary::importFolder(const QString &source, const QString &target, int depth,
                                QHash<QString, QStringList> &held)
{
    for (const QFileInfo &fi : sortedEntries(source, QDir::Files, QStringLiteral("*.mc"))) {
        const QString name = baseNameToFirstDot(fi.fileName());
        if (!isSafeName(name) || !MacroFiles::isMacroFile(fi.filePath()))
            continue;
        // A name that a macro elsewhere in the library (or in this import)
        // holds stays out, and the rest of the folder comes in. A macro
        // already at the target is kept as it is, as before.
        const QString file = QDir::cleanPath(target + QLatin1Char('/') + name + ".bin");
        QStringList &holders = held[name];
        if (MacroPaths::isReservedName(name) ||
            std::any_of(holders.cbegin(), holders.cend(),
                        [&file](const QString &path) { return path != file; })) {
            if (!m_refusedNames.contains(name))
                m_refusedNames.append(name);
            continue;
        }
        if (holders.isEmpty())
            holders.append(file);
        m_macrosAtDepth[depth - 1].append(name);
        QFile::copy(fi.filePath(), file);
    }
    if (depth >= kMaxDepth)
        return;
    for (const QFileInfo &fi : sortedEntries(source, QDir::Dirs, QString())) {
        const QString name = baseNameToFirstDot(fi.fileName());
        if (!isSafeName(name))
            continue;
        if (MacroPaths::isReservedName(name)) {
            if (!m_refusedNames.contains(name))
                m_refusedNames.append(name);
            continue;
        }
        m_foldersAtDepth[depth - 1].append(name);
        const QString folder = target + QLatin1Char('/') + name;
        QDir().mkdir(folder);
        importFolder(fi.filePath(), folder, depth + 1, held);
    }
}

void MacroLibrary::loadMacroFile_sub_batch()
{
    clearDepthLists();
    m_refusedNames.clear();
    if (m_batchSource.isEmpty())
        return;
    const QString name = baseNameToFirstDot(QFileInfo(m_batchSource).fileName());
    if (!isSafeName(name))
        return;
    QHash<QString, QStringList> held = macroFilesByName();
    importFolder(m_batchSource, libraryRoot() + QLatin1Char('/') + name, 1, held);
}

QStringList MacroLibrary::getMacroFileName_batch(int macroLevel, int macroType)
{
    if (macroLevel < 1 || macroLevel > kMaxDepth)
        return {};
    if (macroType == 0)
        return m_macrosAtDepth[macroLevel - 1];
    return macroLevel < kMaxDepth ? m_foldersAtDepth[macroLevel - 1] : QStringList();
}

void MacroLibrary::walkLibrary(QSettings &names, const QString &folder, const QString &prefix,
                               int depth, int deleteLevel)
{
    const QString suffix = QStringLiteral(".bin");
    for (const QFileInfo &fi : sortedEntries(folder, QDir::Files, QStringLiteral("*.bin")))
        m_macrosAtDepth[depth - 1].append(withoutSuffix(fi.fileName(), suffix));
    if (depth >= kMaxDepth)
        return;
    for (const QFileInfo &fi : sortedEntries(folder, QDir::Dirs, QString())) {
        const QString name = fi.fileName();
        m_foldersAtDepth[depth - 1].append(name);
        const QString sub = prefix + name;
        if (deleteLevel <= depth)
            dropListSet(names, sub);
        walkLibrary(names, fi.filePath(), sub, depth + 1, deleteLevel);
    }
}

void MacroLibrary::searchMacroFile_sub_batch(const QString &currentName, int currentLevel,
                                             int deleteLevel)
{
    clearDepthLists();
    if (currentLevel < 0 || currentLevel >= MacroPaths::kMaxLevel)
        return;
    const QString start =
        MacroPaths::itemPath(libraryRoot(), m_selection, currentLevel, currentName, true);
    if (start.isEmpty())
        return;
    // The folder's own name starts the prefixes, as the name lists know it.
    QSettings *names = nameList();
    if (!names)
        return;
    if (deleteLevel == 0)
        dropListSet(*names, currentName);
    walkLibrary(*names, start, currentName, 1, deleteLevel);
    nameListWritten();
}

void MacroLibrary::getbatchPath()
{
    m_exportRoot.clear();
    UserDialogs *dialogs = m_dialogs;
    if (!dialogs)
        return;
    const QString chosen =
        dialogs->getExistingDirectory(QStringLiteral("Save File"), dialogFolder());
    if (chosen.isEmpty())
        return;
    m_exportRoot = QDir::cleanPath(chosen) + QStringLiteral("/Macro");
    QDir().mkdir(m_exportRoot);
}

void MacroLibrary::saveMacroFile_batch(int macroLevel, const QVariantList &macroFileName,
                                       const QVariantList &macroFileType)
{
    if (m_exportRoot.isEmpty())
        return;
    const QString from = MacroPaths::levelFolder(libraryRoot(), m_selection, macroLevel);
    const QString to = MacroPaths::levelFolder(m_exportRoot, m_selection, macroLevel);
    if (from.isEmpty() || to.isEmpty())
        return;
    for (int i = 0; i < macroFileName.size() && i < macroFileType.size(); ++i) {
        const QString name = macroFileName.at(i).toString();
        if (!isSafeName(name))
            continue;
        bool ok = false;
        const int type = macroFileType.at(i).toString().trimmed().toInt(&ok);
        if (!ok)
            continue;
        if (type == 0) {
            MacroFiles::replaceFile(from + QLatin1Char('/') + name + QStringLiteral(".bin"),
                                    to + QLatin1Char('/') + name + QStringLiteral(".mc"));
        } else if (type == 1) {
            QDir().mkdir(to + QLatin1Char('/') + name);
        }
    }
}
