#include "model/lodmodel.h"

#include "model/models.h"

#include "devicesettings/devicesettings.h"
#include "settings/settingsstore.h"

#include <cmath>

LodModel::LodModel(Operations &ops, QObject *parent) : PageModel(ops, parent) {}

LodModel *LodModel::create(QQmlEngine *, QJSEngine *)
{
    return Models::expose(Models::instance()->lod());
}

int LodModel::distanceFor(int x)
{
    return 125 - int(std::floor((x - 3) * 35.0 / 322.0));
}

QString LodModel::millimetresFor(int x)
{
    const int tenths = int(std::floor((x - 3) * 1.7 / 322.0 * 10.0)) + 3;
    return QString::number(tenths / 10.0) + QStringLiteral("mm");
}

QString LodModel::levelFor(int x)
{
    const QString mm = millimetresFor(x);
    if (mm == QLatin1String("0.3mm"))
        return QStringLiteral("L");
    if (mm == QLatin1String("1.1mm"))
        return QStringLiteral("M");
    return QStringLiteral("H");
}

int LodModel::clampPosition(const QVariant &x)
{
    bool ok = false;
    const double v = x.toString().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::round(v) < kFirst)
        return kFirst;
    return int(qMin(std::round(v), double(kLast)));
}

void LodModel::change(int x, bool isEnabled)
{
    m_position = clampPosition(x);
    m_enabled = isEnabled;
    emit changed();
    setSave(true);
}

void LodModel::load(bool isRecovery)
{
    SettingsStore *s = PageModel::store();
    m_position = clampPosition(s->getData(QStringLiteral("mouse/lod"), isRecovery));
    m_enabled = s->getData(QStringLiteral("mouse/lodEn"), isRecovery).toString().toDouble() == 1;
    m_isLoaded = true;
    emit changed();
}

void LodModel::send()
{
    if (DeviceSettings *dev = device())
        dev->mouseSetLodValue(uchar(distanceFor(m_position)), m_enabled ? 1 : 0);
}

void LodModel::store()
{
    SettingsStore *s = PageModel::store();
    s->setData(QStringLiteral("mouse/lod"), m_position);
    s->setData(QStringLiteral("mouse/reportRateLod"), m_position);
    s->setData(QStringLiteral("mouse/lodEn"), m_enabled ? 1 : 0);
}

void LodModel::init(bool isSendData)
{
    load(false);
    if (isSendData)
        saveData(true);
}

bool LodModel::saveData(bool isSendData)
{
    if (!m_isLoaded)
        return false;
    SettingsStore::WriteBatch batch(PageModel::store());
    store();
    if (!batch.commit())
        return false;
    if (isSendData)
        send();
    return true;
}

void LodModel::reset()
{
    load(true);
    saveData(true);
    setSave(false);
}
