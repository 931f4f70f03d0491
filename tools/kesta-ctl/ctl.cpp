#include "tools/kesta-ctl/ctl.h"

#include "desktop/modulesfolder.h"
#include "tools/kesta-ctl/busclient.h"
#include "tools/kesta-ctl/tasks.h"

#include "device/devicepresence.h"
#include "device/hid_thread.h"
#include "devicesettings/devicesettings.h"
#include "devicesettings/mousedevice.h"
#include "settings/settingsstore.h"
#include "settings/userdialogs.h"
#include "singleinstance/qtlocalpeer.h"
#include "view/operations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QLockFile>
#include <QTextStream>

#include <memory>

namespace Ctl {

namespace {

const char *const kUsage =
    "usage: kesta-ctl [--modules-dir DIR] [--no-device] [--answer PATH]... call OPERATION "
    "[ARG...]\n"
    "       kesta-ctl [--modules-dir DIR] list\n"
    "       kesta-ctl --print-modules-dir\n"
    "       kesta-ctl [OPTIONS] COMMAND [ARGS...]   (kesta-ctl --help lists the commands)\n"
    "Arguments are JSON: 3, \"text\", true, [1, 2, 3]. Results are printed as JSON.";

bool isTaskOrTool(const QString &command)
{
    return findTask(command) || command == QLatin1String("help") ||
           command == QLatin1String("completion");
}

// Task commands show the result or a one-line error; the debug lines of the
// operations only with --verbose. A call shows its result and the warnings
// of the operation it ran.
QtMessageHandler g_previousHandler = nullptr;
bool g_keepWarnings = false;
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const bool keep =
        type == QtFatalMsg || (g_keepWarnings && (type == QtWarningMsg || type == QtCriticalMsg));
    if (keep && g_previousHandler)
        g_previousHandler(type, context, message);
}

enum class Keep { Nothing, Warnings };

struct QuietMessages {
    explicit QuietMessages(bool on, Keep keep = Keep::Nothing) : active(on)
    {
        if (active) {
            g_keepWarnings = keep == Keep::Warnings;
            g_previousHandler = qInstallMessageHandler(quietHandler);
        }
    }
    ~QuietMessages()
    {
        if (active)
            qInstallMessageHandler(g_previousHandler);
    }
    QuietMessages(const QuietMessages &) = delete;
    QuietMessages &operator=(const QuietMessages &) = delete;
    bool active;
};

} // namespace

bool parseArguments(const QStringList &argv, Options *options, QString *error)
{
    int i = 0;
    for (; i < argv.size(); ++i) {
        const QString &a = argv.at(i);
        if (a == QLatin1String("--modules-dir") || a == QLatin1String("--answer")) {
            if (i + 1 >= argv.size()) {
                *error = QStringLiteral("%1 needs a value").arg(a);
                return false;
            }
            if (a == QLatin1String("--modules-dir"))
                options->modulesDir = argv.at(++i);
            else
                options->answers.append(argv.at(++i));
        } else if (a == QLatin1String("--no-device")) {
            options->useDevice = false;
        } else if (a == QLatin1String("--print-modules-dir")) {
            options->command = QStringLiteral("print-modules-dir");
        } else if (a == QLatin1String("--verbose")) {
            options->verbose = true;
        } else if (a == QLatin1String("--help")) {
            options->command = QStringLiteral("help");
            return true;
        } else if (a.startsWith(QLatin1String("--"))) {
            *error = QStringLiteral("unknown option %1").arg(a);
            return false;
        } else {
            break;
        }
    }
    if (options->command == QLatin1String("print-modules-dir")) {
        if (i != argv.size()) {
            *error = QStringLiteral("--print-modules-dir takes no command");
            return false;
        }
        return true;
    }
    if (i >= argv.size()) {
        *error = QStringLiteral("no command given");
        return false;
    }
    options->command = argv.at(i++);
    if (options->command == QLatin1String("list")) {
        if (i != argv.size()) {
            *error = QStringLiteral("list takes no arguments");
            return false;
        }
        return true;
    }
    if (isTaskOrTool(options->command)) {
        options->args = argv.mid(i);
        return true;
    }
    if (options->command != QLatin1String("call")) {
        *error = QStringLiteral("unknown command %1").arg(options->command);
        return false;
    }
    if (i >= argv.size()) {
        *error = QStringLiteral("call needs an operation name");
        return false;
    }
    options->operation = argv.at(i++);
    options->args = argv.mid(i);
    return true;
}

