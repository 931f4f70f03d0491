#include "tools/kesta-ctl/tasks.h"

#include "model/appprofilemodel.h"
#include "model/assignmenttable.h"
#include "model/dpimodel.h"
#include "model/keymatrixmodel.h"
#include "model/lightingmodel.h"
#include "model/lodmodel.h"
#include "model/profilelistmodel.h"
#include "model/recoilmodel.h"
#include "model/reportratemodel.h"
#include "model/systemsettingsmodel.h"
#include "devicesettings/buttonlabels.h"

#include "device/deviceentry.h"
#include "device/hid_thread.h"
#include "devicesettings/commandfamily.h"
#include "devicesettings/devicesettings.h"
#include "devicesettings/keynames.h"
#include "devicesettings/mousedevice.h"
#include "devicesettings/recoildata.h"
#include "macro/macroencoder.h"
#include "macro/macrolibrary.h"
#include "macro/macropaths.h"
#include "model/macrotreemodel.h"
#include "settings/exchangefiles.h"
#include "settings/settingsfile.h"
#include "settings/settingsstore.h"
#include "settings/userdialogs.h"
#include "view/operations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextStream>

#include <functional>

namespace Ctl {

namespace {

using Entry = AssignmentTable::Entry;

// The window's lift-off label L, M or H as the word kesta-ctl takes.
QString lodWord(int position)
{
    const QString level = LodModel::levelFor(position);
    if (level == QLatin1String("L"))
        return QStringLiteral("low");
    if (level == QLatin1String("M"))
        return QStringLiteral("medium");
    return QStringLiteral("high");
}

bool parseInt(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}

// Whether two files hold the same bytes (macro and profile files are small).
bool sameContents(const QString &a, const QString &b)
{
    constexpr qint64 kLargest = 16 * 1024 * 1024;
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() > kLargest ||
        fa.size() != fb.size())
        return false;
    return fa.readAll() == fb.readAll() && fa.error() == QFile::NoError &&
           fb.error() == QFile::NoError;
}

QString colourText(int r, int g, int b)
{
    return QStringLiteral("#%1%2%3")
        .arg(r & 0xFF, 2, 16, QLatin1Char('0'))
        .arg(g & 0xFF, 2, 16, QLatin1Char('0'))
        .arg(b & 0xFF, 2, 16, QLatin1Char('0'));
}

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    QString name() const { return colourText(r, g, b); }
};

// "#rrggbb"; false for anything else.
bool parseColour(const QString &text, Rgb *colour)
{
    static const QRegularExpression pattern(QStringLiteral("^#[0-9a-fA-F]{6}$"));
    if (!pattern.match(text).hasMatch())
        return false;
    colour->r = text.mid(1, 2).toInt(nullptr, 16);
    colour->g = text.mid(3, 2).toInt(nullptr, 16);
    colour->b = text.mid(5, 2).toInt(nullptr, 16);
    return true;
}

// ---------------------------------------------------------------------------

class Runner
{
public:
    Runner(Operations &ops, ScriptedDialogs *dialogs, const std::function<bool()> &connect,
           const std::function<QString()> &refusedNode, QTextStream &out, QTextStream &err)
        : m_ops(ops), m_store(ops.settings()), m_dev(ops.deviceSettings()), m_macros(ops.macros()),
          m_tree(ops), m_periods(ops), m_keys(ops, m_periods), m_dialogs(dialogs),
          m_connect(connect), m_refusedNode(refusedNode), m_out(out), m_err(err)
    {
    }

    int run(const QString &command, QStringList args);

private:
    // Arguments.
    bool takeFlag(QStringList &args, const QString &flag) { return args.removeAll(flag) > 0; }
    // Removes "--name VALUE"; false with a message when the value is missing.
    bool takeOption(QStringList &args, const QString &name, QString *value, bool *present)
    {
        *present = false;
        const int i = args.indexOf(name);
        if (i < 0)
            return true;
        if (i + 1 >= args.size()) {
            m_usageError = QStringLiteral("%1 needs a value").arg(name);
            return false;
        }
        *value = args.at(i + 1);
        *present = true;
        args.remove(i, 2);
        if (args.contains(name)) {
            m_usageError = QStringLiteral("%1 is given more than once").arg(name);
            return false;
        }
        return true;
    }
    bool noOptionsLeft(const QStringList &args)
    {
        for (const QString &a : args) {
            if (a.startsWith(QLatin1String("--"))) {
                m_usageError = QStringLiteral("unknown option %1").arg(a);
                return false;
            }
        }
        return true;
    }
    int usage(const QString &message)
    {
        m_err << "kesta-ctl " << m_command << ": " << message << "\n"
              << "Try 'kesta-ctl " << m_command << " --help'.\n";
        return 2;
    }
    int usage() { return usage(m_usageError); }
    static QString reservedName()
    {
        return QStringLiteral("\"%1\" is reserved by the library and cannot be used as a name")
            .arg(SettingsStore::paddingItem());
    }
    // After a ListsShared refusal of the tree.
    QString listsShared() const
    {
        return QStringLiteral("the library would store this folder's items together with those "
                              "of %1 (\"/\" is the top of the library); choose another name")
            .arg(m_tree.listsSharedWith());
    }

    // The mouse: connected once, right before the first command.
    bool device()
    {
        if (m_connected < 0)
            m_connected = m_connect && m_connect() ? 1 : 0;
        return m_connected == 1;
    }
    // Why no mouse answered, when it is there but this user may not open it:
    // what to do about it; empty otherwise.
    QString refusal()
    {
        const QString node = m_connect && !device() && m_refusedNode ? m_refusedNode() : QString();
        if (node.isEmpty())
            return {};
        return QStringLiteral("found, no permission (%1): install 70-kesta.rules and plug the "
                              "mouse in again")
            .arg(node);
    }
    // What the error lines say when no mouse answered.
    QString noDevice()
    {
        const QString why = refusal();
        return why.isEmpty() ? QStringLiteral("no device answered")
                             : QStringLiteral("the mouse was ") + why;
    }
    // After something was meant for the mouse: 1 when not all of it
    // reached the mouse, with what did.
    int sent(const QString &what)
    {
        if (!m_connect) {
            m_out << what << " (stored; no device used)\n";
            return 0;
        }
        if (!device()) {
            const QString why = refusal();
            m_err << "kesta-ctl " << m_command << ": " << what << " was stored, but "
                  << (why.isEmpty() ? QStringLiteral("no device answered: nothing was sent")
                                    : QStringLiteral("the mouse was ") + why +
                                          QStringLiteral("; nothing was sent"))
                  << "\n";
            return 1;
        }
        if (!m_undelivered.isEmpty()) {
            m_err << "kesta-ctl " << m_command << ": " << what << " was stored, but "
                  << m_undelivered << " did not reach the mouse; " << deliveredText() << "\n";
            return 1;
        }
        m_out << what << "\n";
        return 0;
    }
    QString deliveredText() const
    {
        if (m_delivered.isEmpty())
            return QStringLiteral("nothing reached it");
        return QStringLiteral("it got only ") + m_delivered.join(QStringLiteral(", "));
    }

    // Sends one part of a change. Once a part did not reach the mouse,
    // nothing more is sent: the rest would go to a mouse that is gone or
    // would leave it with a mix the settings never had.
    void deliver(const QString &what, const std::function<void()> &send)
    {
        if (!m_undelivered.isEmpty())
            return;
        Hid_Thread *hid = m_ops.hid();
        const int failedBefore = hid ? hid->failedCommands() : 0;
        send();
        if (hid && hid->failedCommands() != failedBefore)
            m_undelivered = what;
        else
            m_delivered.append(what);
    }

    // Ends a batch of settings writes; false when the file could not be
    // written (it keeps its old values then), and nothing is to be sent.
    // The file's name is taken first: a failed write replaces the file's
    // settings object, so `file` is gone afterwards.
    bool commit(SettingsStore::WriteBatch &batch, const QSettings *file)
    {
        const QString name = file ? file->fileName() : QStringLiteral("the settings");
        if (batch.commit())
            return true;
        if (m_notStored.isEmpty())
            m_notStored = name;
        return false;
    }
    const QSettings *profileFile() const { return m_store->currentProfile(); }
    int notStored()
    {
        m_err << "kesta-ctl " << m_command << ": could not write "
              << QDir::toNativeSeparators(m_notStored) << " (it keeps its old values); "
              << (m_delivered.isEmpty() ? QStringLiteral("nothing was sent")
                                        : QStringLiteral("nothing more was sent; the mouse got ") +
                                              m_delivered.join(QStringLiteral(", ")))
              << "\n";
        return 1;
    }
    void print(const QJsonObject &object)
    {
        m_out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
    }
    void print(const QJsonArray &array)
    {
        m_out << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
    }

    // Settings.
    int intData(const QString &key, int fallback)
    {
        bool ok = false;
        const int v = m_store->getData(key, false).toString().trimmed().toInt(&ok);
        return ok ? v : fallback;
    }
    QStringList listData(const QString &key)
    {
        return SettingsStore::dropPadding(
            SettingsStore::toTextList(m_store->getDataList(key, false)));
    }
    QList<int> intList(const QString &key, const QList<int> &fallback)
    {
        const QStringList items = listData(key);
        QList<int> out = fallback;
        for (int i = 0; i < items.size() && i < out.size(); ++i) {
            bool ok = false;
            const int v = items.at(i).trimmed().toInt(&ok);
            if (ok)
                out[i] = v;
        }
        return out;
    }

    // Pages.
    // The save functions store first and send only what was stored: false
    // when a settings file could not be written (nothing was sent then).
    // Inside an open batch they only store: the caller commits and sends.
    bool saveDpi(DpiModel &model, bool send);
    void sendDpi(DpiModel &model);
    bool saveLight(LightingModel &light, bool send);
    bool saveSystem(SystemSettingsModel &model, LodModel &lod, int step, bool send = true);
    void sendSystem(SystemSettingsModel &model, LodModel &lod, int step);
    bool saveLod(LodModel &model, bool send = true);
    bool saveReportRate(ReportRateModel &model, bool send = true);
    // The button page as the profile in use holds it, in its stored mode.
    KeyMatrixModel &loadKeys();
    void sendKeys();
    bool saveKeys(bool send);
    void sendBoundMacros();
    bool sendMacro(const QString &name, int slot);
    // A macro longer than its slot goes out cut (MacroEncoder::fit): says
    // so on stderr. False when none of its steps could go.
    bool warnIfCut(const QString &name, const QStringList &steps);

