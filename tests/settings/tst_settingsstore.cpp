#include "devicesettings/commandfamily.h"
#include "settings/exchangefiles.h"
#include "settings/settingsfile.h"
#include "settings/settingsstore.h"
#include "tests/filesizelimit.h"
#include "tests/replacementcounter.h"
#include "settings/userdialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJSEngine>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeText(const QString &path, const QByteArray &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

const QByteArray kDebugLine =
    "========================== ui_View ==================================";

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_modules;
    ScriptedDialogs m_dialogs;

    QString settingFile(const QString &name) const { return m_modules + "/setting/" + name; }
    QString profileFile(int index) const
    {
        return settingFile(QStringLiteral("p%1.bin").arg(index + 1));
    }

    // A store over fresh copies of the shipped files.
    std::unique_ptr<SettingsStore> makeStore()
    {
        QTest::ignoreMessage(QtDebugMsg, kDebugLine.constData());
        return std::make_unique<SettingsStore>(m_modules, &m_dialogs);
    }

    void stage(const QString &folderTemplate = QString())
    {
        m_dir = folderTemplate.isEmpty() ? std::make_unique<QTemporaryDir>()
                                         : std::make_unique<QTemporaryDir>(folderTemplate);
        m_modules = m_dir->path() + "/modules";
        QDir().mkpath(m_modules + "/setting");
        const QDir shipped(qEnvironmentVariable("KESTA_SOURCE_DIR") + "/modules/setting");
        const QStringList files = shipped.entryList(QDir::Files);
        QVERIFY(files.contains("pD.bin"));
        for (const QString &name : files)
            QVERIFY(QFile::copy(shipped.filePath(name), settingFile(name)));
        m_dialogs = ScriptedDialogs();
    }

