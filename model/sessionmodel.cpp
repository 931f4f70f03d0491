#include "model/sessionmodel.h"

#include "device/hid_thread.h"
#include "devicesettings/devicesettings.h"
#include "macro/macrolibrary.h"
#include "macro/macropaths.h"
#include "model/dpimodel.h"
#include "model/feedbacktexts.h"
#include "model/keymatrixmodel.h"
#include "model/languagemodel.h"
#include "model/lightingmodel.h"
#include "model/lodmodel.h"
#include "model/macrotreemodel.h"
#include "model/models.h"
#include "model/profilelistmodel.h"
#include "model/recoilmodel.h"
#include "model/reportratemodel.h"
#include "model/systemsettingsmodel.h"
#include "settings/settingsstore.h"
#include "view/operations.h"

#include <QDir>
#include <QSettings>

#include <functional>
#include <optional>

namespace {

// A stored number as the scene reads it: anything unreadable is 0.
int storedNumber(const QVariant &value)
{
    bool ok = false;
    const double n = value.toString().trimmed().toDouble(&ok);
    return ok ? int(n) : 0;
}

bool storedFlag(const QVariant &value)
{
    return value.toString() == QLatin1String("true");
}

// A page's values go to the profile file in one write; false when it failed
// (the file and the store keep the old values then).
bool storedInOneWrite(SettingsStore *store, const std::function<void()> &write)
{
    SettingsStore::WriteBatch batch(store);
    write();
    return batch.commit();
}

// A settings file as a notice names it. Taken before a write: a failed
// write may replace the file's settings object.
QString fileNameOf(const QSettings *file)
{
    return file ? QDir::toNativeSeparators(file->fileName()) : QString();
}

} // namespace

// Input stays off from the first flow that starts until the last one ends.
class SessionModel::BusyScope
{
public:
    explicit BusyScope(SessionModel &s) : m_s(s)
    {
        if (m_s.m_busy++ == 0)
            emit m_s.busyChanged();
    }
    ~BusyScope()
    {
        if (--m_s.m_busy == 0)
            emit m_s.busyChanged();
    }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    SessionModel &m_s;
};

SessionModel::SessionModel(Models &models, QObject *parent) : QObject(parent), m_models(models)
{
    // An imported or reset profile is guarded by the profile list.
    connect(m_models.profiles(), &ProfileListModel::leftClickNotice, this,
            [this](const QString &line, bool) { setNotice(line); });
    for (const Page &page : pages())
        connect(page.model, &PageModel::isSaveChanged, this, &SessionModel::unsavedPagesChanged);
}

SessionModel *SessionModel::create(QQmlEngine *, QJSEngine *)
{
    return Models::expose(Models::instance()->session());
}

void SessionModel::setProfileNo(int number)
{
    if (m_profileNo == number)
        return;
    m_profileNo = number;
    m_models.profiles()->setProfileInUse(number);
    emit profileNoChanged();
}

void SessionModel::setRefusedNode(const QString &node)
{
    if (node == m_refusedNode)
        return;
    m_refusedNode = node;
    emit refusedNodeChanged();
}

void SessionModel::setNotice(const QString &line)
{
    if (line == m_notice)
        return;
    m_notice = line;
    emit noticeChanged();
}

bool SessionModel::guardLeftClick(int number)
{
    const KeyMatrixModel::LeftClick outcome =
        KeyMatrixModel::guardLeftClick(m_models.operations().settings(), number);
    if (outcome == KeyMatrixModel::LeftClick::Held)
        return false;
    ProfileListModel *profiles = m_models.profiles();
    QString name = profiles->nameAt(profiles->indexOfNumber(number));
    if (name.isEmpty())
        name = QString::number(number);
    setNotice(KeyMatrixModel::leftClickNotice(outcome, name));
    return outcome == KeyMatrixModel::LeftClick::Restored;
}

void SessionModel::applyMode(int mode)
{
    const bool changed = m_mouseMode != mode || m_isGun != (mode == 1);
    m_mouseMode = mode;
    m_isGun = mode == 1;
    if (changed)
        emit mouseModeChanged();
    m_models.keyMatrix()->initMode(mode);
    emit modeApplied(mode);
}