bool parseJsonArgument(const QString &text, QVariant *value, QString *error)
{
    // Wrapped in an array so that scalars parse too.
    QJsonParseError parseError;
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray("[") + text.toUtf8() + QByteArray("]"), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isArray() || doc.array().size() != 1) {
        *error = QStringLiteral("not a JSON value: %1").arg(text);
        return false;
    }
    *value = doc.array().at(0).toVariant();
    return true;
}

QString formatResult(const QVariant &value)
{
    if (!value.isValid())
        return QStringLiteral("null");
    const QJsonValue json = QJsonValue::fromVariant(value);
    QJsonArray wrapper{json};
    QString text = QString::fromUtf8(QJsonDocument(wrapper).toJson(QJsonDocument::Compact));
    return text.mid(1, text.size() - 2); // unwrap the array
}

namespace {
std::function<bool()> g_programRunning;
} // namespace

void setProgramRunningCheck(std::function<bool()> check)
{
    g_programRunning = std::move(check);
}

bool taskOnlyReads(const QString &command, const QStringList &args)
{
    if (command == QLatin1String("status"))
        return true;
    for (const QString &a : args) {
        if (a.startsWith(QLatin1String("--")))
            continue;
        // The first word decides; a value of an option counts as a word, so
        // "light --preset 2 show" is taken as a change (refused, never missed).
        return a == QLatin1String("show") || a == QLatin1String("list") ||
               a == QLatin1String("tree");
    }
    return true;
}

QString usageText()
{
    QString text =
        QStringLiteral("NAME\n"
                       "    kesta-ctl - the KESTA R218's settings from the command line\n\n"
                       "SYNOPSIS\n"
                       "    kesta-ctl [OPTIONS] COMMAND [ARGS...]\n"
                       "    kesta-ctl [OPTIONS] call OPERATION [JSON-ARG...]\n"
                       "    kesta-ctl [OPTIONS] list\n\n"
                       "COMMANDS\n");
    for (const TaskCommand &c : taskCommands())
        text += QStringLiteral("    %1%2\n").arg(c.name.leftJustified(12), c.summary);
    text += QStringLiteral(
        "    call        call an operation by name with JSON arguments; prints the result as JSON\n"
        "    list        every operation and its signature\n"
        "    completion  bash|zsh: the shell completion script\n"
        "    help        [COMMAND]: this text, or a command's manual (also COMMAND --help)\n\n"
        "CALLS\n"
        "    call runs one operation of the program's window by name, on the profile in\n"
        "    use, and prints its result as JSON; list names them all with their\n"
        "    parameter types. Arguments are JSON values: numbers, strings in double\n"
        "    quotes, true, false, lists in brackets. It is refused while kesta-config\n"
        "    runs: the task commands work through the program.\n"
        "        kesta-ctl call getData '\"mouse/dpiCount\"' false\n"
        "        kesta-ctl --answer office.pf call saveProfile 0\n\n"
        "OPTIONS\n"
        "    --modules-dir DIR  the settings folder (default: the one kesta-config uses,\n"
        "                       see FILES)\n"
        "    --print-modules-dir  print the settings folder in use and end\n"
        "    --no-device        do not look for the mouse: settings are stored, nothing is sent\n"
        "    --answer PATH      (call) answers the next file or folder dialog; none left\n"
        "                       cancels it\n"
        "    --verbose          show the operations' debug lines\n\n"
        "FILES\n"
        "    The settings folder is modules/ beside the program when that folder is\n"
        "    writable (a portable build). An installed program uses the user's copy,\n"
        "    ~/.local/share/kesta-config/modules ($XDG_DATA_HOME is honoured), made\n"
        "    at the first start of either program from the shipped data\n"
        "    (/usr/share/kesta-config/modules when installed under /usr).\n"
        "    kesta-ctl --print-modules-dir prints the folder in use.\n\n"
        "EXIT STATUS\n"
        "    0 done; 1 the work failed (for example no mouse answered: the settings were\n"
        "    stored, nothing was sent; or a settings file could not be written: nothing\n"
        "    was sent; or part of a change did not reach the mouse: the message says\n"
        "    which parts did; or kesta-config runs and the command cannot run beside it);\n"
        "    2 bad usage: nothing was stored or sent.\n");
    return text;
}