    // Profiles and the macro library.
    QList<QPair<QString, int>> profiles();  // name, number
    int profileNumber(const QString &word); // by name or number; -1 when none
    // light: the lighting page as it stood before a reset (a fresh model
    // otherwise); it keeps its preset and names, as the window's does.
    // beforeSending: a further write the send waits for (false: nothing is sent).
    bool sendAllPages(bool afterReset, LightingModel &light,
                      const std::function<bool()> &beforeSending = {});
    bool insideSettings(const QFileInfo &target) const;
    // The left-click guard on profile `number` before it is used: its notice
    // goes to stderr. False when the repair could not be written.
    bool guardLeftClick(int number);
    bool splitMacroPath(const QString &path, QStringList *folders, QString *name);
    void selectPath(const QStringList &folders);
    // Selects the library folder `folders` in the tree (none: the top);
    // false when the tree has no such folder.
    bool selectFolder(const QStringList &folders);
    QString libraryFile(const QStringList &folders, const QString &name, bool folder = false) const;
    QJsonArray tree(const QModelIndex &folder);
    QStringList macrosBoundInUse();
    int macroFolder(const QString &sub, const QStringList &args);

    int status(QStringList args);
    int dpi(QStringList args);
    int rate(QStringList args);
    int lod(QStringList args);
    int light(QStringList args);
    int pointer(QStringList args);
    int button(QStringList args);
    int profile(QStringList args);
    int appProfile(QStringList args);
    int macro(QStringList args);

    Operations &m_ops;
    SettingsStore *m_store;
    DeviceSettings *m_dev;
    MacroLibrary *m_macros;
    MacroTreeModel m_tree;
    RecoilModel m_periods; // the fire periods that go with the key matrix
    KeyMatrixModel m_keys;
    ScriptedDialogs *m_dialogs;
    const std::function<bool()> &m_connect;
    const std::function<QString()> &m_refusedNode;
    QTextStream &m_out;
    QTextStream &m_err;
    QString m_command;
    QString m_usageError;
    int m_connected = -1;
    QString m_notStored;     // the settings file a write failed on
    QStringList m_delivered; // the parts of the change that reached the mouse
    QString m_undelivered;   // the first part that did not; nothing is sent after it
};

// ---------------------------------------------------------------------------
// DPI page

bool Runner::insideSettings(const QFileInfo &target) const
{
    // An export there would replace the program's own files (name.bin,
    // a profile, a macro) with a copy of something else.
    // The file written is where the name leads: through a link (one left
    // dangling too) that may be a file of the settings folder.
    const QString settings = QDir(m_store->modulePath(QString())).canonicalPath();
    if (settings.isEmpty())
        return false;
    QFileInfo leadsTo(target.absoluteFilePath());
    for (int hops = 0; hops < 40 && leadsTo.isSymLink() && !leadsTo.exists(); ++hops)
        leadsTo = QFileInfo(leadsTo.symLinkTarget());
    const QString folder = leadsTo.exists() ? QFileInfo(leadsTo.canonicalFilePath()).absolutePath()
                                            : leadsTo.absoluteDir().canonicalPath();
    return folder == settings || folder.startsWith(settings + QLatin1Char('/'));
}

bool Runner::saveDpi(DpiModel &model, bool send)
{
    SettingsStore::WriteBatch batch(m_store);
    model.storeData();
    if (!commit(batch, profileFile()))
        return false;
    if (send)
        sendDpi(model);
    return true;
}

void Runner::sendDpi(DpiModel &model)
{
    if (!device())
        return;
    deliver(QStringLiteral("the DPI stages"), [&] { model.sendStages(); });
    deliver(QStringLiteral("the stage colours"), [&] { model.sendColours(); });
}

// ---------------------------------------------------------------------------
// Lighting page

bool Runner::saveLight(LightingModel &light, bool send)
{
    SettingsStore::WriteBatch batch(m_store);
    light.saveData(false, 0);
    if (!commit(batch, profileFile()))
        return false;
    if (!send || !device())
        return true;
    deliver(QStringLiteral("the lighting"), [&] { light.sendData(); });
    return true;
}

// ---------------------------------------------------------------------------
// System-settings page, lift-off and report rate

bool Runner::saveSystem(SystemSettingsModel &model, LodModel &lod, int step, bool send)
{
    SettingsStore::WriteBatch batch(m_store);
    model.storeData();
    if (!commit(batch, profileFile()))
        return false;
    if (send)
        sendSystem(model, lod, step);
    return true;
}

void Runner::sendSystem(SystemSettingsModel &model, LodModel &lod, int step)
{
    model.sendPointer(step);
    if (device())
        deliver(QStringLiteral("the lift-off distance"), [&] { lod.send(); });
}

bool Runner::saveLod(LodModel &model, bool send)
{
    SettingsStore::WriteBatch batch(m_store);
    model.store();
    if (!commit(batch, profileFile()))
        return false;
    if (send && device())
        deliver(QStringLiteral("the lift-off distance"), [&] { model.send(); });
    return true;
}

bool Runner::saveReportRate(ReportRateModel &model, bool send)
{
    SettingsStore::WriteBatch batch(m_store);
    model.store();
    if (!commit(batch, profileFile()))
        return false;
    if (send && device())
        deliver(QStringLiteral("the report rate"), [&] { model.send(); });
    return true;
}

// ---------------------------------------------------------------------------
// Button page

KeyMatrixModel &Runner::loadKeys()
{
    // The fire periods are read as the window's recoil editor reads them.
    m_periods.init(false, false);
    m_keys.init(false, false);
    m_keys.initMode(m_keys.storedMode());
    return m_keys;
}

void Runner::sendKeys()
{
    deliver(QStringLiteral("the button assignments"), [&] { m_keys.sendData(); });
}

bool Runner::saveKeys(bool send)
{
    SettingsStore::WriteBatch batch(m_store);
    m_keys.storeData();
    if (!commit(batch, profileFile()))
        return false;
    if (send && device())
        sendKeys();
    return true;
}

bool Runner::sendMacro(const QString &name, int slot)
{
    QStringList steps = m_macros->loadMacroByName(name);
    if (steps.isEmpty())
        return false;
    if (device()) {
        deliver(QStringLiteral("macro %1").arg(name),
                [&] { KeyMatrixModel::sendMacro(m_macros, name, slot); });
        steps.removeLast(); // the repeat count
        warnIfCut(name, steps);
    }
    return true;
}

bool Runner::warnIfCut(const QString &name, const QStringList &steps)
{
    const MacroEncoder::Fit fit = MacroEncoder::fit(steps);
    if (!fit.cut)
        return true;
    m_err << "kesta-ctl " << m_command << ": macro " << name << " takes " << fit.length
          << " bytes, a slot holds " << MacroEncoder::kBlockSize;
    if (fit.keptSteps > 0)
        m_err << ": sent cut after step " << fit.keptSteps << " of " << steps.size() << "\n";
    else
        m_err << ", and no part of it that fits leaves every key released: the slot got none "
                 "of its steps\n";
    return fit.keptSteps > 0;
}

void Runner::sendBoundMacros()
{
    for (const KeyMatrixModel::Binding &bound : m_keys.boundMacros(m_keys.mode()))
        sendMacro(bound.name, bound.slot);
}

// ---------------------------------------------------------------------------

int Runner::run(const QString &command, QStringList args)
{
    m_command = command;
    if (command == QLatin1String("status"))
        return status(args);
    if (command == QLatin1String("dpi"))
        return dpi(args);
    if (command == QLatin1String("rate"))
        return rate(args);
    if (command == QLatin1String("lod"))
        return lod(args);
    if (command == QLatin1String("light"))
        return light(args);
    if (command == QLatin1String("pointer"))
        return pointer(args);
    if (command == QLatin1String("button"))
        return button(args);
    if (command == QLatin1String("profile"))
        return profile(args);
    if (command == QLatin1String("macro"))
        return macro(args);
    if (command == QLatin1String("app-profile"))
        return appProfile(args);
    return usage(QStringLiteral("unknown command"));
}

// ---------------------------------------------------------------------------
// status

int Runner::status(QStringList args)
{
    const bool json = takeFlag(args, QStringLiteral("--json"));
    if (!noOptionsLeft(args))
        return usage();
    if (!args.isEmpty())
        return usage(QStringLiteral("takes no arguments (got %1)").arg(args.first()));

    QJsonObject o;
    const bool found = m_connect && device();
    const QString refused = refusal();
    o[QStringLiteral("device")] = found;
    if (!refused.isEmpty())
        o[QStringLiteral("noPermission")] = m_refusedNode();
    o[QStringLiteral("name")] = m_store->getGlobalData(QStringLiteral("common/name")).toString();
    const CommandFamily &family = m_ops.device()->family();
    o[QStringLiteral("family")] = family.name();
    bool scrambled = false;
    if (Hid_Thread *hid = m_ops.hid(); hid && found) {
        if (DeviceEntry *entry = hid->currentEntry())
            scrambled = entry->isEncode;
    } else {
        scrambled = m_store->global()->value(QStringLiteral("0/isEncode")).toString() ==
                    QLatin1String("true");
    }
    o[QStringLiteral("scrambled")] = scrambled;
    const int profileNo = m_store->currentProfileIndex();
    QString profileName;
    for (const auto &entry : profiles()) {
        if (entry.second == profileNo)
            profileName = entry.first;
    }
    o[QStringLiteral("profile")] = profileNo;
    o[QStringLiteral("profileName")] = profileName;
    o[QStringLiteral("mode")] =
        m_keys.storedMode() == 0 ? QStringLiteral("office") : QStringLiteral("game");
    ReportRateModel rate(m_ops);
    rate.init(false);
    const int hz = ReportRateModel::hertz(rate.index());
    o[QStringLiteral("reportRate")] = hz;
    DpiModel dpiPage(m_ops);
    dpiPage.init(false, false);
    o[QStringLiteral("dpiStages")] = dpiPage.currentDpiCount();
    if (found) {
        const int stage = m_dev->mouseGetCurrentDPI().toInt();
        o[QStringLiteral("dpiStage")] = stage;
        if (stage >= 1 && stage <= 8)
            o[QStringLiteral("dpi")] = dpiPage.values().at(stage - 1);
        if (family.keepsOnboardProfiles()) {
            o[QStringLiteral("deviceProfile")] = m_dev->mouseReadCurrentProfile().toInt();
        } else {
            QJsonArray options;
            for (const QVariant &v : m_dev->GetKeyboardoption())
                options.append(v.toInt());
            o[QStringLiteral("keyboardOptions")] = options;
        }
    }
    if (json) {
        print(o);
        return 0;
    }
    m_out << "device:       "
          << (found               ? QStringLiteral("found")
              : refused.isEmpty() ? QStringLiteral("not found")
                                  : refused)
          << "\n";
    m_out << "name:         " << o.value(QStringLiteral("name")).toString() << "\n";
    m_out << "family:       " << o.value(QStringLiteral("family")).toString()
          << (scrambled ? ", scrambled" : ", not scrambled") << "\n";
    m_out << "profile:      " << profileNo << " " << profileName << "\n";
    m_out << "mode:         " << o.value(QStringLiteral("mode")).toString() << "\n";
    m_out << "report rate:  " << hz << " Hz (stored)\n";
    if (o.contains(QStringLiteral("dpiStage"))) {
        m_out << "DPI stage:    " << o.value(QStringLiteral("dpiStage")).toInt() << " of "
              << dpiPage.currentDpiCount();
        if (o.contains(QStringLiteral("dpi")))
            m_out << " (" << o.value(QStringLiteral("dpi")).toInt() << " DPI)";
        m_out << "\n";
    } else {
        m_out << "DPI stages:   " << dpiPage.currentDpiCount() << "\n";
    }
    if (o.contains(QStringLiteral("keyboardOptions"))) {
        QStringList bytes;
        for (const QJsonValue &v : o.value(QStringLiteral("keyboardOptions")).toArray())
            bytes.append(QString::number(v.toInt()));
        m_out << "keyboard:     " << bytes.join(QLatin1Char(' ')) << "\n";
    }
    if (o.contains(QStringLiteral("deviceProfile")))
        m_out << "on the mouse: profile " << o.value(QStringLiteral("deviceProfile")).toInt()
              << "\n";
    return 0;
}

