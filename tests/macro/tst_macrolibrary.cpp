// Macro files and folders of the library, and the profile clean-up after a
// macro is deleted.
#include "macrofixture.h"

#include "macro/macrofiles.h"
#include "tests/filesizelimit.h"
#include "tests/replacementcounter.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <unistd.h>

class TestMacroLibrary : public QObject
{
    Q_OBJECT
private slots:
    void createWritesConfigAtItsLevel();
    void createOverExistingMacroKeepsStepsButResetsCount();
    void saveAndLoadRoundTrip();
    void saveAndLoadMissingOrDamagedFiles();
    void folderCreation();
    void macroCreationMakesItsFolders();
    void macroThatCannotExistIsRefused_data();
    void macroThatCannotExistIsRefused();
    void fullDiskKeepsMacrosAndNameLists_data();
    void fullDiskKeepsMacrosAndNameLists();
    void refusedSaveIsNotWrittenUnchecked();
    void levelOutsideTheTreeTouchesNothing();
    void deleteMacroAndFolder();
    void folderDeletionDoesNotFollowLinks();
    void folderDeletionEndsWithUndeletableEntries();
    void renameMacroAndFolder();
    void hostileNamesAreRefused_data();
    void hostileNamesAreRefused();
    void deletedMacroResetsBoundButtonsOfFirstSixProfiles();
    void macroNamesOnceNearestTheRootFirst();
    void macroNamesAreUniqueAcrossTheLibrary_data();
    void macroNamesAreUniqueAcrossTheLibrary();
};

void TestMacroLibrary::createWritesConfigAtItsLevel()
{
    MacroFixture fx;
    QDir().mkpath(fx.macro("A/B"));
    fx.select("A", "B");
    QVERIFY(fx.lib->createMacroIni("M", 7, 2, 0));
    const QString file = fx.macro("A/B/M.bin");
    QVERIFY(QFileInfo(file).isFile());
    QCOMPARE(iniValue(file, "config", "index"), QString("7"));
    QCOMPARE(iniValue(file, "config", "total"), QString("0"));
    QCOMPARE(iniValue(file, "config", "repeat"), QString("1"));
    QCOMPARE(iniValue(file, "config", "did"), QString("-1"));
    QVERIFY(!iniHasGroup(file, "macro"));

    // The level picks how many names are used; the scene passes numbers or text.
    QVERIFY(fx.lib->createMacroIni("Root", 0, QString("0"), QString("0")));
    QVERIFY(QFileInfo(fx.macro("Root.bin")).isFile());
}

void TestMacroLibrary::createOverExistingMacroKeepsStepsButResetsCount()
{
    MacroFixture fx;
    QVERIFY(fx.lib->createMacroIni("M", 0, 0, 0));
    QVERIFY(fx.lib->saveMacroIni(0, "M", {"1,A", "2,A"}, 5));
    QVERIFY(fx.lib->createMacroIni("M", 1, 0, 0));
    QCOMPARE(fx.lib->loadMacroIni(0, "M"), QStringList{"1"});
    QCOMPARE(iniValue(fx.macro("M.bin"), "macro", "1"), QString("\"2,A\""));
}

void TestMacroLibrary::saveAndLoadRoundTrip()
{
    MacroFixture fx;
    QVERIFY(fx.lib->createMacroIni("M", 0, 0, 0));
    QVERIFY(fx.lib->saveMacroIni(0, "M", {"1,A", "0,50", "2,A"}, 3));
    QCOMPARE(fx.lib->loadMacroIni(0, "M"), (QStringList{"1,A", "0,50", "2,A", "3"}));
    QCOMPARE(iniValue(fx.macro("M.bin"), "config", "total"), QString("3"));
    QCOMPARE(iniValue(fx.macro("M.bin"), "config", "index"), QString("0"));

    // A shorter list leaves no surplus steps behind.
    QVERIFY(fx.lib->saveMacroIni(0, "M", {"3,MS-L"}, 1));
    QCOMPARE(fx.lib->loadMacroIni(0, "M"), (QStringList{"3,MS-L", "1"}));
    QVERIFY(iniValue(fx.macro("M.bin"), "macro", "1").isNull());
    QVERIFY(iniValue(fx.macro("M.bin"), "macro", "2").isNull());
}

