#include "model/models.h"

#include "model/appprofilefollower.h"
#include "model/appprofilemodel.h"
#include "model/dpimodel.h"
#include "model/keymatrixmodel.h"
#include "model/languagemodel.h"
#include "model/lightingmodel.h"
#include "model/lodmodel.h"
#include "model/macroeditormodel.h"
#include "model/macrostepsmodel.h"
#include "model/macrotreemodel.h"
#include "model/profilelistmodel.h"
#include "model/recoilmodel.h"
#include "model/reportratemodel.h"
#include "model/sessionmodel.h"
#include "model/systemsettingsmodel.h"

#include <QHash>

namespace {
Models *s_current = nullptr;
}

Models::Models(Operations &ops, QObject *parent)
    : QObject(parent), m_ops(ops), m_profiles(std::make_unique<ProfileListModel>(ops)),
      m_recoil(std::make_unique<RecoilModel>(ops)),
      m_keyMatrix(std::make_unique<KeyMatrixModel>(ops, *m_recoil)),
      m_light(std::make_unique<LightingModel>(ops)), m_dpi(std::make_unique<DpiModel>(ops)),
      m_lod(std::make_unique<LodModel>(ops)), m_reportRate(std::make_unique<ReportRateModel>(ops)),
      m_systemSettings(std::make_unique<SystemSettingsModel>(ops, *m_lod)),
      m_macroTree(std::make_unique<MacroTreeModel>(ops)),
      m_macroSteps(std::make_unique<MacroStepsModel>(ops)),
      m_macroEditor(std::make_unique<MacroEditorModel>(ops, *m_macroTree, *m_macroSteps)),
      m_language(std::make_unique<LanguageModel>(ops)),
      m_session(std::make_unique<SessionModel>(*this)),
      m_appProfiles(std::make_unique<AppProfileModel>(ops, m_profiles.get())),
      m_appFollower(std::make_unique<AppProfileFollower>(*this))
{
    // Edited fire periods reach the mouse with the key matrix.
    connect(m_recoil.get(), &RecoilModel::periodsEdited, m_keyMatrix.get(),
            [this] { m_keyMatrix->setSave(true); });
    // The button lists follow a new language and a reset of the lists.
    connect(m_language.get(), &LanguageModel::languageChanged, m_keyMatrix.get(),
            &KeyMatrixModel::refreshTexts);
    connect(m_session.get(), &SessionModel::dropDownListsReset, m_keyMatrix.get(),
            &KeyMatrixModel::refreshTexts);
    // So does the note on the desktop's pointer settings.
    connect(m_language.get(), &LanguageModel::languageChanged, m_systemSettings.get(),
            &SystemSettingsModel::supportChanged);
    // A deleted profile took its rules with it.
    connect(m_profiles.get(), &ProfileListModel::profileDeleted, m_appProfiles.get(),
            &AppProfileModel::reload);
    s_current = this;
}

Models::~Models()
{
    m_appFollower.reset(); // it watches the session
    if (s_current == this)
        s_current = nullptr;
}

Models *Models::instance()
{
    return s_current;
}

QObject *Models::pageModel(const QString &page) const
{
    const QHash<QString, QObject *> byPage{
        {QStringLiteral("keyMatrix"), m_keyMatrix.get()},
        {QStringLiteral("recoil"), m_recoil.get()},
        {QStringLiteral("profileManager"), m_profiles.get()},
        {QStringLiteral("light"), m_light.get()},
        {QStringLiteral("dpi"), m_dpi.get()},
        {QStringLiteral("lod"), m_lod.get()},
        {QStringLiteral("reportRate"), m_reportRate.get()},
        {QStringLiteral("system"), m_systemSettings.get()},
    };
    return byPage.value(page);
}