// ---------------------------------------------------------------------------
// dpi

int Runner::dpi(QStringList args)
{
    const bool json = takeFlag(args, QStringLiteral("--json"));
    if (!noOptionsLeft(args))
        return usage();
    DpiModel page(m_ops);
    page.init(false, false);
    const QString sub = args.isEmpty() ? QStringLiteral("show") : args.takeFirst();
    const int stages = qMax(1, page.stageSlots());

    auto stageNumber = [&](const QString &text, int *stage) {
        if (!parseInt(text, 1, stages, stage)) {
            m_usageError =
                QStringLiteral("stage \"%1\" is not a stage number 1..%2").arg(text).arg(stages);
            return false;
        }
        return true;
    };

    if (sub == QLatin1String("show")) {
        if (!args.isEmpty())
            return usage(QStringLiteral("show takes no arguments (got %1)").arg(args.first()));
        QJsonArray list;
        for (int i = 0; i < 8; ++i) {
            QJsonObject s;
            s[QStringLiteral("stage")] = i + 1;
            s[QStringLiteral("dpi")] = page.values().at(i);
            s[QStringLiteral("enabled")] = page.enables().at(i) != 0;
            s[QStringLiteral("colour")] = i < 6 ? page.colours().at(i) : QStringLiteral("#ffffff");
            s[QStringLiteral("shown")] = i < page.shownCount();
            list.append(s);
        }
        if (json) {
            QJsonObject o;
            o[QStringLiteral("count")] = page.currentDpiCount();
            o[QStringLiteral("shown")] = page.shownCount();
            o[QStringLiteral("min")] = page.minDpi();
            o[QStringLiteral("max")] = page.maxDpi();
            o[QStringLiteral("step")] = page.dpiBase();
            o[QStringLiteral("stages")] = list;
            print(o);
            return 0;
        }
        m_out << "stages in use: " << page.currentDpiCount() << " of " << page.shownCount()
              << " shown (DPI " << page.minDpi() << ".." << page.maxDpi() << " in steps of "
              << page.dpiBase() << ")\n";
        for (int i = 0; i < 8; ++i) {
            m_out << "  " << (i + 1) << "  " << qSetFieldWidth(5) << Qt::right
                  << page.values().at(i) << qSetFieldWidth(0) << Qt::left << "  "
                  << (page.enables().at(i) != 0 ? "on " : "off") << "  "
                  << (i < 6 ? page.colours().at(i) : QStringLiteral("#ffffff"))
                  << (i < page.shownCount() ? "" : "  (not shown)") << "\n";
        }
        return 0;
    }
    if (json)
        return usage(QStringLiteral("--json goes with show"));

    if (sub == QLatin1String("set")) {
        if (args.isEmpty())
            return usage(QStringLiteral("set needs STAGE=DPI, e.g. dpi set 1=1000 2=2000"));
        for (const QString &pair : args) {
            const int eq = pair.indexOf(QLatin1Char('='));
            int stage = 0;
            int value = 0;
            if (eq < 0)
                return usage(QStringLiteral("\"%1\" is not STAGE=DPI").arg(pair));
            if (!stageNumber(pair.left(eq), &stage))
                return usage();
            if (!parseInt(pair.mid(eq + 1), page.minDpi(), page.maxDpi(), &value) ||
                !page.acceptsValue(value))
                return usage(QStringLiteral("DPI \"%1\" of stage %2: accepted are %3..%4 in steps "
                                            "of %5")
                                 .arg(pair.mid(eq + 1))
                                 .arg(stage)
                                 .arg(page.minDpi())
                                 .arg(page.maxDpi())
                                 .arg(page.dpiBase()));
            page.setStageValue(stage - 1, value);
        }
        if (!saveDpi(page, true))
            return notStored();
        return sent(QStringLiteral("DPI stages set"));
    }
    if (sub == QLatin1String("count")) {
        int count = 0;
        if (args.size() != 1 || !parseInt(args.first(), 1, stages, &count))
            return usage(QStringLiteral("count needs one number 1..%1").arg(stages));
        // As the window's count box: stages 1..count shown and enabled.
        page.chooseCount(count);
        if (!saveDpi(page, true))
            return notStored();
        return sent(QStringLiteral("%1 DPI stages in use").arg(count));
    }
    if (sub == QLatin1String("enable") || sub == QLatin1String("disable")) {
        if (args.isEmpty())
            return usage(QStringLiteral("%1 needs stage numbers 1..%2").arg(sub).arg(stages));
        // Ticking stages makes the count the number of enabled stages; as
        // in the window, only the stages shown can be ticked.
        for (const QString &text : args) {
            int stage = 0;
            if (!stageNumber(text, &stage))
                return usage();
            if (stage > page.shownCount())
                return usage(QStringLiteral("stage %1 is not shown (stages 1..%2 are); show more "
                                            "with dpi count first")
                                 .arg(stage)
                                 .arg(page.shownCount()));
            if (!page.setStageEnabled(stage - 1, sub == QLatin1String("enable")))
                return usage(QStringLiteral("at least one stage must stay enabled"));
        }
        if (!saveDpi(page, true))
            return notStored();
        return sent(
            QStringLiteral("DPI stages %1d; %2 in use").arg(sub).arg(page.currentDpiCount()));
    }
    if (sub == QLatin1String("colour") || sub == QLatin1String("color")) {
        int stage = 0;
        if (args.size() != 2)
            return usage(QStringLiteral("colour needs STAGE and #rrggbb"));
        if (!parseInt(args.at(0), 1, DpiModel::kColouredStages, &stage))
            return usage(QStringLiteral("stage \"%1\": stages 1..6 have colours").arg(args.at(0)));
        if (!page.setColour(stage - 1, args.at(1)))
            return usage(QStringLiteral("colour \"%1\" is not #rrggbb").arg(args.at(1)));
        if (!saveDpi(page, true))
            return notStored();
        return sent(QStringLiteral("stage %1 colour set").arg(stage));
    }
    if (sub == QLatin1String("current")) {
        int stage = 0;
        if (args.size() != 1 || !parseInt(args.first(), 1, page.currentDpiCount(), &stage))
            return usage(
                QStringLiteral("current needs a stage number 1..%1").arg(page.currentDpiCount()));
        if (!m_connect)
            return usage(QStringLiteral("current talks to the mouse; drop --no-device"));
        if (!device()) {
            m_err << "kesta-ctl dpi: " << noDevice() << "\n";
            return 1;
        }
        deliver(QStringLiteral("the DPI stage"), [&] { m_dev->mouseSetCurrentDPI(uchar(stage)); });
        if (!m_undelivered.isEmpty()) {
            m_err << "kesta-ctl dpi: the DPI stage did not reach the mouse\n";
            return 1;
        }
        m_out << "DPI stage " << stage << "\n";
        return 0;
    }
    return usage(QStringLiteral("unknown sub-command \"%1\" (show, set, count, enable, disable, "
                                "colour, current)")
                     .arg(sub));
}

// ---------------------------------------------------------------------------
// rate, lod

int Runner::rate(QStringList args)
{
    const bool json = takeFlag(args, QStringLiteral("--json"));
    if (!noOptionsLeft(args))
        return usage();
    ReportRateModel model(m_ops);
    model.init(false);
    if (args.isEmpty()) {
        const int hz = ReportRateModel::hertz(model.index());
        if (json) {
            QJsonObject o;
            o[QStringLiteral("reportRate")] = hz;
            print(o);
        } else {
            m_out << hz << " Hz\n";
        }
        return 0;
    }
    if (json || args.size() != 1)
        return usage(QStringLiteral("give one rate: 125, 250, 500 or 1000"));
    QString text = args.first();
    if (text.endsWith(QLatin1String("hz"), Qt::CaseInsensitive))
        text.chop(2);
    bool isNumber = false;
    const int index = ReportRateModel::indexOfHertz(text.toInt(&isNumber));
    if (isNumber && index >= 0 && text == QString::number(ReportRateModel::hertz(index))) {
        model.choose(index);
        if (!saveReportRate(model))
            return notStored();
        return sent(QStringLiteral("report rate %1 Hz").arg(ReportRateModel::hertz(index)));
    }
    return usage(
        QStringLiteral("rate \"%1\": accepted are 125, 250, 500 and 1000").arg(args.first()));
}

int Runner::lod(QStringList args)
{
    const bool json = takeFlag(args, QStringLiteral("--json"));
    if (!noOptionsLeft(args))
        return usage();
    LodModel model(m_ops);
    model.load(false);
    int position = model.position();
    bool enabled = model.enabled();
    if (args.isEmpty()) {
        if (json) {
            QJsonObject o;
            o[QStringLiteral("distance")] = lodWord(position);
            o[QStringLiteral("position")] = position;
            o[QStringLiteral("enabled")] = enabled;
            print(o);
        } else {
            m_out << lodWord(position) << ", " << (enabled ? "on" : "off") << "\n";
        }
        return 0;
    }
    if (json || args.size() > 2)
        return usage(QStringLiteral("give low, medium or high and/or on or off"));
    for (const QString &word : args) {
        if (word == QLatin1String("low"))
            position = LodModel::kLow;
        else if (word == QLatin1String("medium"))
            position = LodModel::kMedium;
        else if (word == QLatin1String("high"))
            position = LodModel::kHigh;
        else if (word == QLatin1String("on"))
            enabled = true;
        else if (word == QLatin1String("off"))
            enabled = false;
        else
            return usage(
                QStringLiteral("\"%1\": accepted are low, medium, high, on and off").arg(word));
    }
    model.change(position, enabled);
    if (!saveLod(model))
        return notStored();
    return sent(
        QStringLiteral("lift-off %1, %2")
            .arg(lodWord(position), enabled ? QStringLiteral("on") : QStringLiteral("off")));
}

// ---------------------------------------------------------------------------
// light

