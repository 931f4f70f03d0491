// Import and export of .mc files, batch import and export through real
// folders, and the library walk that drops name lists.
#include "macrofixture.h"

#include "macro/macrofiles.h"

#include <QStandardPaths>

namespace {

const QByteArray kMacroText = "[config]\nindex=0\ntotal=2\nrepeat=1\ndid=-1\n"
                              "[macro]\n0=\"1,A\"\n1=\"2,A\"\n";

QByteArray macroText(const QString &tag)
{
    return "[config]\nindex=0\ntotal=1\nrepeat=2\ndid=-1\n[macro]\n0=\"1," + tag.toUtf8() + "\"\n";
}

void put(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

QStringList listSet(MacroLibrary &lib, int level, const QString &name)
{
    lib.setMacroLevel(level);
    return lib.getMacroSubList_Att(4, name);
}

} // namespace

class TestMacroExchange : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void importOneMacro();
    void importRefusesWhatIsNoMacro_data();
    void importRefusesWhatIsNoMacro();
    void exportOneMacro();
    void batchImportTree();
    void batchImportRefusals();
    void batchExportAndImportRoundTrip();
    void batchExportNeedsAnExportRoot();
    void libraryWalkDropsNameLists_data();
    void libraryWalkDropsNameLists();
    void libraryWalkUsesWholeFolderNames();

private:
    QTemporaryDir m_home;
    QString m_desktop;
};

void TestMacroExchange::initTestCase()
{
    // The dialogs start in the desktop folder: give the test a home of its own.
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (m_home.path() + "/.config").toUtf8());
    m_desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    QCOMPARE(m_desktop, m_home.path() + "/Desktop");
    QVERIFY(QDir().mkpath(m_desktop));
}

void TestMacroExchange::importOneMacro()
{
    MacroFixture fx;
    put(m_desktop + "/combo.old.mc", kMacroText);
    fx.dialogs.answers = {m_desktop + "/combo.old.mc"};
    QCOMPARE(fx.lib->loadMacroFile(-1, -1), QString("combo"));
    QCOMPARE(fx.dialogs.asked, QStringList{"open|Open File|" + m_desktop + "|Macro(*.mc)"});
    QCOMPARE(fileBytes(fx.macro("combo.bin")), kMacroText);
    QCOMPARE(fx.lib->loadMacroIni(0, "combo"), (QStringList{"1,A", "2,A", "1"}));

    // A selected folder at level 1 (path A, B) receives it; a selected macro
    // sends it to the root.
    QDir().mkpath(fx.macro("A/B"));
    fx.select("A", "B");
    put(m_desktop + "/x.mc", macroText("X"));
    put(m_desktop + "/y.mc", macroText("Y"));
    fx.dialogs.answers = {m_desktop + "/x.mc", m_desktop + "/y.mc"};
    QCOMPARE(fx.lib->loadMacroFile(1, 1), QString("x"));
    QCOMPARE(fileBytes(fx.macro("A/B/x.bin")), macroText("X"));
    QCOMPARE(fx.lib->loadMacroFile(2, 0), QString("y"));
    QCOMPARE(fileBytes(fx.macro("y.bin")), macroText("Y"));

    // An existing macro is kept; the name still comes back for the scene's check.
    put(m_desktop + "/other/combo.mc", macroText("Z"));
    fx.dialogs.answers = {m_desktop + "/other/combo.mc"};
    QCOMPARE(fx.lib->loadMacroFile(-1, -1), QString("combo"));
    QCOMPARE(fileBytes(fx.macro("combo.bin")), kMacroText);

    // Cancelled.
    QCOMPARE(fx.lib->loadMacroFile(-1, -1), QString());
}