void TestMacroLibrary::saveAndLoadMissingOrDamagedFiles()
{
    MacroFixture fx;
    QVERIFY(fx.lib->createMacroIni("Gone", 0, 0, 0));
    QVERIFY(QFile::remove(fx.macro("Gone.bin")));
    QVERIFY(!fx.lib->saveMacroIni(0, "Gone", {"1,A"}, 1));
    QVERIFY(!QFileInfo::exists(fx.macro("Gone.bin")));
    QVERIFY(fx.lib->loadMacroIni(0, "Gone").isEmpty());

    // Written by hand: no total, no repeat, an unquoted step, a gap.
    fx.write("macro/NoTotal.bin", "[config]\nrepeat=4\n[macro]\n0=\"1,A\"\n");
    QCOMPARE(fx.lib->loadMacroIni(0, "NoTotal"), QStringList{"4"});
    fx.write("macro/Loose.bin", "[config]\ntotal=3\n[macro]\n0=1,A\n2=0,20\n");
    QCOMPARE(fx.lib->loadMacroIni(0, "Loose"), (QStringList{"1,A", "0", "0,20", "0"}));

    // A damaged count cannot make the load grow without end.
    fx.write("macro/Huge.bin", "[config]\ntotal=2000000000\nrepeat=1\n");
    QVERIFY(fx.lib->loadMacroIni(0, "Huge").size() <= 65537);
    fx.write("macro/Negative.bin", "[config]\ntotal=-5\nrepeat=2\n");
    QCOMPARE(fx.lib->loadMacroIni(0, "Negative"), QStringList{"2"});
}

void TestMacroLibrary::folderCreation()
{
    MacroFixture fx;
    QVERIFY(fx.lib->createMacroIni("F", 0, 0, 1));
    QVERIFY(QFileInfo(fx.macro("F")).isDir());
    QVERIFY(fx.dialogs.warnings.isEmpty());

    // An existing folder is reported and left as it is.
    fx.write("macro/F/keep.bin", "[config]\ntotal=0\n");
    QVERIFY(fx.lib->createMacroIni("F", 0, 0, 1));
    QCOMPARE(fx.dialogs.warnings, QStringList{QString::fromUtf8("Create folder|Duplicate name！")});
    QVERIFY(QFileInfo(fx.macro("F/keep.bin")).isFile());

    // Only one level of folders is created: a missing parent creates no folder.
    const QStringList before = fx.tree();
    fx.select("F", "Missing", "X");
    QVERIFY(fx.lib->createMacroIni("Deep", 0, 3, 1));
    QCOMPARE(fx.tree(), before);
}

// A macro goes where the selection points even when its folders are not on
// disk (yet): they are made, so that the steps saved next have a file.
void TestMacroLibrary::macroCreationMakesItsFolders()
{
    MacroFixture fx;
    fx.select("F", "Missing");
    QVERIFY(fx.lib->createMacroIni("DeepMacro", 3, 2, 0));
    QVERIFY(QFileInfo(fx.macro("F/Missing/DeepMacro.bin")).isFile());
    QCOMPARE(iniValue(fx.macro("F/Missing/DeepMacro.bin"), "config", "index"), QString("3"));
    QVERIFY(fx.lib->saveMacroIni(2, "DeepMacro", {"1,A"}, 2));
    QCOMPARE(fx.lib->loadMacroIni(2, "DeepMacro"), (QStringList{"1,A", "2"}));
}

void TestMacroLibrary::macroThatCannotExistIsRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("selection");
    QTest::addColumn<QString>("blocker"); // made before, relative to macro/
    QTest::newRow("name too long for the file system")
        << QString(300, 'n') << QStringList{"Sub"} << QString();
    QTest::newRow("name too long, in folders still to make")
        << QString(300, 'n') << QStringList{"Sub", "New", "Newer"} << QString();
    QTest::newRow("a folder has the file's name") << "M" << QStringList{"Sub"} << "Sub/M.bin";
}

