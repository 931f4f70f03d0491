#include "model/recoilmodel.h"

#include "devicesettings/recoildata.h"
#include "model/models.h"
#include "settings/settingsstore.h"

#include <algorithm>
#include <cmath>

namespace {

const QStringList kBuiltInWeapons{QStringLiteral("M416"),  QStringLiteral("AKM"),
                                  QStringLiteral("M16A4"), QStringLiteral("SCAR-L"),
                                  QStringLiteral("UNP9"),  QStringLiteral("Thomson")};

// A number as the editor reads one: the floor of its value, or `fallback`.
int toInt(const QVariant &v, int fallback)
{
    bool ok = false;
    const QString text = v.toString().trimmed();
    const double d = text.isEmpty() ? 0.0 : text.toDouble(&ok);
    if (!text.isEmpty() && !ok)
        return fallback;
    return std::isfinite(d) ? int(std::floor(d)) : fallback;
}

} // namespace

RecoilModel::RecoilModel(Operations &ops, QObject *parent) : PageModel(ops, parent) {}

RecoilModel *RecoilModel::create(QQmlEngine *, QJSEngine *)
{
    return Models::expose(Models::instance() ? Models::instance()->recoil() : nullptr);
}

RecoilModel::Weapon RecoilModel::weaponFrom(const QVariantList &record, int index)
{
    Weapon w;
    w.name = index < kBuiltInWeapons.size() ? kBuiltInWeapons.at(index)
                                            : QStringLiteral("Weapon %1").arg(index + 1);
    if (record.size() < 6)
        return w;
    if (!record.at(0).toString().isEmpty())
        w.name = record.at(0).toString();
    w.key = record.at(1).toString();
    w.period = qBound(kMinPeriod, toInt(record.at(2), 10), kMaxPeriod);
    w.x = qBound(-128, toInt(record.at(3), 0), 127);
    w.y = qBound(-127, toInt(record.at(4), 10), 127);
    w.times = qBound(0, toInt(record.at(5), 0), 255);
    return w;
}

QVariantList RecoilModel::weaponList() const
{
    QVariantList out;
    for (const Weapon &w : m_weapons) {
        out.append(QVariantMap{{QStringLiteral("name"), w.name},
                               {QStringLiteral("key"), w.key},
                               {QStringLiteral("period"), w.period},
                               {QStringLiteral("x"), w.x},
                               {QStringLiteral("y"), w.y},
                               {QStringLiteral("times"), w.times}});
    }
    return out;
}

QStringList RecoilModel::weaponNames() const
{
    QStringList out;
    for (const Weapon &w : m_weapons)
        out << w.name;
    return out;
}

QVariantList RecoilModel::selectGunList() const
{
    return {m_selectGun[0], m_selectGun[1], m_selectGun[2]};
}

void RecoilModel::setCurrentSlot(int slot)
{
    if (slot == m_currentSlot)
        return;
    m_currentSlot = slot;
    emit currentChanged();
}

void RecoilModel::setCurrentWeapon(int weapon)
{
    if (weapon == m_currentWeapon)
        return;
    m_currentWeapon = weapon;
    emit currentChanged();
    emit shownChanged();
}

QVariantMap RecoilModel::shown() const
{
    if (m_currentWeapon >= 0 && m_currentWeapon < m_weapons.size())
        return weaponList().at(m_currentWeapon).toMap();
    return {{QStringLiteral("name"), QString()},
            {QStringLiteral("key"), QString()},
            {QStringLiteral("period"), kMinPeriod},
            {QStringLiteral("x"), 0},
            {QStringLiteral("y"), 0},
            {QStringLiteral("times"), 0}};
}

QVariantList RecoilModel::slotPeriods() const
{
    QVariantList out;
    for (int s = 0; s < 3; ++s) {
        const int i = m_selectGun[s];
        out.append(i >= 0 && i < m_weapons.size() ? m_weapons.at(i).period : 10);
    }
    return out;
}

void RecoilModel::sendSlot(int slot)
{
    const int i = m_selectGun[slot];
    if (i < 0 || i >= m_weapons.size() || !recoil())
        return;
    const Weapon &w = m_weapons.at(i);
    recoil()->mouseSendGundata(slot + 1, {w.times, w.x, w.y});
}

