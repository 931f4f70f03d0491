// The program as a package installs it: cmake --install into a DESTDIR, the
// launcher and the AppStream entry validated, and the installed program
// started under Xvfb with a temporary HOME and the virtual mouse.
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int code = -1;
    QString out; // stdout
    QString all; // stdout and stderr, for failure messages
};

Run run(const QString &program, const QStringList &args,
        const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(120000))
        p.kill();
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, out,
            out + QString::fromUtf8(p.readAllStandardError())};
}

void stop(QProcess &p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    p.terminate();
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished(3000);
    }
}

// Every file under dir with the hash of its contents.
QMap<QString, QByteArray> snapshot(const QString &dir)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            out.insert(path.mid(dir.size()),
                       QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256));
    }
    return out;
}

// Width and height from a PNG's header.
QSize pngSize(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = f.read(24);
    if (head.size() < 24 || !head.startsWith("\x89PNG"))
        return {};
    auto be32 = [&](int at) {
        return int((uchar(head[at]) << 24) | (uchar(head[at + 1]) << 16) |
                   (uchar(head[at + 2]) << 8) | uchar(head[at + 3]));
    };
    return {be32(16), be32(20)};
}

QString iniValue(const QString &path, const QString &key)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing file>");
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key.toUtf8() + '='))
            return QString::fromUtf8(line.mid(key.size() + 1)).trimmed();
    }
    return QStringLiteral("<absent>");
}

} // namespace

class TstInstall : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void installsTheUsualLayout_data();
    void installsTheUsualLayout();
    void iconsAreRenderedAtTheirSizes();
    void installsNothingForTestsOnly();
    void launcherValidates();
    void metainfoValidates();
    void installedProgramKeepsTheUsersSettings();
    void commandLinesAnsweredWithoutADisplay_data();
    void commandLinesAnsweredWithoutADisplay();

private:
    QString usr(const QString &relative) const { return m_root + "/usr/" + relative; }
    QProcessEnvironment programEnvironment() const;
    QString visibleWindows() const;
    bool startProgram(const QStringList &args);
    QString programOutput();

    QTemporaryDir m_dir;
    QString m_root, m_home, m_display;
    QProcess m_xvfb, m_app;
    QString m_log;
};

void TstInstall::initTestCase()
{
    m_root = m_dir.path() + "/root";
    m_home = m_dir.path() + "/home";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DESTDIR", m_root);
    const Run install =
        run(qEnvironmentVariable("KESTA_CMAKE"),
            {"--install", qEnvironmentVariable("KESTA_BUILD_DIR"), "--prefix", "/usr"}, env);
    QVERIFY2(install.code == 0, qPrintable(install.all));
}

void TstInstall::cleanupTestCase()
{
    stop(m_app);
    stop(m_xvfb);
}

void TstInstall::installsTheUsualLayout_data()
{
    QTest::addColumn<QString>("path");
    for (const char *path :
         {"bin/kesta-config", "bin/kesta-ctl", "share/kesta-config/modules/setting/apConfig.bin",
          "share/kesta-config/modules/setting/p10.bin",
          "share/kesta-config/modules/gun/gunData.bin",
          "share/kesta-config/modules/i18n/English.ini", "share/kesta-config/modules/img/logo.ico",
          "share/kesta-config/modules/macro", "lib/udev/rules.d/70-kesta.rules",
          "share/applications/com.zorvant.KestaConfig.desktop",
          "share/metainfo/com.zorvant.KestaConfig.metainfo.xml",
          "share/icons/hicolor/scalable/apps/kesta-config.svg", "share/man/man1/kesta-config.1.gz",
          "share/man/man1/kesta-ctl.1.gz", "share/doc/kesta-config/copyright",
          "share/doc/kesta-config/changelog.gz", "share/bash-completion/completions/kesta-ctl",
          "share/zsh/vendor-completions/_kesta-ctl"})
        QTest::newRow(path) << QString::fromLatin1(path);
}

void TstInstall::installsTheUsualLayout()
{
    QFETCH(QString, path);
    QVERIFY2(QFileInfo::exists(usr(path)), qPrintable(usr(path)));
    if (path.startsWith("bin/"))
        QVERIFY(QFileInfo(usr(path)).isExecutable());
    // Nobody but the owner (root, in a package) may change what is installed.
    QVERIFY(!(QFileInfo(usr(path)).permissions() & (QFile::WriteGroup | QFile::WriteOther)));
}