void TestMacroLibrary::macroThatCannotExistIsRefused()
{
    QFETCH(QString, name);
    QFETCH(QStringList, selection);
    QFETCH(QString, blocker);
    MacroFixture fx;
    QDir().mkpath(fx.macro("Sub"));
    if (!blocker.isEmpty())
        QDir().mkpath(fx.macro(blocker));
    selection.resize(5);
    fx.select(selection[0], selection[1], selection[2], selection[3], selection[4]);
    const QStringList before = fx.tree();
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("macro file cannot be created"));
    QVERIFY(!fx.lib->createMacroIni(name, 0, int(selection.count(QString()) == 4 ? 1 : 3), 0));
    QCOMPARE(fx.tree(), before);
}

// A disk too full for the new contents: false, the old file whole, the old
// contents read back.
// After a refused save, loading the macro with room again writes nothing:
// the put-back steps stay unwritten until the next save, which is checked.
void TestMacroLibrary::refusedSaveIsNotWrittenUnchecked()
{
    MacroFixture fx;
    QVERIFY(fx.lib->createMacroIni("M", 0, 0, 0));
    QVERIFY(fx.lib->saveMacroIni(0, "M", {"1,A", "2,A"}, 1));
    const QString file = fx.macro("M.bin");
    const QByteArray before = fileBytes(file);
    ReplacementCounter replacements(QFileInfo(file).path());
    QVERIFY(replacements.valid());
    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression("failed.*" + QRegularExpression::escape(file)));
    {
        FileSizeLimit full(16); // not even a lock file fits
        QVERIFY(full.active());
        QVERIFY(!fx.lib->saveMacroIni(0, "M", {"1,B"}, 3));
    }
    QCOMPARE(fx.lib->loadMacroIni(0, "M"), (QStringList{"1,A", "2,A", "1"}));
    QCOMPARE(replacements.take("M.bin"), 0);
    QCOMPARE(fileBytes(file), before);

    QVERIFY(fx.lib->saveMacroIni(0, "M", {"1,B"}, 3));
    QCOMPARE(replacements.take("M.bin"), 1);
    QCOMPARE(fx.lib->loadMacroIni(0, "M"), (QStringList{"1,B", "3"}));
}

void TestMacroLibrary::fullDiskKeepsMacrosAndNameLists_data()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("saveMacroIni") << "saveMacroIni";
    QTest::newRow("createMacroIni over an existing macro") << "createMacroIni";
    QTest::newRow("createMacroIni, new file") << "createNew";
    QTest::newRow("updataNameList") << "updataNameList";
    QTest::newRow("updataMacroList") << "updataMacroList";
}

void TestMacroLibrary::fullDiskKeepsMacrosAndNameLists()
{
    QFETCH(QString, operation);
    MacroFixture fx;
    QVERIFY(fx.lib->createMacroIni("M", 0, 0, 0));
    QVERIFY(fx.lib->saveMacroIni(0, "M", {"1,A", "2,A"}, 1));
    QVERIFY(fx.lib->updataNameList(0, {"M", "N"}));
    const QString macroFile = fx.macro("M.bin");
    const QString names = fx.path("setting/name.bin");
    const QString target = operation.contains("List") ? names : macroFile;
    const QByteArray before = fileBytes(target);
    const QStringList tree = fx.tree();
    QStringList many;
    for (int i = 0; i < 40; ++i)
        many << QString("1,K%1").arg(i);

    bool result = true;
    {
        FileSizeLimit full(operation == "createNew" ? 0 : FileSizeLimit::justAbove(target));
        QVERIFY(full.active());
        if (operation == "saveMacroIni")
            result = fx.lib->saveMacroIni(0, "M", many, 1);
        else if (operation == "createMacroIni")
            result = fx.lib->createMacroIni("M", 1234567890u, 0, 0);
        else if (operation == "createNew")
            result = fx.lib->createMacroIni("New", 0, 0, 0);
        else if (operation == "updataNameList")
            result = fx.lib->updataNameList(0, QVariantList(40, "a longer name"));
        else if (operation == "updataMacroList")
            result = fx.lib->updataMacroList(0, 0, QString(), QVariantList(40, "n"), {}, {}, {}, {},
                                             {}, {}, {}, {}, {});
    }
    QVERIFY(!result);
    QCOMPARE(fileBytes(target), before);
    QCOMPARE(fx.tree(), tree);
    QCOMPARE(fx.lib->loadMacroIni(0, "M"), (QStringList{"1,A", "2,A", "1"}));
    QCOMPARE(fx.lib->getNameList(0), (QStringList{"M", "N"}));
}