bool RecoilModel::saveWeapons(int from, int to)
{
    from = std::max(from, 0);
    to = std::min(to, int(m_weapons.size()) - 1);
    if (from > to || !recoil())
        return true;
    QList<QPair<QVariant, QVariantList>> rows;
    for (int i = from; i <= to; ++i) {
        const Weapon &w = m_weapons.at(i);
        rows.append({i,
                     {w.name, w.key, QString::number(w.period), QString::number(w.x),
                      QString::number(w.y), QString::number(w.times)}});
    }
    setSave(true);
    return recoil()->saveGundataRows(rows);
}

void RecoilModel::init(bool isSendData, bool)
{
    QList<Weapon> list;
    if (RecoilData *data = recoil()) {
        const int count = qMax(int(kBuiltInWeapons.size()), int(data->getGunDataKey().size()));
        for (int i = 0; i < count; ++i)
            list.append(weaponFrom(data->getGunData(i), i));
    } else {
        for (int i = 0; i < kBuiltInWeapons.size(); ++i)
            list.append(weaponFrom({}, i));
    }
    m_weapons = list;
    const QVariantList stored = store()->getGlobalData(QStringLiteral("mouse/selectGun")).toList();
    std::array<int, 3> chosen{0, 1, 2};
    if (stored.size() >= 3) {
        for (int s = 0; s < 3; ++s) {
            const int n = toInt(stored.at(s), s);
            chosen[s] = n >= 0 && n < list.size() ? n : s;
        }
    }
    m_selectGun = chosen;
    m_currentSlot = 0;
    m_currentWeapon = chosen[0];
    emit weaponsChanged();
    emit selectGunChanged();
    emit currentChanged();
    emit shownChanged();
    if (isSendData) {
        for (int k = 0; k < 3; ++k)
            sendSlot(k);
    }
}

void RecoilModel::reset()
{
    m_selectGun = {0, 1, 2};
    store()->setGlobalData(QStringLiteral("mouse/selectGun"), QVariantList{0, 1, 2});
    static const int kYs[3] = {5, 7, 8};
    for (int i = 0; i < 3 && i < m_weapons.size(); ++i) {
        m_weapons[i].y = kYs[i];
        m_weapons[i].period = 9;
    }
    // The slots get only what the table holds.
    if (saveWeapons(0, 2)) {
        for (int s = 0; s < 3; ++s)
            sendSlot(s);
    }
    m_currentSlot = 0;
    m_currentWeapon = 0;
    emit weaponsChanged();
    emit selectGunChanged();
    emit currentChanged();
    emit shownChanged();
}

bool RecoilModel::save(bool all)
{
    const int from = all ? 0 : m_currentWeapon;
    const int to = all ? int(m_weapons.size()) - 1 : m_currentWeapon;
    // One write of the table; the slots get only what it holds.
    const bool stored = saveWeapons(from, to);
    for (int s = 0; stored && s < 3; ++s) {
        if (m_selectGun[s] >= from && m_selectGun[s] <= to)
            sendSlot(s);
    }
    emit periodsEdited();
    return stored;
}

void RecoilModel::edit(const QString &field, const QVariant &value)
{
    if (m_currentWeapon < 0 || m_currentWeapon >= m_weapons.size())
        return;
    Weapon &w = m_weapons[m_currentWeapon];
    if (field == QLatin1String("name"))
        w.name = value.toString();
    else if (field == QLatin1String("key"))
        w.key = value.toString();
    else if (field == QLatin1String("period"))
        w.period = value.toInt();
    else if (field == QLatin1String("x"))
        w.x = value.toInt();
    else if (field == QLatin1String("y"))
        w.y = value.toInt();
    else if (field == QLatin1String("times"))
        w.times = value.toInt();
    else
        return;
    emit weaponsChanged();
    emit shownChanged();
}

bool RecoilModel::rename(const QString &text)
{
    const QString name = text.trimmed();
    if (name.isEmpty())
        return false;
    edit(QStringLiteral("name"), name);
    return true;
}

void RecoilModel::chooseSlotWeapon(int slot, int weapon)
{
    if (slot < 0 || slot > 2 || weapon < 0 || weapon >= m_weapons.size())
        return;
    m_selectGun[slot] = weapon;
    store()->setGlobalData(QStringLiteral("mouse/selectGun"), selectGunList());
    m_currentSlot = slot;
    m_currentWeapon = weapon;
    emit selectGunChanged();
    emit currentChanged();
    emit shownChanged();
    sendSlot(slot);
    emit periodsEdited();
}
