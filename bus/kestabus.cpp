#include "bus/kestabus.h"

#include "bus/busnames.h"
#include "model/appprofilemodel.h"
#include "device/transfergate.h"
#include "model/dpimodel.h"
#include "model/keymatrixmodel.h"
#include "model/lightingmodel.h"
#include "model/lodmodel.h"
#include "model/models.h"
#include "model/reportratemodel.h"
#include "model/systemsettingsmodel.h"
#include "model/sessionmodel.h"
#include "settings/settingsstore.h"
#include "settings/userdialogs.h"
#include "tools/kesta-ctl/ctl.h"
#include "tools/kesta-ctl/tasks.h"
#include "view/operations.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QTimer>

using namespace KestaBusNames;

namespace {
// How often a call waiting for the window's dialog looks again.
constexpr int kDialogPollMs = 200;
} // namespace

KestaBus::KestaBus(Host host, QObject *parent) : QObject(parent), m_host(std::move(host))
{
    // Changes made in the window reach the bus too: a flow that ended, a
    // page that stored its edits, the stage the mouse reported.
    Models *models = m_host.models;
    connect(models->session(), &SessionModel::busyChanged, this, &KestaBus::scheduleRefresh);
    connect(models->session(), &SessionModel::profileNoChanged, this, &KestaBus::scheduleRefresh);
    // A page's stored values change when its edits are saved.
    for (PageModel *page : models->session()->pageModels()) {
        connect(page, &PageModel::isSaveChanged, this, [this, page] {
            if (!page->isSave())
                scheduleRefresh();
        });
    }
    connect(models->dpi(), &DpiModel::currentStageChanged, this, &KestaBus::scheduleRefresh);
    // The status is read when first asked for, not while the program starts.
}

const QVariantMap &KestaBus::status() const
{
    if (!m_statusRead) {
        m_status = readStatus();
        m_statusRead = true;
    }
    return m_status;
}

KestaBus::~KestaBus() = default;

bool KestaBus::registerOn(QDBusConnection bus, QString *error)
{
    if (!bus.isConnected()) {
        *error = QStringLiteral("no session bus: %1").arg(bus.lastError().message());
        return false;
    }
    if (!bus.registerObject(QLatin1String(kPath), this,
                            QDBusConnection::ExportAllSlots |
                                QDBusConnection::ExportAllProperties)) {
        *error = QStringLiteral("the object %1 is taken").arg(QLatin1String(kPath));
        return false;
    }
    if (!bus.registerService(QLatin1String(kService))) {
        *error = QStringLiteral("the name %1 has another owner").arg(QLatin1String(kService));
        bus.unregisterObject(QLatin1String(kPath));
        return false;
    }
    m_registeredOn = bus.name();
    return true;
}

// ---- Properties ------------------------------------------------------------

QString KestaBus::settingsFolder() const
{
    return QDir(m_host.ops->settings()->modulePath(QString())).canonicalPath();
}

int KestaBus::profile() const
{
    return status().value(QStringLiteral("Profile")).toInt();
}

QString KestaBus::profileName() const
{
    return status().value(QStringLiteral("ProfileName")).toString();
}

QList<int> KestaBus::dpiStages() const
{
    return status().value(QStringLiteral("DpiStages")).value<QList<int>>();
}

int KestaBus::dpiStage() const
{
    return status().value(QStringLiteral("DpiStage")).toInt();
}

int KestaBus::reportRate() const
{
    return status().value(QStringLiteral("ReportRate")).toInt();
}

QString KestaBus::liftOff() const
{
    return status().value(QStringLiteral("LiftOff")).toString();
}

QVariantMap KestaBus::lighting() const
{
    return status().value(QStringLiteral("Lighting")).toMap();
}

QStringList KestaBus::buttons() const
{
    return status().value(QStringLiteral("Buttons")).toStringList();
}

