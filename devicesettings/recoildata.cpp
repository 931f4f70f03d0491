#include "devicesettings/recoildata.h"

#include "devicesettings/commandfamily.h"
#include "devicesettings/mousedevice.h"
#include "devicesettings/devicecoding.h"
#include "settings/settingsfile.h"
#include "settings/settingsstore.h"

#include <QFileInfo>
#include <QSettings>

#include <memory>

namespace {

const QString kGroup = QStringLiteral("gunData");

QString gunKey(const QVariant &name)
{
    return kGroup + QLatin1Char('/') + name.toString();
}

// Items first..last of a list as text, missing ones as "0".
QStringList textItems(const QVariantList &list, int first, int last)
{
    QStringList items;
    for (int i = first; i <= last; ++i)
        items << (i < list.size() ? list.at(i).toString() : QStringLiteral("0"));
    return items;
}

} // namespace

RecoilData::RecoilData(MouseDevice *device, QObject *parent)
    : QObject(parent), m_device(device), m_store(&device->store())
{
}

QString RecoilData::gunDataPath() const
{
    return m_store->modulePath(QStringLiteral("gun/gunData.bin"));
}

namespace {

// A settings object on the weapon table for the length of one call, or null
// when the file is not there (it is never created here).
SettingsFile::Handle openTable(const QString &path)
{
    if (!QFileInfo::exists(path))
        return nullptr;
    return SettingsFile::open(path);
}

} // namespace

void RecoilData::mouseSaveGundata(QVariant index, QVariantList src6)
{
    saveGundataRows({{index, src6}});
}

bool RecoilData::saveGundataRows(const QList<QPair<QVariant, QVariantList>> &rows)
{
    auto table = openTable(gunDataPath());
    if (!table)
        return false;
    for (const auto &row : rows)
        table->setValue(gunKey(row.first), textItems(row.second, 0, 5));
    return SettingsFile::sync(*table);
}

void RecoilData::modifyGundata(QVariant modifyType, QVariantList src6)
{
    auto table = openTable(gunDataPath());
    if (!table || src6.isEmpty())
        return; // without a name there is nothing to remove or write
    switch (modifyType.toInt()) {
    case 0:
        table->remove(gunKey(src6.at(0)));
        break;
    case 1:
        // Renamed: drop the old entry (when its name came along) and write the
        // five values under the new name.
        if (src6.size() > 6)
            table->remove(gunKey(src6.at(6)));
        table->setValue(gunKey(src6.at(0)), textItems(src6, 1, 5));
        break;
    default:
        return;
    }
    SettingsFile::sync(*table);
}

QVariantList RecoilData::getGunData(QVariant name)
{
    auto table = openTable(gunDataPath());
    if (!table)
        return {};
    return table->value(gunKey(name), 0).toList();
}

QStringList RecoilData::getGunDataKey()
{
    auto table = openTable(gunDataPath());
    if (!table)
        return {};
    table->beginGroup(kGroup);
    return table->childKeys();
}

QVariant RecoilData::getXYSensitive(QVariant index)
{
    const QVariant value =
        m_store->getData(QStringLiteral("XYSensitive/") + index.toString(), false);
    return value.isValid() ? value : QVariant(4);
}

void RecoilData::setXYSensitive(QVariant index, QVariant xyData)
{
    m_store->setData(QStringLiteral("XYSensitive/") + index.toString(), xyData);
}

QVariant RecoilData::getselectGun(QVariant index)
{
    const QVariant value = m_store->getData(QStringLiteral("selectGun/") + index.toString(), false);
    return value.isValid() ? value : QVariant(QString());
}

void RecoilData::setSelectGun(QVariant index, QVariant xyData)
{
    m_store->setData(QStringLiteral("selectGun/") + index.toString(), xyData);
}

void RecoilData::mouseSendGundata(int slot, QVariantList values)
{
    if (!m_store->isGun)
        return;
    if (slot < 1 || slot > 3)
        return; // only three weapon slots exist
    using DeviceCoding::itemByte;
    m_device->family().sendWeaponRecord(*m_device, slot, itemByte(values, 0), itemByte(values, 1),
                                        itemByte(values, 2));
}