int Runner::light(QStringList args)
{
    const bool json = takeFlag(args, QStringLiteral("--json"));
    LightingModel light(m_ops);
    light.init(false, false);
    QString preset, effect, speed, brightness, direction, colour, block;
    bool hasPreset, hasEffect, hasSpeed, hasBrightness, hasDirection, hasColour, hasBlock;
    if (!takeOption(args, QStringLiteral("--preset"), &preset, &hasPreset) ||
        !takeOption(args, QStringLiteral("--effect"), &effect, &hasEffect) ||
        !takeOption(args, QStringLiteral("--speed"), &speed, &hasSpeed) ||
        !takeOption(args, QStringLiteral("--brightness"), &brightness, &hasBrightness) ||
        !takeOption(args, QStringLiteral("--direction"), &direction, &hasDirection) ||
        !takeOption(args, QStringLiteral("--colour"), &colour, &hasColour) ||
        !takeOption(args, QStringLiteral("--block"), &block, &hasBlock) || !noOptionsLeft(args))
        return usage();
    const QString sub = args.isEmpty() ? QStringLiteral("show") : args.takeFirst();
    if (!args.isEmpty())
        return usage(QStringLiteral("unexpected argument \"%1\"").arg(args.first()));
    const bool anySet = hasPreset || hasEffect || hasSpeed || hasBrightness || hasDirection ||
                        hasColour || hasBlock;
    if (sub == QLatin1String("show")) {
        if (anySet)
            return usage(QStringLiteral("options that change the light go with set"));
        // In the window's units: "Speed N", the percent, the direction's word.
        const QString name = light.names().value(light.lightNo());
        const QString effectName = LightingModel::effectWord(light.effect());
        const QString turn = LightingModel::directionWord(light.direction());
        if (json) {
            QJsonObject o;
            o[QStringLiteral("preset")] = light.lightNo() + 1;
            o[QStringLiteral("presetName")] = name;
            o[QStringLiteral("effect")] = effectName;
            o[QStringLiteral("speed")] = light.shownSpeed();
            o[QStringLiteral("brightness")] = light.brightnessPercent();
            o[QStringLiteral("direction")] = turn;
            o[QStringLiteral("block")] = light.colorIndex() + 1;
            o[QStringLiteral("colour")] = light.selectedColour();
            print(o);
            return 0;
        }
        m_out << "preset:     " << light.lightNo() + 1 << " " << name << "\n"
              << "effect:     " << effectName << "\n"
              << "speed:      " << light.shownSpeed() << "\n"
              << "brightness: " << light.brightnessPercent() << "%\n"
              << "direction:  " << turn << "\n"
              << "colour:     " << light.selectedColour() << " (block " << light.colorIndex() + 1
              << ")\n";
        return 0;
    }
    if (sub != QLatin1String("set"))
        return usage(QStringLiteral("unknown sub-command \"%1\" (show, set)").arg(sub));
    if (json)
        return usage(QStringLiteral("--json goes with show"));
    if (!anySet)
        return usage(QStringLiteral("set needs at least one of --preset, --effect, --speed, "
                                    "--brightness, --direction, --block, --colour"));
    // Every value is checked before the model changes anything.
    int presetNo = 0, effectNo = -1, shownSpeed = 0, percent = 0, turn = -1, blockNo = 0;
    if (hasPreset && !parseInt(preset, 1, light.lightCount(), &presetNo))
        return usage(QStringLiteral("--preset \"%1\": presets are 1..%2")
                         .arg(preset)
                         .arg(light.lightCount()));
    if (hasEffect && (effectNo = LightingModel::effectOfWord(effect)) < 0)
        return usage(QStringLiteral("--effect \"%1\": accepted are %2")
                         .arg(effect, LightingModel::effectWords().join(QLatin1String(", "))));
    const int fastest = LightingModel::shownSpeedOf(LightingModel::kMaxSpeed);
    if (hasSpeed && !parseInt(speed, 1, fastest, &shownSpeed))
        return usage(QStringLiteral("--speed \"%1\": accepted are 1..%2").arg(speed).arg(fastest));
    if (hasBrightness && !parseInt(brightness, 0, 100, &percent))
        return usage(
            QStringLiteral("--brightness \"%1\": accepted are 0..100 (percent)").arg(brightness));
    if (hasDirection && (turn = LightingModel::directionOfWord(direction)) < 0)
        return usage(
            QStringLiteral("--direction \"%1\": accepted are %2")
                .arg(direction, LightingModel::directionWords().join(QLatin1String(", "))));
    if (hasBlock && !parseInt(block, 1, LightingModel::kBlocks, &blockNo))
        return usage(QStringLiteral("--block \"%1\": colour blocks are 1..%2")
                         .arg(block)
                         .arg(LightingModel::kBlocks));
    Rgb rgb;
    if (hasColour && !parseColour(colour, &rgb))
        return usage(QStringLiteral("--colour \"%1\" is not #rrggbb").arg(colour));

    // As the page does it: another preset first, then the edits on it.
    SettingsStore::WriteBatch batch(m_store);
    if (hasPreset)
        light.choosePreset(presetNo - 1);
    if (hasEffect)
        light.chooseEffect(LightingModel::entryOfEffect(effectNo));
    if (hasSpeed)
        light.setSpeed(LightingModel::speedOfShown(shownSpeed));
    if (hasBrightness)
        light.setBrightness(LightingModel::brightnessOfPercent(percent));
    if (hasDirection)
        light.setDirection(turn);
    if (hasBlock)
        light.selectBlock(blockNo - 1);
    if (hasColour)
        light.setBlockColour(light.colorIndex(), colour);
    if (!saveLight(light, false) || !commit(batch, profileFile()))
        return notStored();
    if (device())
        deliver(QStringLiteral("the lighting"), [&] { light.sendData(); });
    return sent(QStringLiteral("light preset %1 set").arg(light.lightNo() + 1));
}

// ---------------------------------------------------------------------------
// pointer

int Runner::pointer(QStringList args)
{
    const bool json = takeFlag(args, QStringLiteral("--json"));
    QString speed, doubleClick, scroll;
    bool hasSpeed, hasDouble, hasScroll;
    if (!takeOption(args, QStringLiteral("--speed"), &speed, &hasSpeed) ||
        !takeOption(args, QStringLiteral("--double-click"), &doubleClick, &hasDouble) ||
        !takeOption(args, QStringLiteral("--scroll"), &scroll, &hasScroll) || !noOptionsLeft(args))
        return usage();
    LodModel lod(m_ops);
    SystemSettingsModel page(m_ops, lod);
    page.init(false, false);
    page.readSupport();
    const QString sub = args.isEmpty() ? QStringLiteral("show") : args.takeFirst();
    if (!args.isEmpty())
        return usage(QStringLiteral("unexpected argument \"%1\"").arg(args.first()));
    if (sub == QLatin1String("show")) {
        if (hasSpeed || hasDouble || hasScroll)
            return usage(QStringLiteral("options that change the pointer go with set"));
        const bool wholeScreen = page.scrollWhole();
        const int speed = SystemSettingsModel::speedIndex(page.mouseRate());
        const int doubleSpeed = SystemSettingsModel::speedIndex(page.doubleRate());
        if (json) {
            QJsonObject o;
            o[QStringLiteral("speed")] = speed;
            o[QStringLiteral("doubleClick")] = doubleSpeed;
            o[QStringLiteral("scroll")] =
                wholeScreen ? QJsonValue(QStringLiteral("page")) : QJsonValue(page.scrollLines());
            print(o);
            return 0;
        }
        if (!page.pointerNote().isEmpty())
            m_err << "kesta-ctl pointer: " << page.pointerNote() << "\n";
        m_out << "speed:        " << speed << " (0..10)\n"
              << "double-click: " << doubleSpeed << " (0..10)\n"
              << "scroll:       "
              << (wholeScreen ? QStringLiteral("a page")
                              : QStringLiteral("%1 lines").arg(page.scrollLines()))
              << "\n";
        return 0;
    }
    if (sub != QLatin1String("set"))
        return usage(QStringLiteral("unknown sub-command \"%1\" (show, set)").arg(sub));
    if (json)
        return usage(QStringLiteral("--json goes with show"));
    const int given = int(hasSpeed) + int(hasDouble) + int(hasScroll);
    if (given == 0)
        return usage(QStringLiteral("set needs --speed, --double-click or --scroll"));
    int value = 0;
    if (hasSpeed) {
        if (!parseInt(speed, 0, 10, &value))
            return usage(QStringLiteral("--speed \"%1\": accepted are 0..10").arg(speed));
        page.setPointer(SystemSettingsModel::positionForIndex(value));
    }
    if (hasDouble) {
        if (!parseInt(doubleClick, 0, 10, &value))
            return usage(
                QStringLiteral("--double-click \"%1\": accepted are 0..10").arg(doubleClick));
        page.setDoubleClick(SystemSettingsModel::positionForIndex(value));
    }
    if (hasScroll) {
        if (scroll == QLatin1String("page"))
            value = SystemSettingsModel::kScrollWholeScreen;
        else if (!parseInt(scroll, 1, 9999, &value))
            return usage(
                QStringLiteral("--scroll \"%1\": accepted are 1..100 lines or page").arg(scroll));
        // More than a hundred lines is whole-screen scrolling.
        page.setScrollValue(value);
    }
    // A setting the desktop does not offer would be stored and never take.
    if ((hasSpeed && !page.speedAvailable()) || (hasDouble && !page.doubleClickAvailable()) ||
        (hasScroll && !page.scrollAvailable())) {
        m_err << "kesta-ctl pointer: " << page.pointerNote() << " Nothing was stored.\n";
        return 1;
    }
    const int step = given > 1 ? 0 : hasSpeed ? 1 : hasDouble ? 2 : 3;
    if (!saveSystem(page, lod, step))
        return notStored();
    return sent(QStringLiteral("pointer settings set"));
}

// ---------------------------------------------------------------------------
// button

