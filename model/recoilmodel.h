// The recoil editor's state: the weapon table (name, trigger key, fire
// period, X, Y, times; 0 times = endless) and the weapon in each of the three
// recoil slots. A slot's weapon is sent when the slot changes; the fire
// periods of the slotted weapons reach the mouse with the key matrix.
#pragma once

#include "model/pagemodel.h"

#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <array>

class QJSEngine;
class QQmlEngine;

class RecoilModel : public PageModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // [{name, key, period, x, y, times}] in table order.
    Q_PROPERTY(QVariantList weapons READ weaponList NOTIFY weaponsChanged)
    Q_PROPERTY(QStringList weaponNames READ weaponNames NOTIFY weaponsChanged)
    // The weapon index in each of the three slots.
    Q_PROPERTY(QVariantList selectGun READ selectGunList NOTIFY selectGunChanged)
    Q_PROPERTY(int currentSlot READ currentSlot WRITE setCurrentSlot NOTIFY currentChanged)
    Q_PROPERTY(int currentWeapon READ currentWeapon WRITE setCurrentWeapon NOTIFY currentChanged)
    // The weapon being edited.
    Q_PROPERTY(QVariant shown READ shownValue NOTIFY shownChanged)
    Q_PROPERTY(int minPeriod READ minPeriod CONSTANT)
    Q_PROPERTY(int maxPeriod READ maxPeriod CONSTANT)

public:
    struct Weapon {
        QString name;
        QString key = QStringLiteral("L-Click");
        int period = 10;
        int x = 0;
        int y = 10;
        int times = 0;
    };
    static constexpr int kMinPeriod = 5;
    static constexpr int kMaxPeriod = 91;

    explicit RecoilModel(Operations &ops, QObject *parent = nullptr);
    static RecoilModel *create(QQmlEngine *, QJSEngine *);

    // A stored record read with the editor's bounds; `index` names a weapon
    // whose record is missing or short.
    static Weapon weaponFrom(const QVariantList &record, int index);

    QVariantList weaponList() const;
    QStringList weaponNames() const;
    QVariantList selectGunList() const;
    int currentSlot() const { return m_currentSlot; }
    void setCurrentSlot(int slot);
    int currentWeapon() const { return m_currentWeapon; }
    void setCurrentWeapon(int weapon);
    QVariantMap shown() const;
    QVariant shownValue() const { return shown(); }
    int minPeriod() const { return kMinPeriod; }
    int maxPeriod() const { return kMaxPeriod; }

    // The fire periods of the three slotted weapons, for the key matrix.
    Q_INVOKABLE QVariantList slotPeriods() const;

    Q_INVOKABLE void init(bool isSendData, bool isRecovery);
    // Part of reset all: the shipped slots and the first three weapons' values.
    Q_INVOKABLE void reset();
    // Saves the weapon being edited (or all) and sends the slots holding one.
    // False (no slot sent) when the weapon table could not be written.
    Q_INVOKABLE bool save(bool all);
    // Edits a field of the weapon being edited ("name", "key", "period",
    // "x", "y", "times"); nothing is stored until save.
    Q_INVOKABLE void edit(const QString &field, const QVariant &value);
    Q_INVOKABLE bool rename(const QString &text);
    Q_INVOKABLE void chooseSlotWeapon(int slot, int weapon);

signals:
    void weaponsChanged();
    void selectGunChanged();
    void currentChanged();
    void shownChanged();
    // The slotted periods may differ from what the mouse holds: the key
    // matrix has to be sent again.
    void periodsEdited();

private:
    void sendSlot(int slot);
    // Weapons from..to into the table in one write; false when it failed.
    bool saveWeapons(int from, int to);

    QList<Weapon> m_weapons;
    std::array<int, 3> m_selectGun{0, 1, 2};
    int m_currentSlot = 0;
    int m_currentWeapon = 0;
};