void TestMacroExchange::importRefusesWhatIsNoMacro_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("selected");
    QTest::newRow("text file") << "notes.mc" << QByteArray("just some text\n") << "A";
    const char blob[] = "\x00\x01\xff\xfe[]=\x00"; // eight bytes and the closing NUL: nine in all
    QTest::newRow("binary") << "blob.mc" << QByteArray(blob, sizeof blob) << "A";
    // Over the size a macro file may have, even though it is a macro file.
    QByteArray huge = kMacroText + "\n[padding]\n";
    for (int i = 0; huge.size() <= MacroFiles::kMaxMacroFileSize; ++i)
        huge += "p" + QByteArray::number(i) + "=" + QByteArray(100, 'x') + "\n";
    QTest::newRow("larger than 1 MiB") << "huge.mc" << huge << "A";
    QTest::newRow("ini without total") << "almost.mc" << QByteArray("[config]\nrepeat=1\n") << "A";
    QTest::newRow("total not a number") << "bad.mc" << QByteArray("[config]\ntotal=many\n") << "A";
    QTest::newRow("name up to the dot is empty") << ".hidden.mc" << kMacroText << "A";
    QTest::newRow("selection dot dot") << "fine.mc" << kMacroText << "..";
    QTest::newRow("selection with slash") << "fine.mc" << kMacroText << "A/B";
}

void TestMacroExchange::importRefusesWhatIsNoMacro()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, selected);
    MacroFixture fx;
    QDir().mkpath(fx.macro("A"));
    fx.select(selected);
    put(m_desktop + "/refuse/" + fileName, content);
    const QStringList before = fx.tree();
    fx.dialogs.answers = {m_desktop + "/refuse/" + fileName};
    QCOMPARE(fx.lib->loadMacroFile(0, 1), QString());
    QCOMPARE(fx.tree(), before);
    QDir(m_desktop + "/refuse").removeRecursively();
}

void TestMacroExchange::exportOneMacro()
{
    MacroFixture fx;
    QDir().mkpath(fx.macro("A"));
    fx.select("A");
    put(fx.macro("A/M.bin"), kMacroText);
    const QString target = m_desktop + "/out.mc";
    put(target, "older export");

    fx.dialogs.answers = {target};
    fx.lib->saveMacroFile(1, "M");
    QCOMPARE(fx.dialogs.asked, QStringList{"save|Save File|" + m_desktop + "|Macro(*.mc)"});
    QCOMPARE(fileBytes(target), kMacroText);

    // A name typed without .mc gets it, so that the import dialog lists it;
    // an existing file of that name is not replaced unasked.
    fx.dialogs.answers = {m_desktop + "/typed"};
    fx.lib->saveMacroFile(1, "M");
    QCOMPARE(fileBytes(m_desktop + "/typed.mc"), kMacroText);
    QVERIFY(!QFile::exists(m_desktop + "/typed"));
    put(m_desktop + "/typed.mc", "user's own file");
    fx.dialogs.answers = {m_desktop + "/typed"};
    fx.lib->saveMacroFile(1, "M");
    QCOMPARE(fileBytes(m_desktop + "/typed.mc"), QByteArray("user's own file"));
    QCOMPARE(fx.dialogs.warnings.size(), 1);
    QFile::remove(m_desktop + "/typed.mc");

    // A macro that is not there leaves the chosen file alone.
    put(target, "user's own file");
    fx.dialogs.answers = {target};
    fx.lib->saveMacroFile(1, "Missing");
    QCOMPARE(fileBytes(target), QByteArray("user's own file"));

    // Exporting a macro onto itself keeps it.
    fx.dialogs.answers = {fx.macro("A/M.bin")};
    fx.lib->saveMacroFile(1, "M");
    QCOMPARE(fileBytes(fx.macro("A/M.bin")), kMacroText);

    // Cancelled; hostile names ask nothing.
    fx.dialogs.asked.clear();
    fx.lib->saveMacroFile(1, "M");
    fx.lib->saveMacroFile(1, "../M");
    QCOMPARE(fx.dialogs.asked.size(), 1);
    QFile::remove(target);
}

