#include "tools/kesta-ctl/busclient.h"

#include "bus/busnames.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QTextStream>

namespace Ctl {

using namespace KestaBusNames;

namespace {

// How long a change may take in the program: a profile switch sends every
// page, with the protocol's own pauses.
constexpr int kReplyWaitMs = 60000;

// "app-profile" is the method AppProfile.
QString methodOf(const QString &command)
{
    QString method;
    for (const QString &word : command.split(QLatin1Char('-'), Qt::SkipEmptyParts))
        method += word.left(1).toUpper() + word.mid(1);
    return method;
}

// The program works in its own folder: a file named relative to the folder
// kesta-ctl was started in is made absolute here (profile and macro import
// and export).
QStringList withAbsolutePaths(const QString &command, QStringList args)
{
    if (command != QLatin1String("profile") && command != QLatin1String("macro"))
        return args;
    QList<int> words; // the positions of the words that are not options
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--json"))
            continue;
        if (args.at(i).startsWith(QLatin1String("--"))) {
            ++i; // and its value
            continue;
        }
        words.append(i);
    }
    if (words.isEmpty())
        return args;
    const QString sub = args.at(words.first());
    const int file = sub == QLatin1String("import") ? 1 : sub == QLatin1String("export") ? 2 : -1;
    if (file > 0 && file < words.size()) {
        QString &path = args[words.at(file)];
        path = QDir::current().absoluteFilePath(path);
    }
    return args;
}

} // namespace

ProgramOnBus programOnBus(const QString &modulesDir)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(QLatin1String(kService)).value())
        return ProgramOnBus::Absent;
    QDBusMessage get = QDBusMessage::createMethodCall(
        QLatin1String(kService), QLatin1String(kPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(kInterface) << QStringLiteral("SettingsFolder");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kReplyWaitMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return ProgramOnBus::Absent;
    const QString folder = reply.arguments().first().value<QDBusVariant>().variant().toString();
    const QString ours = QDir(modulesDir).canonicalPath();
    return !ours.isEmpty() && folder == ours ? ProgramOnBus::Serves : ProgramOnBus::OtherFolder;
}

int runInProgram(const QString &command, const QStringList &args, QTextStream &out,
                 QTextStream &err)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                       QLatin1String(kInterface), methodOf(command));
    call << withAbsolutePaths(command, args);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kReplyWaitMs);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        out << reply.arguments().value(0).toString();
        // The warnings the command printed (none from a program that sends
        // none).
        const QStringList warnings = reply.arguments().value(1).toStringList();
        for (const QString &line : warnings)
            err << line << "\n";
        return 0;
    }
    const QString name = reply.errorName();
    if (name == QLatin1String(kInvalidArgument)) {
        err << reply.errorMessage() << "\n";
        return 2;
    }
    if (name == QLatin1String(kFailed)) {
        err << reply.errorMessage() << "\n";
        return 1;
    }
    if (name == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
        name == QLatin1String("org.freedesktop.DBus.Error.Timeout")) {
        err << "kesta-ctl " << command
            << ": kesta-config did not answer within a minute; it may still make the change "
               "(kesta-ctl status shows it)\n";
        return 1;
    }
    err << "kesta-ctl " << command << ": kesta-config: " << reply.errorMessage() << "\n";
    return 1;
}

} // namespace Ctl