namespace {

// The presence check and handshake, then what a connect reads: a 560-family
// mouse's on-board profiles fill the images that later writes patch.
// *refusedNode: the node of a mouse present that this user may not open.
bool connectDevice(Operations &ops, Hid_Thread &hid, QTextStream *err, QString *refusedNode)
{
    SettingsStore *store = ops.settings();
    auto list =
        DevicePresence::readDeviceList(store->modulePath(QStringLiteral("setting/apConfig.bin")));
    DevicePresence::findInterfaces(list);
    const DevicePresence::Finding finding = DevicePresence::admit(hid, list);
    *refusedNode = finding.refusedNode;
    if (!finding.admitted()) {
        if (err && finding.refused()) {
            *err << "kesta-ctl: the mouse was found, no permission (" << finding.refusedNode
                 << "): install 70-kesta.rules and plug the mouse in again; device operations "
                    "will fail\n";
            err->flush();
        } else if (err) {
            *err << "kesta-ctl: no configured device answered; device operations will fail\n";
            err->flush();
        }
        return false;
    }
    hid.hidIdle = true;
    ops.device()->readProfilesOnConnect();
    return true;
}

// One run at a time reads, changes and sends: two runs at once would each
// write back the page they read before the other's change (the button page
// stores every button) and report success, and their frames would
// interleave on the mouse. The turn is this user's, in the private runtime
// folder; without one the run goes ahead unguarded, as the program does.
constexpr int kTurnWaitMs = 60000;

std::unique_ptr<QLockFile> takeTurn(bool *taken)
{
    *taken = true;
    const QString folder = QtLocalPeer::privateRuntimeDir();
    if (folder.isEmpty())
        return nullptr;
    auto turn = std::make_unique<QLockFile>(folder + QStringLiteral("/kesta-ctl-turn.lock"));
    turn->setStaleLockTime(0); // only a run that ended leaves a stale turn
    if (turn->tryLock(kTurnWaitMs))
        return turn;
    *taken = turn->error() != QLockFile::LockFailedError;
    return nullptr;
}

int busy(QTextStream &err, const QString &command)
{
    err << "kesta-ctl " << command
        << ": another kesta-ctl run is still at work; nothing was stored or sent\n";
    return 1;
}

} // namespace

