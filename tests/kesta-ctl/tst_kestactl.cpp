// kesta-ctl as scripts use it: the real binary, a staged modules folder, and
// the virtual mouse preloaded where a device is needed.
#include "tools/kesta-ctl/ctl.h"
#include "tools/kesta-ctl/tasks.h"

#include "../stagemodules.h"
#include "singleinstance/qtlocalpeer.h"
#include "singleinstance/qtlockedfile.h"
#include "singleinstance/sessionsuffix.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <vector>
#include <sys/resource.h>

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

// Every file under folder: its bytes, or where a link points.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        QFile f(path);
        out.insert(path.mid(folder.size()), info.isSymLink()
                                                ? "-> " + info.symLinkTarget().toUtf8()
                                                : (f.open(QIODevice::ReadOnly) ? f.readAll() : ""));
    }
    return out;
}

// What the mouse was sent according to a wire log: frames and data reports.
QStringList sentInLog(const QString &path)
{
    QStringList out;
    QFile log(path);
    if (!log.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &line : log.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        const QString call = o.value(QStringLiteral("call")).toString();
        if (call == QLatin1String("send_feature"))
            out.append(o.value(QStringLiteral("plain")).toString());
        else if (call == QLatin1String("write"))
            out.append(o.value(QStringLiteral("bytes")).toString());
    }
    return out;
}

} // namespace

class TstKestaCtl : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void parsesItsCommandLine_data();
    void parsesItsCommandLine();
    void jsonArguments_data();
    void jsonArguments();
    void listsTheOperations();
    void printsTheSettingsFolder();
    void readsTheShippedValue();
    void valuesRoundTripAcrossRuns();
    void refusesWhatDoesNotFit_data();
    void refusesWhatDoesNotFit();
    void answersDialogsInOrder();
    void drivesTheVirtualMouse();
    void deviceOperationsReachTheWire_data();
    void deviceOperationsReachTheWire();
    void macroCreatedSavedAndSentArrivesOnTheMouse();
    void macroInAFolderBoundThroughARelativeModulesDir();
    void readmeTaskExamplesRun();
    void changesRefusedWhileTheProgramRuns();
    void programFoundWhateverTheRuntimeFolder();
    void runsStartedTogetherKeepEveryChange();
    void commandsWorkOnTheProfileInUse();
    void profilesWithoutALeftClickAreMended_data();
    void profilesWithoutALeftClickAreMended();
    void failedStoresAreReportedAndNothingIsSent_data();
    void failedStoresAreReportedAndNothingIsSent();
    void folderCommandsLeaveNothingHalfDone_data();
    void folderCommandsLeaveNothingHalfDone();
    void macroNamesHeldTwiceAreNamed();
    void manualsForEveryCommand();
    void examplesReachTheToolAsWritten();
    void manualPageSaysWhatHelpSays();
    void completionScriptIsTheGeneratedOne();
    void completionCompletesChoiceWords_data();
    void completionCompletesChoiceWords();

private:
    // Runs in dir (default: the shared one) and works on its modules/, given
    // as the relative path "modules" as a user in that folder would write it;
    // fileSizeLimit > 0 limits the files the tool can write, as a full disk.
    Run ctl(const QStringList &args, bool withMouse = false, const QString &dir = QString(),
            rlim_t fileSizeLimit = 0);
    QTemporaryDir m_dir;
    QString m_modules;
};

void TstKestaCtl::initTestCase()
{
    QVERIFY(stageModules(m_dir.path()));
    m_modules = m_dir.path() + QStringLiteral("/modules");
}

Run TstKestaCtl::ctl(const QStringList &args, bool withMouse, const QString &dir,
                     rlim_t fileSizeLimit)
{
    const QString bin = qEnvironmentVariable("KESTA_BIN_DIR");
    const QString work = dir.isEmpty() ? m_dir.path() : dir;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (withMouse) {
        env.insert(QStringLiteral("LD_PRELOAD"),
                   bin + QStringLiteral("/libkesta-virtual-mouse.so"));
        env.insert(QStringLiteral("KESTA_VM_LOG"), work + QStringLiteral("/wire.log"));
        env.insert(QStringLiteral("KESTA_VM_STATE"), work + QStringLiteral("/vm.state"));
    }
    process.setProcessEnvironment(env);
    if (fileSizeLimit > 0) {
        // In the child only, as a shell's ulimit -f sets it: SIGXFSZ at its
        // default, which ends a process that does not handle it.
        process.setChildProcessModifier([fileSizeLimit] {
            std::signal(SIGXFSZ, SIG_DFL);
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = fileSizeLimit;
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    QStringList all{QStringLiteral("--modules-dir"), work + QStringLiteral("/modules")};
    if (!dir.isEmpty()) {
        process.setWorkingDirectory(dir);
        all[1] = QStringLiteral("modules");
    }
    if (!withMouse)
        all << QStringLiteral("--no-device");
    process.start(bin + QStringLiteral("/kesta-ctl"), all + args);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()).trimmed(),
            QString::fromUtf8(process.readAllStandardError())};
}

void TstKestaCtl::parsesItsCommandLine_data()
{
    QTest::addColumn<QStringList>("argv");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("argCount");
    QTest::newRow("call with arguments")
        << QStringList{"call", "getData", "\"k\"", "false"} << true << "getData" << 2;
    QTest::newRow("options before the command")
        << QStringList{"--no-device", "--answer", "/x.pf", "call", "loadProfile", "0"} << true
        << "loadProfile" << 1;
    QTest::newRow("list") << QStringList{"list"} << true << "" << 0;
    QTest::newRow("no command") << QStringList{"--no-device"} << false << "" << 0;
    QTest::newRow("call without a name") << QStringList{"call"} << false << "" << 0;
    QTest::newRow("unknown option") << QStringList{"--fast", "list"} << false << "" << 0;
    QTest::newRow("option without value") << QStringList{"--answer"} << false << "" << 0;
    QTest::newRow("print the settings folder")
        << QStringList{"--modules-dir", "/x", "--print-modules-dir"} << true << "" << 0;
    QTest::newRow("print the folder takes no command")
        << QStringList{"--print-modules-dir", "list"} << false << "" << 0;
}

void TstKestaCtl::parsesItsCommandLine()
{
    QFETCH(QStringList, argv);
    QFETCH(bool, ok);
    QFETCH(QString, operation);
    QFETCH(int, argCount);
    Ctl::Options options;
    QString error;
    QCOMPARE(Ctl::parseArguments(argv, &options, &error), ok);
    if (ok) {
        QCOMPARE(options.operation, operation);
        QCOMPARE(options.args.size(), argCount);
    } else {
        QVERIFY(!error.isEmpty());
    }
}

void TstKestaCtl::jsonArguments_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("formatted");
    QTest::newRow("number") << "3" << true << "3";
    QTest::newRow("string") << "\"mouse/lod\"" << true << "\"mouse/lod\"";
    QTest::newRow("list") << "[1, 2, \"x\"]" << true << "[1,2,\"x\"]";
    QTest::newRow("boolean") << "true" << true << "true";
    QTest::newRow("bare word") << "mouse" << false << "";
    QTest::newRow("two values") << "1, 2" << false << "";
}