private slots:
    void init() { stage(); }

    void capabilitiesAreReadFromTheGlobalFile()
    {
        writeText(settingFile("apConfig.bin"), "[mouse]\nisColorful=false\nisGun=true\n"
                                               "icType=560\nis55328=true\n");
        const auto store = makeStore();
        QCOMPARE(store->isColorful, false);
        QCOMPARE(store->isGun, true);
        QCOMPARE(store->icType, QStringLiteral("560"));
        QCOMPARE(CommandFamily::forType(store->icType).name(), QStringLiteral("560"));
        QCOMPARE(store->is55328, true);
        QCOMPARE(store->currentProfileIndex(), 0);
    }

    void recoveryReadsDefaultsAndWritesGoToTheCurrentProfile()
    {
        const auto store = makeStore();
        store->setCurrentProfile(3);
        store->setData(QStringLiteral("mouse/dpiCount"), 5);
        QVERIFY(readAll(profileFile(3)).contains("dpiCount=5\n"));
        QCOMPARE(readAll(profileFile(0)), readAll(settingFile("pD.bin")));
        QCOMPARE(store->getData(QStringLiteral("mouse/dpiCount"), false).toInt(), 5);
        QCOMPARE(store->getData(QStringLiteral("mouse/dpiCount"), true).toInt(), 8);
        QVERIFY(!store->getData(QStringLiteral("mouse/noSuchKey"), false).isValid());
    }

    void outOfRangeProfileIndexTouchesNothing()
    {
        const auto store = makeStore();
        store->setCurrentProfile(10);
        QVERIFY(!store->getData(QStringLiteral("mouse/dpiCount"), false).isValid());
        store->setData(QStringLiteral("mouse/dpiCount"), 5);
        QVERIFY(!QFile::exists(settingFile("p11.bin")));
        QVERIFY(!store->loadProfile(-1));
        QVERIFY(m_dialogs.asked.isEmpty());
    }

    void listsKeepTheirShape()
    {
        const auto store = makeStore();
        store->setDataList(QStringLiteral("mouseLight/lightName"),
                           QVariantList{QStringLiteral("Solo")});
        QVERIFY(readAll(profileFile(0)).contains("lightName=Solo, loaderquiver\n"));
        QCOMPARE(store->getDataList(QStringLiteral("mouseLight/lightName"), false),
                 (QVariantList{QStringLiteral("Solo"), QStringLiteral("loaderquiver")}));

        // A JS array reaches setData wrapped in a QJSValue.
        QJSEngine engine;
        store->setData(QStringLiteral("mouse/dpiValueArray"),
                       QVariant::fromValue(engine.evaluate(QStringLiteral("[800, 1600]"))));
        QVERIFY(readAll(profileFile(0)).contains("dpiValueArray=800, 1600\n"));

        QVERIFY(store->getDataList(QStringLiteral("mouse/dpiCount"), false).isEmpty());
        QVERIFY(store->getDataList(QStringLiteral("mouse/noSuchKey"), true).isEmpty());
    }

    // A file is written only when a change changes what it holds; the same
    // change made again (now over the value the object itself set) changes
    // nothing either.
    void onlyChangesAreWritten_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("writes");
        QTest::addColumn<QByteArray>("line"); // in the file afterwards
        QTest::addColumn<QByteArray>("gone"); // no longer in it
        const QVariantList dpi{500, 1000, 2000, 3000, 4000, 5000, 6000, 7000};
        const QByteArray none;
        QTest::newRow("number stored as its text")
            << "setData"
            << "mouse/lod" << QVariant(3) << 0 << none << none;
        QTest::newRow("same text") << "setData"
                                   << "mouse/lod" << QVariant("3") << 0 << none << none;
        QTest::newRow("same list") << "setDataList"
                                   << "mouse/dpiValueArray" << QVariant(dpi) << 0 << none << none;
        QTest::newRow("same empty text") << "setData"
                                         << "mouseMacroKey/0" << QVariant("") << 0 << none << none;
        QTest::newRow("absent key removed") << "setData"
                                            << "zz/none" << QVariant() << 0 << none << none;
        QTest::newRow("same global text")
            << "setGlobalData"
            << "common/language" << QVariant("English") << 0 << none << none;
        QTest::newRow("batch of same values") << "batch"
                                              << "mouse/lod" << QVariant(3) << 0 << none << none;
        QTest::newRow("other number") << "setData"
                                      << "mouse/lod" << QVariant(4) << 1 << QByteArray("\nlod=4\n")
                                      << QByteArray("\nlod=3\n");
        QTest::newRow("list with an item less")
            << "setDataList"
            << "mouse/dpiValueArray" << QVariant(dpi.mid(1)) << 1
            << QByteArray("dpiValueArray=1000, 2000,") << QByteArray("dpiValueArray=500");
        QTest::newRow("one item, padded")
            << "setDataList"
            << "mouseLight/lightName" << QVariant(QVariantList{"Solo"}) << 1
            << QByteArray("lightName=Solo, loaderquiver\n") << none;
        QTest::newRow("a list's text as one value")
            << "setData"
            << "mouse/dpiEnableArray" << QVariant("1, 1, 1, 1, 1, 1, 1, 1") << 1
            << QByteArray("dpiEnableArray=\"1, 1, 1, 1, 1, 1, 1, 1\"\n") << none;
        QTest::newRow("empty list for an empty text")
            << "setDataList"
            << "mouseMacroKey/0" << QVariant(QVariantList()) << 1 << QByteArray("\n0=@Invalid()\n")
            << none;
        QTest::newRow("absent key, zero")
            << "setData"
            << "zz/new" << QVariant(0) << 1 << QByteArray("[zz]\nnew=0\n") << none;
        QTest::newRow("absent key, empty text")
            << "setData"
            << "zz/new" << QVariant("") << 1 << QByteArray("[zz]\nnew=\n") << none;
        QTest::newRow("present key removed")
            << "setData"
            << "mouse/lod" << QVariant() << 1 << none << QByteArray("\nlod=");
        QTest::newRow("other global text")
            << "setGlobalData"
            << "common/language" << QVariant("German") << 1 << QByteArray("\nlanguage=German\n")
            << QByteArray("language=English");
        QTest::newRow("batch with one change")
            << "batch"
            << "mouse/lod" << QVariant(5) << 1 << QByteArray("\nlod=5\n")
            << QByteArray("\nlod=3\n");
    }

    void onlyChangesAreWritten()
    {
        QFETCH(QString, operation);
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(int, writes);
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, gone);
        const QString name = operation == "setGlobalData" ? "apConfig.bin" : "p1.bin";
        const QByteArray before = readAll(settingFile(name));
        const auto store = makeStore();
        ReplacementCounter replaced(m_modules + "/setting");
        QVERIFY(replaced.valid());
        for (int round = 0; round < 2; ++round) {
            if (operation == "setData") {
                store->setData(key, value);
            } else if (operation == "setDataList") {
                store->setDataList(key, value.toList());
            } else if (operation == "setGlobalData") {
                store->setGlobalData(key, value);
            } else {
                SettingsStore::WriteBatch batch(store.get());
                store->setData(QStringLiteral("mouse/reportRate"), 3);
                store->setDataList(QStringLiteral("mouse/dpiEnableArray"),
                                   QVariantList(8, QVariant(1)));
                store->setData(key, value);
                QVERIFY(batch.commit());
            }
            QCOMPARE(replaced.take(name.toLatin1()), round == 0 ? writes : 0);
            const QByteArray after = readAll(settingFile(name));
            if (writes == 0)
                QCOMPARE(after, before);
            if (!line.isEmpty())
                QVERIFY2(after.contains(line), after.constData());
            if (!gone.isEmpty())
                QVERIFY2(!after.contains(gone), after.constData());
        }
    }

    void padding_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QStringList>("padded");
        QTest::addColumn<QStringList>("dropped");
        const QString pad = QStringLiteral("loaderquiver");
        QTest::newRow("empty") << QStringList() << QStringList() << QStringList();
        QTest::newRow("one item") << QStringList{"a"} << QStringList{"a", pad} << QStringList{"a"};
        QTest::newRow("two real items")
            << QStringList{"a", "b"} << QStringList{"a", "b"} << QStringList{"a", "b"};
        QTest::newRow("sentinel not last")
            << QStringList{pad, "b"} << QStringList{pad, "b"} << QStringList{pad, "b"};
        QTest::newRow("three ending in sentinel")
            << QStringList{"a", "b", pad} << QStringList{"a", "b", pad}
            << QStringList{"a", "b", pad};
    }

    void padding()
    {
        QFETCH(QStringList, list);
        QFETCH(QStringList, padded);
        QFETCH(QStringList, dropped);
        QCOMPARE(SettingsStore::padList(list), padded);
        QCOMPARE(SettingsStore::dropPadding(SettingsStore::padList(list)), dropped);
    }

    void resetAndCopyReplaceOnlyTheirTarget()
    {
        const auto store = makeStore();
        for (int i = 0; i < 3; ++i) {
            store->setCurrentProfile(i);
            store->setData(QStringLiteral("mouse/lod"), 100 + i);
        }
        QByteArray before[10];
        for (int i = 0; i < 10; ++i)
            before[i] = readAll(profileFile(i));

        store->resetProfile(2);
        QCOMPARE(readAll(profileFile(2)), readAll(settingFile("pD.bin")));
        QCOMPARE(store->getData(QStringLiteral("mouse/lod"), false).toInt(), 3);

        store->copyProfile(1, 1);
        store->copyProfile(3, 0);
        for (int i = 0; i < 10; ++i) {
            if (i == 2)
                continue;
            QCOMPARE(readAll(profileFile(i)), i == 3 ? before[0] : before[i]);
        }
    }

    void exportCopiesTheChosenProfile_data()
    {
        QTest::addColumn<int>("profile");
        QTest::addColumn<QString>("typed");   // relative to the temporary folder
        QTest::addColumn<QString>("written"); // likewise
        QTest::newRow("first profile is p1") << 0 << "out.pf"
                                             << "out.pf";
        QTest::newRow("last profile is p10") << 9 << "out.pf"
                                             << "out.pf";
        QTest::newRow("typed without .pf") << 3 << "office"
                                           << "office.pf";
    }

    void exportCopiesTheChosenProfile()
    {
        QFETCH(int, profile);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        const auto store = makeStore();
        store->setCurrentProfile(profile);
        store->setData(QStringLiteral("mouse/lod"), 42);
        const QString target = m_dir->filePath(written);
        if (typed == written)
            writeText(target, "an older export");
        m_dialogs.answers = QStringList{m_dir->filePath(typed), QString()};
        QVERIFY(store->saveProfile(profile));
        QCOMPARE(readAll(target), readAll(profileFile(profile)));
        QCOMPARE(QDir(m_dir->path()).entryList({"*.pf"}, QDir::Files), QStringList{written});
        QCOMPARE(m_dialogs.asked,
                 QStringList{"save|Save File|" + ExchangeFiles::startFolder() + "|Profile(*.pf)"});

        QVERIFY(!store->saveProfile(profile)); // cancelled
        QCOMPARE(readAll(target), readAll(profileFile(profile)));

        // The import dialog's filter finds what was written.
        QVERIFY(readAll(profileFile(1)) != readAll(target));
        m_dialogs.answers = QStringList{m_dir->filePath(written)};
        QVERIFY(store->loadProfile(1));
        QCOMPARE(readAll(profileFile(1)), readAll(target));
    }

    void exportNeverReplacesAnUnnamedFile()
    {
        // The dialog asked about "office" only; "office.pf" is someone's.
        const auto store = makeStore();
        const QString target = m_dir->filePath("office.pf");
        writeText(target, "the user's own file");
        m_dialogs.answers = QStringList{m_dir->filePath("office")};
        QVERIFY(!store->saveProfile(0));
        QCOMPARE(readAll(target), QByteArray("the user's own file"));
        QVERIFY(!QFile::exists(m_dir->filePath("office")));
        QCOMPARE(m_dialogs.warnings.size(), 1);
        QVERIFY(m_dialogs.warnings.first().contains("office.pf"));

        // Chosen by its full name, it is replaced.
        m_dialogs.answers = QStringList{m_dir->filePath("Office.PF")};
        QVERIFY(store->saveProfile(0));
    }

    void exportNames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("written");
        const QString pf = ExchangeFiles::kProfileSuffix;
        const QString mc = ExchangeFiles::kMacroSuffix;
        QTest::newRow("no suffix") << "/t/a" << pf << "/t/a.pf";
        QTest::newRow("suffix kept") << "/t/a.pf" << pf << "/t/a.pf";
        QTest::newRow("upper-case suffix kept") << "/t/a.PF" << pf << "/t/a.PF";
        QTest::newRow("other suffix") << "/t/a.mc" << pf << "/t/a.mc.pf";
        QTest::newRow("macro without suffix") << "/t/a" << mc << "/t/a.mc";
        QTest::newRow("macro suffix kept") << "/t/b.Mc" << mc << "/t/b.Mc";
        QTest::newRow("dotted folder") << "/t/x.pf/y.d/a" << pf << "/t/x.pf/y.d/a.pf";
        QTest::newRow("relative") << "out/a b" << pf << "out/a b.pf";
        QTest::newRow("dot file") << "/t/.pf" << pf << "/t/.pf";
        QTest::newRow("folder only") << "/t/" << pf << "/t/";
        QTest::newRow("empty") << "" << pf << "";
    }

    void exportNames()
    {
        QFETCH(QString, typed);
        QFETCH(QString, suffix);
        QFETCH(QString, written);
        QCOMPARE(ExchangeFiles::withSuffix(typed, suffix), written);
    }

    void dialogsStartOnTheDesktopOnlyWhenThereIsOne()
    {
        const QByteArray home = qgetenv("HOME");
        const QByteArray config = qgetenv("XDG_CONFIG_HOME");
        const QTemporaryDir fakeHome;
        QVERIFY(fakeHome.isValid());
        qputenv("HOME", fakeHome.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (fakeHome.path() + "/.config").toUtf8());
        const QString missing = ExchangeFiles::startFolder();
        QDir().mkpath(fakeHome.path() + "/Desktop");
        const QString present = ExchangeFiles::startFolder();
        // A desktop named in user-dirs.dirs wins over ~/Desktop.
        QDir().mkpath(fakeHome.path() + "/.config");
        writeText(fakeHome.path() + "/.config/user-dirs.dirs",
                  "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
        const QString namedMissing = ExchangeFiles::startFolder();
        QDir().mkpath(fakeHome.path() + "/Schreibtisch");
        const QString named = ExchangeFiles::startFolder();
        qputenv("HOME", home);
        if (config.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", config);
        QCOMPARE(missing, fakeHome.path());
        QCOMPARE(present, fakeHome.path() + "/Desktop");
        QCOMPARE(namedMissing, fakeHome.path());
        QCOMPARE(named, fakeHome.path() + "/Schreibtisch");
    }

    void importAcceptsOnlyProfiles_data()
    {
        QTest::addColumn<QString>("choice"); // relative to the temporary folder
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("cancelled") << QString() << QByteArray() << false;
        QTest::newRow("missing file") << "none.pf" << QByteArray() << false;
        QTest::newRow("a folder") << "." << QByteArray() << false;
        QTest::newRow("empty file") << "empty.pf" << QByteArray("") << false;
        QTest::newRow("binary") << "bin.pf" << QByteArray("\x00\x01[mouse]\n\xff", 11) << false;
        QTest::newRow("ini without profile groups")
            << "other.pf" << QByteArray("[a]\nb=1\n") << false;
        QTest::newRow("profile") << "good.pf"
                                 << QByteArray("[mouse]\nlod=9\n[mouseKeyMatrix]\n0=1, 0, 240, 0\n")
                                 << true;
    }

    void importAcceptsOnlyProfiles()
    {
        QFETCH(QString, choice);
        QFETCH(QByteArray, content);
        QFETCH(bool, accepted);
        const QString path = choice.isEmpty() ? QString() : m_dir->filePath(choice);
        if (!content.isNull())
            writeText(path, content);
        const auto store = makeStore();
        const QByteArray before = readAll(profileFile(1));
        m_dialogs.answers = QStringList{path};
        QCOMPARE(store->loadProfile(1), accepted);
        QCOMPARE(readAll(profileFile(1)), accepted ? content : before);
        store->setCurrentProfile(1);
        QCOMPARE(store->getData(QStringLiteral("mouse/lod"), false).toString(),
                 QString(accepted ? "9" : "3"));
        QCOMPARE(m_dialogs.asked,
                 QStringList{"open|Open File|" + ExchangeFiles::startFolder() + "|Profile(*.pf)"});
    }

    void failedReplacementKeepsTheOldFile()
    {
        const QString folder = m_modules + "/setting";
        const auto store = makeStore();
        const QByteArray before = readAll(profileFile(1));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        bool immutable = false;
        if (QFile(folder + "/probe").open(QIODevice::WriteOnly)) { // root ignores the mode
            QFile::remove(folder + "/probe");
            immutable = QProcess::execute("chattr", {"+i", folder}) == 0;
            if (!immutable) {
                QFile::setPermissions(folder,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                QSKIP("cannot make a folder read-only for this user");
            }
        }
        m_dialogs.answers = QStringList{settingFile("pD.bin")};
        const bool loaded = store->loadProfile(1);
        store->resetProfile(1);
        store->copyProfile(1, 0);
        store->resetApconfig();
        if (immutable)
            QProcess::execute("chattr", {"-i", folder});
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!loaded);
        QCOMPARE(readAll(profileFile(1)), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 14);
    }

    void missingDefaultsLeaveFilesAlone()
    {
        const auto store = makeStore();
        store->setGlobalData(QStringLiteral("common/language"), QStringLiteral("German"));
        const QByteArray global = readAll(settingFile("apConfig.bin"));
        const QByteArray profile = readAll(profileFile(0));
        QFile::remove(settingFile("apConfigD.bin"));
        QFile::remove(settingFile("pD.bin"));
        store->resetApconfig();
        store->resetProfile(0);
        QCOMPARE(readAll(settingFile("apConfig.bin")), global);
        QCOMPARE(readAll(profileFile(0)), profile);
    }

    void resetApconfigRestoresTheDefaults()
    {
        const auto store = makeStore();
        store->setGlobalData(QStringLiteral("mouse/profileNo"), 4);
        store->resetApconfig();
        QCOMPARE(readAll(settingFile("apConfig.bin")), readAll(settingFile("apConfigD.bin")));
        QCOMPARE(store->getGlobalData(QStringLiteral("mouse/profileNo")).toInt(), 0);
    }

    // The replaced file is the same size as before (mouseMode 1 -> 0) and, in
    // memory, written within the same millisecond: no cached value may return.
    void nothingStaleReachesAReplacedFile()
    {
        if (QFileInfo("/dev/shm").isWritable())
            stage("/dev/shm/tst_settingsstore-XXXXXX");
        const auto store = makeStore();
        const auto other = makeStore();
        store->setData(QStringLiteral("mouse/mouseMode"), 1);
        other->setData(QStringLiteral("mouse/reportRate"), 1);
        store->resetProfile(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(readAll(profileFile(0)), readAll(settingFile("pD.bin")));

        store->setData(QStringLiteral("mouse/lod"), 9);
        other->setData(QStringLiteral("mouse/lodEn"), 0);
        const QByteArray text = readAll(profileFile(0));
        QVERIFY(text.contains("mouseMode=0\n"));
        QVERIFY(text.contains("reportRate=3\n"));
        QVERIFY(text.contains("lod=9\n"));
        QVERIFY(text.contains("lodEn=0\n"));
        QCOMPARE(other->getData(QStringLiteral("mouse/mouseMode"), false).toInt(), 0);
    }

    // A disk too full for the new contents: the operation must leave the
    // file as it was (never empty or cut), say so, and the store must read
    // the old values again.
    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("file");
        QTest::newRow("setData") << "setData"
                                 << "p1.bin";
        QTest::newRow("setDataList") << "setDataList"
                                     << "p1.bin";
        QTest::newRow("setGlobalData") << "setGlobalData"
                                       << "apConfig.bin";
        QTest::newRow("loadProfile") << "loadProfile"
                                     << "p2.bin";
        QTest::newRow("copyProfile") << "copyProfile"
                                     << "p2.bin";
        QTest::newRow("resetProfile") << "resetProfile"
                                      << "p2.bin";
        QTest::newRow("resetApconfig") << "resetApconfig"
                                       << "apConfig.bin";
    }

    void fullDiskKeepsTheOldFile()
    {
        QFETCH(QString, operation);
        QFETCH(QString, file);
        const QString path = settingFile(file);
        const QByteArray padding(300, 'x');
        // Sources larger than their targets for the replacing operations.
        const QString import = m_dir->filePath("big.pf");
        writeText(import, readAll(profileFile(0)) + "\n[zz]\npad=" + padding + "\n");
        writeText(settingFile("pD.bin"),
                  readAll(settingFile("pD.bin")) + "\n[zz]\npad=" + padding + "\n");
        writeText(settingFile("apConfigD.bin"),
                  readAll(settingFile("apConfigD.bin")) + "\n[zz]\npad=" + padding + "\n");
        const auto store = makeStore();
        store->setCurrentProfile(0);
        if (operation == "copyProfile")
            store->setData(QStringLiteral("zz/pad"), QString::fromLatin1(padding));
        const QByteArray before = readAll(path);
        QVERIFY(!before.isEmpty());
        m_dialogs.answers = QStringList{import};

        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("failed.*" + QRegularExpression::escape(path)));
        bool result = false; // the answer of loadProfile, the one that gives one
        {
            FileSizeLimit full(FileSizeLimit::justAbove(path));
            QVERIFY(full.active());
            if (operation == "setData")
                store->setData(QStringLiteral("mouse/lod"), QString::fromLatin1(padding));
            else if (operation == "setDataList")
                store->setDataList(QStringLiteral("mouse/lightName"), {padding, padding});
            else if (operation == "setGlobalData")
                store->setGlobalData(QStringLiteral("common/language"),
                                     QString::fromLatin1(padding));
            else if (operation == "loadProfile")
                result = store->loadProfile(1);
            else if (operation == "copyProfile")
                store->copyProfile(1, 0);
            else if (operation == "resetProfile")
                store->resetProfile(1);
            else if (operation == "resetApconfig")
                store->resetApconfig();
        }
        QVERIFY(!result);
        QCOMPARE(readAll(path), before);
        // What the store reads is what the file holds.
        QCOMPARE(store->getData(QStringLiteral("mouse/lod"), false).toString(), QString("3"));
        const QString padText = QString::fromLatin1(padding);
        QVERIFY(store->getDataList(QStringLiteral("mouse/lightName"), false) !=
                (QVariantList{padText, padText}));
        QVERIFY(store->getGlobalData(QStringLiteral("common/language")).toString() !=
                QString::fromLatin1(padding));
        store->setCurrentProfile(1);
        QVERIFY(!store->getData(QStringLiteral("zz/pad"), false).isValid());
        // No link or lock is left beside the files.
        QCOMPARE(QDir(m_modules + "/setting").entryList(QDir::Files).size(), 14);

        // With room again the same write goes through.
        store->setCurrentProfile(0);
        store->setData(QStringLiteral("mouse/lod"), 7);
        QVERIFY(readAll(profileFile(0)).contains("lod=7\n"));
    }

    // A write the full disk refused must not spoil the ones after it: while
    // the disk stays full each write fails and leaves the file alone, and the
    // first one made with room again goes through and is reported so.
    void firstWriteWithRoomAgainGoesThrough_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("refused"); // writes made while the disk is full
        QTest::newRow("setData") << "setData" << 1;
        QTest::newRow("setData, refused twice") << "setData" << 2;
        QTest::newRow("setDataList") << "setDataList" << 1;
        QTest::newRow("setGlobalData") << "setGlobalData" << 1;
        QTest::newRow("setGlobalData, refused twice") << "setGlobalData" << 2;
        QTest::newRow("batch") << "batch" << 1;
        QTest::newRow("batch, refused twice") << "batch" << 2;
    }

    void firstWriteWithRoomAgainGoesThrough()
    {
        QFETCH(QString, operation);
        QFETCH(int, refused);
        const bool global = operation == "setGlobalData";
        const QString path = global ? settingFile("apConfig.bin") : profileFile(0);
        const QString key =
            global ? QStringLiteral("common/language") : QStringLiteral("mouse/lod");
        const auto store = makeStore();
        const auto stored = [&] {
            return global ? store->getGlobalData(key).toString()
                          : store->getData(key, false).toString();
        };
        // Writes value n; false when the store reports the write failed (only
        // a batch reports: for the others the file tells).
        const auto write = [&](int n) {
            const QString value = QString::number(n);
            if (operation == "setData") {
                store->setData(key, value);
            } else if (operation == "setDataList") {
                store->setDataList(QStringLiteral("mouseLight/lightName"), {value, value});
                store->setData(key, value);
            } else if (operation == "setGlobalData") {
                store->setGlobalData(key, value);
            } else {
                SettingsStore::WriteBatch batch(store.get());
                store->setData(key, value);
                store->setDataList(QStringLiteral("mouseLight/lightName"), {value, value});
                return batch.commit();
            }
            return true;
        };
        const QByteArray before = readAll(path);
        const QString old = stored();
        QVERIFY(!before.isEmpty() && !old.isEmpty());

        {
            FileSizeLimit full(16); // not even a lock file fits
            QVERIFY(full.active());
            for (int n = 1; n <= refused; ++n) {
                QTest::ignoreMessage(
                    QtDebugMsg, QRegularExpression("failed.*" + QRegularExpression::escape(path)));
                const bool reported = write(10 + n);
                if (operation == "batch")
                    QVERIFY(!reported);
                QCOMPARE(readAll(path), before);
                QCOMPARE(stored(), old);
            }
        }

        QVERIFY(write(20));
        const QByteArray after = readAll(path);
        QVERIFY2(after.contains(key.section('/', 1).toLatin1() + "=20\n"), after.constData());
        if (operation == "setDataList" || operation == "batch")
            QVERIFY(after.contains("lightName=20, 20\n"));
        QCOMPARE(stored(), QStringLiteral("20"));
        QCOMPARE(QDir(m_modules + "/setting").entryList(QDir::Files).size(), 14);
    }

    // A refused write leaves the object holding the file's own values again,
    // as changes not yet written. Nothing may write them later unchecked, not
    // the event loop and not the store's end, even with room again: on a disk
    // still full such a write replaces the file by a cut copy. A new store
    // writes as ever.
    void refusedWriteIsNotRepeatedUnchecked_data()
    {
        QTest::addColumn<bool>("global");
        QTest::newRow("setData") << false;
        QTest::newRow("setGlobalData") << true;
    }

    void refusedWriteIsNotRepeatedUnchecked()
    {
        QFETCH(bool, global);
        const QString name = global ? "apConfig.bin" : "p1.bin";
        const QString path = settingFile(name);
        const QString key =
            global ? QStringLiteral("common/language") : QStringLiteral("mouse/lod");
        const QString padding(300, 'x');
        auto store = makeStore();
        const QByteArray before = readAll(path);
        ReplacementCounter replacements(m_modules + "/setting");
        QVERIFY(replacements.valid());
        {
            FileSizeLimit full(16); // not even a lock file fits
            QVERIFY(full.active());
            QTest::ignoreMessage(QtDebugMsg,
                                 QRegularExpression("failed.*" + QRegularExpression::escape(path)));
            if (global)
                store->setGlobalData(key, padding);
            else
                store->setData(key, padding);
        }
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(replacements.take(name.toLatin1()), 0);
        store.reset();
        QCOMPARE(replacements.take(name.toLatin1()), 0);
        QCOMPARE(readAll(path), before);

        store = makeStore();
        if (global)
            store->setGlobalData(key, QStringLiteral("German"));
        else
            store->setData(key, 7);
        QByteArray expected = before;
        if (global)
            expected.replace("language=English\n", "language=German\n");
        else
            expected.replace("\nlod=3\n", "\nlod=7\n");
        QVERIFY(expected != before);
        QCOMPARE(readAll(path), expected);
    }

    // Whatever keeps a write from happening, the store reads afterwards what
    // it read before the refused change, and nothing of that change reaches
    // the file later: not with the next write of another key once the
    // obstacle is gone. In a batch over two files only the refused one goes
    // back. Obstacles: another writer holding the file, and the file replaced
    // by a folder (its old contents cannot be kept).
    void refusedChangeIsUndone_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("call");
        for (const bool folder : {false, true}) {
            const char *obstacle = folder ? "folder" : "held";
            for (const char *call : {"setData", "setGlobalData", "batch"})
                QTest::addRow("%s, %s", obstacle, call) << folder << QString::fromLatin1(call);
        }
    }

    void refusedChangeIsUndone()
    {
        QFETCH(bool, folder);
        QFETCH(QString, call);
        const bool global = call == QLatin1String("setGlobalData");
        const QString path = global ? settingFile("apConfig.bin") : profileFile(0);
        const QString key = global ? QStringLiteral("mouse/profileNo") : "mouse/reportRate";
        const QString other = global ? QStringLiteral("common/language") : "mouse/lod";
        const QVariant otherValue = global ? QVariant("German") : QVariant(2);
        const auto read = [&](SettingsStore &store, const QString &name) {
            return global ? store.getGlobalData(name) : store.getData(name, false);
        };
        auto store = makeStore();
        const QByteArray before = readAll(path);
        const QByteArray globalBefore = readAll(settingFile("apConfig.bin"));
        const QVariant old = read(*store, key);
        QVERIFY(old.isValid());

        QLockFile turn(path + ".wlock");
        if (folder) {
            QVERIFY(QFile::rename(path, path + ".away"));
            QVERIFY(QDir().mkdir(path));
        } else {
            QVERIFY(turn.tryLock(0));
        }
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("failed.*" + QRegularExpression::escape(path)));
        if (call == QLatin1String("batch")) {
            SettingsStore::WriteBatch batch(store.get());
            store->setData(key, 1);
            store->setGlobalData(QStringLiteral("common/language"), "German");
            QVERIFY(!batch.commit());
            QByteArray written = globalBefore;
            written.replace("language=English\n", "language=German\n");
            QCOMPARE(readAll(settingFile("apConfig.bin")), written);
        } else if (global) {
            store->setGlobalData(key, 4);
        } else {
            store->setData(key, 1);
        }
        QCOMPARE(read(*store, key), old);
        QCOMPARE(QFileInfo(path).isDir(), folder);
        if (!folder)
            QCOMPARE(readAll(path), before);

        if (folder) {
            QVERIFY(QDir().rmdir(path));
            QVERIFY(QFile::rename(path + ".away", path));
        } else {
            turn.unlock();
        }
        if (global)
            store->setGlobalData(other, otherValue);
        else
            store->setData(other, otherValue);
        QCOMPARE(read(*store, key), old);
        QByteArray expected = before;
        if (global)
            expected.replace("language=English\n", "language=German\n");
        else
            expected.replace("\nlod=3\n", "\nlod=2\n");
        QVERIFY(expected != before);
        QCOMPARE(readAll(path), expected);
    }

    // The same on a file system that is really full: one block is left, the
    // checked write's own lock takes it, so the settings lock finds no room
    // and the write is refused; the block is free again right after, enough
    // for an unchecked write's lock but not for the file.
    void refusedWriteOnAFullFileSystem()
    {
        QTemporaryDir mountPoint;
        QVERIFY(mountPoint.isValid());
        const QString dir = mountPoint.path();
        QProcess mount;
        mount.start("mount", {"-t", "tmpfs", "-o", "size=256k", "tmpfs", dir});
        if (!mount.waitForFinished() || mount.exitStatus() != QProcess::NormalExit ||
            mount.exitCode() != 0)
            QSKIP("no file system of our own can be mounted here");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {"-l", dir}); });
        m_modules = dir + "/modules";
        QVERIFY(QDir().mkpath(m_modules + "/setting"));
        const QDir shipped(qEnvironmentVariable("KESTA_SOURCE_DIR") + "/modules/setting");
        for (const QString &name : shipped.entryList(QDir::Files))
            QVERIFY(QFile::copy(shipped.filePath(name), settingFile(name)));
        auto store = makeStore();
        const QString path = profileFile(0);
        const QByteArray before = readAll(path);

        // Fills all but one block.
        QFile spare(dir + "/spare");
        QVERIFY(spare.open(QIODevice::WriteOnly) && spare.write("x", 1) == 1);
        spare.close();
        QFile filler(dir + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        filler.close();
        QVERIFY(spare.remove());

        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("failed.*" + QRegularExpression::escape(path)));
        store->setData(QStringLiteral("mouse/lod"), QString(300, 'x'));
        QCOMPARE(readAll(path), before);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(readAll(path), before);
        store.reset();
        QCOMPARE(readAll(path), before);
    }

    // What makes a file whole: every key on its own line, the last one ended.
    void wholeIniText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("keys");
        QTest::addColumn<bool>("whole");
        const QByteArray full = "[a]\nx=1\ny=\"2, 3\"\n\n[b]\nz=@Invalid()\n";
        QTest::newRow("whole") << full << 3 << true;
        QTest::newRow("empty, no keys") << QByteArray() << 0 << true;
        QTest::newRow("empty, keys expected") << QByteArray() << 3 << false;
        QTest::newRow("cut mid-line") << full.left(full.size() - 3) << 3 << false;
        QTest::newRow("cut at a line end") << full.left(full.indexOf("[b]")) << 3 << false;
        QTest::newRow("windows line ends") << QByteArray("[a]\r\nx=1\r\n") << 1 << true;
    }

    void wholeIniText()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, keys);
        QFETCH(bool, whole);
        QCOMPARE(SettingsFile::isWholeIniText(text, keys), whole);
    }

    // The settings writer's own output passes the check, whatever it holds.
    void settingsWriterOutputIsWhole()
    {
        const QString path = m_dir->filePath("probe.ini");
        {
            QSettings s(path, QSettings::IniFormat);
            s.setValue("top", "1");
            s.setValue("General/x", "general group");
            s.setValue("g/[bracket", "v");
            s.setValue("g/line", "two\nlines");
            s.setValue("g/list", QStringList{"a", "b, c"});
            s.setValue(QString::fromUtf8("g/\u5b8f key"), QString::fromUtf8("\u5b8f"));
            s.setValue("h/empty", QString());
            s.setValue("h/list0", QStringList());
            QVERIFY(SettingsFile::sync(s));
            QVERIFY(SettingsFile::isWholeIniText(readAll(path), int(s.allKeys().size())));
        }
        // Every shipped file, rewritten.
        for (const QString &name : QDir(m_modules + "/setting").entryList(QDir::Files)) {
            QSettings s(settingFile(name), QSettings::IniFormat);
            s.setValue("zz/probe", 1);
            QVERIFY2(SettingsFile::sync(s), qPrintable(name));
            QVERIFY2(
                SettingsFile::isWholeIniText(readAll(settingFile(name)), int(s.allKeys().size())),
                qPrintable(name));
        }
    }

    void writesSurviveACrash()
    {
        QProcess child;
        child.start(QCoreApplication::applicationDirPath() + "/settings_crash_writer", {m_modules});
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QVERIFY(readAll(profileFile(0)).contains("lod=77\n"));
        QVERIFY(readAll(profileFile(0)).contains("lightName=Solo, loaderquiver\n"));
        QVERIFY(readAll(settingFile("apConfig.bin")).contains("language=German\n"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
