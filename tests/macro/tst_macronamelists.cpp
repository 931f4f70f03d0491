// The ordered lists of name.bin: padding, prefixes and the three write modes.
#include "macrofixture.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

QVariantList vl(const QStringList &list)
{
    QVariantList out;
    for (const QString &s : list)
        out << s;
    return out;
}

const QStringList kSuffixes = {"macroName", "macroType", "showImg", "txtMargin", "level",
                               "no0",       "no1",       "no2",     "no3",       "no4"};

// Ten lists whose elements tell which list they are: {"<tag>0", ...}.
struct Set {
    QVariantList lists[10];
    explicit Set(const QString &tag, int items = 2)
    {
        for (int i = 0; i < 10; ++i)
            for (int k = 0; k < items; ++k)
                lists[i] << QStringLiteral("%1%2_%3").arg(tag).arg(i).arg(k);
    }
};

bool write(MacroLibrary &lib, int att, int level, const QString &name, const Set &s)
{
    return lib.updataMacroList(att, level, name, s.lists[0], s.lists[1], s.lists[2], s.lists[3],
                               s.lists[4], s.lists[5], s.lists[6], s.lists[7], s.lists[8],
                               s.lists[9]);
}

QByteArray stagedSet(const QString &prefix, const QString &tag)
{
    QByteArray out = "[" + prefix.toUtf8() + "]\n";
    for (const QString &s : kSuffixes)
        out += s.toUtf8() + "=" + tag.toUtf8() + s.toUtf8() + ", second\n";
    return out;
}

} // namespace

class TestMacroNameLists : public QObject
{
    Q_OBJECT
private slots:
    void plainListsFollowThePaddingRule();
    void plainListTypesAndStrayValues();
    void rootListNumbering();
    void subListPrefixFollowsLevelAndSelection_data();
    void subListPrefixFollowsLevelAndSelection();
    void writeModes();
    void removeOneSet();
    void valuesFromTheSceneAreStoredAsText();
    void changesMadeElsewhereAreSeen();
    void oversizedFileIsRefused();
};

// A name.bin far beyond any real library is neither read nor replaced.
void TestMacroNameLists::oversizedFileIsRefused()
{
    MacroFixture fx;
    const QString file = fx.path("setting/name.bin");
    {
        QFile big(file);
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write("[macro]\nmacroName=A, B\n");
        QVERIFY(big.resize(MacroLibrary::kMaxNameListSize + 1)); // sparse: no disk used
    }
    const QDateTime stamp = QFileInfo(file).lastModified();
    const QRegularExpression refused("name lists refused: the file is larger than");
    QTest::ignoreMessage(QtDebugMsg, refused);
    QVERIFY(fx.lib->getNameList(0).isEmpty());
    QTest::ignoreMessage(QtDebugMsg, refused);
    QVERIFY(!fx.lib->updataNameList(0, {"C"}));
    QTest::ignoreMessage(QtDebugMsg, refused);
    QVERIFY(!write(*fx.lib, 0, 0, QString(), Set("x")));
    QCOMPARE(QFileInfo(file).size(), MacroLibrary::kMaxNameListSize + 1);
    QCOMPARE(QFileInfo(file).lastModified(), stamp);

    // Cut back to its text, it is read as usual.
    QVERIFY(QFile::resize(file, 23));
    QCOMPARE(fx.lib->getNameList(0), (QStringList{"A", "B"}));
}

void TestMacroNameLists::plainListsFollowThePaddingRule()
{
    MacroFixture fx;
    const QString file = fx.path("setting/name.bin");
    QVERIFY(fx.lib->updataNameList(0, {"Macro1"}));
    QCOMPARE(iniValue(file, "macro", "macroName"), QString("Macro1, loaderquiver"));
    QCOMPARE(fx.lib->getNameList(0), (QStringList{"Macro1", "loaderquiver"}));

    QVERIFY(fx.lib->updataNameList(0, {"A", "loaderquiver"}));
    QCOMPARE(fx.lib->getNameList(0), (QStringList{"A", "loaderquiver"}));
    QVERIFY(fx.lib->updataNameList(0, {"A", "B", "C, with comma"}));
    QCOMPARE(fx.lib->getNameList(0), (QStringList{"A", "B", "C, with comma"}));

    QVERIFY(fx.lib->updataNameList(0, {}));
    QVERIFY(iniValue(file, "macro", "macroName").isNull());
    QVERIFY(fx.lib->getNameList(0).isEmpty());
}

