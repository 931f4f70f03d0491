// Renders the real program's scene, each tab and each overlay, to PNG files:
//   scene_screenshots [--language <name>] <output folder>
// (the language by its file's name: German, ChineseSimplified, ...; the
// stored one, English, when none is given).
// Runs the main window against the linked virtual mouse with a staged copy of
// the shipped data (see scripts/screenshots.sh).
#include "scenerig.h"

#include "macro/macrolibrary.h"
#include "model/languagemodel.h"
#include "model/appprofilemodel.h"
#include "model/macroeditormodel.h"
#include "model/models.h"
#include "view/operations.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QQuickWindow>

#include <functional>

namespace {

struct Shot {
    const char *file;
    std::function<void(SceneRig &)> show;
};

void openOverlay(SceneRig &rig, const char *name, const QVariantList &args = {},
                 const char *function = "open")
{
    SceneRig::call(rig.page(QLatin1String(name)), function, args);
}

void closeOverlays(SceneRig &rig)
{
    for (const char *name :
         {"keyAssign", "macroAssign", "inputAssign", "dpiAssign", "recoil", "profileManager",
          "warning", "confirm", "resetConfirm", "exitConfirm", "help"}) {
        if (QObject *overlay = rig.page(QLatin1String(name)))
            SceneRig::call(overlay, "close");
    }
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString language;
    if (args.size() >= 2 && args.first() == QLatin1String("--language")) {
        language = args.at(1);
        args = args.mid(2);
    }
    const QString out = args.value(0, QStringLiteral("."));
    QDir().mkpath(out);
    const QString outDir = QDir(out).absolutePath();

    SceneRig::FileValues values;
    values["setting/apConfig.bin"]["mouse/isColorful"] = true;
    values["setting/apConfig.bin"]["mouse/isGun"] = true;
    if (!language.isEmpty())
        values["setting/apConfig.bin"]["common/language"] = language;
    SceneRig rig;
    if (!rig.start(values)) {
        qCritical("scene_screenshots: the program did not start against the virtual mouse");
        return 1;
    }

    const QList<Shot> shots = {
        {"main.png", [](SceneRig &r) { SceneRig::call(r.root(), "showTab", {0}); }},
        {"lighting.png", [](SceneRig &r) { SceneRig::call(r.root(), "showTab", {1}); }},
        {"settings.png",
         [](SceneRig &r) {
             // A small library with a recorded macro selected.
             SceneRig::call(r.root(), "showTab", {2});
             QObject *editor = r.view()->models()->macroEditor();
             SceneRig::call(editor, "newFolder", {QStringLiteral("Rifles")});
             SceneRig::call(editor, "clearSelection");
             SceneRig::call(editor, "newFolder", {QStringLiteral("Office")});
             SceneRig::call(editor, "clearSelection");
             SceneRig::call(editor, "newMacro", {QStringLiteral("Burst")});
             SceneRig::call(editor, "clearSelection");
             SceneRig::call(editor, "newMacro", {QStringLiteral("Copy and paste")});
             r.view()->operations()->macros()->saveMacroIni(0, QStringLiteral("Burst"),
                                                            {"1,A", "0,50", "2,A", "0,120",
                                                             "3,MS-L", "0,30", "4,MS-L", "1,Space",
                                                             "0,80", "2,Space"},
                                                            1);
             SceneRig::call(editor, "selectByNames", {QStringLiteral("Rifles")});
             SceneRig::call(editor, "newMacro", {QStringLiteral("Single shot")});
             SceneRig::call(editor, "selectByNames", {QStringLiteral("Burst")});
         }},
        {"key-assignment.png",
         [](SceneRig &r) {
             SceneRig::call(r.root(), "showTab", {0});
             openOverlay(r, "keyAssign", {3, QString()}, "openFor");
         }},
        {"macro-assignment.png",
         [](SceneRig &r) { openOverlay(r, "macroAssign", {2}, "openFor"); }},
        {"input-assignment.png",
         [](SceneRig &r) {
             QVariantList args;
             args << 4 << QVariant(QVariantList{2, 1, 6, 0}) << QVariant();
             openOverlay(r, "inputAssign", args, "openFor");
         }},
        {"dpi-assignment.png", [](SceneRig &r) { openOverlay(r, "dpiAssign", {5}, "openFor"); }},
        {"recoil-editor.png", [](SceneRig &r) { openOverlay(r, "recoil"); }},
        {"profile-manager.png", [](SceneRig &r) { openOverlay(r, "profileManager"); }},
        {"app-profiles.png",
         [](SceneRig &r) {
             // Two rules, the window in front followed.
             AppProfileModel *rules = r.view()->models()->appProfiles();
             rules->setWatch(AppProfileModel::Watching);
             rules->setRule(QStringLiteral("shooter_game"), QStringLiteral("Shooter"));
             rules->setRule(QStringLiteral("browser"), QStringLiteral("Default"));
             rules->setReturnTo(0);
             openOverlay(r, "profileManager");
         }},
        {"warning.png",
         [](SceneRig &r) {
             // "Please keep a key at least for the left button function."
             const QStringList warnings =
                 r.view()->models()->language()->texts(QStringLiteral("warningAssigment"), {});
             SceneRig::call(r.root(), "showWarning",
                            {warnings.value(0, QStringLiteral("Please keep a key at least for "
                                                              "the left button function."))});
         }},
        {"reset-confirmation.png", [](SceneRig &r) { openOverlay(r, "resetConfirm"); }},
        {"exit-confirmation.png", [](SceneRig &r) { openOverlay(r, "exitConfirm"); }},
        {"help-menu.png", [](SceneRig &r) { openOverlay(r, "help"); }},
    };

    int failures = 0;
    const auto save = [&](SceneRig &r, const char *file) {
        QTest::qWait(400); // let the scene lay out and paint
        const QImage image = r.view()->grabWindow();
        const QString path = outDir + QLatin1Char('/') + QLatin1String(file);
        if (image.isNull() || !image.save(path)) {
            qWarning("scene_screenshots: could not write %s", qPrintable(path));
            ++failures;
        } else {
            qInfo("%s", qPrintable(path));
        }
    };
    for (const Shot &shot : shots) {
        closeOverlays(rig);
        shot.show(rig);
        save(rig, shot.file);
    }

    // The window opened from the tray while no mouse is plugged in.
    rig.stop();
    SceneRig unplugged;
    if (!unplugged.startWithoutMouse(values)) {
        qWarning("scene_screenshots: the window without a mouse did not come up");
        ++failures;
    } else {
        save(unplugged, "no-mouse.png");
    }
    return failures == 0 ? 0 : 1;
}