int Runner::button(QStringList args)
{
    const bool json = takeFlag(args, QStringLiteral("--json"));
    QString modeWord, rateText, timesText;
    bool hasMode, hasRate, hasTimes;
    if (!takeOption(args, QStringLiteral("--mode"), &modeWord, &hasMode) ||
        !takeOption(args, QStringLiteral("--rate"), &rateText, &hasRate) ||
        !takeOption(args, QStringLiteral("--times"), &timesText, &hasTimes) || !noOptionsLeft(args))
        return usage();
    KeyMatrixModel &keys = loadKeys();
    const int mode = keys.mode();
    const QString sub = args.isEmpty() ? QStringLiteral("list") : args.takeFirst();
    if (sub == QLatin1String("list")) {
        if (!args.isEmpty() || hasMode || hasRate || hasTimes)
            return usage(QStringLiteral("list takes no arguments"));
        QJsonArray list;
        for (int j = 0; j < 16; ++j) {
            const Entry &e = keys.matrix(mode).at(j);
            const QString macroName = e[0] == 4 ? keys.macroName(mode, e[2]) : QString();
            QJsonObject o;
            o[QStringLiteral("index")] = j;
            o[QStringLiteral("label")] = ButtonLabels::label(j);
            o[QStringLiteral("choice")] = AssignmentTable::word(e, macroName);
            o[QStringLiteral("text")] = AssignmentTable::text(e, macroName);
            o[QStringLiteral("entry")] = QJsonArray{e[0], e[1], e[2], e[3]};
            list.append(o);
        }
        if (json) {
            print(list);
            return 0;
        }
        m_out << (mode == 0 ? "office" : "game") << " mode\n";
        for (const QJsonValue &v : list) {
            const QJsonObject o = v.toObject();
            const QString label = o.value(QStringLiteral("label")).toString();
            m_out << "  " << (label.isEmpty() ? QStringLiteral("-") : label) << "  "
                  << qSetFieldWidth(2) << Qt::right << o.value(QStringLiteral("index")).toInt()
                  << qSetFieldWidth(0) << Qt::left << "  "
                  << o.value(QStringLiteral("text")).toString() << "  ["
                  << o.value(QStringLiteral("choice")).toString() << "]"
                  << (label.isEmpty() ? QStringLiteral("  (fixed)") : QString()) << "\n";
        }
        return 0;
    }
    if (sub != QLatin1String("set"))
        return usage(QStringLiteral("unknown sub-command \"%1\" (list, set)").arg(sub));
    if (json)
        return usage(QStringLiteral("--json goes with list"));
    if (args.size() != 2)
        return usage(QStringLiteral("set needs BUTTON and CHOICE, e.g. button set 4 media:mute"));
    const int index = ButtonLabels::matrixIndex(args.at(0));
    if (index < 0)
        return usage(QStringLiteral("button \"%1\": buttons are 1..14 (or ①..⑭)").arg(args.at(0)));

    AssignmentTable::FireOptions fire;
    if (hasRate && !parseInt(rateText, 1, 255, &fire.rate))
        return usage(QStringLiteral("--rate \"%1\": accepted are 1..255 ms").arg(rateText));
    if (hasTimes && !parseInt(timesText, 0, 255, &fire.times))
        return usage(
            QStringLiteral("--times \"%1\": accepted are 0 (endless) .. 255").arg(timesText));
    AssignmentTable::Choice choice;
    QString error;
    if (!AssignmentTable::parse(args.at(1), fire, mode == 1, &choice, &error))
        return usage(error);
    if ((hasRate || hasTimes) && choice.entry[0] != 1)
        return usage(QStringLiteral("--rate and --times go with fire:KEY"));
    int playMode = 0;
    if (hasMode) {
        if (!choice.isMacro)
            return usage(QStringLiteral("--mode goes with macro:NAME"));
        playMode = AssignmentTable::playMode(modeWord);
        if (playMode < 0)
            return usage(QStringLiteral("--mode \"%1\": accepted are once, loop-until-press and "
                                        "loop-until-release")
                             .arg(modeWord));
    }
    if (choice.isMacro) {
        if (!ButtonLabels::takesMacro(index))
            return usage(QStringLiteral("button %1 cannot hold a macro: macros go on buttons 1..10 "
                                        "(①..⑩)")
                             .arg(args.at(0)));
        if (m_macros->loadMacroByName(choice.macroName).isEmpty())
            return usage(
                QStringLiteral("no macro called \"%1\" in the library (see kesta-ctl macro "
                               "tree)")
                    .arg(choice.macroName));
        choice.entry = AssignmentTable::macroEntry(playMode, index);
    }
    // The window's rule: the first button keeps the left click, and no
    // change takes it from its last holder.
    if (KeyMatrixModel::refuses(keys.matrix(mode), index, choice.entry)) {
        if (index != 0 && keys.isSoleLeftHolder(index))
            return usage(QStringLiteral("button %1 is the only left button; assign the left "
                                        "click to another button first")
                             .arg(args.at(0)));
        return usage(QStringLiteral("Please keep a key at least for the left button function."));
    }

    {
        // The binding and the matrix are one change: both stored, or neither.
        SettingsStore::WriteBatch batch(m_store);
        const bool taken = choice.isMacro ? keys.bindMacroUnsent(index, choice.macroName, playMode)
                                          : keys.assignEntry(index, choice.entry);
        if (!taken)
            return usage(QStringLiteral("button %1 cannot take %2").arg(args.at(0), args.at(1)));
        if (!saveKeys(false) || !commit(batch, profileFile()))
            return notStored();
    }
    if (device())
        sendKeys();
    if (choice.isMacro)
        sendMacro(choice.macroName, index);
    return sent(QStringLiteral("button %1: %2")
                    .arg(ButtonLabels::label(index),
                         AssignmentTable::text(choice.entry, choice.macroName)));
}

// ---------------------------------------------------------------------------
// profile

QList<QPair<QString, int>> Runner::profiles()
{
    ProfileListModel model(m_ops);
    model.reload();
    QList<QPair<QString, int>> out;
    for (const ProfileListModel::Entry &e : model.entries())
        out.append({e.name, e.number});
    return out;
}

int Runner::profileNumber(const QString &word)
{
    ProfileListModel model(m_ops);
    model.reload();
    return model.numberOf(word);
}

bool Runner::sendAllPages(bool afterReset, LightingModel &light,
                          const std::function<bool()> &beforeSending)
{
    KeyMatrixModel &keys = loadKeys();
    if (afterReset)
        keys.initMode(0);
    ReportRateModel rate(m_ops);
    rate.init(false);
    LodModel lod(m_ops);
    lod.load(false);
    DpiModel dpi(m_ops);
    dpi.init(false, false);
    light.init(false, afterReset);
    SystemSettingsModel system(m_ops, lod);
    system.init(false, false);
    {
        // Every page goes to the profile file in one write; the mouse gets
        // nothing of it unless the file holds it.
        SettingsStore::WriteBatch batch(m_store);
        if (!saveKeys(false) || !saveReportRate(rate, false) || !saveLod(lod, false) ||
            !saveDpi(dpi, false) || !saveLight(light, false) ||
            !saveSystem(system, lod, 0, false) || !commit(batch, profileFile()))
            return false;
    }
    if (beforeSending && !beforeSending())
        return false;
    // The root's order: key matrix, report rate, lift-off, DPI, lighting,
    // system settings; then the weapon layers and the bound macros.
    if (device()) {
        sendKeys();
        deliver(QStringLiteral("the report rate"), [&] { rate.send(); });
        deliver(QStringLiteral("the lift-off distance"), [&] { lod.send(); });
        sendDpi(dpi);
        deliver(QStringLiteral("the lighting"), [&] { light.sendData(); });
    }
    sendSystem(system, lod, 0);
    if (keys.mode() == 1 && device()) {
        deliver(QStringLiteral("the game-mode layers"), [&] {
            m_dev->mouseSwitchKeyMatrix(1);
            m_dev->mouseResetKeyMatrix();
        });
    }
    if (afterReset && device())
        deliver(QStringLiteral("the DPI stage"), [&] { m_dev->mouseSetCurrentDPI(2); });
    sendBoundMacros();
    return true;
}

bool Runner::guardLeftClick(int number)
{
    const KeyMatrixModel::LeftClick outcome = KeyMatrixModel::guardLeftClick(m_store, number);
    if (outcome == KeyMatrixModel::LeftClick::Held)
        return true;
    QString name = QString::number(number);
    for (const auto &entry : profiles()) {
        if (entry.second == number)
            name = entry.first;
    }
    m_err << "kesta-ctl " << m_command << ": " << KeyMatrixModel::leftClickNotice(outcome, name)
          << "\n";
    if (outcome == KeyMatrixModel::LeftClick::Restored)
        return true;
    if (m_notStored.isEmpty() && m_store->profile(number))
        m_notStored = m_store->profile(number)->fileName();
    return false;
}

int Runner::profile(QStringList args)
{
    const bool json = takeFlag(args, QStringLiteral("--json"));
    QString name;
    bool hasName;
    if (!takeOption(args, QStringLiteral("--name"), &name, &hasName) || !noOptionsLeft(args))
        return usage();
    const auto list = profiles();
    const int current = m_store->currentProfileIndex();
    const QString sub = args.isEmpty() ? QStringLiteral("list") : args.takeFirst();
    if (sub == QLatin1String("list")) {
        if (!args.isEmpty() || hasName)
            return usage(QStringLiteral("list takes no arguments"));
        QJsonArray out;
        for (const auto &entry : list) {
            QJsonObject o;
            o[QStringLiteral("number")] = entry.second;
            o[QStringLiteral("name")] = entry.first;
            o[QStringLiteral("active")] = entry.second == current;
            out.append(o);
        }
        if (json) {
            print(out);
            return 0;
        }
        for (const auto &entry : list)
            m_out << (entry.second == current ? "* " : "  ") << entry.second << "  " << entry.first
                  << "\n";
        return 0;
    }
    if (json)
        return usage(QStringLiteral("--json goes with list"));
    if (sub == QLatin1String("switch")) {
        if (args.size() != 1 || hasName)
            return usage(QStringLiteral("switch needs one profile (name or number)"));
        const int n = profileNumber(args.first());
        if (n < 0)
            return usage(
                QStringLiteral("no profile \"%1\" (see kesta-ctl profile list)").arg(args.first()));
        if (n == current) {
            m_out << "profile " << n << " is already in use\n";
            return 0;
        }
        m_store->setCurrentProfile(n);
        LightingModel light(m_ops);
        // The profile's pages are stored first, then the choice with, as it
        // is one the user made, the profile that windows without a rule
        // bring back (one write of the global file); the mouse gets the
        // profile only once both files hold it.
        const auto storeChoice = [&] {
            SettingsStore::WriteBatch batch(m_store);
            m_store->setGlobalData(QStringLiteral("mouse/profileNo"), n);
            AppProfileModel(m_ops).setReturnTo(n);
            return commit(batch, m_store->global());
        };
        if (!guardLeftClick(n) || !sendAllPages(false, light, storeChoice)) {
            // The profile in use stays the one the mouse still holds.
            m_store->setCurrentProfile(current);
            return notStored();
        }
        return sent(QStringLiteral("profile %1 in use").arg(n));
    }
    if (sub == QLatin1String("export")) {
        if (args.size() != 2 || hasName)
            return usage(QStringLiteral("export needs a profile and a file, e.g. profile export 0 "
                                        "~/office.pf"));
        const int n = profileNumber(args.at(0));
        if (n < 0)
            return usage(
                QStringLiteral("no profile \"%1\" (see kesta-ctl profile list)").arg(args.at(0)));
        // Named as the window's export names it; an existing file that only
        // the appended suffix would hit is left alone.
        const QString file =
            ExchangeFiles::exportTarget(args.at(1), ExchangeFiles::kProfileSuffix, m_dialogs);
        if (file.isEmpty())
            return usage(m_dialogs->warnings.isEmpty()
                             ? QStringLiteral("no file named")
                             : m_dialogs->warnings.takeLast().section(QLatin1Char('|'), 1));
        const QFileInfo target(file);
        if (!target.absoluteDir().exists() || target.isDir())
            return usage(QStringLiteral("cannot write \"%1\": no such folder").arg(file));
        if (insideSettings(target))
            return usage(
                QStringLiteral("\"%1\" is inside the settings folder; export elsewhere").arg(file));
        m_dialogs->answers.append(target.absoluteFilePath());
        if (!m_store->saveProfile(n)) {
            m_err << "kesta-ctl profile: could not write " << file << "\n";
            return 1;
        }
        m_out << "profile " << n << " exported to " << file << "\n";
        return 0;
    }
    if (sub == QLatin1String("import")) {
        if (args.size() != 1)
            return usage(QStringLiteral("import needs a .pf file"));
        const QFileInfo source(args.first());
        if (!source.isFile())
            return usage(QStringLiteral("no file \"%1\"").arg(args.first()));
        // The reasons are the window's own, in English.
        const auto why = [](ProfileListModel::Refusal r) {
            return ProfileListModel::importRefusal(r, true);
        };
        if (!SettingsStore::looksLikeProfile(source.absoluteFilePath()))
            return usage(
                QStringLiteral("\"%1\": %2").arg(args.first(), why(ProfileListModel::NotAProfile)));
        ProfileListModel model(m_ops);
        model.reload();
        if (model.count() >= ProfileListModel::kMaxProfiles)
            return usage(why(ProfileListModel::ListFull));
        if (hasName && (name.isEmpty() || model.numberOf(name) >= 0))
            return usage(
                QStringLiteral("--name \"%1\": %2").arg(name, why(ProfileListModel::NameTaken)));
        const int number = model.freeNumber();
        if (!hasName)
            name = model.freeName();
        ProfileListModel::Refusal refusal = ProfileListModel::NotImported;
        QObject::connect(&model, &ProfileListModel::refused,
                         [&refusal](ProfileListModel::Refusal r) { refusal = r; });
        // The profile list guards the imported profile's left click.
        bool leftClickStored = true;
        QObject::connect(&model, &ProfileListModel::leftClickNotice,
                         [&](const QString &line, bool stored) {
                             m_err << "kesta-ctl profile: " << line << "\n";
                             leftClickStored = stored;
                         });
        m_dialogs->answers.append(source.absoluteFilePath());
        if (model.importProfile(name) < 0) {
            if (refusal == ProfileListModel::NotStored)
                m_err << "kesta-ctl profile: " << args.first() << " is in profile file " << number
                      << ", but the profile list could not be written; it is not listed\n";
            else if (why(refusal).isEmpty())
                m_err << "kesta-ctl profile: could not import " << args.first() << "\n";
            else
                m_err << "kesta-ctl profile: could not import " << args.first() << ": "
                      << why(refusal) << "\n";
            return 1;
        }
        m_out << "imported as profile " << number << " " << name << "\n";
        if (!leftClickStored) {
            m_notStored = m_store->profile(number)->fileName();
            return notStored();
        }
        return 0;
    }
    if (sub == QLatin1String("reset")) {
        if (args.size() > 1 || hasName)
            return usage(QStringLiteral("reset takes at most one profile"));
        const int n = args.isEmpty() ? current : profileNumber(args.first());
        if (n < 0)
            return usage(
                QStringLiteral("no profile \"%1\" (see kesta-ctl profile list)").arg(args.first()));
        LightingModel light(m_ops);
        light.init(false, false);
        if (!m_store->resetProfile(n)) {
            m_err << "kesta-ctl profile: could not reset profile " << n
                  << " (its file keeps its values); nothing was sent\n";
            return 1;
        }
        if (!guardLeftClick(n))
            return notStored();
        if (n != current) {
            m_out << "profile " << n << " reset\n";
            return 0;
        }
        if (!sendAllPages(true, light))
            return notStored();
        return sent(QStringLiteral("profile %1 reset").arg(n));
    }
    return usage(QStringLiteral("unknown sub-command \"%1\" (list, switch, export, import, reset)")
                     .arg(sub));
}

