#include "macro/macrolibrary.h"

#include "devicesettings/commandfamily.h"
#include "devicesettings/mousedevice.h"
#include "macro/macroencoder.h"
#include "macro/macrofiles.h"
#include "settings/settingsfile.h"
#include "settings/settingsstore.h"
#include "settings/userdialogs.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <array>
#include <functional>

using MacroPaths::itemPath;

namespace {

// A level argument as the scene sends it (a number, maybe as text); -1 when
// it is not a number, which every path rule treats as out of range.
int levelOf(const QVariant &v)
{
    bool ok = false;
    const int level = v.toString().trimmed().toInt(&ok);
    return ok ? level : -1;
}

bool isMacroType(const QVariant &type)
{
    return type.toString().trimmed() == QLatin1String("0");
}

// A macro step is stored as one string; a hand-edited file without quotes
// reads back as a list split at the comma.
QString stepText(const QVariant &v)
{
    if (v.userType() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

// A settings value read as a list, whichever way it was written.
QStringList stringsOf(const QVariant &v)
{
    if (!v.isValid())
        return {};
    if (v.userType() == QMetaType::QStringList)
        return v.toStringList();
    if (v.userType() == QMetaType::QVariantList) {
        QStringList out;
        for (const QVariant &item : v.toList())
            out.append(item.toString());
        return out;
    }
    return {v.toString()};
}

// Bound on config/total when loading, so that a damaged or foreign file
// cannot make the list grow without end.
constexpr int kMaxLoadedSteps = 65536;

constexpr int kProfilesCleanedOnDelete = 6; // p1..p6
constexpr int kButtons = 16;
constexpr int kMacroSlots = 12;

} // namespace

MacroLibrary::MacroLibrary(SettingsStore *store, MouseDevice *device, UserDialogs *dialogs,
                           QObject *parent)
    : QObject(parent), m_store(store), m_device(device), m_dialogs(dialogs),
      // The program names its modules folder "./modules"; a walk of the tree
      // takes folder names from the paths it finds, which must therefore
      // start from a root that does not depend on how it was written.
      m_root(
          QDir::cleanPath(QFileInfo(store->modulePath(QStringLiteral("macro"))).absoluteFilePath()))
{
}

MacroLibrary::~MacroLibrary() = default;

QString MacroLibrary::nameListPath() const
{
    return m_store->modulePath(QStringLiteral("setting/name.bin"));
}

void MacroLibrary::setMacroSelectName(const QVariant &name1, const QVariant &name2,
                                      const QVariant &name3, const QVariant &name4,
                                      const QVariant &name5)
{
    m_selection.names[0] = name1.toString();
    m_selection.names[1] = name2.toString();
    m_selection.names[2] = name3.toString();
    m_selection.names[3] = name4.toString();
    m_selection.names[4] = name5.toString();
}

void MacroLibrary::setMacroLevel(const QVariant &level)
{
    m_level = level.toString();
}

bool MacroLibrary::createMacroIni(const QVariant &name, const QVariant &macroIndex,
                                  const QVariant &macroLevel, const QVariant &macroType)
{
    const int level = levelOf(macroLevel);
    const bool folder = !isMacroType(macroType);
    // A level outside the tree creates nothing yet still answers true, as the
    // scene expects; a name that is not one path component is refused.
    if (level < 0 || level > MacroPaths::kMaxLevel)
        return true;
    const QString path = itemPath(libraryRoot(), m_selection, level, name.toString(), folder);
    if (path.isEmpty())
        return false;

    if (!folder) {
        if (nameHeldElsewhere(name.toString(), path)) {
            qDebug() << "macro not created: the library already holds the name" << name;
            return false;
        }
        return createMacroFile(path, macroIndex.toUInt());
    }

    // A folder goes only into a folder that is already there.
    if (!QFileInfo(QFileInfo(path).path()).isDir())
        return true;
    if (QFileInfo(path).isDir()) {
        if (m_dialogs)
            m_dialogs->warning(QStringLiteral("Create folder"), QStringLiteral("Duplicate name！"));
        return true;
    }
    QDir().mkdir(path);
    return true;
}

bool MacroLibrary::createMacroFile(const QString &path, uint index)
{
    const QFileInfo target(path);
    if (target.isDir() || (target.isSymLink() && !target.exists())) {
        qDebug() << "macro file cannot be created: something else has its name" << path;
        return false;
    }
    // The folders on the way are made as the settings writer would make
    // them, and taken away again when the file cannot be written.
    QStringList made;
    for (QFileInfo dir(target.path()); !dir.exists() && !dir.isSymLink();
         dir = QFileInfo(dir.path()))
        made.prepend(dir.filePath());
    for (const QString &dir : std::as_const(made)) {
        if (!QDir().mkdir(dir)) {
            qDebug() << "macro folder cannot be created" << dir;
            made.resize(made.indexOf(dir));
            break;
        }
    }
    const bool existed = target.exists();
    bool ok = QFileInfo(target.path()).isDir();
    if (ok) {
        const SettingsFile::Handle file = SettingsFile::open(path);
        file->setValue(QStringLiteral("config/index"), index);
        file->setValue(QStringLiteral("config/total"), 0);
        file->setValue(QStringLiteral("config/repeat"), 1);
        file->setValue(QStringLiteral("config/did"), -1);
        ok = SettingsFile::sync(*file) && QFileInfo(path).isFile();
    }
    if (!ok) {
        qDebug() << "macro file cannot be created" << path;
        if (!existed)
            QFile::remove(path);
        for (auto it = made.crbegin(); it != made.crend(); ++it)
            QDir().rmdir(*it);
    }
    return ok;
}

bool MacroLibrary::saveMacroIni(const QVariant &macroLevel, const QVariant &name,
                                const QStringList &macros, const QVariant &repeat)
{
    const QString path =
        itemPath(libraryRoot(), m_selection, levelOf(macroLevel), name.toString(), false);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    const SettingsFile::Handle file = SettingsFile::open(path);
    file->remove(QStringLiteral("macro"));
    file->setValue(QStringLiteral("config/total"), int(macros.size()));
    file->setValue(QStringLiteral("config/repeat"), repeat.toInt());
    for (int i = 0; i < macros.size(); ++i)
        file->setValue(QStringLiteral("macro/") + QString::number(i), macros.at(i));
    return SettingsFile::sync(*file);
}

QStringList MacroLibrary::loadMacroIni(const QVariant &macroLevel, const QVariant &name)
{
    const QString path =
        itemPath(libraryRoot(), m_selection, levelOf(macroLevel), name.toString(), false);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return {};
    const SettingsFile::Handle file = SettingsFile::open(path);
    const int total =
        qBound(0, file->value(QStringLiteral("config/total"), 0).toInt(), kMaxLoadedSteps);
    QStringList out;
    out.reserve(total + 1);
    for (int i = 0; i < total; ++i) {
        const QVariant v = file->value(QStringLiteral("macro/") + QString::number(i));
        out.append(v.isValid() ? stepText(v) : QStringLiteral("0"));
    }
    const QVariant repeat = file->value(QStringLiteral("config/repeat"));
    out.append(repeat.isValid() ? repeat.toString() : QStringLiteral("0"));
    return out;
}

QStringList MacroLibrary::loadMacroByName(const QString &name)
{
    if (!MacroPaths::isSafeName(name))
        return {};
    // Breadth first, so a macro near the root wins over one deep in a folder.
    QStringList folders{libraryRoot()};
    for (int depth = 0; depth <= MacroPaths::kMaxLevel && !folders.isEmpty(); ++depth) {
        QStringList next;
        for (const QString &folder : std::as_const(folders)) {
            const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".bin");
            if (QFileInfo(file).isFile()) {
                const MacroPaths::SelectionPath saved = m_selection;
                const QStringList parts =
                    QDir(libraryRoot()).relativeFilePath(folder).split(QLatin1Char('/'));
                MacroPaths::SelectionPath found;
                for (int i = 0; i < depth && i < MacroPaths::kMaxLevel; ++i)
                    found.names[i] = parts.value(i);
                m_selection = found;
                const QStringList steps = loadMacroIni(depth, name);
                m_selection = saved;
                return steps;
            }
            const QFileInfoList subs =
                QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
            for (const QFileInfo &sub : subs)
                next.append(sub.filePath());
        }
        folders = next;
    }
    return {};
}

QStringList MacroLibrary::getMacroNames()
{
    QStringList names;
    forEachMacroFile([&names](const QString &name, const QString &) {
        if (!names.contains(name))
            names.append(name);
    });
    return names;
}

void MacroLibrary::forEachMacroFile(
    const std::function<void(const QString &name, const QString &path)> &visit) const
{
    QStringList folders{libraryRoot()};
    for (int depth = 0; depth <= MacroPaths::kMaxLevel && !folders.isEmpty(); ++depth) {
        QStringList next;
        for (const QString &folder : std::as_const(folders)) {
            const QFileInfoList files =
                QDir(folder).entryInfoList({QStringLiteral("*.bin")}, QDir::Files, QDir::Name);
            for (const QFileInfo &file : files) {
                const QString name = file.completeBaseName();
                if (MacroPaths::isSafeName(name))
                    visit(name, file.filePath());
            }
            const QFileInfoList subs =
                QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
            for (const QFileInfo &sub : subs)
                next.append(sub.filePath());
        }
        folders = next;
    }
}

QHash<QString, QStringList> MacroLibrary::macroFilesByName() const
{
    QHash<QString, QStringList> files;
    forEachMacroFile([&files](const QString &name, const QString &path) {
        files[name].append(QDir::cleanPath(path));
    });
    return files;
}

bool MacroLibrary::nameHeldElsewhere(const QString &name, const QString &ownPath) const
{
    const QStringList files = macroFilesByName().value(name);
    const QString own = QDir::cleanPath(ownPath);
    return std::any_of(files.cbegin(), files.cend(),
                       [&own](const QString &file) { return file != own; });
}

bool MacroLibrary::isMacroNameTaken(const QString &name)
{
    return nameHeldElsewhere(name, QString());
}

bool MacroLibrary::bindingPlaysFrom(const QString &name, const QString &path) const
{
    const QStringList files = macroFilesByName().value(name);
    if (files.isEmpty())
        return true;
    const QString own = QDir::cleanPath(path);
    return files.first() == own || files.first().startsWith(own + QLatin1Char('/'));
}

QStringList MacroLibrary::ambiguousMacroNames()
{
    const QHash<QString, QStringList> files = macroFilesByName();
    QStringList names;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (it.value().size() > 1)
            names.append(it.key());
    }
    names.sort();
    return names;
}