void SessionModel::firstInit()
{
    if (m_isPownOn)
        return;
    Operations &ops = m_models.operations();
    SettingsStore *store = ops.settings();
    m_isColorful = storedFlag(store->getGlobalData(QStringLiteral("mouse/isColorful")));
    m_icType = store->getGlobalData(QStringLiteral("mouse/icType")).toString();
    m_is55328 = storedFlag(store->getGlobalData(QStringLiteral("mouse/is55328")));
    m_isGun = storedFlag(store->getGlobalData(QStringLiteral("mouse/isGun")));
    m_keyCount = storedNumber(store->getGlobalData(QStringLiteral("mouse/keyCount")));
    emit traitsChanged();
    // The stored profile is selected before anything reads profile values;
    // one the list does not offer is read as its first.
    m_models.profiles()->reload();
    setProfileNo(
        m_models.profiles()->usableNumber(store->getGlobalData(QStringLiteral("mouse/profileNo"))));
    store->setCurrentProfile(m_profileNo);
    // Read as the device layer reads it when it sends the matrices.
    setMouseMode(KeyMatrixModel::modeOf(store->getData(QStringLiteral("mouse/mouseMode"), false)),
                 false);
    if (m_icType == QLatin1String("560") && ops.deviceSettings() && ops.hid()) {
        if (ops.deviceSettings()->mouseReadCurrentProfile().toInt() != 1)
            ops.hid()->hid560_02H_SetCurrentProfile(1);
    }
    m_models.language()->loadStored();
    m_models.reportRate()->init(false);
    m_models.lod()->init(false);
    m_models.recoil()->init(false, false);
    const bool restored = guardLeftClick(m_profileNo);
    m_models.keyMatrix()->init(false, false);
    // Nothing else is sent here, but the mouse gets its left click back now.
    if (restored)
        m_models.keyMatrix()->sendData();
    m_models.dpi()->init(false, false);
    m_models.light()->init(false, false);
    m_models.systemSettings()->init(false, false);
    emit dropDownListsReset();
    m_isPownOn = true;
    emit isPownOnChanged();
}

void SessionModel::forgetInit()
{
    if (!m_isPownOn)
        return;
    m_isPownOn = false;
    emit isPownOnChanged();
}

void SessionModel::setMouseMode(int mode, bool markDirty)
{
    mode = mode == 1 ? 1 : 0;
    applyMode(mode);
    if (mode == 1 && markDirty)
        m_models.keyMatrix()->setSave(true);
    if (m_isPownOn)
        m_models.keyMatrix()->init(false, false);
    emit dropDownListsReset();
}

bool SessionModel::changeProfile(int number)
{
    if (!m_isPownOn || number == m_profileNo || number < 0 || number > 9)
        return false;
    BusyScope busy(*this);
    clearNotice(); // a failure told earlier is not this flow's
    SettingsStore *store = m_models.operations().settings();
    const int before = m_profileNo;
    // The choice is stored before anything is sent: a profile the global
    // file could not keep is not taken into use. Whoever follows the profile
    // in use (the profile to return to) stores into the same write.
    const QString global = fileNameOf(store->global());
    {
        SettingsStore::WriteBatch batch(store);
        store->setGlobalData(QStringLiteral("mouse/profileNo"), number);
        setProfileNo(number);
        if (!batch.commit()) {
            // No page was touched: the notice says the profile stayed.
            setProfileNo(before);
            setNotice(InterfaceTexts::text(InterfaceTexts::ProfileNotChanged).arg(global));
            return false;
        }
    }
    store->setCurrentProfile(m_profileNo);
    return sendProfile();
}

bool SessionModel::sendProfile()
{
    SettingsStore *store = m_models.operations().settings();
    const QString file = fileNameOf(store->currentProfile());
    KeyMatrixModel *keys = m_models.keyMatrix();
    guardLeftClick(m_profileNo);
    {
        // The pages' values as they take them from the profile (brought
        // into range) go to the file in one write; the mouse gets them only
        // once the file holds them.
        SettingsStore::WriteBatch batch(store);
        keys->init(false, false);
        m_models.reportRate()->init(false);
        m_models.lod()->init(false);
        m_models.dpi()->init(false, false);
        m_models.light()->init(false, false);
        m_models.systemSettings()->init(false, false);
        if (!storePages(batch, file))
            return false;
    }
    sendPages();
    DeviceSettings *device = m_models.operations().deviceSettings();
    if (m_isGun && device) {
        device->mouseSwitchKeyMatrix(1);
        device->mouseResetKeyMatrix();
    }
    keys->sendBoundMacros();
    return true;
}

bool SessionModel::stagesInRange() const
{
    // A profile that claims more stages than the mouse has keeps them: its
    // DPI page is neither stored nor sent.
    return m_models.dpi()->dpiCount() <= DpiModel::kStages;
}

bool SessionModel::storePages(SettingsStore::WriteBatch &batch, const QString &file)
{
    m_models.keyMatrix()->storeData();
    m_models.reportRate()->saveData(false);
    m_models.lod()->saveData(false);
    if (stagesInRange())
        m_models.dpi()->storeData();
    m_models.light()->saveData(false, 0);
    m_models.systemSettings()->storeData();
    if (batch.commit())
        return true;
    // The pages show values the file lost: Save stores and sends them once
    // there is room.
    for (PageModel *page : pageModels())
        page->setSave(true);
    setNotice(notWrittenNotice(file));
    return false;
}

