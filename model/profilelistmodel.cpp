#include "model/profilelistmodel.h"

#include "macro/macrolibrary.h"
#include "model/appprofilemodel.h"
#include "model/feedbacktexts.h"
#include "model/keymatrixmodel.h"
#include "model/models.h"
#include "settings/settingsstore.h"
#include "view/operations.h"

ProfileListModel::ProfileListModel(Operations &ops, QObject *parent)
    : QAbstractListModel(parent), m_ops(ops)
{
}

ProfileListModel *ProfileListModel::create(QQmlEngine *, QJSEngine *)
{
    return Models::expose(Models::instance() ? Models::instance()->profiles() : nullptr);
}

QList<ProfileListModel::Entry> ProfileListModel::parse(const QStringList &stored)
{
    QList<Entry> out;
    for (const QString &entry : SettingsStore::dropPadding(stored)) {
        if (out.size() >= kMaxProfiles)
            break;
        const QChar digit = entry.isEmpty() ? QChar() : entry.back();
        if (entry.size() < 2 || digit < QLatin1Char('0') || digit > QLatin1Char('9'))
            continue;
        out.append({entry.left(entry.size() - 1), digit.unicode() - '0'});
    }
    return out;
}

int ProfileListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant ProfileListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const Entry &e = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return e.name;
    case NumberRole:
        return e.number;
    case InUseRole:
        return e.number == m_profileInUse;
    }
    return {};
}

QHash<int, QByteArray> ProfileListModel::roleNames() const
{
    return {{NameRole, "name"}, {NumberRole, "number"}, {InUseRole, "inUse"}};
}

QStringList ProfileListModel::names() const
{
    QStringList out;
    for (const Entry &e : m_entries)
        out.append(e.name);
    return out;
}

void ProfileListModel::setProfileInUse(int number)
{
    if (number == m_profileInUse)
        return;
    m_profileInUse = number;
    if (!m_entries.isEmpty())
        emit dataChanged(index(0), index(count() - 1), {InUseRole});
    emit profileInUseChanged();
    emit rowInUseChanged();
}

void ProfileListModel::setEntries(const QList<Entry> &entries)
{
    if (entries == m_entries)
        return;
    const bool counted = entries.size() != m_entries.size();
    beginResetModel();
    m_entries = entries;
    endResetModel();
    if (counted)
        emit countChanged();
    emit namesChanged();
    emit rowInUseChanged();
}

void ProfileListModel::reload()
{
    MacroLibrary *names = m_ops.macros();
    setEntries(names ? parse(names->getNameList(2)) : QList<Entry>());
}

int ProfileListModel::indexOfNumber(int number) const
{
    for (int i = 0; i < count(); ++i) {
        if (m_entries.at(i).number == number)
            return i;
    }
    return -1;
}

int ProfileListModel::numberAt(int row) const
{
    return row >= 0 && row < count() ? m_entries.at(row).number : -1;
}

QString ProfileListModel::nameAt(int row) const
{
    return row >= 0 && row < count() ? m_entries.at(row).name : QString();
}

int ProfileListModel::numberOf(const QString &word) const
{
    for (const Entry &e : m_entries) {
        if (e.name == word)
            return e.number;
    }
    bool ok = false;
    const int n = word.toInt(&ok);
    return ok && indexOfNumber(n) >= 0 ? n : -1;
}

int ProfileListModel::usableNumber(const QVariant &stored) const
{
    bool ok = false;
    const double v = stored.toString().trimmed().toDouble(&ok);
    // A number the list could hold: one last digit.
    const int n = ok && v >= 0 && v < 10 ? int(v) : -1;
    if (m_entries.isEmpty())
        return n >= 0 && n < kMaxProfiles ? n : 0;
    return n >= 0 && indexOfNumber(n) >= 0 ? n : m_entries.first().number;
}

int ProfileListModel::storedInUse(Operations &ops)
{
    ProfileListModel list(ops);
    list.reload();
    return list.usableNumber(ops.settings()->getGlobalData(QStringLiteral("mouse/profileNo")));
}

bool ProfileListModel::nameUsed(const QString &name) const
{
    for (const Entry &e : m_entries) {
        if (e.name == name)
            return true;
    }
    return false;
}

QString ProfileListModel::freeName() const
{
    for (int k = 0; k < 12; ++k) {
        const QString name = QStringLiteral("profile_%1").arg(k);
        if (!nameUsed(name))
            return name;
    }
    return {};
}