void TstKestaCtl::jsonArguments()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QString, formatted);
    QVariant value;
    QString error;
    QCOMPARE(Ctl::parseJsonArgument(text, &value, &error), ok);
    if (ok)
        QCOMPARE(Ctl::formatResult(value), formatted);
}

void TstKestaCtl::listsTheOperations()
{
    const Run run = ctl({QStringLiteral("list")});
    QCOMPARE(run.code, 0);
    const QStringList lines = run.out.split(QLatin1Char('\n'));
    for (const char *op :
         {"getData(QVariant,bool)", "mouseSetDpi(int,QString,QVariantList,QVariantList)",
          "createMacroIni(QVariant,QVariant,QVariant,QVariant)", "getLangStrings(QString,QString)"})
        QVERIFY2(lines.contains(QLatin1String(op)), op);
}

void TstKestaCtl::printsTheSettingsFolder()
{
    const Run run = ctl({QStringLiteral("--print-modules-dir")});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out, QFileInfo(m_modules).absoluteFilePath());
}

void TstKestaCtl::readsTheShippedValue()
{
    const Run run = ctl({"call", "getData", "\"mouse/dpiCount\"", "false"});
    QCOMPARE(run.code, 0);
    QSettings pD(m_modules + QStringLiteral("/setting/pD.bin"), QSettings::IniFormat);
    QCOMPARE(run.out, QStringLiteral("\"%1\"").arg(pD.value("mouse/dpiCount").toString()));
    // The operations' debug lines only when asked for.
    QVERIFY2(!run.err.contains(QLatin1String("ui_View")), qPrintable(run.err));
    const Run verbose = ctl({"--verbose", "call", "getData", "\"mouse/dpiCount\"", "false"});
    QCOMPARE(verbose.out, run.out);
    QVERIFY(verbose.err.contains(QLatin1String("ui_View")));
}

void TstKestaCtl::valuesRoundTripAcrossRuns()
{
    QCOMPARE(ctl({"call", "setDataList", "\"mouse/dpiValueArray\"", "[800, 1600]"}).code, 0);
    const Run run = ctl({"call", "getDataList", "\"mouse/dpiValueArray\"", "false"});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out, QStringLiteral("[\"800\",\"1600\"]"));
}

void TstKestaCtl::refusesWhatDoesNotFit_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown operation") << QStringList{"call", "fly"} << "unknown operation";
    QTest::newRow("missing argument")
        << QStringList{"call", "getData", "\"k\""} << "different number of arguments";
    QTest::newRow("not JSON") << QStringList{"call", "getData", "k", "false"} << "not a JSON value";
    QTest::newRow("unknown command") << QStringList{"fly"} << "unknown command";
    QTest::newRow("settings folder that is not there")
        << QStringList{"--modules-dir", m_dir.path() + "/none", "rate", "500"} << "no folder";
}

void TstKestaCtl::refusesWhatDoesNotFit()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const Run run = ctl(args);
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QVERIFY(!QFileInfo::exists(m_dir.path() + "/none"));
}

void TstKestaCtl::answersDialogsInOrder()
{
    const QString exported = m_dir.path() + QStringLiteral("/p3.pf");
    QCOMPARE(ctl({"--answer", exported, "call", "saveProfile", "2"}).code, 0);
    QVERIFY(QFile::exists(exported));
    const Run run = ctl({"--answer", exported, "call", "loadProfile", "4"});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out, QStringLiteral("true"));
    // No answer left: the dialog counts as cancelled.
    QCOMPARE(ctl({"call", "loadProfile", "4"}).out, QStringLiteral("false"));
}