void TestMacroExchange::batchImportTree()
{
    MacroFixture fx;
    const QString src = m_desktop + "/T.pack";
    put(src + "/x.mc", macroText("X"));
    put(src + "/readme.txt", "not a macro");
    put(src + "/S/y.mc", macroText("Y"));
    put(src + "/S/z.old.mc", macroText("Z"));
    put(src + "/S/broken.mc", "no macro at all");
    put(src + "/S/U/V/W/deep5.mc", macroText("5"));
    put(src + "/S/U/V/W/X6/deep6.mc", macroText("6"));
    put(src + "/a/first.mc", macroText("F"));

    fx.dialogs.answers = {src};
    QCOMPARE(fx.lib->loadMacroFile_batch(), QString("T"));
    QCOMPARE(fx.dialogs.asked, QStringList{"dir|Open Directory|" + m_desktop});
    QVERIFY(QFileInfo(fx.macro("T")).isDir());
    fx.lib->loadMacroFile_sub_batch();

    QCOMPARE(fx.lib->getMacroFileName_batch(1, 0), QStringList{"x"});
    QCOMPARE(fx.lib->getMacroFileName_batch(1, 1), (QStringList{"a", "S"}));
    QCOMPARE(fx.lib->getMacroFileName_batch(2, 0), (QStringList{"first", "y", "z"}));
    QCOMPARE(fx.lib->getMacroFileName_batch(2, 1), QStringList{"U"});
    QCOMPARE(fx.lib->getMacroFileName_batch(3, 1), QStringList{"V"});
    QCOMPARE(fx.lib->getMacroFileName_batch(4, 1), QStringList{"W"});
    QCOMPARE(fx.lib->getMacroFileName_batch(5, 0), QStringList{"deep5"});
    QVERIFY(fx.lib->getMacroFileName_batch(5, 1).isEmpty());
    QVERIFY(fx.lib->getMacroFileName_batch(6, 0).isEmpty());
    QVERIFY(fx.lib->getMacroFileName_batch(0, 0).isEmpty());

    QCOMPARE(fileBytes(fx.macro("T/x.bin")), macroText("X"));
    QCOMPARE(fileBytes(fx.macro("T/S/y.bin")), macroText("Y"));
    QCOMPARE(fileBytes(fx.macro("T/S/z.bin")), macroText("Z"));
    QCOMPARE(fileBytes(fx.macro("T/S/U/V/W/deep5.bin")), macroText("5"));
    QVERIFY(!QFileInfo::exists(fx.macro("T/S/broken.bin")));
    QVERIFY(!QFileInfo::exists(fx.macro("T/readme.bin")));
    QVERIFY(!QFileInfo::exists(fx.macro("T/S/U/V/W/X6")));

    // Again: existing files are kept, the lists are filled anew.
    put(fx.macro("T/x.bin"), macroText("changed"));
    fx.lib->loadMacroFile_sub_batch();
    QCOMPARE(fx.lib->getMacroFileName_batch(1, 0), QStringList{"x"});
    QCOMPARE(fileBytes(fx.macro("T/x.bin")), macroText("changed"));
    QDir(src).removeRecursively();
}

void TestMacroExchange::batchImportRefusals()
{
    MacroFixture fx;
    const QStringList before = fx.tree();
    QDir().mkpath(m_home.path() + "/elsewhere/Desktop");
    fx.dialogs.answers = {m_desktop, m_desktop + "/", m_home.path() + "/elsewhere/Desktop", "/",
                          m_home.path() + "/no-such-folder"};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(fx.lib->loadMacroFile_batch(), QString());
        QVERIFY(fx.lib->batchSourceFolder().isEmpty());
        fx.lib->loadMacroFile_sub_batch();
        QVERIFY(fx.lib->getMacroFileName_batch(1, 1).isEmpty());
    }
    QCOMPARE(fx.lib->loadMacroFile_batch(), QString()); // cancelled
    QCOMPARE(fx.tree(), before);
}