void SessionModel::sendPages()
{
    // The order the pages always went to the mouse in.
    m_models.keyMatrix()->sendData();
    m_models.reportRate()->send();
    m_models.lod()->send();
    if (stagesInRange()) {
        m_models.dpi()->sendStages();
        m_models.dpi()->sendColours();
    }
    m_models.light()->sendData();
    m_models.systemSettings()->sendData(0);
}

QString SessionModel::notWrittenNotice(const QString &file)
{
    using namespace FeedbackTexts;
    return text(CouldNotSave).arg(text(FileNotWritten).arg(file));
}

bool SessionModel::saveAll()
{
    if (!m_isPownOn)
        return true; // nothing is shown yet, so nothing is unsaved either
    clearNotice();   // what it told of is stored now, one way or the other
    // Input goes off only for the pages whose sends take a while.
    std::optional<BusyScope> busy;
    if (m_models.keyMatrix()->isSave() || m_models.dpi()->isSave() || m_models.light()->isSave())
        busy.emplace(*this);
    SettingsStore *store = m_models.operations().settings();
    Hid_Thread *hid = m_models.operations().hid();
    bool saved = false;
    bool notWritten = false;
    bool notSent = false;
    // Each page with unsaved edits, in order. The mouse only ever gets what
    // the file holds: the pages are stored in one write of the profile
    // file, and when it fails none is sent and all stay marked, so that
    // Save can be tried again once there is room. A page the mouse did not
    // take stays marked too: the next Save sends it again.
    const QString fileName = fileNameOf(store->currentProfile());
    QList<Page> stored;
    {
        SettingsStore::WriteBatch batch(store);
        for (const Page &page : pages()) {
            if (!page.model->isSave())
                continue;
            if (page.store())
                stored.append(page);
            else
                notWritten = true;
        }
        if (!batch.commit()) {
            notWritten = true;
            stored.clear();
        }
    }
    for (const Page &page : std::as_const(stored)) {
        page.model->setSave(false);
        const int failedBefore = hid ? hid->failedCommands() : 0;
        page.send();
        if (hid && hid->failedCommands() != failedBefore) {
            page.model->setSave(true);
            notSent = true;
        }
        saved = true;
    }
    using namespace FeedbackTexts;
    if (notWritten) {
        setNotice(notWrittenNotice(fileName));
        return false;
    }
    if (notSent) {
        setNotice(text(NotSent));
        return false;
    }
    setNotice(text(saved ? Saved : NothingToSave));
    return true;
}

void SessionModel::resetAll()
{
    if (!m_isPownOn)
        return;
    {
        BusyScope busy(*this);
        clearNotice(); // a failure told earlier is not this flow's
        applyMode(0);
        Operations &ops = m_models.operations();
        SettingsStore *store = ops.settings();
        const bool reset = store->resetProfile(m_profileNo);
        const QString file = fileNameOf(store->currentProfile());
        KeyMatrixModel *keys = m_models.keyMatrix();
        // Defaults without a left click are mended in the profile's copy of
        // them: the buttons are read from that copy then.
        const bool restored = reset && guardLeftClick(m_profileNo);
        {
            // The defaults as the pages take them go to the profile file in
            // one write, and to the mouse only once it holds them.
            SettingsStore::WriteBatch batch(store);
            keys->init(false, !restored);
            keys->resetKeys();
            // From the defaults themselves, as the other pages: a profile
            // that could not take their copy still holds the user's values.
            m_models.reportRate()->load(true);
            m_models.lod()->load(true);
            m_models.dpi()->init(false, true);
            m_models.light()->init(false, true);
            m_models.systemSettings()->init(false, true);
            if (!storePages(batch, file))
                return;
        }
        sendPages();
        DeviceSettings *device = ops.deviceSettings();
        if (m_isGun && device) {
            device->mouseSwitchKeyMatrix(1);
            device->mouseResetKeyMatrix();
        }
        if (device)
            device->mouseSetCurrentDPI(2);
        m_models.dpi()->setCurrentStage(1);
        m_models.recoil()->reset();
        keys->sendBoundMacros();
    }
    for (PageModel *page : pageModels())
        page->setSave(false);
    m_models.recoil()->setSave(false);
}

void SessionModel::macroDeleted(const QString &name)
{
    m_models.keyMatrix()->releaseMacro(name);
    if (MacroLibrary *macros = m_models.operations().macros())
        macros->deleteMacroUpdateProfile(name);
}