void TstKestaCtl::drivesTheVirtualMouse()
{
    QFile::remove(m_dir.path() + QStringLiteral("/wire.log"));
    const Run run = ctl({"call", "mouseSetCurrentDPI", "3"}, true);
    QCOMPARE(run.code, 0);
    QFile log(m_dir.path() + QStringLiteral("/wire.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    // The shipped device list admits the virtual mouse, then the command goes out.
    QVERIFY2(text.contains(QStringLiteral("\"plain\":\"00 0b 03 00 00 00 00 00 f1\"")),
             qPrintable(text.right(2000)));
}

void TstKestaCtl::deviceOperationsReachTheWire_data()
{
    // The shipped mouse: family 553, colourful, not 55328.
    QTest::addColumn<QStringList>("call");
    QTest::addColumn<QString>("frame");
    QTest::newRow("lift-off") << QStringList{"mouseSetLodValue", "125", "1"}
                              << "00 07 00 7d 7d 01 00 00 fd";
    QTest::newRow("report rate") << QStringList{"mouseSetReportRate", "1"}
                                 << "00 01 01 00 00 00 00 00 fd";
    QTest::newRow("lighting effect")
        << QStringList{"mouseSetRGBEffect", "5", "2", "4"} << "00 0d 05 ff 05 00 00 00 e9";
    QTest::newRow("DPI stages") << QStringList{"mouseSetDpi", "4", "\"3320\"",
                                               "[500,1000,1500,2000,2500,3000,3500,4000]",
                                               "[1,1,1,1,1,1,1,1]"}
                                << "00 11 08 08 00 00 00 00 de";
}

void TstKestaCtl::deviceOperationsReachTheWire()
{
    QFETCH(QStringList, call);
    QFETCH(QString, frame);
    QFile::remove(m_dir.path() + QStringLiteral("/wire.log"));
    const Run run = ctl(QStringList{"call"} + call, true);
    QCOMPARE(run.code, 0);
    QFile log(m_dir.path() + QStringLiteral("/wire.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    QVERIFY2(text.contains(QStringLiteral("\"plain\":\"%1\"").arg(frame)),
             qPrintable(text.right(1500)));
    // The mouse accepted every frame and report it was sent.
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.contains(QLatin1String("\"call\":\"send_feature\"")) ||
            line.contains(QLatin1String("\"call\":\"write\"")))
            QVERIFY2(line.contains(QLatin1String("\"verdict\":\"ok\"")), qPrintable(line));
    }
}