void TstInstall::iconsAreRenderedAtTheirSizes()
{
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString png =
            usr(QStringLiteral("share/icons/hicolor/%1x%1/apps/kesta-config.png").arg(size));
        QCOMPARE(pngSize(png), QSize(size, size));
    }
}

void TstInstall::installsNothingForTestsOnly()
{
    // The virtual mouse, tests and benchmarks stay in the build folder; the
    // scene is compiled in and is not installed as files.
    const QMap<QString, QByteArray> all = snapshot(m_root);
    for (const QString &path : all.keys()) {
        QVERIFY2(!path.contains("virtual-mouse") && !path.contains("bench") &&
                     !path.contains("tst_") && !path.endsWith(".qml") && !path.contains(".gitkeep"),
                 qPrintable(path));
    }
}

void TstInstall::launcherValidates()
{
    const QString tool = QStandardPaths::findExecutable("desktop-file-validate");
    if (tool.isEmpty())
        QSKIP("desktop-file-validate is not installed (Debian: desktop-file-utils)");
    const Run r = run(tool, {usr("share/applications/com.zorvant.KestaConfig.desktop")});
    QVERIFY2(r.code == 0 && r.all.trimmed().isEmpty(), qPrintable(r.all));
}

void TstInstall::metainfoValidates()
{
    const QString tool = QStandardPaths::findExecutable("appstreamcli");
    if (tool.isEmpty())
        QSKIP("appstreamcli is not installed (Debian: appstream)");
    const Run r = run(
        tool, {"validate", "--no-net", usr("share/metainfo/com.zorvant.KestaConfig.metainfo.xml")});
    QVERIFY2(r.code == 0, qPrintable(r.all));
}

QProcessEnvironment TstInstall::programEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", m_home);
    for (const char *name :
         {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    env.insert("DISPLAY", m_display);
    const QString bin = qEnvironmentVariable("KESTA_BIN_DIR");
    env.insert("LD_PRELOAD", bin + "/libkesta-virtual-mouse.so");
    env.insert("KESTA_VM_STATE", m_dir.path() + "/mouse.state");
    return env;
}

QString TstInstall::visibleWindows() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_display);
    return run("xdotool", {"search", "--onlyvisible", "--class", "kesta-config"}, env)
        .out.trimmed();
}

bool TstInstall::startProgram(const QStringList &args)
{
    m_log.clear();
    m_app.setProcessEnvironment(programEnvironment());
    m_app.setProcessChannelMode(QProcess::MergedChannels);
    m_app.start(usr("bin/kesta-config"), args);
    return m_app.waitForStarted();
}

QString TstInstall::programOutput()
{
    m_log += QString::fromUtf8(m_app.readAll());
    return m_log;
}

