#include "model/models.h"

#include "model/dpimodel.h"
#include "model/lodmodel.h"
#include "model/reportratemodel.h"
#include "model/systemsettingsmodel.h"

namespace {
Models *s_current = nullptr;
}

Models::Models(Operations &ops, QObject *parent)
    : QObject(parent), m_ops(ops), m_dpi(std::make_unique<DpiModel>(ops)),
      m_lod(std::make_unique<LodModel>(ops)), m_reportRate(std::make_unique<ReportRateModel>(ops)),
      m_systemSettings(std::make_unique<SystemSettingsModel>(ops, *m_lod))
{
    s_current = this;
}

Models::~Models()
{
    if (s_current == this)
        s_current = nullptr;
}

Models *Models::instance()
{
    return s_current;
}
