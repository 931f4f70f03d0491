// Where the settings live: the portable folder beside the program, or a
// per-user copy of the shipped data that later starts and newer shipped
// data sets never overwrite.
#include "../stagemodules.h"
#include "desktop/modulesfolder.h"
#include "desktop/startoptions.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace ModulesFolder;

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A value as another process would read it: straight from the file's text.
QString valueInFile(const QString &path, const QString &group, const QString &key)
{
    QString current;
    for (const QString &raw : QString::fromUtf8(contents(path)).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')))
            current = line.mid(1, line.size() - 2);
        else if (current == group && line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return QStringLiteral("<absent>");
}

void writeText(const QString &path, const QByteArray &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

void setValue(const QString &path, const QString &key, const QString &value)
{
    QSettings s(path, QSettings::IniFormat);
    s.setValue(key, value);
    s.sync();
}

void removeKey(const QString &path, const QString &key)
{
    QSettings s(path, QSettings::IniFormat);
    s.remove(key);
    s.sync();
}

} // namespace

class TstModulesFolder : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void portableFolderIsUsedWhenWritable();
    void firstStartCopiesTheShippedData();
    void laterStartsKeepTheUsersValues();
    void newerShippedDataOnlyAddsWhatIsMissing();
    void anInterruptedCopyIsCompletedAtTheNextStart();
    void anUpdateThatCannotBeWrittenKeepsEveryFile_data();
    void anUpdateThatCannotBeWrittenKeepsEveryFile();
    void aFileLostFromAnUpToDateCopyComesBack_data();
    void aFileLostFromAnUpToDateCopyComesBack();
    void aLinkToAFileAwayIsKept();
    void unwritableUserFolderFallsBackToTheShippedData();
    void nothingShippedKeepsTheFolderBesideTheProgram();
    void startOptions_data();
    void startOptions();

private:
    QString shippedFile(const QString &relative) const { return m_places.shipped + "/" + relative; }
    QString userFile(const QString &relative) const { return m_places.user + "/" + relative; }
    QStringList settingsFiles() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    Places m_places;
};

void TstModulesFolder::init()
{
    // An installed layout: usr/bin (no modules beside it), usr/share/... and a home.
    m_dir = std::make_unique<QTemporaryDir>();
    const QString root = m_dir->path();
    QVERIFY(QDir().mkpath(root + "/usr/bin"));
    QVERIFY(stageModules(root + "/usr/share/kesta-config"));
    m_places.beside = root + "/usr/bin/modules";
    m_places.shipped = root + "/usr/share/kesta-config/modules";
    m_places.user = root + "/home/.local/share/kesta-config/modules";
}

void TstModulesFolder::portableFolderIsUsedWhenWritable()
{
    QVERIFY(stageModules(m_dir->path() + "/usr/bin"));
    const Resolved r = resolve(m_places);
    QCOMPARE(r.kind, Kind::Portable);
    QCOMPARE(r.path, m_places.beside);
    QVERIFY(r.warning.isEmpty());
    QVERIFY(!QFileInfo::exists(m_dir->path() + "/home")); // nothing copied
}

void TstModulesFolder::firstStartCopiesTheShippedData()
{
    // The shipped files are read-only, as a package installs them.
    QFile(shippedFile("setting/p1.bin")).setPermissions(QFile::ReadOwner | QFile::ReadOther);
    const Resolved r = resolve(m_places);
    QCOMPARE(r.kind, Kind::User);
    QCOMPARE(r.path, m_places.user);
    for (const char *relative :
         {"setting/apConfig.bin", "setting/p1.bin", "setting/pD.bin", "setting/name.bin",
          "gun/gunData.bin", "i18n/English.ini", "img/logo.ico"}) {
        QCOMPARE(contents(userFile(relative)), contents(shippedFile(relative)));
    }
    QVERIFY(QFileInfo(userFile("macro")).isDir());
    // The copy belongs to the user even where the shipped file was read-only.
    QVERIFY(QFileInfo(userFile("setting/p1.bin")).permissions() & QFile::WriteOwner);
    QVERIFY(!QFileInfo::exists(userFile("setting/p1.bin.part")));
}

void TstModulesFolder::laterStartsKeepTheUsersValues()
{
    QCOMPARE(resolve(m_places).kind, Kind::User);
    const QString global = shippedFile("setting/apConfig.bin");
    const QByteArray shippedBefore = contents(global);
    setValue(userFile("setting/apConfig.bin"), "common/language", "German");
    removeKey(userFile("setting/p1.bin"), "mouse/dpiCount"); // the user's file, the user's business
    writeText(userFile("macro/m1.bin"), "[macro]\nname=mine\n");

    QCOMPARE(resolve(m_places).kind, Kind::User);
    QCOMPARE(valueInFile(userFile("setting/apConfig.bin"), "common", "language"), "German");
    QCOMPARE(valueInFile(userFile("setting/p1.bin"), "mouse", "dpiCount"), "<absent>");
    QCOMPARE(contents(userFile("macro/m1.bin")), QByteArray("[macro]\nname=mine\n"));
    QCOMPARE(contents(global), shippedBefore);
}

void TstModulesFolder::newerShippedDataOnlyAddsWhatIsMissing()
{
    QCOMPARE(resolve(m_places).kind, Kind::User);
    setValue(userFile("setting/apConfig.bin"), "common/language", "German");
    const QByteArray untouched = contents(userFile("setting/p2.bin"));

    // The next version ships a changed value, a new key, a new file and a
    // corrected language file.
    setValue(shippedFile("setting/apConfig.bin"), "common/language", "French");
    setValue(shippedFile("setting/apConfig.bin"), "common/newKey", "42");
    writeText(shippedFile("setting/p11.bin"), "[mouse]\ndpiCount=4\n");
    setValue(shippedFile("i18n/English.ini"), "lang/fixed", "Fixed text");

    QCOMPARE(resolve(m_places).kind, Kind::User);
    const QString global = userFile("setting/apConfig.bin");
    QCOMPARE(valueInFile(global, "common", "language"), "German");
    QCOMPARE(valueInFile(global, "common", "newKey"), "42");
    QCOMPARE(valueInFile(global, "common", "name"), "KESTA R218");
    QCOMPARE(contents(userFile("setting/p11.bin")), QByteArray("[mouse]\ndpiCount=4\n"));
    QCOMPARE(contents(userFile("i18n/English.ini")), contents(shippedFile("i18n/English.ini")));
    QCOMPARE(contents(userFile("setting/p2.bin")), untouched); // nothing missing: not rewritten
}

void TstModulesFolder::anInterruptedCopyIsCompletedAtTheNextStart()
{
    // A first start that ended half-way: part of a file, no stamp.
    QVERIFY(QDir().mkpath(userFile("setting")));
    writeText(userFile("setting/apConfig.bin"), "[common]\nlanguage=German\n");
    writeText(userFile("setting/p1.bin.part"), "[mouse]\n");

    QCOMPARE(resolve(m_places).kind, Kind::User);
    const QString global = userFile("setting/apConfig.bin");
    QCOMPARE(valueInFile(global, "common", "language"), "German");
    QCOMPARE(valueInFile(global, "mouse", "icType"), "553");
    QCOMPARE(contents(userFile("setting/p1.bin")), contents(shippedFile("setting/p1.bin")));
    QVERIFY(!QFileInfo::exists(userFile("setting/p1.bin.part")));
}

QStringList TstModulesFolder::settingsFiles() const
{
    QStringList out{"gun/gunData.bin"};
    for (const QString &name : QDir(m_places.shipped + "/setting").entryList(QDir::Files))
        out.append("setting/" + name);
    return out;
}

void TstModulesFolder::anUpdateThatCannotBeWrittenKeepsEveryFile_data()
{
    QTest::addColumn<int>("macros");      // in the user's name.bin
    QTest::addColumn<int>("profileKeys"); // added to each of p1.bin ... p10.bin
    QTest::addColumn<qlonglong>("limit"); // file size limit of the updating start
    QTest::newRow("name.bin of 250 macros, 4 KiB") << 250 << 0 << 4096LL;
    QTest::newRow("profiles of many keys, 2 KiB") << 0 << 150 << 2048LL;
    QTest::newRow("only name.bin beyond the limit") << 250 << 150 << 8192LL;
}

// A newer shipped data set adds a key to every settings file; the start that
// adds them meets a full disk.
void TstModulesFolder::anUpdateThatCannotBeWrittenKeepsEveryFile()
{
    QFETCH(int, macros);
    QFETCH(int, profileKeys);
    QFETCH(qlonglong, limit);
    QCOMPARE(resolve(m_places).kind, Kind::User);
    if (macros > 0) {
        QSettings names(userFile("setting/name.bin"), QSettings::IniFormat);
        QStringList name, type, margin;
        for (int i = 0; i < macros; ++i) {
            name << QStringLiteral("Macro %1").arg(i);
            type << "0";
            margin << "5";
        }
        names.setValue("macro/macroName", name);
        names.setValue("macro/macroType", type);
        names.setValue("macro/showImg", QStringList(name.size(), "false"));
        names.setValue("macro/txtMargin", margin);
        names.setValue("macro/level", QStringList(name.size(), "0"));
        for (int n = 0; n < 5; ++n)
            names.setValue(QStringLiteral("macro/no%1").arg(n), QStringList(name.size(), "-1"));
    }
    for (int p = 1; p <= 10 && profileKeys > 0; ++p) {
        QSettings profile(userFile(QStringLiteral("setting/p%1.bin").arg(p)), QSettings::IniFormat);
        for (int k = 0; k < profileKeys; ++k)
            profile.setValue(QStringLiteral("mouseMacroKey/%1").arg(k),
                             QStringLiteral("Macro %1").arg(k));
    }
    for (const QString &relative : settingsFiles())
        setValue(shippedFile(relative), "update/added", "1");
    QMap<QString, QByteArray> before;
    for (const QString &relative : settingsFiles())
        before[relative] = contents(userFile(relative));
    const QString stamp = QFileInfo(m_places.user).absolutePath() + "/shipped-modules.sha1";
    const QByteArray oldStamp = contents(stamp);

    QProcess child;
    child.start(QCoreApplication::applicationDirPath() + "/modulesfolder_resolve_child",
                {m_places.beside, m_places.shipped, m_places.user, QString::number(limit)});
    QVERIFY(child.waitForFinished(10000));
    QCOMPARE(child.exitCode(), 0);
    // Everything the user had is there, and the shipped key with it.
    const auto updatedWhole = [&](const QString &relative) {
        const QByteArray now = contents(userFile(relative));
        const QList<QByteArray> lines = before[relative].split('\n');
        return valueInFile(userFile(relative), "update", "added") == "1" &&
               std::all_of(lines.begin(), lines.end(),
                           [&](const QByteArray &line) { return now.contains(line); });
    };
    for (const QString &relative : settingsFiles()) {
        QVERIFY2(contents(userFile(relative)) == before[relative] || updatedWhole(relative),
                 qPrintable(relative));
    }
    QCOMPARE(contents(stamp), oldStamp); // the next start tries again
    // No link, lock or part file is left beside them.
    QCOMPARE(QDir(userFile("setting")).entryList(QDir::Files),
             QDir(shippedFile("setting")).entryList(QDir::Files));
    // This start runs on the shipped data and says that changes are not kept.
    QCOMPARE(child.readAllStandardOutput().trimmed().toInt(), int(Kind::ReadOnly));

    QCOMPARE(resolve(m_places).kind, Kind::User);
    for (const QString &relative : settingsFiles())
        QVERIFY2(updatedWhole(relative), qPrintable(relative));
    QCOMPARE(contents(stamp).trimmed(), fingerprint(m_places.shipped));
}

void TstModulesFolder::aFileLostFromAnUpToDateCopyComesBack_data()
{
    QTest::addColumn<QString>("lost");
    QTest::newRow("a profile") << "setting/p3.bin";
    QTest::newRow("the name lists") << "setting/name.bin";
    QTest::newRow("the recoil table") << "gun/gunData.bin";
    QTest::newRow("a language file") << "i18n/English.ini";
}

void TstModulesFolder::aFileLostFromAnUpToDateCopyComesBack()
{
    QFETCH(QString, lost);
    writeText(shippedFile("macro/Example.bin"), "[macro]\nname=example\n");
    QCOMPARE(resolve(m_places).kind, Kind::User);
    setValue(userFile("setting/apConfig.bin"), "common/language", "German");
    QVERIFY(QFile::remove(userFile(lost)));
    QVERIFY(QFile::remove(userFile("macro/Example.bin"))); // deleted in the macro editor

    QCOMPARE(resolve(m_places).kind, Kind::User);
    QCOMPARE(contents(userFile(lost)), contents(shippedFile(lost)));
    QVERIFY(!QFileInfo::exists(userFile("macro/Example.bin")));
    QCOMPARE(valueInFile(userFile("setting/apConfig.bin"), "common", "language"), "German");
}

void TstModulesFolder::aLinkToAFileAwayIsKept()
{
    // The user keeps a profile elsewhere (a folder not mounted yet): the
    // link is theirs, not a lost file to be put back with shipped values.
    QCOMPARE(resolve(m_places).kind, Kind::User);
    const QString profile = userFile("setting/p3.bin");
    const QString away = m_places.user + QStringLiteral("/../away/p3.bin");
    QVERIFY(QFile::remove(profile));
    QVERIFY(QFile::link(away, profile));

    resolve(m_places);
    QCOMPARE(QFileInfo(profile).symLinkTarget(), QFileInfo(away).absoluteFilePath());
    QVERIFY(!QFileInfo::exists(away));
}

void TstModulesFolder::unwritableUserFolderFallsBackToTheShippedData()
{
    // A file where the user's data folder should be: nothing can be made there.
    QVERIFY(QDir().mkpath(m_dir->path() + "/home/.local/share"));
    writeText(m_dir->path() + "/home/.local/share/kesta-config", "not a folder");
    const Resolved r = resolve(m_places);
    QCOMPARE(r.kind, Kind::ReadOnly);
    QCOMPARE(r.path, m_places.shipped);
    QVERIFY(r.warning.contains(QLatin1String("changes will not be kept")));
}

void TstModulesFolder::nothingShippedKeepsTheFolderBesideTheProgram()
{
    QVERIFY(QDir(m_dir->path() + "/usr/share").removeRecursively());
    const Resolved r = resolve(m_places);
    QCOMPARE(r.path, m_places.beside);
    QVERIFY(!r.warning.isEmpty());
    QVERIFY(!QFileInfo::exists(m_places.user));
}

void TstModulesFolder::startOptions_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("qtOptionsLeft");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<bool>("endsAtOnce");
    QTest::addColumn<QString>("modulesDir");
    QTest::addColumn<bool>("error");
    QTest::newRow("none") << QStringList{} << false << false << false << "" << false;
    QTest::newRow("hidden") << QStringList{"--hidden"} << false << true << false << "" << false;
    QTest::newRow("print the folder")
        << QStringList{"--print-modules-dir"} << false << false << true << "" << false;
    QTest::newRow("help") << QStringList{"-h"} << false << false << true << "" << false;
    QTest::newRow("unknown") << QStringList{"--hidden", "--fast"} << false << true << false << ""
                             << true;
    QTest::newRow("single dash is not ours")
        << QStringList{"-hidden"} << false << false << false << "" << true;
    QTest::newRow("settings folder")
        << QStringList{"--modules-dir", "/data/m", "--print-modules-dir"} << false << false << true
        << "/data/m" << false;
    QTest::newRow("settings folder missing")
        << QStringList{"--modules-dir"} << false << false << false << "" << true;
    // Before the application object exists Qt's options are still there:
    // they and their values are passed over, anything else is refused.
    QTest::newRow("Qt's options left")
        << QStringList{"-platform", "offscreen", "--style=Fusion", "-reverse", "--hidden"} << true
        << true << false << "" << false;
    QTest::newRow("a Qt option's value is not ours")
        << QStringList{"-platform", "--hidden"} << true << false << false << "" << false;
    QTest::newRow("Qt's options taken")
        << QStringList{"-platform", "offscreen"} << false << false << false << "" << true;
    QTest::newRow("unknown beside Qt's")
        << QStringList{"-platform", "xcb", "--bogus"} << true << false << false << "" << true;
}

void TstModulesFolder::startOptions()
{
    QFETCH(QStringList, args);
    QFETCH(bool, qtOptionsLeft);
    const StartOptions o = parseStartOptions(args, qtOptionsLeft);
    QTEST(o.hidden, "hidden");
    QTEST(o.endsAtOnce(), "endsAtOnce");
    QTEST(o.modulesDir, "modulesDir");
    QTEST(!o.error.isEmpty(), "error");
}

QTEST_GUILESS_MAIN(TstModulesFolder)
#include "tst_modulesfolder.moc"
