// Recoil data: the weapon table in gun/gunData.bin, the per-profile
// sensitivity and slot values, and the weapon record sent to the mouse.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

class MouseDevice;
class SettingsStore;

class RecoilData : public QObject
{
    Q_OBJECT
public:
    explicit RecoilData(MouseDevice *device, QObject *parent = nullptr);

    QString gunDataPath() const;
    // Rows of the weapon table (index and values as mouseSaveGundata takes
    // them) in one write; false when the table is missing or not written.
    bool saveGundataRows(const QList<QPair<QVariant, QVariantList>> &rows);

public slots:
    // Weapon table. Without the file on disk every one of these does nothing
    // (readers return empty lists) and the file is not created.
    void mouseSaveGundata(QVariant index, QVariantList src6);
    void modifyGundata(QVariant modifyType, QVariantList src6);
    QVariantList getGunData(QVariant name);
    QStringList getGunDataKey();

    // Per-profile values.
    QVariant getXYSensitive(QVariant index);
    void setXYSensitive(QVariant index, QVariant xyData);
    QVariant getselectGun(QVariant index);
    void setSelectGun(QVariant index, QVariant xyData);

    // Sends the record of weapon slot 1..3: values = repeat count, X, Y.
    void mouseSendGundata(int slot, QVariantList values);

private:
    MouseDevice *m_device;
    SettingsStore *m_store;
};