// ---------------------------------------------------------------------------
// macro

bool Runner::splitMacroPath(const QString &path, QStringList *folders, QString *name)
{
    QStringList parts = path.split(QLatin1Char('/'));
    for (const QString &p : parts) {
        if (p.isEmpty() || !MacroPaths::isSafeName(p)) {
            m_usageError = QStringLiteral("\"%1\" is not a macro path (FOLDER/.../NAME)").arg(path);
            return false;
        }
    }
    if (parts.size() > MacroPaths::kMaxLevel + 1) {
        m_usageError = QStringLiteral("\"%1\" is deeper than the library's six levels").arg(path);
        return false;
    }
    *name = parts.takeLast();
    *folders = parts;
    return true;
}

void Runner::selectPath(const QStringList &folders)
{
    m_macros->setMacroSelectName(folders.value(0), folders.value(1), folders.value(2),
                                 folders.value(3), folders.value(4));
}

bool Runner::selectFolder(const QStringList &folders)
{
    if (folders.isEmpty()) {
        m_tree.clearSelection();
        return true;
    }
    const QModelIndex index = m_tree.indexOf(folders);
    if (!m_tree.isFolder(index))
        return false;
    m_tree.select(index);
    return true;
}

QString Runner::libraryFile(const QStringList &folders, const QString &name, bool folder) const
{
    MacroPaths::SelectionPath selection;
    for (int i = 0; i < folders.size() && i < MacroPaths::kMaxLevel; ++i)
        selection.names[i] = folders.at(i);
    return MacroPaths::itemPath(m_macros->libraryRoot(), selection, int(folders.size()), name,
                                folder);
}

QJsonArray Runner::tree(const QModelIndex &folder)
{
    QJsonArray out;
    for (int row = 0; row < m_tree.rowCount(folder); ++row) {
        const QModelIndex item = m_tree.index(row, 0, folder);
        const bool isFolder = m_tree.isFolder(item);
        QJsonObject o;
        o[QStringLiteral("name")] = item.data(MacroTreeModel::NameRole).toString();
        o[QStringLiteral("type")] = isFolder ? QStringLiteral("folder") : QStringLiteral("macro");
        if (isFolder && item.data(MacroTreeModel::LevelRole).toInt() < MacroPaths::kMaxLevel)
            o[QStringLiteral("items")] = tree(item);
        out.append(o);
    }
    return out;
}

// The macros that a button of the profile in use plays, in either mode.
QStringList Runner::macrosBoundInUse()
{
    const KeyMatrixModel &keys = loadKeys();
    QStringList out;
    for (int mode = 0; mode < 2; ++mode) {
        for (const KeyMatrixModel::Binding &bound : keys.boundMacros(mode))
            out.append(bound.name);
    }
    return out;
}

namespace {

void printTree(QTextStream &out, const QJsonArray &items, int depth)
{
    for (const QJsonValue &v : items) {
        const QJsonObject o = v.toObject();
        const bool folder = o.value(QStringLiteral("type")).toString() == QLatin1String("folder");
        out << QString(2 * depth, QLatin1Char(' ')) << o.value(QStringLiteral("name")).toString()
            << (folder ? "/" : "") << "\n";
        if (folder)
            printTree(out, o.value(QStringLiteral("items")).toArray(), depth + 1);
    }
}

// "press:A", "release:A", "delay:50" (or the stored form "1,A") to a step
// string; empty with a message when the word is not a step.
QString stepString(const QString &word, QString *error)
{
    static const QRegularExpression stored(QStringLiteral("^[0-4],.*$"));
    QString kind;
    QString info;
    if (stored.match(word).hasMatch()) {
        kind = word.left(1);
        info = word.mid(2);
    } else {
        const int colon = word.indexOf(QLatin1Char(':'));
        kind = word.left(colon);
        info = colon < 0 ? QString() : word.mid(colon + 1);
    }
    if (kind == QLatin1String("delay") || kind == QLatin1String("0")) {
        bool ok = false;
        const int ms = info.toInt(&ok);
        if (!ok || ms < 0 || ms > 65535) {
            *error = QStringLiteral("step \"%1\": a delay is 0..65535 ms").arg(word);
            return QString();
        }
        return QStringLiteral("0,%1").arg(ms);
    }
    const bool press =
        kind == QLatin1String("press") || kind == QLatin1String("1") || kind == QLatin1String("3");
    const bool release = kind == QLatin1String("release") || kind == QLatin1String("2") ||
                         kind == QLatin1String("4");
    if (!press && !release) {
        *error =
            QStringLiteral("step \"%1\": steps are press:KEY, release:KEY and delay:MS").arg(word);
        return QString();
    }
    QString name;
    for (const KeyNames::Entry &e : KeyNames::table()) {
        if (QString::fromUtf8(e.name).compare(info, Qt::CaseInsensitive) == 0) {
            name = QString::fromUtf8(e.name);
            break;
        }
    }
    if (name.isEmpty()) {
        *error = QStringLiteral("step \"%1\": unknown key \"%2\" (keys by their names, e.g. A, "
                                "Space, LCtrl, MS-L)")
                     .arg(word, info);
        return QString();
    }
    const bool button = name.startsWith(QLatin1String("MS-"));
    const int type = button ? (press ? 3 : 4) : (press ? 1 : 2);
    return QStringLiteral("%1,%2").arg(type).arg(name);
}

QString stepWord(const QString &step)
{
    const MacroEncoder::Step s = MacroEncoder::parseStep(step);
    switch (s.type) {
    case MacroEncoder::Delay:
        return QStringLiteral("delay:") + s.info;
    case MacroEncoder::KeyPress:
    case MacroEncoder::ButtonPress:
        return QStringLiteral("press:") + s.info;
    case MacroEncoder::KeyRelease:
    case MacroEncoder::ButtonRelease:
        return QStringLiteral("release:") + s.info;
    default:
        return step;
    }
}

} // namespace