QJsonValue KestaBus::readJson(const QString &command, const QStringList &args) const
{
    // Read from the stored settings as kesta-ctl prints them, without the
    // mouse (nothing is sent for a status).
    ScriptedDialogs dialogs;
    QString out;
    QString err;
    QTextStream o(&out);
    QTextStream e(&err);
    Ctl::Tasks tasks(*m_host.ops, &dialogs, nullptr);
    if (tasks.run(command, args + QStringList{QStringLiteral("--json")}, o, e) != 0)
        return {};
    o.flush();
    const QJsonDocument doc = QJsonDocument::fromJson(out.toUtf8());
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

QVariantMap KestaBus::readStatus() const
{
    QVariantMap s;
    const QJsonObject status = readJson(QStringLiteral("status"), {}).toObject();
    s.insert(QStringLiteral("Profile"), status.value(QStringLiteral("profile")).toInt());
    s.insert(QStringLiteral("ProfileName"), status.value(QStringLiteral("profileName")).toString());
    s.insert(QStringLiteral("ReportRate"), status.value(QStringLiteral("reportRate")).toInt());

    QList<int> stages;
    const QJsonArray dpi = readJson(QStringLiteral("dpi"), {QStringLiteral("show")})
                               .toObject()
                               .value(QStringLiteral("stages"))
                               .toArray();
    for (const QJsonValue &stage : dpi) {
        if (stage.toObject().value(QStringLiteral("shown")).toBool())
            stages.append(stage.toObject().value(QStringLiteral("dpi")).toInt());
    }
    s.insert(QStringLiteral("DpiStages"), QVariant::fromValue(stages));
    const bool connected = m_host.deviceConnected && m_host.deviceConnected();
    s.insert(QStringLiteral("DpiStage"), connected ? m_host.models->dpi()->currentStage() + 1 : 0);

    const QJsonObject lod = readJson(QStringLiteral("lod"), {}).toObject();
    s.insert(QStringLiteral("LiftOff"), lod.value(QStringLiteral("enabled")).toBool()
                                            ? lod.value(QStringLiteral("distance")).toString()
                                            : QStringLiteral("off"));
    // Whole numbers as D-Bus int32, as the other properties are.
    QVariantMap light =
        readJson(QStringLiteral("light"), {QStringLiteral("show")}).toObject().toVariantMap();
    for (auto it = light.begin(); it != light.end(); ++it) {
        if (it->typeId() == QMetaType::LongLong || it->typeId() == QMetaType::Double)
            *it = it->toInt();
    }
    s.insert(QStringLiteral("Lighting"), light);
    QStringList buttons;
    for (const QJsonValue &b :
         readJson(QStringLiteral("button"), {QStringLiteral("list")}).toArray())
        buttons.append(b.toObject().value(QStringLiteral("choice")).toString());
    s.insert(QStringLiteral("Buttons"), buttons);
    return s;
}

void KestaBus::scheduleRefresh()
{
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshPending = false;
        refreshProperties();
    });
}

