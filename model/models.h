// The page models of one program: created once, beside the operations they
// work on, by whoever owns those (the view host; kesta-ctl; the tests). The
// scene reaches each model as a singleton of Kesta.Model whose factory
// (create) hands out the instance of the Models that currently exists, so
// the scene, the flows and (later) other clients share one state.
#pragma once

#include <QJSEngine>
#include <QObject>

#include <memory>

class Operations;
class QQmlEngine;
class AppProfileFollower;
class AppProfileModel;
class DpiModel;
class KeyMatrixModel;
class LanguageModel;
class LightingModel;
class LodModel;
class MacroEditorModel;
class MacroStepsModel;
class MacroTreeModel;
class ProfileListModel;
class RecoilModel;
class ReportRateModel;
class SessionModel;
class SystemSettingsModel;

class Models : public QObject
{
    Q_OBJECT
public:
    explicit Models(Operations &ops, QObject *parent = nullptr);
    ~Models() override;

    // The Models of the running program; null when none exists.
    static Models *instance();

    Operations &operations() const { return m_ops; }

    ProfileListModel *profiles() const { return m_profiles.get(); }
    RecoilModel *recoil() const { return m_recoil.get(); }
    KeyMatrixModel *keyMatrix() const { return m_keyMatrix.get(); }
    LightingModel *light() const { return m_light.get(); }
    DpiModel *dpi() const { return m_dpi.get(); }
    LodModel *lod() const { return m_lod.get(); }
    ReportRateModel *reportRate() const { return m_reportRate.get(); }
    SystemSettingsModel *systemSettings() const { return m_systemSettings.get(); }
    MacroTreeModel *macroTree() const { return m_macroTree.get(); }
    MacroStepsModel *macroSteps() const { return m_macroSteps.get(); }
    MacroEditorModel *macroEditor() const { return m_macroEditor.get(); }
    LanguageModel *language() const { return m_language.get(); }
    SessionModel *session() const { return m_session.get(); }
    AppProfileModel *appProfiles() const { return m_appProfiles.get(); }
    AppProfileFollower *appFollower() const { return m_appFollower.get(); }

    // The model that holds the state of a page or overlay, by the name the
    // scene's flows use ("keyMatrix", "recoil", ...); null for none.
    QObject *pageModel(const QString &page) const;

    // For the singletons' factories: the scene must never delete a model.
    template <typename T> static T *expose(T *model)
    {
        if (model)
            QJSEngine::setObjectOwnership(model, QJSEngine::CppOwnership);
        return model;
    }

private:
    Operations &m_ops;
    std::unique_ptr<ProfileListModel> m_profiles;
    std::unique_ptr<RecoilModel> m_recoil;
    std::unique_ptr<KeyMatrixModel> m_keyMatrix;
    std::unique_ptr<LightingModel> m_light;
    std::unique_ptr<DpiModel> m_dpi;
    std::unique_ptr<LodModel> m_lod;
    std::unique_ptr<ReportRateModel> m_reportRate;
    std::unique_ptr<SystemSettingsModel> m_systemSettings;
    std::unique_ptr<MacroTreeModel> m_macroTree;
    std::unique_ptr<MacroStepsModel> m_macroSteps;
    std::unique_ptr<MacroEditorModel> m_macroEditor;
    std::unique_ptr<LanguageModel> m_language;
    // Last: its flows go over all of the above.
    std::unique_ptr<SessionModel> m_session;
    // The rules and the follower that switches profiles by them.
    std::unique_ptr<AppProfileModel> m_appProfiles;
    std::unique_ptr<AppProfileFollower> m_appFollower;
};
