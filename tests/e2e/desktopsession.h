// The real program as a user meets it: a private Xvfb display (and a tray when
// asked), kesta-config copied beside a staged modules folder and preloaded with
// the virtual mouse, and the helpers that drive it with xdotool and read what
// it printed and what crossed the wire.
#pragma once

#include "../stagemodules.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QPoint>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class DesktopSession
{
public:
    ~DesktopSession()
    {
        stop(app);
        stop(tray);
        stop(xvfb);
    }

    // The first of the tools that is not installed, or an empty text.
    static QString missingTool(const QStringList &tools)
    {
        for (const QString &tool : tools) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                return tool;
        }
        return QString();
    }

    // Xvfb picks a free display and writes its number to the given fd (stdout).
    bool startDisplay()
    {
        xvfb.start(QStringLiteral("Xvfb"),
                   {"-displayfd", "1", "-screen", "0", "1920x1080x24", "-nolisten", "tcp"});
        if (!xvfb.waitForStarted() ||
            !QTest::qWaitFor([this] { return xvfb.canReadLine(); }, 10000))
            return false;
        display = QStringLiteral(":") + QString::fromLatin1(xvfb.readLine()).trimmed();
        return true;
    }

    bool startTray()
    {
        tray.setProcessEnvironment(environment());
        tray.start(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype",
                                              "request", "--height", "24"});
        return tray.waitForStarted() &&
               QTest::qWaitFor([this] { return tree().contains(QLatin1String("\"panel\"")); },
                               10000);
    }

    // The program takes ./modules beside itself: a copy runs from the staged folder.
    bool stageProgram()
    {
        const QString bin = qEnvironmentVariable("KESTA_BIN_DIR");
        if (!stageModules(dir.path()) ||
            !QFile::copy(bin + QStringLiteral("/kesta-config"), path("kesta-config")))
            return false;
        return QFile(path("kesta-config"))
            .setPermissions(QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
    }

    bool startProgram()
    {
        const QString bin = qEnvironmentVariable("KESTA_BIN_DIR");
        QProcessEnvironment env = environment();
        env.insert(QStringLiteral("LD_PRELOAD"),
                   bin + QStringLiteral("/libkesta-virtual-mouse.so"));
        env.insert(QStringLiteral("KESTA_VM_CONTROL"), path("control"));
        env.insert(QStringLiteral("KESTA_VM_LOG"), path("wire.log"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.setWorkingDirectory(dir.path());
        app.start(path("kesta-config"), {});
        return app.waitForStarted();
    }

    QString path(const QString &relative) const { return dir.filePath(relative); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        if (!busAddress.isEmpty())
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        return env;
    }

    // Runs a tool on the display and returns what it printed.
    QString run(const QString &program, const QStringList &args) const
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(program, args);
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    QString xdotool(const QStringList &args) const { return run(QStringLiteral("xdotool"), args); }
    QString tree() const { return run(QStringLiteral("xwininfo"), {"-root", "-tree"}); }

    // The top-left corner of the program's 1280x720 window; (-1, -1) while it
    // is not shown. The window is 1280x720 on the 1920x1080 screen, so the
    // scene's design coordinates are window pixels.
    QPoint windowPosition() const
    {
        const QStringList ids =
            xdotool({"search", "--onlyvisible", "--pid", QString::number(app.processId())})
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &id : ids) {
            QMap<QString, int> g;
            for (const QString &line :
                 xdotool({"getwindowgeometry", "--shell", id}).split(QLatin1Char('\n'))) {
                const int eq = line.indexOf(QLatin1Char('='));
                if (eq > 0)
                    g[line.left(eq)] = line.mid(eq + 1).toInt();
            }
            if (g.value("WIDTH") == 1280 && g.value("HEIGHT") == 720)
                return QPoint(g.value("X"), g.value("Y"));
        }
        return QPoint(-1, -1);
    }

    // A click at a point of the scene; false when the window is not on screen.
    bool click(int x, int y) const
    {
        const QPoint origin = windowPosition();
        if (origin.x() < 0)
            return false;
        xdotool({"mousemove", QString::number(origin.x() + x), QString::number(origin.y() + y),
                 "click", "1"});
        return true;
    }
    void key(const QString &keys) const { xdotool({"key", keys}); }

    // Everything the program printed so far.
    QString output()
    {
        log += QString::fromUtf8(app.readAll());
        return log;
    }

    QString wireLog() const
    {
        QFile file(path("wire.log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // One line to the virtual mouse's control FIFO.
    bool control(const QByteArray &line) const
    {
        QFile fifo(path("control"));
        return fifo.open(QIODevice::WriteOnly) && fifo.write(line + '\n') == line.size() + 1;
    }

    // Waits until nothing has crossed the wire for 1.5 s (at most 30 s).
    void waitForQuietWire() const
    {
        qsizetype seen = wireLog().size();
        QElapsedTimer quiet, waited;
        quiet.start();
        waited.start();
        while (quiet.elapsed() < 1500 && waited.elapsed() < 30000) {
            QTest::qWait(100);
            const qsizetype size = wireLog().size();
            if (size != seen) {
                seen = size;
                quiet.restart();
            }
        }
    }

    // Commands (not reads) the mouse was sent.
    int commandsSent() const
    {
        return int(wireLog().count(QLatin1String("\"iface\":\"command\"")));
    }

    // Waits until no command has been sent for 1.5 s (at most 30 s).
    void waitForQuietCommands() const
    {
        int seen = commandsSent();
        QElapsedTimer quiet, waited;
        quiet.start();
        waited.start();
        while (quiet.elapsed() < 1500 && waited.elapsed() < 30000) {
            QTest::qWait(100);
            if (commandsSent() != seen) {
                seen = commandsSent();
                quiet.restart();
            }
        }
    }

    QTemporaryDir dir;
    QString display;
    QString busAddress; // a private session bus, when the test started one
    QProcess xvfb, tray, app;
    QString log;

private:
    static void stop(QProcess &p)
    {
        if (p.state() == QProcess::NotRunning)
            return;
        p.terminate();
        if (!p.waitForFinished(3000)) {
            p.kill();
            p.waitForFinished(3000);
        }
    }
};