bool MacroLibrary::deleteMacroIni(const QVariant &macroLevel, const QVariant &macroType,
                                  const QVariant &name)
{
    const bool folder = !isMacroType(macroType);
    const QString path =
        itemPath(libraryRoot(), m_selection, levelOf(macroLevel), name.toString(), folder);
    if (path.isEmpty())
        return false;
    if (!folder)
        return QFileInfo(path).isFile() && QFile::remove(path);
    MacroFiles::removeFolderTree(path);
    return true;
}

bool MacroLibrary::removeEmptyFolder(int level, const QString &name)
{
    const QString path = itemPath(libraryRoot(), m_selection, level, name, true);
    return !path.isEmpty() && QDir().rmdir(path);
}

bool MacroLibrary::modifyMacroNameUpdateProfile(const QVariant &macroLevel,
                                                const QVariant &macroType, const QVariant &oldname,
                                                const QVariant &newname)
{
    const int level = levelOf(macroLevel);
    const bool folder = !isMacroType(macroType);
    const QString oldPath = itemPath(libraryRoot(), m_selection, level, oldname.toString(), folder);
    const QString newPath = itemPath(libraryRoot(), m_selection, level, newname.toString(), folder);
    if (oldPath.isEmpty() || newPath.isEmpty())
        return false;

    // A rename never replaces what already carries the new name.
    const QFileInfo target(newPath);
    const bool taken = target.exists() || target.isSymLink();

    if (!folder) {
        if (!QFileInfo(oldPath).isFile() || taken || isMacroNameTaken(newname.toString()))
            return false;
        return QFile::rename(oldPath, newPath);
    }
    if (!QFileInfo(oldPath).isDir()) {
        qDebug()
            << "========================  rename  = false  ===================================";
        return false;
    }
    qDebug() << "=========  oldfilePathName ==" << oldPath << ",newfilePathName = " << newPath
             << ",exist = " << true;
    if (taken)
        return false;
    return QDir().rename(oldPath, newPath);
}