void TstKestaCtl::macroCreatedSavedAndSentArrivesOnTheMouse()
{
    // As a script does it: each step a run of its own, the encoded block
    // handed from one run to the next.
    QCOMPARE(ctl({"call", "createMacroIni", "\"Burst\"", "0", "0", "0"}).out,
             QStringLiteral("true"));
    QCOMPARE(ctl({"call", "saveMacroIni", "0", "\"Burst\"", R"(["1,A","0,50","2,A"])", "300"}).out,
             QStringLiteral("true"));
    const Run loaded = ctl({"call", "loadMacroIni", "0", "\"Burst\""});
    QCOMPARE(loaded.out, QStringLiteral(R"(["1,A","0,50","2,A","300"])"));
    const Run encoded = ctl({"call", "encodeMacro", R"(["1,A","0,50","2,A"])", "300"});
    QCOMPARE(encoded.out, QStringLiteral("[1,44,5,4,129,4,0,0]"));
    const Run sent = ctl({"call", "mouseSendMacroData", encoded.out, "11"}, true);
    QCOMPARE(sent.out, QStringLiteral("true"));

    // The mouse keeps its memory in the state file: macro 12 holds the block.
    QFile state(m_dir.path() + QStringLiteral("/vm.state"));
    QVERIFY(state.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(state.readAll());
    QVERIFY2(text.contains(QStringLiteral("macro12 = 01 2c 05 04 81 04 00 00 00")),
             qPrintable(text));
}

void TstKestaCtl::macroInAFolderBoundThroughARelativeModulesDir()
{
    // A copy of its own: the shared one has a macro of this name at the top.
    QTemporaryDir work;
    QVERIFY(stageModules(work.path()));
    QVERIFY(QDir().mkpath(work.path() + QStringLiteral("/modules/macro/Games")));
    QFile macro(work.path() + QStringLiteral("/modules/macro/Games/Burst.bin"));
    QVERIFY(macro.open(QIODevice::WriteOnly));
    macro.write("[config]\nindex=0\ntotal=3\nrepeat=300\ndid=-1\n\n"
                "[macro]\n0=\"1,A\"\n1=\"0,50\"\n2=\"2,A\"\n");
    macro.close();

    const Run bound = ctl({"button", "set", "6", "macro:Burst"}, true, work.path());
    QVERIFY2(bound.code == 0, qPrintable(bound.out + bound.err));
    // Button 6 holds macro slot 5, which the mouse keeps as macro 6.
    QFile state(work.path() + QStringLiteral("/vm.state"));
    QVERIFY(state.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(state.readAll());
    QVERIFY2(text.contains(QStringLiteral("macro6 = 01 2c 05 04 81 04 00 00 00")),
             qPrintable(text));
}

void TstKestaCtl::readmeTaskExamplesRun()
{
    // The README's task examples, in order, on a fresh copy with the
    // virtual mouse preloaded; files land in the working folder.
    QFile readme(qEnvironmentVariable("KESTA_SOURCE_DIR") + QStringLiteral("/README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const int section = text.indexOf(QStringLiteral("### Task commands"));
    QVERIFY(section > 0);
    const int begin = text.indexOf(QStringLiteral("```sh\n"), section) + 6;
    const int end = text.indexOf(QStringLiteral("```"), begin);
    const QStringList lines =
        text.mid(begin, end - begin).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(lines.size() >= 10);

    QTemporaryDir work;
    QVERIFY(stageModules(work.path()));
    const QString bin = qEnvironmentVariable("KESTA_BIN_DIR");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_PRELOAD"), bin + QStringLiteral("/libkesta-virtual-mouse.so"));
    env.insert(QStringLiteral("KESTA_VM_LOG"), work.path() + QStringLiteral("/wire.log"));
    env.insert(QStringLiteral("KESTA_VM_STATE"), work.path() + QStringLiteral("/vm.state"));
    // No desktop tools but a stand-in gsettings that offers GNOME's two
    // pointer keys and notes what it is told: the desktop is left alone.
    env.insert(QStringLiteral("PATH"), work.path());
    QFile gsettings(work.path() + QStringLiteral("/gsettings"));
    QVERIFY(gsettings.open(QIODevice::WriteOnly));
    gsettings.write("#!/bin/sh\n"
                    "case \"$1 $3\" in\n"
                    "  'writable speed'|'writable double-click') echo true ;;\n"
                    "  writable*) exit 1 ;;\n"
                    "  set*) echo \"$*\" >> \"$0.log\" ;;\n"
                    "esac\n");
    gsettings.close();
    QVERIFY(gsettings.setPermissions(QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner));
    for (const QString &line : lines) {
        QStringList args = QProcess::splitCommand(line);
        QCOMPARE(args.takeFirst(), QStringLiteral("kesta-ctl"));
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(work.path());
        process.start(bin + QStringLiteral("/kesta-ctl"),
                      QStringList{"--modules-dir", work.path() + QStringLiteral("/modules")} +
                          args);
        QVERIFY(process.waitForFinished(60000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(process.exitCode() == 0, qPrintable(line + ": " + err));
        QVERIFY2(err.isEmpty(), qPrintable(line + ": " + err)); // no debug lines by default
        QVERIFY2(!process.readAllStandardOutput().isEmpty(), qPrintable(line));
    }
    QVERIFY(QFile::exists(work.path() + QStringLiteral("/burst.mc")));
    QVERIFY(QFile::exists(work.path() + QStringLiteral("/office.pf")));
    // The desktop was given the pointer speed and double-click time.
    QFile desktop(work.path() + QStringLiteral("/gsettings.log"));
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    const QByteArray told = desktop.readAll();
    QVERIFY2(told.contains("set org.gnome.desktop.peripherals.mouse speed") &&
                 told.contains("set org.gnome.desktop.peripherals.mouse double-click"),
             told.constData());
    // The mouse accepted every frame it was sent.
    QFile log(work.path() + QStringLiteral("/wire.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    for (const QByteArray &entry : log.readAll().split('\n')) {
        if (entry.contains("\"call\":\"send_feature\"") || entry.contains("\"call\":\"write\""))
            QVERIFY2(entry.contains("\"verdict\":\"ok\""), entry.constData());
    }
}

void TstKestaCtl::changesRefusedWhileTheProgramRuns()
{
    // The program's name in the shared temporary folder, where anyone can
    // make and lock a file, says nothing about the program.
    const QString bin = qEnvironmentVariable("KESTA_BIN_DIR");
    const QString program = QFileInfo(bin + QStringLiteral("/kesta-ctl")).canonicalPath() +
                            QStringLiteral("/kesta-config");
    {
        const QtLocalPeer::Names shared =
            QtLocalPeer::deriveNames(QString(), program, sessionSuffix(), QDir::tempPath());
        QtLP_Private::QtLockedFile squatter(shared.lockFileName);
        QVERIFY(squatter.open(QIODevice::ReadWrite));
        QVERIFY(squatter.lock(QtLP_Private::QtLockedFile::WriteLock, false));
        const Run beside = ctl({QStringLiteral("rate"), QStringLiteral("500")});
        QVERIFY2(beside.code == 0, qPrintable(beside.err));
        squatter.remove();
    }

    // Hold the lock as a running kesta-config beside the tool does: its
    // guard's peer, first instance, listening.
    auto lock = std::make_unique<QtLocalPeer>(nullptr, QString(), program);
    QVERIFY(!lock->isClient());

    QFile profile(m_modules + QStringLiteral("/setting/p1.bin"));
    QVERIFY(profile.open(QIODevice::ReadOnly));
    const QByteArray before = profile.readAll();
    profile.close();
    const Run refused = ctl({QStringLiteral("rate"), QStringLiteral("250")}, true);
    QCOMPARE(refused.code, 1);
    QVERIFY2(refused.err.contains(QStringLiteral("kesta-config is running")),
             qPrintable(refused.err));
    QVERIFY(profile.open(QIODevice::ReadOnly));
    QCOMPARE(profile.readAll(), before);
    profile.close();
    // Reading is fine beside the program.
    QCOMPARE(ctl({QStringLiteral("rate")}).code, 0);
    QCOMPARE(ctl({QStringLiteral("button"), QStringLiteral("list"), QStringLiteral("--json")}).code,
             0);

    lock.reset(); // the program ended
    QCOMPARE(ctl({QStringLiteral("rate"), QStringLiteral("250")}).code, 0);
    QCOMPARE(ctl({QStringLiteral("rate")}).out, QStringLiteral("250 Hz"));
}

void TstKestaCtl::programFoundWhateverTheRuntimeFolder()
{
    // The program started without the session's runtime folder keeps its
    // lock in the temporary folder; the tool, run from a terminal that has
    // one, must find it there all the same.
    const QString bin = qEnvironmentVariable("KESTA_BIN_DIR");
    const QString program = QFileInfo(bin + QStringLiteral("/kesta-ctl")).canonicalPath() +
                            QStringLiteral("/kesta-config");
    const bool hadRuntime = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    auto lock = std::make_unique<QtLocalPeer>(nullptr, QString(), program);
    QTemporaryDir runtime; // 0700 and ours: a session's runtime folder
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const bool first = !lock->isClient();
    const Run refused = ctl({QStringLiteral("rate"), QStringLiteral("125")});
    lock.reset();
    const Run after = ctl({QStringLiteral("rate"), QStringLiteral("125")});
    if (hadRuntime)
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
    else
        qunsetenv("XDG_RUNTIME_DIR");
    QVERIFY(first);
    QCOMPARE(refused.code, 1);
    QVERIFY2(refused.err.contains(QStringLiteral("kesta-config is running")),
             qPrintable(refused.err));
    QVERIFY2(after.code == 0, qPrintable(after.err));
}

void TstKestaCtl::runsStartedTogetherKeepEveryChange()
{
    // A script that sets its buttons in parallel: every run stores the whole
    // button page, so each must read it after the run before it wrote.
    QTemporaryDir work;
    QVERIFY(stageModules(work.path()));
    const QString bin = qEnvironmentVariable("KESTA_BIN_DIR");
    const QStringList buttons{"4", "5", "7", "8", "9", "10"};
    const auto mutes = [this, &work] {
        return ctl({"button", "list"}, false, work.path())
            .out.count(QStringLiteral("[media:mute]"));
    };
    const qsizetype before = mutes(); // button 12 mutes already
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const QString &button : buttons) {
        runs.push_back(std::make_unique<QProcess>());
        runs.back()->setWorkingDirectory(work.path());
        runs.back()->start(
            bin + QStringLiteral("/kesta-ctl"),
            {"--modules-dir", "modules", "--no-device", "button", "set", button, "media:mute"});
    }
    for (const auto &run : runs) {
        QVERIFY(run->waitForFinished(60000));
        QVERIFY2(run->exitCode() == 0, run->readAllStandardError().constData());
    }
    QCOMPARE(mutes(), before + buttons.size());
}

void TstKestaCtl::commandsWorkOnTheProfileInUse()
{
    // Each command a run of its own, as a script does: every run finds the
    // profile in use again.
    QTemporaryDir work;
    QVERIFY(stageModules(work.path()));
    const QString setting = work.path() + QStringLiteral("/modules/setting/");
    QCOMPARE(ctl({"profile", "switch", "2"}, true, work.path()).code, 0);
    QFile first(setting + QStringLiteral("p1.bin"));
    QVERIFY(first.open(QIODevice::ReadOnly));
    const QByteArray firstBefore = first.readAll();
    first.close();

    QFile::remove(work.path() + QStringLiteral("/wire.log"));
    const Run rate = ctl({"rate", "500"}, true, work.path());
    QVERIFY2(rate.code == 0, qPrintable(rate.err));
    QVERIFY(sentInLog(work.path() + QStringLiteral("/wire.log"))
                .contains(QStringLiteral("00 01 02 00 00 00 00 00 fc")));
    QCOMPARE(ctl({"button", "set", "5", "media:next"}, true, work.path()).code, 0);
    QCOMPARE(ctl({"call", "setData", "\"mouse/lodEn\"", "0"}, false, work.path()).code, 0);

    QSettings third(setting + QStringLiteral("p3.bin"), QSettings::IniFormat);
    QCOMPARE(third.value("mouse/reportRate").toString(), QStringLiteral("2"));
    QCOMPARE(third.value("mouseKeyMatrix/4").toStringList(), (QStringList{"3", "0", "181", "0"}));
    QCOMPARE(third.value("mouse/lodEn").toString(), QStringLiteral("0"));
    QVERIFY(first.open(QIODevice::ReadOnly));
    QCOMPARE(first.readAll(), firstBefore);

    const Run status = ctl({"status", "--json"}, false, work.path());
    const QJsonObject o = QJsonDocument::fromJson(status.out.toUtf8()).object();
    QCOMPARE(o.value("profile").toInt(), 2);
    QCOMPARE(o.value("reportRate").toInt(), 500);
    QCOMPARE(ctl({"call", "getData", "\"mouse/reportRate\"", "false"}, false, work.path()).out,
             QStringLiteral("\"2\""));
}

void TstKestaCtl::profilesWithoutALeftClickAreMended_data()
{
    // Run on a profile whose office matrix is all zeros and on the same
    // profile with the left click on button 1: both store and send the same.
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("file"); // the profile file (under setting/) or the .pf
    QTest::addColumn<QString>("stored");
    QTest::newRow("profile import of an all-zero matrix")
        << QStringList{"profile", "import", "$WORK/zero.pf"} << "zero.pf"
        << "setting/p6.bin";
    QTest::newRow("profile switch to an all-zero matrix")
        << QStringList{"profile", "switch", "2"} << "setting/p3.bin"
        << "setting/p3.bin";
}

void TstKestaCtl::profilesWithoutALeftClickAreMended()
{
    QFETCH(QStringList, args);
    QFETCH(QString, file);
    QFETCH(QString, stored);
    Run runs[2];
    QByteArray files[2];
    QStringList wires[2];
    for (int mended = 0; mended < 2; ++mended) {
        QTemporaryDir work;
        QVERIFY(stageModules(work.path()));
        const QString modules = work.path() + QStringLiteral("/modules/");
        QVERIFY(QFile::copy(modules + QStringLiteral("setting/p1.bin"),
                            work.path() + QStringLiteral("/zero.pf")));
        {
            QSettings names(modules + QStringLiteral("setting/name.bin"), QSettings::IniFormat);
            names.setValue("profile/profileName", QStringList{"Default0", "Office1", "Game2"});
            const QString path =
                (file.endsWith(QLatin1String(".pf")) ? work.path() + QLatin1Char('/') : modules) +
                file;
            QSettings profile(path, QSettings::IniFormat);
            for (int j = 0; j < 16; ++j)
                profile.setValue(QStringLiteral("mouseKeyMatrix/%1").arg(j),
                                 QStringList{"0", "0", j == 0 && mended ? "240" : "0", "0"});
        }
        QStringList line = args;
        line.replaceInStrings(QStringLiteral("$WORK"), work.path());
        runs[mended] = ctl(line, true, work.path());
        QFile result(modules + stored);
        QVERIFY(result.open(QIODevice::ReadOnly));
        files[mended] = result.readAll();
        wires[mended] = sentInLog(work.path() + QStringLiteral("/wire.log"));
    }
    QVERIFY2(runs[0].code == 0, qPrintable(runs[0].err));
    QVERIFY2(runs[0].err.contains(QLatin1String("no left click: button 1 is the left button")),
             qPrintable(runs[0].err));
    QCOMPARE(runs[1].code, 0);
    QCOMPARE(runs[1].err, QString());
    QCOMPARE(runs[0].out, runs[1].out);
    QCOMPARE(files[0], files[1]);
    // The first frame of a run opens it with a key of its own.
    QCOMPARE(wires[0].mid(1), wires[1].mid(1));
    QCOMPARE(wires[0].isEmpty(), args.contains(QLatin1String("import")));
}

void TstKestaCtl::failedStoresAreReportedAndNothingIsSent_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("withMouse");
    QTest::addColumn<QString>("danglingLink"); // a file under modules/ made a link to nowhere
    QTest::addColumn<int>("fileSizeLimit");    // bytes; 0: none
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("heldMacro"); // a macro file staged in the library
    const QString p1 = QStringLiteral("setting/p1.bin");
    QTest::newRow("dpi set, the profile a dangling link")
        << QStringList{"dpi", "set", "2=1500"} << true << p1 << 0 << "could not write" << QString();
    QTest::newRow("rate, disk full")
        << QStringList{"rate", "500"} << true << QString() << 16 << "could not write" << QString();
    QTest::newRow("button set, disk full")
        << QStringList{"button", "set", "4", "media:mute"} << true << QString() << 16
        << "could not write" << QString();
    // The binding's name and the matrix are one write: neither is kept.
    QTest::newRow("button bound to a macro, disk full")
        << QStringList{"button", "set", "6", "macro:Burst"} << true << QString() << 16
        << "could not write"
        << "Burst.bin";
    QTest::newRow("profile switch, disk full") << QStringList{"profile", "switch", "1"} << true
                                               << QString() << 16 << "could not write" << QString();
    QTest::newRow("profile switch, only the profile files cannot be written")
        << QStringList{"profile", "switch", "2"} << true << QString() << 1000 << "could not write"
        << QString();
    QTest::newRow("macro create, disk full")
        << QStringList{"macro", "create", "Burst", "press:A", "release:A"} << false << QString()
        << 16 << "could not create" << QString();
    QTest::newRow("macro create, the name lists cannot grow")
        << QStringList{"macro", "create", "Burst", "press:A", "release:A"} << false << QString()
        << 140 << "name lists" << QString();
    QTest::newRow("macro import, disk full")
        << QStringList{"macro", "import", "$WORK/Burst.mc"} << false << QString() << 16
        << "could not copy" << QString();
    QTest::newRow("profile export over an existing file, disk full")
        << QStringList{"profile", "export", "0", "$WORK/office.pf"} << false << QString() << 64
        << "could not write" << QString();
    // Buttons bind macros by name: a name another folder holds is refused.
    QTest::newRow("macro create, another folder holds the name")
        << QStringList{"macro", "create", "Burst", "press:A", "release:A"} << false << QString()
        << 0 << "already has a macro named Burst"
        << "Old/Burst.bin";
    QTest::newRow("macro import, another folder holds the name")
        << QStringList{"macro", "import", "$WORK/Burst.mc"} << false << QString() << 0
        << "already has a macro named Burst"
        << "Old/Burst.bin";
}

void TstKestaCtl::failedStoresAreReportedAndNothingIsSent()
{
    QFETCH(QStringList, args);
    QFETCH(bool, withMouse);
    QFETCH(QString, danglingLink);
    QFETCH(int, fileSizeLimit);
    QFETCH(QString, message);
    QFETCH(QString, heldMacro);
    QTemporaryDir work;
    QVERIFY(stageModules(work.path()));
    for (QString &a : args)
        a.replace(QLatin1String("$WORK"), work.path());
    const QString modules = work.path() + QStringLiteral("/modules/");
    if (!danglingLink.isEmpty()) {
        QVERIFY(QFile::remove(modules + danglingLink));
        QVERIFY(QFile::link(work.path() + QStringLiteral("/gone/p.bin"), modules + danglingLink));
    }
    if (!heldMacro.isEmpty()) {
        const QString held = modules + QStringLiteral("macro/") + heldMacro;
        QVERIFY(QDir().mkpath(QFileInfo(held).path()));
        QFile file(held);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[config]\nrepeat=1\ntotal=0\n");
    }
    QFile mc(work.path() + QStringLiteral("/Burst.mc"));
    QVERIFY(mc.open(QIODevice::WriteOnly));
    mc.write("[config]\nrepeat=1\ntotal=2\n\n[macro]\n0=\"1,A\"\n1=\"2,A\"\n");
    mc.close();
    QFile old(work.path() + QStringLiteral("/office.pf"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    const auto before = snapshot(work.path());

    const Run run = ctl(args, withMouse, work.path(), rlim_t(fileSizeLimit));
    QCOMPARE(run.code, 1);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QVERIFY(run.out.isEmpty());
    QVERIFY(sentInLog(work.path() + QStringLiteral("/wire.log")).isEmpty());
    auto after = snapshot(work.path());
    after.remove(QStringLiteral("/wire.log"));
    after.remove(QStringLiteral("/vm.state"));
    QCOMPARE(after.keys(), before.keys());
    for (const QString &name : before.keys())
        QVERIFY2(after.value(name) == before.value(name), qPrintable(name));
}

void TstKestaCtl::folderCommandsLeaveNothingHalfDone_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("fileSizeLimit"); // bytes; 0: none
    QTest::addColumn<QString>("message");
    const QString tooLong(256, QLatin1Char('L')); // longer than a file name may be
    QTest::newRow("rename-folder, disk full")
        << QStringList{"macro", "rename-folder", "Games", "Guns"} << 16 << "could not write";
    QTest::newRow("rename-folder, a name the file system refuses")
        << QStringList{"macro", "rename-folder", "Games", tooLong} << -1
        << "Games: could not rename";
    QTest::newRow("delete-folder, disk full")
        << QStringList{"macro", "delete-folder", "Games"} << 16 << "could not write";
    QTest::newRow("create-folder, disk full")
        << QStringList{"macro", "create-folder", "Guns"} << 16 << "could not create";
}

void TstKestaCtl::folderCommandsLeaveNothingHalfDone()
{
    QFETCH(QStringList, args);
    QFETCH(int, fileSizeLimit);
    QFETCH(QString, message);
    QTemporaryDir work;
    QVERIFY(stageModules(work.path()));
    QCOMPARE(ctl({"macro", "create-folder", "Games"}, false, work.path()).code, 0);
    QCOMPARE(
        ctl({"macro", "create", "Games/Spray", "press:A", "release:A"}, false, work.path()).code,
        0);
    const auto folders = [&] {
        QStringList out;
        QDirIterator it(work.path() + QStringLiteral("/modules/macro"),
                        QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            out << it.next();
        return out;
    };
    const auto before = snapshot(work.path());
    const QStringList foldersBefore = folders();

    const Run run = ctl(args, false, work.path(), rlim_t(fileSizeLimit));
    QCOMPARE(run.code, 1);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QCOMPARE(folders(), foldersBefore);
    QCOMPARE(snapshot(work.path()), before);
    // The library reads as it did.
    const Run tree = ctl({"macro", "tree"}, false, work.path());
    QVERIFY2(tree.out.contains(QStringLiteral("Games/\n  Spray")), qPrintable(tree.out));
}

void TstKestaCtl::macroNamesHeldTwiceAreNamed()
{
    QTemporaryDir work;
    QVERIFY(stageModules(work.path()));
    const QString library = work.path() + QStringLiteral("/modules/macro/");
    for (const char *file : {"Fire.bin", "F/Fire.bin", "F/Solo.bin"}) {
        const QString path = library + QLatin1String(file);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[config]\nrepeat=1\ntotal=0\n");
    }
    const Run run = ctl({"macro", "tree"}, false, work.path());
    QCOMPARE(run.code, 0);
    QCOMPARE(run.err, QStringLiteral("kesta-ctl macro: more than one macro is named Fire; a "
                                     "button bound to such a name plays the first found\n"));
}

void TstKestaCtl::manualsForEveryCommand()
{
    const Run overview = ctl({QStringLiteral("--help")});
    QCOMPARE(overview.code, 0);
    for (const Ctl::TaskCommand &c : Ctl::taskCommands()) {
        QVERIFY2(overview.out.contains(QStringLiteral("    ") + c.name), qPrintable(c.name));
        const Run manual = ctl({c.name, QStringLiteral("--help")});
        QCOMPARE(manual.code, 0);
        QVERIFY(manual.out.startsWith(QStringLiteral("NAME\n    kesta-ctl ") + c.name));
        QVERIFY(manual.out.contains(QStringLiteral("SYNOPSIS")));
        QCOMPARE(ctl({QStringLiteral("help"), c.name}).out, manual.out);
    }
    QCOMPARE(ctl({QStringLiteral("help"), QStringLiteral("fly")}).code, 2);
}

namespace {

// The example lines of --help and of every command's manual.
QStringList exampleLines()
{
    QStringList out;
    for (const QString &line : Ctl::usageText().split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("        kesta-ctl ")))
            out.append(line.trimmed());
    }
    for (const Ctl::TaskCommand &c : Ctl::taskCommands()) {
        bool examples = false;
        for (const QString &line : c.manual.split(QLatin1Char('\n'))) {
            if (!line.isEmpty() && !line.at(0).isSpace())
                examples = line == QLatin1String("EXAMPLES");
            else if (examples && !line.trimmed().isEmpty())
                out.append(line.trimmed());
        }
    }
    return out;
}

QString withoutQuotes(QString text)
{
    text.remove(QLatin1Char('"'));
    text.remove(QLatin1Char('\''));
    return text.simplified();
}

} // namespace

void TstKestaCtl::examplesReachTheToolAsWritten()
{
    // Pasted into a shell, an example must reach the tool whole: an unquoted
    // '#' would end the line there, and a ';' or '|' would start another
    // command.
    const QStringList lines = exampleLines();
    QVERIFY(lines.size() > 20);
    QString script = QStringLiteral("kesta-ctl() { echo \"kesta-ctl $*\"; }\n");
    for (const QString &line : lines)
        script += line + QLatin1Char('\n');
    QProcess bash;
    bash.start(QStringLiteral("bash"), {QStringLiteral("-c"), script});
    QVERIFY(bash.waitForFinished(20000));
    const QStringList seen = QString::fromUtf8(bash.readAllStandardOutput())
                                 .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(seen.size(), lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        QCOMPARE(withoutQuotes(seen.at(i)), withoutQuotes(lines.at(i)));
}

void TstKestaCtl::manualPageSaysWhatHelpSays()
{
    const QString page = Ctl::manualPage(QStringLiteral("1.0"), QStringLiteral("December 2026"));
    for (const Ctl::TaskCommand &c : Ctl::taskCommands())
        QVERIFY2(page.contains(QStringLiteral(".SS \"kesta\\-ctl ") +
                               QString(c.name).replace(QLatin1Char('-'), QLatin1String("\\-"))),
                 qPrintable(c.name));
    const QString groff = QStandardPaths::findExecutable(QStringLiteral("groff"));
    if (groff.isEmpty())
        QSKIP("groff is not installed (Debian: groff-base)");
    // Rendered as man renders it, without hyphenation or formatting.
    QProcess render;
    render.start(groff, {"-man", "-Tutf8", "-ww", "-rHY=0", "-rLL=100n", "-P", "-cbou"});
    render.write(page.toUtf8());
    render.closeWriteChannel();
    QVERIFY(render.waitForFinished(20000));
    const QString warnings = QString::fromUtf8(render.readAllStandardError());
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings));
    QString text = QString::fromUtf8(render.readAllStandardOutput());
    for (const char16_t dash : {u'\u2010', u'\u2212'})
        text.replace(QChar(dash), QLatin1Char('-'));
    text.replace(QChar(u'\u2019'), QLatin1Char('\''));
    text.replace(QChar(u'\u2018'), QLatin1Char('`'));
    for (const QString &line : exampleLines())
        QVERIFY2(text.contains(line), qPrintable(line));
    const QString flowing = text.simplified();
    for (const QString &line : Ctl::usageText().split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            QVERIFY2(flowing.contains(line.simplified()), qPrintable(line));
    }
}

void TstKestaCtl::completionScriptIsTheGeneratedOne()
{
    QFile shipped(qEnvironmentVariable("KESTA_SOURCE_DIR") +
                  QStringLiteral("/scripts/kesta-ctl.bash"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(shipped.readAll()), Ctl::completionScript(QStringLiteral("bash")));
    QVERIFY(Ctl::completionScript(QStringLiteral("zsh")).contains(QStringLiteral("bashcompinit")));
    QCOMPARE(ctl({QStringLiteral("completion"), QStringLiteral("fish")}).code, 2);
}

void TstKestaCtl::completionCompletesChoiceWords_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("command") << "kesta-ctl pro"
                             << "profile";
    QTest::newRow("after an option") << "kesta-ctl --no-device li"
                                     << "light list";
    QTest::newRow("sub-command") << "kesta-ctl dpi cou"
                                 << "count";
    QTest::newRow("choice after the colon") << "kesta-ctl button set 4 media:m"
                                            << "mute";
    QTest::newRow("option") << "kesta-ctl light set --bri"
                            << "--brightness";
    QTest::newRow("the tool's option") << "kesta-ctl --pri"
                                       << "--print-modules-dir";
}

void TstKestaCtl::completionCompletesChoiceWords()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    // COMP_WORDS split as bash does, ':' being a word of its own.
    QString words = line;
    words.replace(QLatin1Char(':'), QLatin1String(" : "));
    QStringList list = words.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString script = Ctl::completionScript(QStringLiteral("bash")) +
                           QStringLiteral("COMP_LINE='%1'; COMP_POINT=${#COMP_LINE}; "
                                          "COMP_WORDS=(%2); COMP_CWORD=%3; _kesta_ctl; "
                                          "echo \"${COMPREPLY[*]}\"\n")
                               .arg(line, list.join(QLatin1Char(' ')))
                               .arg(list.size() - 1);
    QProcess bash;
    bash.start(QStringLiteral("bash"), {QStringLiteral("-c"), script});
    QVERIFY(bash.waitForFinished(20000));
    QCOMPARE(QString::fromUtf8(bash.readAllStandardOutput()).trimmed(), expected);
}

QTEST_GUILESS_MAIN(TstKestaCtl)
#include "tst_kestactl.moc"