void TestMacroExchange::batchExportAndImportRoundTrip()
{
    // Library: root macro R and folder A; A holds a1 and folder B; B holds b1
    // and folder C; C holds c1.
    MacroFixture fx;
    put(fx.macro("R.bin"), macroText("R"));
    put(fx.macro("A/a1.bin"), macroText("a1"));
    put(fx.macro("A/B/b1.bin"), macroText("b1"));
    put(fx.macro("A/B/C/c1.bin"), macroText("c1"));

    const QString out = m_home.path() + "/export";
    QDir().mkpath(out);
    fx.dialogs.answers = {out};
    fx.lib->getbatchPath();
    QCOMPARE(fx.dialogs.asked, QStringList{"dir|Save File|" + m_desktop});
    QCOMPARE(fx.lib->exportRoot(), out + "/Macro");

    fx.select();
    fx.lib->saveMacroFile_batch(0, {"R", "A"}, {0, 1});
    fx.select("A");
    fx.lib->saveMacroFile_batch(1, {"a1", "B"}, {"0", "1"});
    fx.select("A", "B");
    fx.lib->saveMacroFile_batch(2, {"b1", "C", "odd"}, {0, 1, 7});
    fx.select("A", "B", "C");
    fx.lib->saveMacroFile_batch(3, {"c1", "../escape"}, {0, 0});

    QCOMPARE(MacroFixture::treeOf(out),
             (QStringList{"/Macro", "/Macro/A", "/Macro/A/B", "/Macro/A/B/C", "/Macro/A/B/C/c1.mc",
                          "/Macro/A/B/b1.mc", "/Macro/A/a1.mc", "/Macro/R.mc"}));

    // Exporting again replaces the earlier files.
    put(fx.macro("A/a1.bin"), macroText("a1 v2"));
    fx.select("A");
    fx.lib->saveMacroFile_batch(1, {"a1"}, {0});
    QCOMPARE(fileBytes(out + "/Macro/A/a1.mc"), macroText("a1 v2"));

    // Importing the exported folder into a fresh library gives the same tree.
    MacroFixture back;
    back.dialogs.answers = {out + "/Macro/A"};
    QCOMPARE(back.lib->loadMacroFile_batch(), QString("A"));
    back.lib->loadMacroFile_sub_batch();
    QCOMPARE(MacroFixture::treeOf(back.macro("A")), MacroFixture::treeOf(fx.macro("A")));
    for (const char *f : {"a1.bin", "B/b1.bin", "B/C/c1.bin"})
        QCOMPARE(fileBytes(back.macro("A/") + f), fileBytes(fx.macro("A/") + f));
    QCOMPARE(back.lib->getMacroFileName_batch(1, 1), QStringList{"B"});
    QCOMPARE(back.lib->getMacroFileName_batch(3, 0), QStringList{"c1"});
}

void TestMacroExchange::batchExportNeedsAnExportRoot()
{
    MacroFixture fx;
    put(fx.macro("R.bin"), macroText("R"));
    const QStringList home = MacroFixture::treeOf(m_home.path());
    fx.lib->saveMacroFile_batch(0, {"R"}, {0}); // before any getbatchPath
    fx.lib->getbatchPath();                     // cancelled
    QVERIFY(fx.lib->exportRoot().isEmpty());
    fx.lib->saveMacroFile_batch(0, {"R"}, {0});
    QCOMPARE(MacroFixture::treeOf(m_home.path()), home);
}

void TestMacroExchange::libraryWalkDropsNameLists_data()
{
    QTest::addColumn<int>("deleteLevel");
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("0 drops the folder's own set") << 0 << QStringList{"Other"};
    QTest::newRow("2 keeps depths 0 and 1") << 2 << QStringList{"A", "AF1", "AG1", "Other"};
    QTest::newRow("4 keeps all but depth 4")
        << 4 << QStringList{"A", "AF1", "AG1", "AF1F2", "AF1F2F3", "Other"};
    QTest::newRow("5 drops nothing")
        << 5 << QStringList{"A", "AF1", "AG1", "AF1F2", "AF1F2F3", "AF1F2F3F4", "Other"};
}

