#include "model/reportratemodel.h"

#include "model/models.h"

#include "devicesettings/devicesettings.h"
#include "settings/settingsstore.h"

#include <cmath>

namespace {
constexpr int kHertz[ReportRateModel::kRates] = {125, 250, 500, 1000};
constexpr int kRateByte[ReportRateModel::kRates] = {8, 4, 2, 1};
} // namespace

ReportRateModel::ReportRateModel(Operations &ops, QObject *parent) : PageModel(ops, parent) {}

ReportRateModel *ReportRateModel::create(QQmlEngine *, QJSEngine *)
{
    return Models::expose(Models::instance()->reportRate());
}

QStringList ReportRateModel::captions() const
{
    QStringList out;
    for (int hz : kHertz)
        out.append(QString::number(hz) + QStringLiteral("Hz"));
    return out;
}

int ReportRateModel::hertz(int index)
{
    return index >= 0 && index < kRates ? kHertz[index] : 0;
}

int ReportRateModel::indexOfHertz(int hz)
{
    for (int i = 0; i < kRates; ++i) {
        if (kHertz[i] == hz)
            return i;
    }
    return -1;
}

int ReportRateModel::rateByte(int index)
{
    return index >= 0 && index < kRates ? kRateByte[index] : 0;
}

void ReportRateModel::choose(int index)
{
    if (index < 0 || index >= kRates || index == m_index)
        return;
    m_index = index;
    emit changed();
    setSave(true);
}

void ReportRateModel::init(bool isSendData)
{
    load(false);
    if (isSendData)
        saveData(true);
}

void ReportRateModel::load(bool isRecovery)
{
    // Anything but a whole number 0..3 reads as 1000 Hz.
    bool ok = false;
    const double v = PageModel::store()
                         ->getData(QStringLiteral("mouse/reportRate"), isRecovery)
                         .toString()
                         .toDouble(&ok);
    m_index = ok && v >= 0 && v < kRates && std::floor(v) == v ? int(v) : 3;
    m_isLoaded = true;
    emit changed();
}

bool ReportRateModel::saveData(bool isSendData)
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

void ReportRateModel::store()
{
    PageModel::store()->setData(QStringLiteral("mouse/reportRate"), m_index);
}

void ReportRateModel::send()
{
    if (DeviceSettings *dev = device())
        dev->mouseSetReportRate(uchar(rateByte(m_index)));
}
