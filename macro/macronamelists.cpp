// The name lists of name.bin: the plain lists of other pages and the list
// sets that describe the macro tree, one set per folder.
#include "macro/macrolibrary.h"

#include "settings/settingsfile.h"
#include "settings/settingsstore.h"

#include <QDebug>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

const char *const kPlainListKeys[] = {"macro/macroName", "gun/gunName", "profile/profileName",
                                      "gun/selectGun"};
constexpr int kPlainListCount = 4;

// getMacroList_Att numbering of the root lists (the names come from getNameList(0)).
const char *const kRootAttSuffixes[] = {"macroType", "showImg", "txtMargin", "level", "no0",
                                        "no1",       "no2",     "no3",       "no4"};
constexpr int kRootAttCount = 9;

QString key(const QString &prefix, const QString &suffix)
{
    return prefix + QLatin1Char('/') + suffix;
}

} // namespace

namespace {

QString fileStamp(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    return QString::number(info.size()) + QLatin1Char('/') +
           QString::number(info.lastModified().toMSecsSinceEpoch());
}

} // namespace

QSettings *MacroLibrary::nameList() const
{
    const QString path = nameListPath();
    const QString stamp = fileStamp(path);
    if (QFileInfo(path).size() > kMaxNameListSize) {
        // Far beyond any real library: reading it would take memory without
        // end, and writing would replace it with what little was read.
        qDebug() << "name lists refused: the file is larger than" << kMaxNameListSize << "bytes"
                 << path;
        m_nameList.reset();
        m_nameListStamp.clear();
        return nullptr;
    }
    // A batch keeps its changes in the object it holds until it ends.
    if (m_batchDepth > 0 && m_nameList)
        return m_nameList.get();
    if (!m_nameList || stamp != m_nameListStamp) {
        // Changed behind our back (or never read): read it as a new object would.
        m_nameList.reset();
        m_nameList = SettingsFile::open(path);
        m_nameListStamp = stamp;
    }
    return m_nameList.get();
}

bool MacroLibrary::nameListWritten() const
{
    if (!m_nameList)
        return false;
    if (m_batchDepth > 0) {
        m_batchChanged = true;
        return true;
    }
    const bool ok = SettingsFile::sync(*m_nameList);
    m_nameListStamp = fileStamp(nameListPath());
    m_folderScanStamp.clear(); // scanned again, even if size and time came out alike
    if (!ok)
        m_nameList.reset(); // it keeps its error: read anew next time
    return ok;
}

void MacroLibrary::beginListBatch()
{
    ++m_batchDepth;
}

bool MacroLibrary::endListBatch()
{
    if (m_batchDepth == 0 || --m_batchDepth > 0 || !m_batchChanged)
        return true;
    m_batchChanged = false;
    return nameListWritten();
}

namespace {

// A section name as the settings writer escapes keys: %XX and %UXXXX for
// other characters than letters, digits, "_", "-" and ".", "\\" for "/".
QString unescapedSection(const QByteArray &escaped)
{
    QString out;
    for (qsizetype i = 0; i < escaped.size();) {
        const char ch = escaped.at(i);
        if (ch == '\\') {
            out += QLatin1Char('/');
            ++i;
            continue;
        }
        if (ch != '%' || i + 1 == escaped.size()) {
            qsizetype j = i + 1;
            while (j < escaped.size() && escaped.at(j) != '%' && escaped.at(j) != '\\')
                ++j;
            out += QString::fromUtf8(escaped.mid(i, j - i));
            i = j;
            continue;
        }
        const bool wide = escaped.at(i + 1) == 'U';
        const qsizetype digits = wide ? 4 : 2;
        const qsizetype first = i + (wide ? 2 : 1);
        bool ok = first + digits <= escaped.size();
        const ushort code = ok ? escaped.mid(first, digits).toUShort(&ok, 16) : 0;
        if (!ok) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        out += QChar(code);
        i = first + digits;
    }
    // A group literally called "General" is written "%General".
    if (out.startsWith(QLatin1Char('%')) &&
        out.mid(1).compare(QLatin1String("general"), Qt::CaseInsensitive) == 0)
        out.remove(0, 1);
    return out;
}

} // namespace

bool MacroLibrary::listSetMayHoldFolders(const QString &prefix) const
{
    // What a batch holds is not in the file yet.
    if (m_batchDepth > 0)
        return true;
    const QString path = nameListPath();
    const QString stamp = fileStamp(path);
    if (stamp.isEmpty() || QFileInfo(path).size() > kMaxNameListSize)
        return true;
    if (stamp != m_folderScanStamp) {
        m_setsWithFolders.clear();
        m_listSets.clear();
        m_folderScanStamp.clear();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return true;
        const QByteArray text = file.readAll();
        QString section;
        for (qsizetype at = 0; at < text.size();) {
            qsizetype end = text.indexOf('\n', at);
            if (end < 0)
                end = text.size();
            const QByteArray line = text.mid(at, end - at).trimmed();
            at = end + 1;
            if (line.startsWith('[') && line.endsWith(']')) {
                section = unescapedSection(line.mid(1, line.size() - 2));
                m_listSets.insert(section);
            } else if (line.startsWith("macroType")) {
                const QByteArray value = line.mid(line.indexOf('=') + 1);
                // Anything but a macro's 0 (and the padding) may be a folder.
                for (const QByteArray &item : value.split(',')) {
                    const QByteArray type = item.trimmed();
                    if (type != "0" && type != "loaderquiver") {
                        m_setsWithFolders.insert(section);
                        break;
                    }
                }
            }
        }
        m_folderScanStamp = stamp;
    }
    return m_setsWithFolders.contains(prefix) || !m_listSets.contains(prefix);
}