void TestMacroNameLists::plainListTypesAndStrayValues()
{
    MacroFixture fx(StagedFiles{{"setting/name.bin", "[macro]\nmacroName=Solo\n"}});
    const QString file = fx.path("setting/name.bin");
    QVERIFY(fx.lib->getNameList(0).isEmpty()); // a plain value is not a list

    QVERIFY(fx.lib->updataNameList(1, {"AK", "M4"}));
    QVERIFY(fx.lib->updataNameList(2, {"Office1", "Game2"}));
    QVERIFY(fx.lib->updataNameList(3, {"0", "1", "2"}));
    QCOMPARE(iniValue(file, "gun", "gunName"), QString("AK, M4"));
    QCOMPARE(iniValue(file, "profile", "profileName"), QString("Office1, Game2"));
    QCOMPARE(iniValue(file, "gun", "selectGun"), QString("0, 1, 2"));
    QCOMPARE(fx.lib->getNameList(3), (QStringList{"0", "1", "2"}));

    const QByteArray before = fileBytes(file);
    QVERIFY(fx.lib->updataNameList(4, {"x", "y"}));
    QVERIFY(fx.lib->updataNameList(-1, {"x", "y"}));
    QCOMPARE(fileBytes(file), before);
    QVERIFY(fx.lib->getNameList(4).isEmpty());
}

void TestMacroNameLists::rootListNumbering()
{
    MacroFixture fx(StagedFiles{{"setting/name.bin", stagedSet("macro", "root-")}});
    const QStringList order = {"macroType", "showImg", "txtMargin", "level", "no0",
                               "no1",       "no2",     "no3",       "no4"};
    for (int att = 0; att < order.size(); ++att)
        QCOMPARE(fx.lib->getMacroList_Att(att), (QStringList{"root-" + order[att], "second"}));
    QVERIFY(fx.lib->getMacroList_Att(9).isEmpty());
    QVERIFY(fx.lib->getMacroList_Att(-1).isEmpty());
    QCOMPARE(fx.lib->getNameList(0), (QStringList{"root-macroName", "second"}));
}

void TestMacroNameLists::subListPrefixFollowsLevelAndSelection_data()
{
    QTest::addColumn<QString>("level");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("level 1: the name alone") << "1"
                                             << "D";
    QTest::newRow("level 3: two names and the name") << "3"
                                                     << "ABD";
    QTest::newRow("level 5: four names and the name") << "5"
                                                      << "ABCED";
    QTest::newRow("level 0: no group") << "0"
                                       << "";
    QTest::newRow("level 6: no group") << "6"
                                       << "";
}

void TestMacroNameLists::subListPrefixFollowsLevelAndSelection()
{
    QFETCH(QString, level);
    QFETCH(QString, prefix);
    QByteArray staged = "[General]\n";
    for (const QString &s : kSuffixes)
        staged += s.toUtf8() + "=nogroup-" + s.toUtf8() + ", second\n";
    for (const char *p : {"D", "ABD", "ABCED"})
        staged += stagedSet(p, QString(p) + "-");
    MacroFixture fx(StagedFiles{{"setting/name.bin", staged}});
    fx.select("A", "B", "C", "E", "F");
    fx.lib->setMacroLevel(level);
    const QString tag = prefix.isEmpty() ? QStringLiteral("nogroup-") : prefix + "-";
    const QStringList order = {"macroType", "showImg", "txtMargin", "level", "macroName",
                               "no0",       "no1",     "no2",       "no3",   "no4"};
    for (int att = 0; att < order.size(); ++att)
        QCOMPARE(fx.lib->getMacroSubList_Att(att, "D"), (QStringList{tag + order[att], "second"}));
    QVERIFY(fx.lib->getMacroSubList_Att(10, "D").isEmpty());
    if (!prefix.isEmpty())
        QVERIFY(fx.lib->getMacroSubList_Att(0, "Nothing").isEmpty());
}