void SessionModel::macroRenamed(const QVariant &level, const QVariant &type, const QString &oldName,
                                const QString &newName)
{
    MacroLibrary *macros = m_models.operations().macros();
    // The library's selection path is still the renamed item's. Buttons
    // follow only the macro they play: another of the old name elsewhere
    // keeps its buttons.
    const QString file = macros
                             ? MacroPaths::itemPath(macros->libraryRoot(), macros->selectionPath(),
                                                    level.toInt(), oldName, false)
                             : QString();
    if (type.toInt() == 0 && (!macros || macros->bindingPlaysFrom(oldName, file)))
        m_models.keyMatrix()->renameMacro(oldName, newName);
    else
        m_models.keyMatrix()->refreshTexts();
    if (macros)
        macros->modifyMacroNameUpdateProfile(level, type, oldName, newName);
}

void SessionModel::macroDataChanged(const QString &name)
{
    m_models.keyMatrix()->resendMacro(name);
}

void SessionModel::clearNotice()
{
    if (m_notice.isEmpty())
        return;
    m_notice.clear();
    emit noticeChanged();
}

void SessionModel::reloadStored(const QStringList &pages)
{
    if (!m_isPownOn)
        return; // nothing is shown yet: the first initialisation reads it all
    const bool all = pages.contains(QStringLiteral("all"));
    SettingsStore *store = m_models.operations().settings();
    if (all) {
        m_models.profiles()->reload();
        setProfileNo(m_models.profiles()->usableNumber(
            store->getGlobalData(QStringLiteral("mouse/profileNo"))));
        store->setCurrentProfile(m_profileNo);
        applyMode(KeyMatrixModel::modeOf(store->getData(QStringLiteral("mouse/mouseMode"), false)));
    }
    QStringList replaced;
    for (const Page &page : this->pages()) {
        if (!all && !pages.contains(QLatin1String(page.name)))
            continue;
        if (page.model->isSave())
            replaced.append(InterfaceTexts::text(page.caption));
        page.load();
        page.model->setSave(false);
    }
    if (all || pages.contains(QStringLiteral("macros"))) {
        m_models.macroTree()->load();
        m_models.keyMatrix()->refreshTexts();
    }
    emit dropDownListsReset();
    if (!replaced.isEmpty()) {
        m_notice = InterfaceTexts::text(InterfaceTexts::ChangedOutside)
                       .arg(replaced.join(QStringLiteral(", ")));
        emit noticeChanged();
    }
}

QStringList SessionModel::unsavedPages() const
{
    QStringList out;
    for (const Page &page : pages()) {
        if (page.model->isSave())
            out.append(QLatin1String(page.name));
    }
    return out;
}

QList<SessionModel::Page> SessionModel::pages() const
{
    Models &m = m_models;
    SettingsStore *s = m.operations().settings();
    return {
        {"keyMatrix", InterfaceTexts::PageButtons, m.keyMatrix(),
         [&m] { m.keyMatrix()->init(false, false); }, [&m] { return m.keyMatrix()->storeData(); },
         [&m] { m.keyMatrix()->sendData(); }},
        {"dpi", InterfaceTexts::PageDpi, m.dpi(), [&m] { m.dpi()->init(false, false); },
         [&m, s] { return storedInOneWrite(s, [&m] { m.dpi()->storeData(); }); },
         [&m] {
             m.dpi()->sendStages();
             m.dpi()->sendColours();
         }},
        {"light", InterfaceTexts::PageLighting, m.light(), [&m] { m.light()->init(false, false); },
         [&m, s] { return storedInOneWrite(s, [&m] { m.light()->saveData(false, 0); }); },
         [&m] { m.light()->sendData(); }},
        {"lod", InterfaceTexts::PageLiftOff, m.lod(), [&m] { m.lod()->init(false); },
         [&m, s] { return storedInOneWrite(s, [&m] { m.lod()->saveData(false); }); },
         [&m] { m.lod()->send(); }},
        {"system", InterfaceTexts::PagePointer, m.systemSettings(),
         [&m] { m.systemSettings()->init(false, false); },
         [&m, s] { return storedInOneWrite(s, [&m] { m.systemSettings()->storeData(); }); },
         [&m] { m.systemSettings()->sendData(0); }},
        {"reportRate", InterfaceTexts::PageReportRate, m.reportRate(),
         [&m] { m.reportRate()->init(false); },
         [&m, s] { return storedInOneWrite(s, [&m] { m.reportRate()->saveData(false); }); },
         [&m] { m.reportRate()->send(); }},
    };
}

QList<PageModel *> SessionModel::pageModels() const
{
    QList<PageModel *> out;
    for (const Page &page : pages())
        out.append(page.model);
    return out;
}