int Runner::macro(QStringList args)
{
    const bool json = takeFlag(args, QStringLiteral("--json"));
    QString repeatText, folderText;
    bool hasRepeat, hasFolder;
    if (!takeOption(args, QStringLiteral("--repeat"), &repeatText, &hasRepeat) ||
        !takeOption(args, QStringLiteral("--folder"), &folderText, &hasFolder))
        return usage();
    const QString sub = args.isEmpty() ? QStringLiteral("tree") : args.takeFirst();
    // Steps may look like options only by mistake; anything else left is an error.
    if (sub != QLatin1String("create") && !noOptionsLeft(args))
        return usage();
    m_tree.load();
    if (sub == QLatin1String("tree")) {
        if (!args.isEmpty() || hasRepeat || hasFolder)
            return usage(QStringLiteral("tree takes no arguments"));
        const QJsonArray items = tree({});
        if (json)
            print(items);
        else
            printTree(m_out, items, 0);
        // A library from before names were unique may hold one twice.
        const QStringList ambiguous = m_macros->ambiguousMacroNames();
        if (!ambiguous.isEmpty())
            m_err << "kesta-ctl macro: more than one macro is named "
                  << ambiguous.join(QStringLiteral(", "))
                  << "; a button bound to such a name plays the first found\n";
        // Nor could it keep two folders' items apart when their joined names met.
        const QStringList shared = m_tree.sharedListSets();
        if (!shared.isEmpty())
            m_err << "kesta-ctl macro: these folders share one stored list of items (\"/\" is "
                     "the top of the library): "
                  << shared.join(QStringLiteral("; ")) << "; nothing was changed\n";
        return 0;
    }
    QStringList folders;
    QString name;
    if (sub == QLatin1String("show")) {
        if (args.size() != 1 || hasRepeat || hasFolder)
            return usage(QStringLiteral("show needs one macro path"));
        if (!splitMacroPath(args.first(), &folders, &name))
            return usage();
        selectPath(folders);
        QStringList steps = m_macros->loadMacroIni(folders.size(), name);
        if (steps.isEmpty())
            return usage(QStringLiteral("no macro \"%1\"").arg(args.first()));
        const int repeat = steps.takeLast().toInt();
        const MacroEncoder::Fit fit = MacroEncoder::fit(steps);
        if (json) {
            QJsonObject o;
            QJsonArray list;
            for (const QString &s : steps)
                list.append(stepWord(s));
            o[QStringLiteral("name")] = name;
            o[QStringLiteral("repeat")] = repeat;
            o[QStringLiteral("steps")] = list;
            o[QStringLiteral("bytes")] = fit.length;
            o[QStringLiteral("sentSteps")] = fit.keptSteps;
            print(o);
            return 0;
        }
        m_out << name << ", repeat " << repeat << "\n";
        for (const QString &s : steps)
            m_out << "  " << stepWord(s) << "\n";
        if (fit.cut)
            m_out << "too long for the mouse (" << fit.length << " bytes, a slot holds "
                  << MacroEncoder::kBlockSize << "): it gets the first " << fit.keptSteps
                  << " steps\n";
        return 0;
    }
    if (json)
        return usage(QStringLiteral("--json goes with tree and show"));
    if (sub == QLatin1String("create")) {
        if (hasFolder)
            return usage(QStringLiteral("create takes the folder in the path: FOLDER/NAME"));
        if (args.isEmpty())
            return usage(QStringLiteral("create needs a macro path and steps"));
        if (!splitMacroPath(args.takeFirst(), &folders, &name))
            return usage();
        if (folders.size() > MacroPaths::kMaxLevel)
            return usage(QStringLiteral("macros live at levels 0..5"));
        int repeat = 1;
        if (hasRepeat && !parseInt(repeatText, 1, 65535, &repeat))
            return usage(QStringLiteral("--repeat \"%1\": accepted are 1..65535").arg(repeatText));
        QStringList steps;
        for (const QString &word : args) {
            QString error;
            const QString step = stepString(word, &error);
            if (step.isEmpty())
                return usage(error);
            steps.append(step);
        }
        if (MacroEncoder::encodedLength(steps) > MacroEncoder::kBlockSize)
            return usage(QStringLiteral("the steps take %1 bytes; a macro holds %2")
                             .arg(MacroEncoder::encodedLength(steps))
                             .arg(MacroEncoder::kBlockSize));
        if (!selectFolder(folders))
            return usage(QStringLiteral("no folder \"%1\" in the library")
                             .arg(folders.join(QLatin1Char('/'))));
        const int position = m_tree.rowCount(m_tree.currentIndex());
        const QString path = (folders + QStringList{name}).join(QLatin1Char('/'));
        // The steps before the listing: the library never lists a macro
        // whose steps are not in its file.
        bool made = false, saved = false;
        const int outcome = m_tree.createItem(name, 0, position, [&] {
            made = true;
            m_tree.applySelectionPath();
            saved = m_macros->saveMacroIni(folders.size(), name, steps, repeat);
            return saved;
        });
        if (outcome == MacroTreeModel::NameInFolder)
            return usage(QStringLiteral("Already have a macro with the same name! (%1)").arg(name));
        if (outcome == MacroTreeModel::ReservedName)
            return usage(reservedName());
        if (outcome == MacroTreeModel::NameElsewhere) {
            m_err << "kesta-ctl macro: the library already has a macro named " << name
                  << " (names are unique across folders); nothing was created\n";
            return 1;
        }
        if (outcome != MacroTreeModel::Done && !made) {
            m_err << "kesta-ctl macro: could not create the file of macro " << path
                  << "; nothing was stored\n";
            return 1;
        }
        if (outcome != MacroTreeModel::Done) {
            m_err << "kesta-ctl macro: could not write "
                  << (saved ? QStringLiteral("the library's name lists")
                            : QStringLiteral("the steps of macro ") + path)
                  << "; the macro was not created\n";
            return 1;
        }
        m_out << "macro " << (folders + QStringList{name}).join(QLatin1Char('/')) << " created\n";
        return 0;
    }
    if (hasRepeat)
        return usage(QStringLiteral("--repeat goes with create"));
    if (sub == QLatin1String("import")) {
        if (args.size() != 1)
            return usage(QStringLiteral("import needs one .mc file"));
        const QFileInfo source(args.first());
        if (!source.isFile())
            return usage(QStringLiteral("no file \"%1\"").arg(args.first()));
        if (hasFolder) {
            folders = folderText.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        }
        if (folders.size() > MacroPaths::kMaxLevel || !selectFolder(folders))
            return usage(QStringLiteral("no folder \"%1\" in the library").arg(folderText));
        name = MacroPaths::baseNameToFirstDot(source.fileName());
        if (name.isEmpty() || !MacroPaths::isSafeName(name))
            return usage(QStringLiteral("\"%1\" does not name a macro").arg(source.fileName()));
        const int check = m_tree.checkNewName(name, 0);
        if (check == MacroTreeModel::NameInFolder)
            return usage(QStringLiteral("Already have a macro with the same name! (%1)").arg(name));
        if (check == MacroTreeModel::ReservedName)
            return usage(reservedName());
        // The copy lands here; a file the library does not list keeps its
        // place, and only a copy this run made is taken away again.
        const QString copy = libraryFile(folders, name);
        if (QFileInfo::exists(copy) || QFileInfo(copy).isSymLink()) {
            m_err << "kesta-ctl macro: the library folder already holds a file "
                  << QDir::toNativeSeparators(copy) << "; nothing was imported\n";
            return 1;
        }
        if (check == MacroTreeModel::NameElsewhere) {
            m_err << "kesta-ctl macro: the library already has a macro named " << name
                  << "; nothing was imported\n";
            return 1;
        }
        m_dialogs->answers.append(source.absoluteFilePath());
        m_tree.applySelectionPath();
        const QString imported = m_macros->loadMacroFile(
            folders.isEmpty() ? -1 : folders.size() - 1, folders.isEmpty() ? 0 : 1);
        const bool copied = !imported.isEmpty() && sameContents(source.absoluteFilePath(), copy);
        if (!copied || m_tree.listItem(imported, 0) != MacroTreeModel::Done) {
            QFile::remove(copy);
            m_err << "kesta-ctl macro: could not "
                  << (copied ? QStringLiteral("write the library's name lists")
                             : QStringLiteral("copy ") + args.first() +
                                   QStringLiteral(" into the library"))
                  << "; nothing was imported\n";
            return 1;
        }
        m_out << "macro " << (folders + QStringList{imported}).join(QLatin1Char('/'))
              << " imported\n";
        selectPath(folders);
        QStringList steps = m_macros->loadMacroIni(folders.size(), imported);
        if (!steps.isEmpty())
            steps.removeLast(); // the repeat count
        const MacroEncoder::Fit fit = MacroEncoder::fit(steps);
        if (fit.cut)
            m_err << "kesta-ctl macro: macro " << imported << " takes " << fit.length
                  << " bytes, a slot holds " << MacroEncoder::kBlockSize
                  << ": the mouse will get its first " << fit.keptSteps << " steps\n";
        return 0;
    }
    if (hasFolder)
        return usage(QStringLiteral("--folder goes with import"));
    if (sub == QLatin1String("create-folder") || sub == QLatin1String("rename-folder") ||
        sub == QLatin1String("delete-folder"))
        return macroFolder(sub, args);
    if (sub == QLatin1String("export")) {
        if (args.size() != 2)
            return usage(QStringLiteral("export needs a macro path and a file"));
        if (!splitMacroPath(args.at(0), &folders, &name))
            return usage();
        selectPath(folders);
        if (m_macros->loadMacroIni(folders.size(), name).isEmpty())
            return usage(QStringLiteral("no macro \"%1\"").arg(args.at(0)));
        // Named as the window's export names it; an existing file that only
        // the appended suffix would hit is left alone.
        const QString file =
            ExchangeFiles::exportTarget(args.at(1), ExchangeFiles::kMacroSuffix, m_dialogs);
        if (file.isEmpty())
            return usage(m_dialogs->warnings.isEmpty()
                             ? QStringLiteral("no file named")
                             : m_dialogs->warnings.takeLast().section(QLatin1Char('|'), 1));
        const QFileInfo target(file);
        if (!target.absoluteDir().exists() || target.isDir())
            return usage(QStringLiteral("cannot write \"%1\": no such folder").arg(file));
        if (insideSettings(target))
            return usage(
                QStringLiteral("\"%1\" is inside the settings folder; export elsewhere").arg(file));
        m_dialogs->answers.append(target.absoluteFilePath());
        selectPath(folders);
        m_macros->saveMacroFile(folders.size(), name);
        // The export reports nothing: a file left as it was would pass for it.
        if (!sameContents(libraryFile(folders, name), target.absoluteFilePath())) {
            m_err << "kesta-ctl macro: could not write " << file << "\n";
            return 1;
        }
        m_out << "macro " << args.at(0) << " exported to " << file << "\n";
        return 0;
    }
    if (sub == QLatin1String("send")) {
        if (args.size() != 2)
            return usage(QStringLiteral("send needs a macro path and a button"));
        if (!splitMacroPath(args.at(0), &folders, &name))
            return usage();
        const int index = ButtonLabels::matrixIndex(args.at(1));
        if (!ButtonLabels::takesMacro(index))
            return usage(
                QStringLiteral("button \"%1\": macros go on buttons 1..10 (①..⑩)").arg(args.at(1)));
        selectPath(folders);
        QStringList steps = m_macros->loadMacroIni(folders.size(), name);
        if (steps.isEmpty())
            return usage(QStringLiteral("no macro \"%1\"").arg(args.at(0)));
        if (!m_connect)
            return usage(QStringLiteral("send talks to the mouse; drop --no-device"));
        const int repeat = steps.takeLast().toInt();
        if (device())
            deliver(QStringLiteral("macro %1").arg(name), [&] {
                m_macros->mouseSendMacroData(m_macros->encodeMacro(steps, repeat), index);
            });
        if (device() && !m_undelivered.isEmpty()) {
            m_err << "kesta-ctl macro: macro " << name << " did not reach the mouse\n";
            return 1;
        }
        if (device() && !warnIfCut(name, steps))
            return 1;
        return sent(
            QStringLiteral("macro %1 sent to button %2").arg(name, ButtonLabels::label(index)));
    }
    return usage(QStringLiteral("unknown sub-command \"%1\" (tree, show, create, import, export, "
                                "send, create-folder, rename-folder, delete-folder)")
                     .arg(sub));
}