void TestMacroNameLists::writeModes()
{
    MacroFixture fx(
        StagedFiles{{"setting/name.bin", stagedSet("AX", "ax-") + stagedSet("AY", "ay-") +
                                             stagedSet("keep", "keep-")}});
    const QString file = fx.path("setting/name.bin");

    // Mode 1 at level 0 writes the root lists; one-element lists are padded.
    QVERIFY(write(*fx.lib, 1, 0, "ignored", Set("r", 1)));
    for (int i = 0; i < 10; ++i)
        QCOMPARE(iniValue(file, "macro", kSuffixes[i]),
                 QStringLiteral("r%1_0, loaderquiver").arg(i));

    // Mode 0: the set under name1 + currentName goes, the lists land under AB.
    fx.select("A", "B");
    QVERIFY(write(*fx.lib, 0, 2, "X", Set("ab")));
    for (int i = 0; i < 10; ++i) {
        QVERIFY(iniValue(file, "AX", kSuffixes[i]).isNull());
        QCOMPARE(iniValue(file, "AB", kSuffixes[i]), QStringLiteral("ab%1_0, ab%1_1").arg(i));
    }

    // Mode 1 with empty lists removes those keys only.
    Set partial("p");
    partial.lists[3].clear();
    QVERIFY(write(*fx.lib, 1, 2, "ignored", partial));
    QVERIFY(iniValue(file, "AB", "txtMargin").isNull());
    QCOMPARE(iniValue(file, "AB", "level"), QString("p4_0, p4_1"));

    // Mode 2 moves the set of the level-1 folder Y to the name Z.
    fx.select("A", "Y");
    QVERIFY(write(*fx.lib, 2, 1, "Z", Set("z")));
    for (int i = 0; i < 10; ++i) {
        QVERIFY(iniValue(file, "AY", kSuffixes[i]).isNull());
        QCOMPARE(iniValue(file, "AZ", kSuffixes[i]), QStringLiteral("z%1_0, z%1_1").arg(i));
    }

    // Unknown modes and levels beyond the tree write nothing.
    const QByteArray before = fileBytes(file);
    QVERIFY(write(*fx.lib, 3, 1, "Q", Set("q")));
    QVERIFY(write(*fx.lib, 1, 6, "Q", Set("q")));
    QVERIFY(write(*fx.lib, 2, 5, "Q", Set("q")));
    QCOMPARE(fileBytes(file), before);
    QCOMPARE(iniValue(file, "keep", "no4"), QString("keep-no4, second"));
}

void TestMacroNameLists::removeOneSet()
{
    MacroFixture fx(
        StagedFiles{{"setting/name.bin", stagedSet("AB", "ab-") + stagedSet("ABC", "abc-")}});
    const QString file = fx.path("setting/name.bin");
    QTest::ignoreMessage(QtDebugMsg,
                         "=============================  updataMacroList_delOld, removeName =  "
                         "\"AB\"");
    fx.lib->updataMacroList_delOld("AB");
    QVERIFY(!iniHasGroup(file, "AB"));
    QCOMPARE(iniValue(file, "ABC", "macroName"), QString("abc-macroName, second"));
}

void TestMacroNameLists::valuesFromTheSceneAreStoredAsText()
{
    MacroFixture fx;
    const QString file = fx.path("setting/name.bin");
    const QVariantList names{"M1", "F1"};
    const QVariantList types{0, 1};
    const QVariantList imgs{false, true};
    const QVariantList margins{5.0, 25};
    const QVariantList levels{0, 0};
    const QVariantList none{-1, -1};
    QTest::ignoreMessage(QtDebugMsg, "=========================== updataMacroList "
                                     "=====================================");
    QTest::ignoreMessage(QtDebugMsg, "nameList =  (\"M1\", \"F1\")");
    QVERIFY(fx.lib->updataMacroList(1, 0, "", names, types, imgs, margins, levels, none, none, none,
                                    none, none));
    QCOMPARE(iniValue(file, "macro", "macroType"), QString("0, 1"));
    QCOMPARE(iniValue(file, "macro", "showImg"), QString("false, true"));
    QCOMPARE(iniValue(file, "macro", "txtMargin"), QString("5, 25"));
    QCOMPARE(iniValue(file, "macro", "no3"), QString("-1, -1"));
    QCOMPARE(fx.lib->getMacroList_Att(0), (QStringList{"0", "1"}));
}

void TestMacroNameLists::changesMadeElsewhereAreSeen()
{
    MacroFixture fx;
    const QString file = fx.path("setting/name.bin");
    QVERIFY(fx.lib->updataNameList(0, vl({"A", "B"})));
    QCOMPARE(fx.lib->getNameList(0), (QStringList{"A", "B"}));

    // Another library object of this process.
    MacroLibrary other(fx.store.get(), nullptr);
    QVERIFY(other.updataNameList(0, vl({"C", "D"})));
    QCOMPARE(fx.lib->getNameList(0), (QStringList{"C", "D"}));

    // Another program rewriting the file.
    fx.write("setting/name.bin", "[macro]\nmacroName=\"E\", \"F\", \"G\"\n");
    QCOMPARE(fx.lib->getNameList(0), (QStringList{"E", "F", "G"}));
    QVERIFY(fx.lib->updataNameList(1, vl({"gun1", "gun2"})));
    QCOMPARE(iniValue(file, "macro", "macroName"), QString("E, F, G"));
}

QTEST_GUILESS_MAIN(TestMacroNameLists)
#include "tst_macronamelists.moc"