void TestMacroLibrary::levelOutsideTheTreeTouchesNothing()
{
    MacroFixture fx;
    QVERIFY(fx.lib->createMacroIni("M", 0, 0, 0));
    fx.select("A", "B", "C", "D", "E");
    const QStringList before = fx.tree();
    for (int level : {-1, 6}) {
        QVERIFY(fx.lib->createMacroIni("M", 0, level, 0));
        QVERIFY(fx.lib->createMacroIni("F", 0, level, 1));
        QVERIFY(!fx.lib->saveMacroIni(level, "M", {"1,A"}, 1));
        QVERIFY(fx.lib->loadMacroIni(level, "M").isEmpty());
        QVERIFY(!fx.lib->deleteMacroIni(level, 0, "M"));
        QVERIFY(!fx.lib->modifyMacroNameUpdateProfile(level, 0, "M", "N"));
    }
    QVERIFY(fx.lib->loadMacroIni("not a number", "M").isEmpty());
    QCOMPARE(fx.tree(), before);
}

void TestMacroLibrary::deleteMacroAndFolder()
{
    MacroFixture fx;
    QVERIFY(fx.lib->createMacroIni("M", 0, 0, 0));
    QVERIFY(fx.lib->deleteMacroIni(0, 0, "M"));
    QVERIFY(!QFileInfo::exists(fx.macro("M.bin")));
    QVERIFY(!fx.lib->deleteMacroIni(0, 0, "M"));

    fx.write("macro/F/a.bin", "x");
    fx.write("macro/F/.hidden", "x");
    fx.write("macro/F/G/H/I/J/deep.bin", "x");
    fx.write("macro/F/G/.h/.deeper", "x");
    QDir().mkpath(fx.macro("F/empty/emptier"));
    fx.write("macro/Other/stay.bin", "x");
    QVERIFY(fx.lib->deleteMacroIni(0, 1, "F"));
    QVERIFY(!QFileInfo::exists(fx.macro("F")));
    QVERIFY(QFileInfo(fx.macro("Other/stay.bin")).isFile());

    // A folder that is not there is still reported as deleted.
    QVERIFY(fx.lib->deleteMacroIni(0, 1, "F"));
}

void TestMacroLibrary::folderDeletionDoesNotFollowLinks()
{
    MacroFixture fx;
    const QString outside = fx.tmp.path() + "/outside";
    QDir().mkpath(outside);
    fx.write("../outside/precious.txt", "keep");
    fx.write("macro/F/a.bin", "x");
    QVERIFY(QFile::link(outside, fx.macro("F/link")));
    QVERIFY(fx.lib->deleteMacroIni(0, 1, "F"));
    QVERIFY(!QFileInfo::exists(fx.macro("F")));
    QCOMPARE(fileBytes(outside + "/precious.txt"), QByteArray("keep"));
}

