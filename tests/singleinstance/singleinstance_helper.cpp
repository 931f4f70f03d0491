// Usage:
//   singleinstance_helper serve APPID        first instance: prints "listening", then
//                                            "message:TEXT" per message; "quit" ends it
//   singleinstance_helper send APPID [TEXT]  start-up as the program does it: a second
//                                            instance sends TEXT, prints "sent:0|1" and
//                                            exits 1; a first one prints "first", exits 0
//   singleinstance_helper lock PATH read|write     takes the lock, prints "locked", sleeps
//   singleinstance_helper trylock PATH read|write  exit 0 if the lock was free, 2 if not
#include "singleinstance/qtlockedfile.h"
#include "singleinstance/qtsinglecoreapplication.h"

#include <cstdio>
#include <unistd.h>

using QtLP_Private::QtLockedFile;

namespace {

void say(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int lockFile(bool wait, const char *path, const QByteArray &mode)
{
    QtLockedFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadWrite))
        return 3;
    if (!file.lock(mode == "read" ? QtLockedFile::ReadLock : QtLockedFile::WriteLock, wait))
        return 2;
    if (!wait)
        return 0;
    say("locked");
    for (;;)
        ::pause(); // until the test kills us
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 64;
    const QByteArray command = argv[1];
    if (command == "lock" || command == "trylock")
        return argc < 4 ? 64 : lockFile(command == "lock", argv[2], argv[3]);

    const QString appId = QString::fromLocal8Bit(argv[2]);
    const QString text = argc > 3 ? QString::fromUtf8(argv[3]) : QString();
    QtSingleCoreApplication app(appId, argc, argv);

    if (command == "send") {
        if (app.isRunning()) {
            say(app.sendMessage(text, 5000) ? "sent:1" : "sent:0");
            return 1;
        }
        say("first");
        return 0;
    }
    if (command != "serve")
        return 64;
    if (app.isRunning()) {
        say("running");
        return 1;
    }
    QObject::connect(&app, &QtSingleCoreApplication::messageReceived,
                     [&app](const QString &message) {
                         say("message:" + message.toUtf8());
                         if (message == QLatin1String("quit"))
                             app.quit();
                     });
    say("listening");
    return app.exec();
}