int run(const QStringList &argv, QTextStream &out, QTextStream &err)
{
    Options options;
    QString error;
    if (!parseArguments(argv, &options, &error)) {
        err << "kesta-ctl: " << error << "\n" << kUsage << "\n";
        return 2;
    }

    if (options.command == QLatin1String("help")) {
        if (options.args.isEmpty()) {
            out << usageText();
            return 0;
        }
        const TaskCommand *task = findTask(options.args.first());
        if (!task || options.args.size() > 1) {
            err << "kesta-ctl help: no command " << options.args.join(QLatin1Char(' ')) << "\n";
            return 2;
        }
        out << task->manual;
        return 0;
    }
    if (options.command == QLatin1String("completion")) {
        const QString script = completionScript(options.args.value(0));
        if (options.args.size() != 1 || script.isEmpty()) {
            err << "kesta-ctl completion: give the shell: bash or zsh\n";
            return 2;
        }
        out << script;
        return 0;
    }
    // Help and completion work on no folder; from here on the settings
    // folder is resolved (and an installed program's user copy made).
    // A folder named that is not there is a typing error: working on it
    // would store the change in a new, nearly empty folder and report
    // success.
    if (!options.modulesDir.isEmpty() && !QFileInfo(options.modulesDir).isDir()) {
        err << "kesta-ctl: --modules-dir: no folder " << options.modulesDir
            << "; nothing was stored or sent\n";
        return 2;
    }
    if (options.modulesDir.isEmpty())
        options.modulesDir = ModulesFolder::resolveForThisProgram().path;
    if (options.command == QLatin1String("print-modules-dir")) {
        out << QFileInfo(options.modulesDir).absoluteFilePath() << "\n";
        return 0;
    }
    if (const TaskCommand *task = findTask(options.command)) {
        if (options.args.contains(QLatin1String("--help"))) {
            out << task->manual;
            return 0;
        }
        // While the program runs on these settings it is their one writer:
        // the command runs there, checked and done by the same code, and its
        // window shows the change.
        if (programOnBus(options.modulesDir) == ProgramOnBus::Serves) {
            if (!options.useDevice) {
                err << "kesta-ctl: --no-device cannot be kept while kesta-config runs: it sends "
                       "every change to the mouse itself (quit it first to store only)\n";
                return 2;
            }
            return runInProgram(options.command, options.args, out, err);
        }
        // Without its bus (sudo, ssh, cron) the program and the tool would
        // interleave their frames, and its window would show the old values.
        if (!taskOnlyReads(options.command, options.args) && g_programRunning &&
            g_programRunning()) {
            err << "kesta-ctl " << options.command
                << ": kesta-config is running; make the change in its window, or quit it "
                   "(tray menu) and try again\n";
            return 1;
        }
        bool taken = false;
        const auto turn = takeTurn(&taken);
        if (!taken)
            return busy(err, options.command);
        QuietMessages quiet(!options.verbose);
        ScriptedDialogs dialogs;
        Operations ops(options.modulesDir, &dialogs);
        Hid_Thread hid;
        ops.attachDevice(&hid);
        std::function<bool()> connect;
        QString refusedNode;
        if (options.useDevice)
            connect = [&ops, &hid, &refusedNode] {
                return connectDevice(ops, hid, nullptr, &refusedNode);
            };
        Tasks tasks(ops, &dialogs, connect, [&refusedNode] { return refusedNode; });
        return tasks.run(options.command, options.args, out, err);
    }

    // An operation called by name bypasses the program's pages and flows.
    if (options.command == QLatin1String("call") &&
        ((g_programRunning && g_programRunning()) ||
         programOnBus(options.modulesDir) == ProgramOnBus::Serves)) {
        err << "kesta-ctl call: kesta-config is running; use the task commands (kesta-ctl "
               "--help), which work through it, or quit it (tray menu) and try again\n";
        return 1;
    }
    bool taken = false;
    const auto turn = options.command == QLatin1String("call") ? takeTurn(&taken) : nullptr;
    if (options.command == QLatin1String("call") && !taken)
        return busy(err, options.command);
    QuietMessages quiet(!options.verbose, Keep::Warnings);
    ScriptedDialogs dialogs;
    dialogs.answers = options.answers;
    Operations ops(options.modulesDir, &dialogs);
    Hid_Thread hid;
    ops.attachDevice(&hid);
    // Each run is a fresh view host: it starts on the profile in use, as the
    // program's does once its scene is up.
    selectProfileInUse(ops);

    if (options.command == QLatin1String("list")) {
        for (const QString &signature : ops.signatures())
            out << signature << "\n";
        return 0;
    }

    QVariantList args;
    for (const QString &text : options.args) {
        QVariant value;
        if (!parseJsonArgument(text, &value, &error)) {
            err << "kesta-ctl: " << error << "\n";
            return 2;
        }
        args.append(value);
    }

    QString refusedNode;
    if (options.useDevice)
        connectDevice(ops, hid, &err, &refusedNode);

    QVariant result;
    if (!ops.call(options.operation, args, &result, &error)) {
        err << "kesta-ctl: " << error << "\n";
        return 2;
    }
    out << formatResult(result) << "\n";
    return 0;
}

} // namespace Ctl
