#include "model/appprofilemodel.h"

#include "model/models.h"
#include "model/profilelistmodel.h"
#include "settings/settingsstore.h"
#include "view/operations.h"

#include <QSet>

#include <algorithm>

namespace {

const QString kClasses = QStringLiteral("appProfiles/classes");
const QString kProfiles = QStringLiteral("appProfiles/profiles");
const QString kReturnTo = QStringLiteral("appProfiles/returnTo");

// A stored list as it reads back: a one-item list may come back as a plain
// value, an empty one as nothing.
QStringList storedList(SettingsStore *store, const QString &key)
{
    return SettingsStore::dropPadding(store->getGlobalData(key).toStringList());
}

int profileNumber(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok && n >= 0 && n < ProfileListModel::kMaxProfiles ? n : -1;
}

bool writeRules(SettingsStore *store, const QList<AppProfileModel::Rule> &rules)
{
    QStringList classes;
    QStringList profiles;
    for (const AppProfileModel::Rule &r : rules) {
        classes.append(r.windowClass);
        profiles.append(QString::number(r.profile));
    }
    SettingsStore::WriteBatch batch(store);
    store->setGlobalData(kClasses, classes);
    store->setGlobalData(kProfiles, profiles);
    return batch.commit();
}

} // namespace

AppProfileModel::AppProfileModel(Operations &ops, ProfileListModel *profiles, QObject *parent)
    : QAbstractListModel(parent), m_ops(ops), m_profiles(profiles)
{
    if (m_profiles) {
        // The rules show the profiles' names as the list holds them.
        connect(m_profiles, &ProfileListModel::namesChanged, this, [this] {
            if (!m_rules.isEmpty())
                emit dataChanged(index(0), index(count() - 1), {ProfileNameRole});
        });
    }
    reload();
}

AppProfileModel::~AppProfileModel() = default;

AppProfileModel *AppProfileModel::create(QQmlEngine *, QJSEngine *)
{
    return Models::expose(Models::instance() ? Models::instance()->appProfiles() : nullptr);
}

QList<AppProfileModel::Rule> AppProfileModel::parse(const QStringList &classes,
                                                    const QStringList &profiles)
{
    const QStringList c = SettingsStore::dropPadding(classes);
    const QStringList p = SettingsStore::dropPadding(profiles);
    QList<Rule> out;
    QSet<QString> seen;
    for (qsizetype i = 0; i < qMin(c.size(), p.size()); ++i) {
        const int number = profileNumber(p.at(i));
        if (c.at(i).isEmpty() || number < 0 || seen.contains(c.at(i)))
            continue;
        seen.insert(c.at(i));
        out.append({c.at(i), number});
    }
    return out;
}

QList<AppProfileModel::Rule> AppProfileModel::storedRules(SettingsStore *store)
{
    return parse(storedList(store, kClasses), storedList(store, kProfiles));
}

int AppProfileModel::storedReturnTo(SettingsStore *store)
{
    return profileNumber(store->getGlobalData(kReturnTo).toString());
}

bool AppProfileModel::forgetProfile(SettingsStore *store, int number)
{
    QList<Rule> rules = storedRules(store);
    const qsizetype before = rules.size();
    rules.removeIf([number](const Rule &r) { return r.profile == number; });
    const bool returnsToIt = storedReturnTo(store) == number;
    if (rules.size() == before && !returnsToIt)
        return true;
    SettingsStore::WriteBatch batch(store);
    if (rules.size() != before)
        writeRules(store, rules);
    if (returnsToIt)
        store->setGlobalData(kReturnTo, QString());
    return batch.commit();
}

int AppProfileModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant AppProfileModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const Rule &r = m_rules.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case WindowClassRole:
        return r.windowClass;
    case ProfileRole:
        return r.profile;
    case ProfileNameRole: {
        const QString name = profiles().nameAt(profiles().indexOfNumber(r.profile));
        return name.isEmpty() ? QString::number(r.profile) : name;
    }
    }
    return {};
}

QHash<int, QByteArray> AppProfileModel::roleNames() const
{
    return {{WindowClassRole, "windowClass"},
            {ProfileRole, "profile"},
            {ProfileNameRole, "profileName"}};
}