void TestMacroLibrary::folderDeletionEndsWithUndeletableEntries()
{
    MacroFixture fx;
    fx.write("macro/F/locked/a.bin", "x");
    fx.write("macro/F/locked/b.bin", "x");
    fx.write("macro/F/c.bin", "x");
    fx.write("macro/F/G/d.bin", "x");
    // A file held open elsewhere: its removal fails every time.
    int attempts = 0;
    const bool gone =
        MacroFiles::removeFolderTree(fx.macro("F"), [&](const QString &path, bool isDir) {
            // Past a thousand attempts the walk is running away: let the file
            // go so that the test ends and reports it.
            if (++attempts < 1000 && path.endsWith("locked/a.bin"))
                return false;
            return isDir ? QDir().rmdir(path) : QFile::remove(path);
        });
    QVERIFY(!gone);
    QVERIFY(attempts < 20);
    QVERIFY(QFileInfo(fx.macro("F/locked/a.bin")).isFile());
    QCOMPARE(MacroFixture::treeOf(fx.macro("F")), (QStringList{"/locked", "/locked/a.bin"}));

    if (::geteuid() != 0) {
        // The same through the library with a folder that refuses changes.
        QFile::setPermissions(fx.macro("F/locked"), QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY(fx.lib->deleteMacroIni(0, 1, "F"));
        QVERIFY(QFileInfo(fx.macro("F/locked/a.bin")).isFile());
        QFile::setPermissions(fx.macro("F/locked"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

void TestMacroLibrary::renameMacroAndFolder()
{
    MacroFixture fx;
    QVERIFY(fx.lib->createMacroIni("Old", 0, 0, 0));
    QVERIFY(fx.lib->saveMacroIni(0, "Old", {"1,A"}, 2));
    QVERIFY(fx.lib->createMacroIni("Taken", 0, 0, 0));
    const QByteArray taken = fileBytes(fx.macro("Taken.bin"));

    QVERIFY(!fx.lib->modifyMacroNameUpdateProfile(0, 0, "Old", "Taken"));
    QCOMPARE(fileBytes(fx.macro("Taken.bin")), taken);
    QVERIFY(QFileInfo(fx.macro("Old.bin")).isFile());
    QVERIFY(fx.lib->modifyMacroNameUpdateProfile(0, 0, "Old", "New"));
    QCOMPARE(fx.lib->loadMacroIni(0, "New"), (QStringList{"1,A", "2"}));
    QVERIFY(!fx.lib->modifyMacroNameUpdateProfile(0, 0, "Old", "Again"));

    // A folder takes its content along; an existing folder, even an empty one,
    // is never replaced.
    fx.write("macro/F/inner.bin", "[config]\ntotal=0\n");
    QDir().mkpath(fx.macro("Empty"));
    QVERIFY(!fx.lib->modifyMacroNameUpdateProfile(0, 1, "F", "Empty"));
    QVERIFY(QFileInfo(fx.macro("F/inner.bin")).isFile());
    QVERIFY(fx.lib->modifyMacroNameUpdateProfile(0, 1, "F", "G"));
    QVERIFY(QFileInfo(fx.macro("G/inner.bin")).isFile());
    QVERIFY(!fx.lib->modifyMacroNameUpdateProfile(0, 1, "F", "H"));

    fx.select("G");
    QVERIFY(fx.lib->modifyMacroNameUpdateProfile(1, 0, "inner", "outer"));
    QVERIFY(QFileInfo(fx.macro("G/outer.bin")).isFile());
}

void TestMacroLibrary::hostileNamesAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("selected"); // level-0 folder of the selection path
    QTest::newRow("dot dot") << ".."
                             << "A";
    QTest::newRow("dot") << "."
                         << "A";
    QTest::newRow("slash") << "a/b"
                           << "A";
    QTest::newRow("empty") << ""
                           << "A";
    QTest::newRow("backslash") << "\\"
                               << "A";
    QTest::newRow("embedded backslash") << "x\\..\\y"
                                        << "A";
    QTest::newRow("selection dot dot") << "M"
                                       << "..";
    QTest::newRow("selection slash") << "M"
                                     << "A/B";
    QTest::newRow("selection empty") << "M"
                                     << "";
}

void TestMacroLibrary::hostileNamesAreRefused()
{
    QFETCH(QString, name);
    QFETCH(QString, selected);
    MacroFixture fx;
    fx.write("setting/keep.bin", "keep");
    fx.write("macro/A/M.bin", "[config]\ntotal=0\nrepeat=1\n");
    fx.write("macro/A/a/b.bin", "[config]\ntotal=0\nrepeat=1\n");
    fx.write("macro/A/a/b/x.bin", "x");
    fx.write("macro/M.bin", "[config]\ntotal=0\nrepeat=1\n");
    fx.select(selected);
    const QStringList before = fx.tree();
    const QString good = selected == "A" ? "M" : "Fine";

    QVERIFY(!fx.lib->createMacroIni(name, 0, 1, 0));
    QVERIFY(!fx.lib->createMacroIni(name, 0, 1, 1));
    QVERIFY(!fx.lib->saveMacroIni(1, name, {"1,A"}, 1));
    QVERIFY(fx.lib->loadMacroIni(1, name).isEmpty());
    QVERIFY(!fx.lib->deleteMacroIni(1, 0, name));
    QVERIFY(!fx.lib->deleteMacroIni(1, 1, name));
    QVERIFY(!fx.lib->modifyMacroNameUpdateProfile(1, 0, name, "Renamed"));
    QVERIFY(!fx.lib->modifyMacroNameUpdateProfile(1, 1, name, "Renamed"));
    QVERIFY(!fx.lib->modifyMacroNameUpdateProfile(1, 0, good, name));
    QVERIFY(!fx.lib->modifyMacroNameUpdateProfile(1, 1, good, name));
    QCOMPARE(fx.tree(), before);
    QVERIFY(fx.dialogs.warnings.isEmpty());
}

void TestMacroLibrary::deletedMacroResetsBoundButtonsOfFirstSixProfiles()
{
    // Button 2 bound to slot 2 = "M", button 5 to slot 5 = "Other", button 7 a
    // key whose stale slot entry still reads "M", button 9 a short list.
    const QByteArray profile = "[mouseKeyMatrix]\n"
                               "2=4, 0, 2, 0\n"
                               "5=4, 1, 5, 0\n"
                               "7=1, 0, 4, 0\n"
                               "9=4, 0\n"
                               "[mouseMacroKey]\n"
                               "2=M\n5=Other\n7=M\n";
    const QByteArray defaults = "[mouseKeyMatrix]\n"
                                "2=1, 0, 240, 0\n"
                                "5=1, 0, 241, 0\n"
                                "7=1, 0, 242, 0\n";
    StagedFiles files{{"setting/pD.bin", defaults}};
    for (int i = 1; i <= 10; ++i)
        files.append({QStringLiteral("setting/p%1.bin").arg(i), profile});
    MacroFixture fx(files);

    fx.lib->deleteMacroUpdateProfile("M");
    for (int i = 0; i < 10; ++i) {
        QSettings *p = fx.store->profile(i);
        p->sync();
        const QString file = fx.path(QStringLiteral("setting/p%1.bin").arg(i + 1));
        const QString expected =
            i < 6 ? QStringLiteral("1, 0, 240, 0") : QStringLiteral("4, 0, 2, 0");
        QCOMPARE(iniValue(file, "mouseKeyMatrix", "2"), expected);
        QCOMPARE(iniValue(file, "mouseKeyMatrix", "5"), QString("4, 1, 5, 0"));
        QCOMPARE(iniValue(file, "mouseKeyMatrix", "7"), QString("1, 0, 4, 0"));
        QCOMPARE(iniValue(file, "mouseKeyMatrix", "9"), QString("4, 0"));
        QCOMPARE(iniValue(file, "mouseMacroKey", "2"), QString("M"));
    }
    QCOMPARE(fx.store->profile(0)->value("mouseKeyMatrix/2").toStringList(),
             (QStringList{"1", "0", "240", "0"}));
}

// The list the macro-assignment overlay shows: a name that lives in several
// folders is listed once, where loadMacroByName finds it.
void TestMacroLibrary::macroNamesOnceNearestTheRootFirst()
{
    MacroFixture fx({{"macro/Zed.bin", "[config]\ntotal=0\n"},
                     {"macro/A/Alpha.bin", "[config]\ntotal=0\n"},
                     {"macro/A/Zed.bin", "[config]\ntotal=0\n"},
                     {"macro/B/C/Deep.bin", "[config]\ntotal=0\n"},
                     {"macro/B/notes.txt", "not a macro"}});
    QCOMPARE(fx.lib->getMacroNames(),
             (QStringList{QStringLiteral("Zed"), QStringLiteral("Alpha"), QStringLiteral("Deep")}));
    QVERIFY(MacroFixture().lib->getMacroNames().isEmpty());
}

void TestMacroLibrary::macroNamesAreUniqueAcrossTheLibrary_data()
{
    QTest::addColumn<QString>("op"); // create, rename (Mine), import, batch (folder Pack)
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder"); // where the macro goes: "" (root) or G
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QStringList>("ambiguous");
    const QStringList none;
    QTest::newRow("create, another folder holds it")
        << "create" << QStringList{"F/Fire.bin"} << "Fire"
        << "" << false << none;
    QTest::newRow("create in a folder, the root holds it")
        << "create" << QStringList{"Fire.bin"} << "Fire"
        << "G" << false << none;
    // Names compare exactly, as the files and the profiles' bindings do.
    QTest::newRow("create, another folder holds it in another case")
        << "create" << QStringList{"F/fire.bin"} << "Fire"
        << "" << true << none;
    QTest::newRow("rename, another folder holds it")
        << "rename" << QStringList{"F/Fire.bin"} << "Fire"
        << "" << false << none;
    QTest::newRow("rename, only another case is held")
        << "rename" << QStringList{"F/FIRE.bin"} << "Fire"
        << "" << true << none;
    QTest::newRow("import, a deeper folder holds it")
        << "import" << QStringList{"F/H/Fire.bin"} << "Fire"
        << "G" << false << none;
    QTest::newRow("batch, another folder holds one of its macros")
        << "batch" << QStringList{"F/Fire.bin"} << "Fire"
        << "" << false << none;
    // A library from before the rule keeps its duplicates and names them.
    QTest::newRow("duplicates, their name stays refused")
        << "create" << QStringList{"Fire.bin", "F/Fire.bin"} << "Fire"
        << "G" << false << QStringList{"Fire"};
    QTest::newRow("duplicates, other names come in")
        << "import" << QStringList{"Fire.bin", "F/Fire.bin", "F/Dup.bin", "G/Dup.bin"} << "Burst"
        << "" << true << QStringList{"Dup", "Fire"};
}

void TestMacroLibrary::macroNamesAreUniqueAcrossTheLibrary()
{
    QFETCH(QString, op);
    QFETCH(QStringList, existing);
    QFETCH(QString, name);
    QFETCH(QString, folder);
    QFETCH(bool, accepted);
    QFETCH(QStringList, ambiguous);
    const QByteArray macro = "[config]\nrepeat=1\ntotal=1\n\n[macro]\n0=\"1,A\"\n";
    MacroFixture fx;
    for (const QString &file : existing)
        fx.write("macro/" + file, macro);
    QDir().mkpath(fx.macro("G"));
    fx.write("macro/" + (folder.isEmpty() ? QString() : folder + "/") + "Mine.bin", macro);
    const QString source = fx.tmp.path() + "/in/Pack";
    QDir().mkpath(source);
    for (const QString &file : {name, QStringLiteral("Keep")}) {
        QFile mc(source + "/" + file + ".mc");
        QVERIFY(mc.open(QIODevice::WriteOnly));
        mc.write(macro);
    }
    QCOMPARE(fx.lib->ambiguousMacroNames(), ambiguous);
    const QStringList before = fx.tree();

    const int level = folder.isEmpty() ? 0 : 1;
    fx.select(folder);
    bool done = false;
    if (op == "create") {
        done = fx.lib->createMacroIni(name, 0, level, 0);
    } else if (op == "rename") {
        done = fx.lib->modifyMacroNameUpdateProfile(level, 0, "Mine", name);
    } else if (op == "import") {
        fx.dialogs.answers = {source + "/" + name + ".mc"};
        done = fx.lib->loadMacroFile(level - 1, level) == name;
    } else {
        fx.dialogs.answers = {source};
        QCOMPARE(fx.lib->loadMacroFile_batch(), QStringLiteral("Pack"));
        fx.lib->loadMacroFile_sub_batch();
        // The rest of the folder comes in whatever happens to the clash.
        QVERIFY(QFileInfo(fx.macro("Pack/Keep.bin")).isFile());
        done = QFileInfo(fx.macro("Pack/" + name + ".bin")).isFile();
        folder = "Pack";
    }
    QCOMPARE(done, accepted);
    if (op == "import" || op == "batch")
        QCOMPARE(fx.lib->refusedMacroNames(), accepted ? QStringList() : QStringList{name});
    const QString target = fx.macro((folder.isEmpty() ? QString() : folder + "/") + name + ".bin");
    QCOMPARE(QFileInfo(target).isFile(), accepted);
    if (!accepted && op != "batch")
        QCOMPARE(fx.tree(), before);
    QCOMPARE(fx.lib->ambiguousMacroNames(), ambiguous);
}

QTEST_GUILESS_MAIN(TestMacroLibrary)
#include "tst_macrolibrary.moc"