int ProfileListModel::freeNumber() const
{
    for (int n = 0; n < kMaxProfiles; ++n) {
        if (indexOfNumber(n) < 0)
            return n;
    }
    return -1;
}

// The list as stored, or, when the file could not be written, the list the
// file still holds: the window never shows an edit that was not kept.
bool ProfileListModel::store(const QList<Entry> &entries)
{
    MacroLibrary *names = m_ops.macros();
    QVariantList stored;
    for (const Entry &e : entries)
        stored.append(e.name + QString::number(e.number));
    if (!names || !names->updataNameList(2, stored)) {
        reload();
        emit refused(NotStored);
        return false;
    }
    setEntries(entries);
    return true;
}

QString ProfileListModel::importRefusal(Refusal reason, bool inEnglish)
{
    using namespace FeedbackTexts;
    const auto say = [inEnglish](Text which) { return inEnglish ? english(which) : text(which); };
    switch (reason) {
    case ListFull:
        return say(Text::ListFull);
    case EmptyName:
    case NameTaken:
        return say(Text::NameTaken);
    case NotAProfile:
        return say(Text::NotAProfile);
    case ProfileNotWritten:
        return say(Text::ProfileNotWritten);
    case NotStored:
        return say(Text::ListNotWritten);
    case InUse:
    case NotImported:
        break;
    }
    return QString();
}

int ProfileListModel::refuseImport(Refusal reason)
{
    emit refused(reason);
    const QString why = importRefusal(reason);
    if (!why.isEmpty())
        emit importRefused(FeedbackTexts::text(FeedbackTexts::NotImported).arg(why));
    return -1;
}

int ProfileListModel::importProfile(const QString &name)
{
    const int number = freeNumber();
    const QString chosen = name.isEmpty() ? freeName() : name;
    if (count() >= kMaxProfiles || number < 0 || chosen.isEmpty())
        return refuseImport(ListFull);
    if (nameUsed(chosen))
        return refuseImport(NameTaken);
    switch (m_ops.settings()->importProfile(number)) {
    case SettingsStore::Import::Loaded:
        break;
    case SettingsStore::Import::Cancelled:
        return refuseImport(NotImported);
    case SettingsStore::Import::NotAProfile:
        return refuseImport(NotAProfile);
    case SettingsStore::Import::NotWritten:
        return refuseImport(ProfileNotWritten);
    }
    guardLeftClick(number, chosen);
    QList<Entry> list = m_entries;
    list.append({chosen, number});
    if (!store(list)) {
        // store() has told the refusal already; the import says it too.
        emit importRefused(
            FeedbackTexts::text(FeedbackTexts::NotImported).arg(importRefusal(NotStored)));
        return -1;
    }
    return count() - 1;
}

void ProfileListModel::guardLeftClick(int number, const QString &name)
{
    const auto outcome = KeyMatrixModel::guardLeftClick(m_ops.settings(), number);
    if (outcome != KeyMatrixModel::LeftClick::Held)
        emit leftClickNotice(KeyMatrixModel::leftClickNotice(outcome, name),
                             outcome == KeyMatrixModel::LeftClick::Restored);
}

bool ProfileListModel::exportProfile(int row)
{
    return row >= 0 && row < count() && m_ops.settings()->saveProfile(m_entries.at(row).number);
}

bool ProfileListModel::resetProfile(int row)
{
    if (row < 0 || row >= count() || !m_ops.settings()->resetProfile(m_entries.at(row).number))
        return false;
    guardLeftClick(m_entries.at(row).number, m_entries.at(row).name);
    return true;
}

bool ProfileListModel::renameProfile(int row, const QString &name)
{
    const QString trimmed = name.trimmed();
    if (row < 0 || row >= count())
        return false;
    if (trimmed.isEmpty()) {
        emit refused(EmptyName);
        return false;
    }
    QList<Entry> list = m_entries;
    list[row].name = trimmed;
    return store(list);
}

bool ProfileListModel::deleteProfile(int row)
{
    if (row < 0 || row >= count())
        return false;
    if (m_entries.at(row).number == m_profileInUse) {
        emit refused(InUse);
        return false;
    }
    const int number = m_entries.at(row).number;
    QList<Entry> list = m_entries;
    list.removeAt(row);
    if (!store(list))
        return false;
    // Numbers do not shift on a delete: only this profile's rules go.
    AppProfileModel::forgetProfile(m_ops.settings(), number);
    emit profileDeleted(number);
    return true;
}