ProfileListModel &AppProfileModel::profiles() const
{
    if (m_profiles)
        return *m_profiles;
    if (!m_ownProfiles) {
        m_ownProfiles = std::make_unique<ProfileListModel>(m_ops);
        m_ownProfiles->reload();
    }
    return *m_ownProfiles;
}

int AppProfileModel::returnTo() const
{
    return storedReturnTo(m_ops.settings());
}

void AppProfileModel::setWatch(Watch watch)
{
    if (watch == m_watch)
        return;
    m_watch = watch;
    emit watchChanged();
}

void AppProfileModel::setWindowClassSource(std::function<QStringList()> source)
{
    m_windowClassSource = std::move(source);
}

void AppProfileModel::reload()
{
    setRules(storedRules(m_ops.settings()));
    emit returnToChanged();
}

void AppProfileModel::setRules(const QList<Rule> &rules)
{
    if (rules == m_rules)
        return;
    const bool countChanges = rules.size() != m_rules.size();
    beginResetModel();
    m_rules = rules;
    endResetModel();
    if (countChanges)
        emit countChanged();
}

bool AppProfileModel::store(const QList<Rule> &rules)
{
    if (!writeRules(m_ops.settings(), rules)) {
        reload(); // shows what the file still holds
        return false;
    }
    setRules(rules);
    return true;
}

int AppProfileModel::profileFor(const QString &windowClass) const
{
    for (const Rule &r : m_rules) {
        if (r.windowClass == windowClass)
            return r.profile;
    }
    return -1;
}

AppProfileModel::Outcome AppProfileModel::setRule(const QString &windowClass,
                                                  const QString &profile)
{
    if (windowClass.isEmpty() || windowClass == SettingsStore::paddingItem())
        return Outcome::EmptyClass;
    if (m_profiles == nullptr && m_ownProfiles)
        m_ownProfiles->reload();
    const int number = profiles().numberOf(profile);
    if (number < 0)
        return Outcome::NoSuchProfile;
    QList<Rule> rules = m_rules;
    bool replaced = false;
    for (Rule &r : rules) {
        if (r.windowClass == windowClass) {
            r.profile = number;
            replaced = true;
        }
    }
    if (!replaced)
        rules.append({windowClass, number});
    return store(rules) ? Outcome::Done : Outcome::NotStored;
}

bool AppProfileModel::addRule(const QString &windowClass, int profile)
{
    return setRule(windowClass, QString::number(profile)) == Outcome::Done;
}

AppProfileModel::Outcome AppProfileModel::removeRule(const QString &windowClass)
{
    QList<Rule> rules = m_rules;
    if (!rules.removeIf([&](const Rule &r) { return r.windowClass == windowClass; }))
        return Outcome::NoSuchRule;
    return store(rules) ? Outcome::Done : Outcome::NotStored;
}

bool AppProfileModel::removeAt(int row)
{
    if (row < 0 || row >= count())
        return false;
    return removeRule(m_rules.at(row).windowClass) == Outcome::Done;
}

bool AppProfileModel::hasRulesFor(int profile) const
{
    return std::any_of(m_rules.cbegin(), m_rules.cend(),
                       [profile](const Rule &r) { return r.profile == profile; });
}

bool AppProfileModel::setReturnTo(int profile)
{
    if (profile < 0 || profile >= ProfileListModel::kMaxProfiles)
        return false;
    if (profile == returnTo())
        return true;
    SettingsStore *store = m_ops.settings();
    SettingsStore::WriteBatch batch(store);
    store->setGlobalData(kReturnTo, QString::number(profile));
    const bool stored = batch.commit();
    emit returnToChanged();
    return stored;
}

void AppProfileModel::refreshWindowClasses()
{
    QStringList classes = m_windowClassSource ? m_windowClassSource() : QStringList();
    classes.removeAll(QString());
    classes.sort();
    classes.removeDuplicates();
    if (classes == m_windowClasses)
        return;
    m_windowClasses = classes;
    emit windowClassesChanged();
}