QStringList MacroLibrary::folderList(const QStringList &chain, const QString &suffix) const
{
    return readList(key(MacroPaths::listPrefix(chain), suffix));
}

QStringList MacroLibrary::readList(const QString &key) const
{
    const QSettings *names = nameList();
    if (!names)
        return {};
    const QVariant v = names->value(key);
    // Only a stored list is a list; a plain value reads as an empty one.
    if (v.userType() == QMetaType::QStringList)
        return v.toStringList();
    if (v.userType() == QMetaType::QVariantList)
        return SettingsStore::toTextList(v.toList());
    return {};
}

void MacroLibrary::writeList(QSettings &names, const QString &key, const QStringList &list,
                             bool removeWhenEmpty)
{
    if (list.isEmpty() && removeWhenEmpty)
        names.remove(key);
    else
        names.setValue(key, SettingsStore::padList(list));
}

void MacroLibrary::removeListSet(QSettings &names, const QString &prefix)
{
    for (const QString &suffix : MacroPaths::listSuffixes())
        names.remove(key(prefix, suffix));
}

void MacroLibrary::dropListSet(QSettings &names, const QString &prefix)
{
    qDebug() << "=============================  updataMacroList_delOld, removeName = " << prefix;
    removeListSet(names, prefix);
}

QStringList MacroLibrary::getNameList(int type)
{
    if (type < 0 || type >= kPlainListCount)
        return {};
    return readList(QLatin1String(kPlainListKeys[type]));
}

bool MacroLibrary::updataNameList(int type, const QVariantList &nameList)
{
    if (type < 0 || type >= kPlainListCount)
        return true;
    QSettings *names = this->nameList();
    if (!names)
        return false;
    writeList(*names, QLatin1String(kPlainListKeys[type]), SettingsStore::toTextList(nameList),
              true);
    return nameListWritten();
}

QStringList MacroLibrary::getMacroList_Att(int att)
{
    if (att < 0 || att >= kRootAttCount)
        return {};
    return readList(key(MacroPaths::rootPrefix(), QLatin1String(kRootAttSuffixes[att])));
}

QStringList MacroLibrary::getMacroSubList_Att(int att, const QString &name)
{
    static const char *const suffixes[] = {"macroType", "showImg", "txtMargin", "level",
                                           "macroName", "no0",     "no1",       "no2",
                                           "no3",       "no4"};
    if (att < 0 || att > 9)
        return {};
    const QString prefix = MacroPaths::subListPrefix(m_selection, m_level.toInt(), name);
    // Outside levels 1..5 the keys have no group; nothing writes those.
    const QString k =
        prefix.isEmpty() ? QLatin1String(suffixes[att]) : key(prefix, QLatin1String(suffixes[att]));
    return readList(k);
}

bool MacroLibrary::updataMacroList(int att, int macroLevel, const QString &currentName,
                                   const QVariantList &nameList, const QVariantList &typeList,
                                   const QVariantList &showImg, const QVariantList &txtMargin,
                                   const QVariantList &level, const QVariantList &no0,
                                   const QVariantList &no1, const QVariantList &no2,
                                   const QVariantList &no3, const QVariantList &no4)
{
    const QStringList lists[] = {
        SettingsStore::toTextList(nameList), SettingsStore::toTextList(typeList),
        SettingsStore::toTextList(showImg),  SettingsStore::toTextList(txtMargin),
        SettingsStore::toTextList(level),    SettingsStore::toTextList(no0),
        SettingsStore::toTextList(no1),      SettingsStore::toTextList(no2),
        SettingsStore::toTextList(no3),      SettingsStore::toTextList(no4)};
    qDebug() << "=========================== updataMacroList =====================================";
    QStringList quoted;
    for (const QString &n : lists[0])
        quoted << QLatin1Char('"') + n + QLatin1Char('"');
    qDebug().noquote() << "nameList = "
                       << QLatin1Char('(') + quoted.join(QStringLiteral(", ")) + QLatin1Char(')');

    QSettings *file = this->nameList();
    if (!file)
        return false;
    QSettings &names = *file;
    const QStringList &suffixes = MacroPaths::listSuffixes();
    auto writeSet = [&](const QString &prefix, bool removeEmpty) {
        for (int i = 0; i < suffixes.size(); ++i)
            writeList(names, key(prefix, suffixes.at(i)), lists[i], removeEmpty);
    };
    auto targetPrefix = [&](int count) {
        return count == 0 ? MacroPaths::rootPrefix() : MacroPaths::joinedNames(m_selection, count);
    };

    switch (att) {
    case 0:
    case 1:
        if (macroLevel < 0 || macroLevel > MacroPaths::kMaxLevel)
            return true;
        if (att == 0 && macroLevel > 0)
            removeListSet(names,
                          MacroPaths::joinedNames(m_selection, macroLevel - 1) + currentName);
        writeSet(targetPrefix(macroLevel), true);
        break;
    case 2:
        if (macroLevel < 0 || macroLevel >= MacroPaths::kMaxLevel)
            return true;
        removeListSet(names, MacroPaths::joinedNames(m_selection, macroLevel + 1));
        writeSet(MacroPaths::joinedNames(m_selection, macroLevel) + currentName, false);
        break;
    default:
        break;
    }
    return nameListWritten();
}

void MacroLibrary::updataMacroList_delOld(const QString &macroLevel)
{
    if (QSettings *names = nameList()) {
        dropListSet(*names, macroLevel);
        nameListWritten();
    }
}