void MacroLibrary::deleteMacroUpdateProfile(const QString &macroName)
{
    QSettings *defaults = m_store->defaults();
    for (int p = 0; p < kProfilesCleanedOnDelete; ++p) {
        QSettings *profile = m_store->profile(p);
        if (!profile)
            continue;
        for (int k = 0; k < kButtons; ++k) {
            const QString matrixKey = QStringLiteral("mouseKeyMatrix/") + QString::number(k);
            const QStringList entry = stringsOf(profile->value(matrixKey));
            if (entry.size() < 3 || entry.at(0).trimmed() != QLatin1String("4"))
                continue;
            const QString slotKey = QStringLiteral("mouseMacroKey/") + entry.at(2).trimmed();
            if (profile->value(slotKey).toString() != macroName)
                continue;
            const QStringList fallback =
                defaults ? stringsOf(defaults->value(matrixKey)) : QStringList();
            profile->setValue(matrixKey, fallback);
        }
        // On disk at once, like every write through the data interface.
        SettingsFile::sync(*profile);
    }
}

bool MacroLibrary::mouseSendMacroData(const QVariantList &macroData, const QVariant &macroIndex)
{
    const int index = macroIndex.toInt() & 0xFF;
    if (index >= kMacroSlots)
        return true; // no such slot: nothing to send, as the scene expects
    if (!m_device)
        return false;
    // The block is the slot's whole memory: longer data is cut, never written
    // past its end.
    std::array<uchar, MacroEncoder::kBlockSize> block{};
    const int n = qMin(int(macroData.size()), MacroEncoder::kBlockSize);
    for (int i = 0; i < n; ++i)
        block[size_t(i)] = uchar(macroData.at(i).toInt() & 0xFF);
    // False when the command did not reach the mouse (busy link, write
    // failed, device gone): kesta-ctl and the assignment overlay tell the user.
    return m_device->family().sendMacro(m_device->hid(), uchar(index + 1), block.data());
}

QVariantList MacroLibrary::encodeMacro(const QStringList &steps, int repeat)
{
    const QByteArray bytes = MacroEncoder::encode(steps, repeat);
    QVariantList out;
    out.reserve(bytes.size());
    for (const char b : bytes)
        out.append(int(uchar(b)));
    return out;
}

int MacroLibrary::macroEncodedLength(const QStringList &steps)
{
    return MacroEncoder::encodedLength(steps);
}