void TstInstall::installedProgramKeepsTheUsersSettings()
{
    for (const char *tool : {"Xvfb", "xdotool"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
    }
    m_xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    QVERIFY(m_xvfb.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_xvfb.canReadLine(), 10000);
    m_display = ":" + QString::fromLatin1(m_xvfb.readLine()).trimmed();

    const QString shipped = usr("share/kesta-config/modules");
    const QString user = m_home + "/.local/share/kesta-config/modules";
    const QMap<QString, QByteArray> shippedBefore = snapshot(shipped);
    QVERIFY(!shippedBefore.isEmpty());

    // First start: the shipped data is copied into the user's folder.
    QVERIFY(startProgram({}));
    QTRY_VERIFY2_WITH_TIMEOUT(programOutput().contains("Device Connect"),
                              qPrintable(programOutput()), 30000);
    QCOMPARE(snapshot(user), shippedBefore);
    QTRY_VERIFY2_WITH_TIMEOUT(!visibleWindows().isEmpty(), qPrintable(programOutput()), 30000);

    // Both programs name that folder.
    const Run ctlDir = run(usr("bin/kesta-ctl"), {"--print-modules-dir"}, programEnvironment());
    QCOMPARE(ctlDir.out.trimmed(), user);
    const Run appDir = run(usr("bin/kesta-config"), {"--print-modules-dir"}, programEnvironment());
    QCOMPARE(appDir.out.trimmed(), user);

    // A setting changed through kesta-ctl lands in the user's copy (an
    // operation by name waits until the program has ended).
    const Run refused =
        run(usr("bin/kesta-ctl"),
            {"--no-device", "call", "setGlobalData", "\"common/language\"", "\"German\""},
            programEnvironment());
    QCOMPARE(refused.code, 1);
    stop(m_app);
    const Run set =
        run(usr("bin/kesta-ctl"),
            {"--no-device", "call", "setGlobalData", "\"common/language\"", "\"German\""},
            programEnvironment());
    QVERIFY2(set.code == 0, qPrintable(set.all));
    QCOMPARE(iniValue(user + "/setting/apConfig.bin", "language"), "German");

    // Second start, hidden in the tray as after a login: the value stays.
    QVERIFY(startProgram({"--hidden"}));
    QTRY_VERIFY2_WITH_TIMEOUT(programOutput().contains("Device Connect"),
                              qPrintable(programOutput()), 30000);
    QCOMPARE(iniValue(user + "/setting/apConfig.bin", "language"), "German");
    // The window was never mapped: a second's grace finds none.
    QTest::qWait(1000);
    QCOMPARE(visibleWindows(), QString());
    stop(m_app);
    const Run get =
        run(usr("bin/kesta-ctl"), {"--no-device", "call", "getGlobalData", "\"common/language\""},
            programEnvironment());
    QCOMPARE(get.out.trimmed(), "\"German\"");

    // On a folder of its own (--modules-dir) the program neither reads nor
    // makes the user's copy.
    const QString own = m_dir.path() + "/own/modules";
    QVERIFY(QDir().mkpath(own + "/macro"));
    for (auto it = shippedBefore.cbegin(); it != shippedBefore.cend(); ++it) {
        QVERIFY(QDir().mkpath(QFileInfo(own + it.key()).absolutePath()));
        QVERIFY(QFile::copy(shipped + it.key(), own + it.key()));
        QFile(own + it.key()).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    QVERIFY(QDir(m_home + "/.local/share/kesta-config").removeRecursively());
    QVERIFY(startProgram({"--modules-dir", own, "--hidden"}));
    QTRY_VERIFY2_WITH_TIMEOUT(programOutput().contains("Device Connect"),
                              qPrintable(programOutput()), 30000);
    stop(m_app);
    QVERIFY(!QFileInfo::exists(user));

    // The installed data never changed.
    QCOMPARE(snapshot(shipped), shippedBefore);
}

void TstInstall::commandLinesAnsweredWithoutADisplay_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says"); // on stdout, or on stderr for a refusal
    const QString dir = m_dir.path();
    QTest::newRow("unknown option")
        << "kesta-config" << QStringList{"--bogus"} << 2 << "usage: kesta-config";
    QTest::newRow("unknown beside Qt's options")
        << "kesta-config" << QStringList{"-platform", "xcb", "--bogus"} << 2
        << "unknown argument --bogus";
    QTest::newRow("settings folder without a name")
        << "kesta-config" << QStringList{"--modules-dir"} << 2 << "--modules-dir needs a folder";
    QTest::newRow("settings folder that is not there")
        << "kesta-config" << QStringList{"--modules-dir", dir + "/none", "--hidden"} << 2
        << "no folder";
    QTest::newRow("settings folder given")
        << "kesta-config" << QStringList{"--modules-dir", dir, "--print-modules-dir"} << 0 << dir;
    QTest::newRow("Qt's options passed over")
        << "kesta-config" << QStringList{"-platform", "offscreen", "--version"} << 0
        << "kesta-config 1.0";
    QTest::newRow("help names the folder option")
        << "kesta-config" << QStringList{"--help"} << 0 << "--modules-dir DIR";
    QTest::newRow("kesta-ctl names the installed settings folder")
        << "kesta-ctl" << QStringList{"--help"} << 0 << "~/.local/share/kesta-config/modules";
}

void TstInstall::commandLinesAnsweredWithoutADisplay()
{
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, says);
    // Bad usage ends before any display is looked for (Qt would abort).
    QProcessEnvironment env = programEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(usr("bin/" + program), args);
    QVERIFY(p.waitForFinished(30000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY2(p.exitCode() == code, qPrintable(out + err));
    QVERIFY2((code == 0 ? out : err).contains(says), qPrintable(out + err));
    if (code == 2)
        QVERIFY(out.isEmpty());
}

QTEST_GUILESS_MAIN(TstInstall)
#include "tst_install.moc"