// A small file's bytes (empty when it cannot be read).
QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// create-folder PATH, rename-folder PATH NEWNAME, delete-folder PATH: what
// the tree's New macro directory, Rename and Delete do to a folder.
int Runner::macroFolder(const QString &sub, const QStringList &args)
{
    const bool rename = sub == QLatin1String("rename-folder");
    if (args.size() != (rename ? 2 : 1))
        return usage(rename ? QStringLiteral("rename-folder needs a folder path and a new name")
                            : QStringLiteral("%1 needs one folder path").arg(sub));
    QStringList folders;
    QString name;
    if (!splitMacroPath(args.first(), &folders, &name))
        return usage();
    const QString path = args.first();

    if (sub == QLatin1String("create-folder")) {
        if (!selectFolder(folders))
            return usage(QStringLiteral("no folder \"%1\" in the library")
                             .arg(folders.join(QLatin1Char('/'))));
        const QString directory = libraryFile(folders, name, true);
        const int check = m_tree.checkNewName(name, 1);
        if (check == MacroTreeModel::FolderTooDeep)
            return usage(QStringLiteral("Can't add a new folder! (folders go at most five deep)"));
        if (check == MacroTreeModel::NameInFolder)
            return usage(QStringLiteral("Already have a macro with the same name! (%1)").arg(name));
        if (check == MacroTreeModel::ReservedName)
            return usage(reservedName());
        if (check == MacroTreeModel::ListsShared)
            return usage(listsShared());
        // A directory the tree does not list is someone's files: left alone.
        if (QFileInfo::exists(directory) || QFileInfo(directory).isSymLink()) {
            m_err << "kesta-ctl macro: the library folder already holds "
                  << QDir::toNativeSeparators(directory) << "; nothing was created\n";
            return 1;
        }
        const int outcome = m_tree.createItem(name, 1, m_tree.rowCount(m_tree.currentIndex()),
                                              [&] { return QFileInfo(directory).isDir(); });
        if (outcome != MacroTreeModel::Done) {
            m_err << "kesta-ctl macro: could not create the folder " << path
                  << "; nothing was stored\n";
            return 1;
        }
        m_out << "folder " << path << " created\n";
        return 0;
    }

    const QModelIndex index = m_tree.indexOf(folders + QStringList{name});
    if (!m_tree.isFolder(index))
        return usage(QStringLiteral("no folder \"%1\" in the library").arg(path));
    m_tree.select(index);

    if (rename) {
        const QString newName = args.at(1);
        if (!MacroPaths::isSafeName(newName))
            return usage(QStringLiteral("\"%1\" is not a folder name").arg(newName));
        if (newName == name)
            return usage(QStringLiteral("the folder is called \"%1\" already").arg(name));
        if (MacroPaths::isReservedName(newName))
            return usage(reservedName());
        if (m_tree.indexOf(folders + QStringList{newName}).isValid())
            return usage(
                QStringLiteral("Already have a macro with the same name! (%1)").arg(newName));
        const QString from = libraryFile(folders, name, true);
        const QString to = libraryFile(folders, newName, true);
        if (!QFileInfo(from).isDir() || QFileInfo::exists(to) || QFileInfo(to).isSymLink()) {
            m_err << "kesta-ctl macro: cannot rename " << QDir::toNativeSeparators(from)
                  << (QFileInfo(from).isDir()
                          ? QStringLiteral(": ") + QDir::toNativeSeparators(to) +
                                QStringLiteral(" exists")
                          : QStringLiteral(": no such directory"))
                  << "; nothing was renamed\n";
            return 1;
        }
        // A disk that cannot take name.bin again refuses before anything moves.
        const QString nameList = m_macros->nameListPath();
        const QByteArray before = fileBytes(nameList);
        if (!SettingsFile::writeAtomically(nameList, before)) {
            m_err << "kesta-ctl macro: could not write " << QDir::toNativeSeparators(nameList)
                  << "; nothing was renamed\n";
            return 1;
        }
        // The window renames the directory when the tree reports the new name
        // (and back again when the tree could not list it).
        bool renamed = false;
        const QMetaObject::Connection follow = QObject::connect(
            &m_tree, &MacroTreeModel::macroRenamed,
            [&](int level, int type, const QString &oldName, const QString &renamedTo) {
                const bool moved =
                    m_macros->modifyMacroNameUpdateProfile(level, type, oldName, renamedTo);
                renamed = renamedTo == newName ? moved : renamed && !moved;
            });
        const int outcome = m_tree.renameSelected(newName);
        QObject::disconnect(follow);
        if (outcome == MacroTreeModel::NameInFolder)
            return usage(
                QStringLiteral("Already have a macro with the same name! (%1)").arg(newName));
        if (outcome == MacroTreeModel::ListsShared)
            return usage(listsShared());
        if (outcome != MacroTreeModel::Done || !m_tree.listsWritten() || !renamed) {
            const QString why =
                !m_tree.listsWritten()
                    ? QStringLiteral(": could not write ") + QDir::toNativeSeparators(nameList)
                : !renamed ? QStringLiteral(": could not rename ") + QDir::toNativeSeparators(from)
                           : QString();
            // Half a rename is worse than none: the lists and the directory
            // go back to what they were.
            if (renamed)
                QDir().rename(to, from);
            const bool restored = SettingsFile::writeAtomically(nameList, before);
            m_err << "kesta-ctl macro: could not rename folder " << path << why
                  << (restored ? QStringLiteral("; nothing was renamed")
                               : QStringLiteral("; %1 may not list it as it is")
                                     .arg(QDir::toNativeSeparators(nameList)))
                  << "\n";
            return 1;
        }
        m_out << "folder " << path << " renamed to " << newName << "\n";
        return 0;
    }

    // A bound button would go on playing what the mouse holds; the window
    // puts the button back and sends it, which is the key page's to do.
    const QStringList inside = m_tree.macroNames(index);
    const QStringList bound = macrosBoundInUse();
    const QString directory = libraryFile(folders, name, true);
    QStringList held;
    for (const QString &macro : inside) {
        // A button bound to the name plays the first macro of it, which may
        // live elsewhere.
        if (bound.contains(macro) && !held.contains(macro) &&
            m_macros->bindingPlaysFrom(macro, directory))
            held.append(macro);
    }
    if (!held.isEmpty()) {
        m_err << "kesta-ctl macro: a button of the profile in use plays "
              << held.join(QStringLiteral(", "))
              << "; bind it to something else first (kesta-ctl button set); nothing was "
                 "deleted\n";
        return 1;
    }
    // A disk that cannot take name.bin again refuses before anything goes.
    const QString nameList = m_macros->nameListPath();
    if (!SettingsFile::writeAtomically(nameList, fileBytes(nameList))) {
        m_err << "kesta-ctl macro: could not write " << QDir::toNativeSeparators(nameList)
              << "; nothing was deleted\n";
        return 1;
    }
    const QMetaObject::Connection release =
        QObject::connect(&m_tree, &MacroTreeModel::macroDeleted,
                         [&](const QString &macro) { m_macros->deleteMacroUpdateProfile(macro); });
    m_tree.deleteSelected();
    QObject::disconnect(release);
    if (!m_tree.listsWritten()) {
        m_err << "kesta-ctl macro: the files of folder " << path << " were deleted, but "
              << QDir::toNativeSeparators(nameList) << " could not be written and still lists it\n";
        return 1;
    }
    if (QFileInfo::exists(libraryFile(folders, name, true))) {
        m_err << "kesta-ctl macro: could not remove all of "
              << QDir::toNativeSeparators(libraryFile(folders, name, true)) << "\n";
        return 1;
    }
    m_out << "folder " << path << " deleted\n";
    return 0;
}

// ---------------------------------------------------------------------------
// app-profile

int Runner::appProfile(QStringList args)
{
    const bool json = takeFlag(args, QStringLiteral("--json"));
    if (!noOptionsLeft(args))
        return usage();
    AppProfileModel rules(m_ops);
    const QString sub = args.isEmpty() ? QStringLiteral("list") : args.takeFirst();
    const auto nameOf = [this](int number) {
        for (const auto &entry : profiles()) {
            if (entry.second == number)
                return entry.first;
        }
        return QString();
    };
    if (sub == QLatin1String("list")) {
        if (!args.isEmpty())
            return usage(QStringLiteral("list takes no arguments"));
        const int returnTo = rules.returnTo();
        if (json) {
            QJsonArray list;
            for (const AppProfileModel::Rule &r : rules.rules()) {
                QJsonObject o;
                o[QStringLiteral("class")] = r.windowClass;
                o[QStringLiteral("profile")] = r.profile;
                o[QStringLiteral("profileName")] = nameOf(r.profile);
                list.append(o);
            }
            QJsonObject out;
            out[QStringLiteral("rules")] = list;
            out[QStringLiteral("returnTo")] = returnTo;
            print(out);
            return 0;
        }
        for (const AppProfileModel::Rule &r : rules.rules())
            m_out << r.windowClass << "  " << r.profile << " " << nameOf(r.profile) << "\n";
        if (returnTo >= 0)
            m_out << "other windows  " << returnTo << " " << nameOf(returnTo) << "\n";
        return 0;
    }
    if (json)
        return usage(QStringLiteral("--json goes with list"));
    if (sub == QLatin1String("set")) {
        if (args.size() != 2)
            return usage(QStringLiteral("set needs a window class and a profile (name or number)"));
        switch (rules.setRule(args.at(0), args.at(1))) {
        case AppProfileModel::Outcome::Done:
            break;
        case AppProfileModel::Outcome::EmptyClass:
            return usage(args.at(0).isEmpty() ? QStringLiteral("the window class is empty")
                                              : reservedName());
        case AppProfileModel::Outcome::NoSuchProfile:
            return usage(
                QStringLiteral("no profile \"%1\" (see kesta-ctl profile list)").arg(args.at(1)));
        default:
            m_notStored = m_store->global()->fileName();
            return notStored();
        }
        const int n = rules.profileFor(args.at(0));
        m_out << args.at(0) << "  " << n << " " << nameOf(n) << "\n";
        return 0;
    }
    if (sub == QLatin1String("remove")) {
        if (args.size() != 1)
            return usage(QStringLiteral("remove needs one window class"));
        switch (rules.removeRule(args.at(0))) {
        case AppProfileModel::Outcome::Done:
            m_out << "rule for " << args.at(0) << " removed\n";
            return 0;
        case AppProfileModel::Outcome::NoSuchRule:
            return usage(QStringLiteral("no rule for \"%1\" (see kesta-ctl app-profile list)")
                             .arg(args.at(0)));
        default:
            m_notStored = m_store->global()->fileName();
            return notStored();
        }
    }
    return usage(QStringLiteral("unknown sub-command %1").arg(sub));
}

} // namespace

// ---------------------------------------------------------------------------

void selectProfileInUse(Operations &ops)
{
    ops.settings()->setCurrentProfile(ProfileListModel::storedInUse(ops));
}

Tasks::Tasks(Operations &ops, ScriptedDialogs *dialogs, std::function<bool()> connect,
             std::function<QString()> refusedNode)
    : m_ops(ops), m_dialogs(dialogs), m_connect(std::move(connect)),
      m_refusedNode(std::move(refusedNode))
{
}

int Tasks::run(const QString &command, const QStringList &args, QTextStream &out, QTextStream &err)
{
    selectProfileInUse(m_ops);
    Runner runner(m_ops, m_dialogs, m_connect, m_refusedNode, out, err);
    return runner.run(command, args);
}

} // namespace Ctl