void KestaBus::refreshProperties()
{
    // Before anyone asked, every property counts as changed.
    const QVariantMap now = readStatus();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (!m_statusRead || m_status.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    m_status = now;
    m_statusRead = true;
    if (changed.isEmpty() || m_registeredOn.isEmpty())
        return;
    // QtDBus sends no PropertiesChanged of its own.
    QDBusMessage signal = QDBusMessage::createSignal(
        QLatin1String(kPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kInterface) << changed << QStringList();
    QDBusConnection(m_registeredOn).send(signal);
}

// ---- Methods ---------------------------------------------------------------

namespace {

// What a command that succeeded printed on stderr, a line each.
QStringList warningLines(const QString &err)
{
    return err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

QString KestaBus::Status(const QStringList &args, QStringList &warnings)
{
    return enqueue(QStringLiteral("status"), args, &warnings);
}
QString KestaBus::Dpi(const QStringList &args, QStringList &warnings)
{
    return enqueue(QStringLiteral("dpi"), args, &warnings);
}
QString KestaBus::Rate(const QStringList &args, QStringList &warnings)
{
    return enqueue(QStringLiteral("rate"), args, &warnings);
}
QString KestaBus::Lod(const QStringList &args, QStringList &warnings)
{
    return enqueue(QStringLiteral("lod"), args, &warnings);
}
QString KestaBus::Light(const QStringList &args, QStringList &warnings)
{
    return enqueue(QStringLiteral("light"), args, &warnings);
}
QString KestaBus::Pointer(const QStringList &args, QStringList &warnings)
{
    return enqueue(QStringLiteral("pointer"), args, &warnings);
}
QString KestaBus::Button(const QStringList &args, QStringList &warnings)
{
    return enqueue(QStringLiteral("button"), args, &warnings);
}
QString KestaBus::Profile(const QStringList &args, QStringList &warnings)
{
    return enqueue(QStringLiteral("profile"), args, &warnings);
}
QString KestaBus::Macro(const QStringList &args, QStringList &warnings)
{
    return enqueue(QStringLiteral("macro"), args, &warnings);
}
QString KestaBus::AppProfile(const QStringList &args, QStringList &warnings)
{
    return enqueue(QStringLiteral("app-profile"), args, &warnings);
}

QString KestaBus::enqueue(const QString &command, const QStringList &args, QStringList *warnings)
{
    if (!calledFromDBus()) {
        QString out;
        QString err;
        runNow(command, args, &out, &err);
        *warnings = warningLines(err);
        return out;
    }
    // The reply goes when the call has run, after those before it.
    setDelayedReply(true);
    m_calls.push_back({command, args, message()});
    QTimer::singleShot(0, this, &KestaBus::runNext);
    return {};
}

void KestaBus::runNext()
{
    if (m_running || m_calls.empty())
        return;
    SessionModel *session = m_host.models->session();
    if (session->busy()) {
        // A flow of the window is under way: the call waits for its end.
        connect(session, &SessionModel::busyChanged, this, &KestaBus::runNext,
                Qt::SingleShotConnection);
        return;
    }
    if (m_host.windowBusy && m_host.windowBusy()) {
        QTimer::singleShot(kDialogPollMs, this, &KestaBus::runNext);
        return;
    }
    m_running = true;
    TransferGate::whenIdle(this, [this] {
        if (m_host.windowBusy && m_host.windowBusy()) {
            m_running = false;
            QTimer::singleShot(kDialogPollMs, this, &KestaBus::runNext);
            return;
        }
        const Call call = m_calls.front();
        m_calls.pop_front();
        runCall(call);
        m_running = false;
        if (!m_calls.empty())
            QTimer::singleShot(0, this, &KestaBus::runNext);
    });
}

void KestaBus::runCall(const Call &call)
{
    QString out;
    QString err;
    const int code = runNow(call.command, call.args, &out, &err);
    QDBusMessage reply;
    if (code == 0) {
        reply = call.message.createReply(QVariantList{out, warningLines(err)});
    } else {
        QString reason = err.trimmed();
        if (reason.isEmpty())
            reason = out.trimmed();
        reply = call.message.createErrorReply(QLatin1String(code == 2 ? kInvalidArgument : kFailed),
                                              reason);
    }
    QDBusConnection(m_registeredOn).send(reply);
}

int KestaBus::runNow(const QString &command, const QStringList &args, QString *out, QString *err)
{
    ScriptedDialogs dialogs;
    if (m_host.setDialogs)
        m_host.setDialogs(&dialogs);
    const int profileBefore = m_host.ops->settings()->currentProfileIndex();
    int code;
    {
        QTextStream o(out);
        QTextStream e(err);
        Ctl::Tasks tasks(*m_host.ops, &dialogs, m_host.deviceConnected, m_host.refusedNode);
        code = tasks.run(command, args, o, e);
    }
    if (m_host.setDialogs)
        m_host.setDialogs(nullptr);
    if (code != 2 && !Ctl::taskOnlyReads(command, args))
        reloadPages(command);
    refreshProperties();
    if (m_host.ops->settings()->currentProfileIndex() != profileBefore)
        emit profileSwitched(profileName());
    return code;
}

void KestaBus::reloadPages(const QString &command)
{
    // What each command may have changed, as the window's pages see it.
    static const QHash<QString, QStringList> pages{
        {QStringLiteral("dpi"), {QStringLiteral("dpi")}},
        {QStringLiteral("rate"), {QStringLiteral("reportRate")}},
        {QStringLiteral("lod"), {QStringLiteral("lod")}},
        {QStringLiteral("light"), {QStringLiteral("light")}},
        {QStringLiteral("pointer"), {QStringLiteral("system")}},
        {QStringLiteral("button"), {QStringLiteral("keyMatrix")}},
        {QStringLiteral("macro"), {QStringLiteral("macros")}},
        {QStringLiteral("profile"), {QStringLiteral("all")}},
    };
    // The rules are no page: the profile manager shows them as stored.
    if (command == QLatin1String("app-profile")) {
        m_host.models->appProfiles()->reload();
        return;
    }
    m_host.models->session()->reloadStored(pages.value(command));
    // A profile switched, deleted or imported may change the profile that
    // windows without a rule bring back, and the rules a deleted one took.
    if (command == QLatin1String("profile"))
        m_host.models->appProfiles()->reload();
}