void TestMacroExchange::libraryWalkDropsNameLists()
{
    QFETCH(int, deleteLevel);
    QFETCH(QStringList, kept);
    const QStringList all = {"A", "AF1", "AG1", "AF1F2", "AF1F2F3", "AF1F2F3F4", "Other"};
    QByteArray staged;
    for (const QString &p : all)
        staged += "[" + p.toUtf8() + "]\nmacroName=" + p.toUtf8() + "-child, x\nno4=-1, -1\n";
    MacroFixture fx(StagedFiles{{"setting/name.bin", staged}});
    for (const char *f :
         {"A/m0.bin", "A/F1/m1.bin", "A/G1/g1.bin", "A/F1/F2/m2.bin", "A/F1/F2/F3/m3.bin",
          "A/F1/F2/F3/F4/m4.bin", "A/F1/F2/F3/F4/m5.bin", "A/F1/F2/F3/F4/F5/m6.bin", "A/note.txt"})
        put(fx.macro(f), macroText(f));
    const QStringList files = fx.tree();

    fx.select();
    fx.lib->searchMacroFile_sub_batch("A", 0, deleteLevel);
    for (const QString &p : all) {
        const QString file = fx.path("setting/name.bin");
        QCOMPARE(iniHasGroup(file, p), kept.contains(p));
    }
    QCOMPARE(fx.tree().filter(".bin").size(), files.filter(".bin").size() + 0);
    QCOMPARE(fx.lib->getMacroFileName_batch(1, 0), QStringList{"m0"});
    QCOMPARE(fx.lib->getMacroFileName_batch(1, 1), (QStringList{"F1", "G1"}));
    QCOMPARE(fx.lib->getMacroFileName_batch(2, 0), (QStringList{"m1", "g1"}));
    QCOMPARE(fx.lib->getMacroFileName_batch(4, 1), QStringList{"F4"});
    QCOMPARE(fx.lib->getMacroFileName_batch(5, 0), (QStringList{"m4", "m5"}));
}

void TestMacroExchange::libraryWalkUsesWholeFolderNames()
{
    // Deleting "v1.2" must not drop the lists of its neighbour "v1".
    MacroFixture fx(
        StagedFiles{{"setting/name.bin", "[v1]\nmacroName=keep, x\n[v1.2]\nmacroName=drop, x\n"
                                         "[v1.2Sub]\nmacroName=drop, x\n"}});
    put(fx.macro("v1.2/Sub/m.bin"), macroText("m"));
    put(fx.macro("v1/n.bin"), macroText("n"));
    fx.lib->searchMacroFile_sub_batch("v1.2", 0, 0);
    QCOMPARE(listSet(*fx.lib, 1, "v1"), (QStringList{"keep", "x"}));
    QVERIFY(listSet(*fx.lib, 1, "v1.2").isEmpty());
    QVERIFY(listSet(*fx.lib, 2, "Sub").isEmpty());
    QCOMPARE(fx.lib->getMacroFileName_batch(1, 1), QStringList{"Sub"});

    // Hostile start folders walk nothing and drop nothing.
    const QByteArray before = fileBytes(fx.path("setting/name.bin"));
    fx.lib->searchMacroFile_sub_batch("..", 0, 0);
    fx.lib->searchMacroFile_sub_batch("", 0, 0);
    fx.lib->searchMacroFile_sub_batch("v1", 5, 0);
    QCOMPARE(fileBytes(fx.path("setting/name.bin")), before);
    QVERIFY(fx.lib->getMacroFileName_batch(1, 0).isEmpty());
}

QTEST_GUILESS_MAIN(TestMacroExchange)
#include "tst_macroexchange.moc"
