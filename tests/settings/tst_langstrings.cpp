#include "settings/langstrings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestLangStrings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString modules() const { return m_dir.path() + "/modules"; }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(modules() + "/i18n"));
        QFile file(modules() + "/i18n/Test.ini");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "[gap]\ntotal=3\n0=first\n2=third\n"
            "[negative]\ntotal=-2\n0=x\n"
            "[notANumber]\ntotal=abc\n0=x\n"
            "[noTotal]\n0=x\n"
            "[commas]\ntotal=2\n0=\"one, two\"\n1=one, two\n"
            "[utf8]\ntotal=1\n0=\"\xe9\x9d\x9c\xe6\x85\x8b \\\\ \"\n"
            "[absurd]\ntotal=2000000000\n"
            "[otherLong]\ntotal=10\n0=s1\n1=s2\n2=s3\n3=s4\n4=s5\n5=s6\n6=s7\n7=s8\n8=x\n9=y\n");
    }

    void init() { LangStrings::resetDpiSwitchTexts(); }

    void sections_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("missing index reads empty") << "Test"
                                                   << "gap" << QStringList{"first", "", "third"};
        QTest::newRow("negative total") << "Test"
                                        << "negative" << QStringList();
        QTest::newRow("total not a number") << "Test"
                                            << "notANumber" << QStringList();
        QTest::newRow("no total") << "Test"
                                  << "noTotal" << QStringList();
        QTest::newRow("missing section") << "Test"
                                         << "nothing" << QStringList();
        QTest::newRow("comma quoted or not") << "Test"
                                             << "commas" << QStringList{"one, two", "one, two"};
        QTest::newRow("utf-8 and escapes") << "Test"
                                           << "utf8" << QStringList{"靜態 \\ "};
        QTest::newRow("language without file") << "Klingon"
                                               << "gap" << QStringList();
        QTest::newRow("name leaving the folder") << "../i18n/Test"
                                                 << "gap" << QStringList();
    }

    void sections()
    {
        QFETCH(QString, lang);
        QFETCH(QString, section);
        QFETCH(QStringList, expected);
        LangStrings strings(modules());
        QCOMPARE(strings.getLangStrings(section, lang), expected);
        QCOMPARE(LangStrings::dpiSwitchTexts(), QStringList(8, "DPI Switch to"));
    }

    void absurdTotalIsBounded()
    {
        LangStrings strings(modules());
        const QStringList list = strings.getLangStrings("absurd", "Test");
        QVERIFY(list.size() <= 10000);
    }

    void otherSetsTheDpiSwitchTexts()
    {
        QFile shortFile(modules() + "/i18n/Short.ini");
        QVERIFY(shortFile.open(QIODevice::WriteOnly));
        shortFile.write("[other]\ntotal=3\n0=a\n1=b\n2=c\n");
        shortFile.close();
        QFile longFile(modules() + "/i18n/Long.ini");
        QVERIFY(longFile.open(QIODevice::WriteOnly));
        longFile.write(
            "[other]\ntotal=10\n0=s1\n1=s2\n2=s3\n3=s4\n4=s5\n5=s6\n6=s7\n7=s8\n8=x\n9=y\n");
        longFile.close();
        LangStrings strings(modules());

        // Only the section named "other" changes them.
        QCOMPARE(strings.getLangStrings("otherLong", "Test").size(), 10);
        QCOMPARE(LangStrings::dpiSwitchTexts(), QStringList(8, "DPI Switch to"));

        QCOMPARE(strings.getLangStrings("other", "Short"), (QStringList{"a", "b", "c"}));
        QStringList expected(8, "DPI Switch to");
        expected[0] = "a";
        expected[1] = "b";
        expected[2] = "c";
        QCOMPARE(LangStrings::dpiSwitchTexts(), expected);

        QCOMPARE(strings.getLangStrings("other", "Long").size(), 10);
        QCOMPARE(LangStrings::dpiSwitchTexts(),
                 (QStringList{"s1", "s2", "s3", "s4", "s5", "s6", "s7", "s8"}));
    }

    void stageChoosesItsText_data()
    {
        QTest::addColumn<int>("stage");
        QTest::addColumn<QString>("text");
        QTest::newRow("stage 1") << 1 << "s1";
        QTest::newRow("stage 7") << 7 << "s7";
        QTest::newRow("stage 8") << 8 << "s8";
        QTest::newRow("stage 0") << 0 << "s8";
        QTest::newRow("stage 9") << 9 << "s8";
    }

    void stageChoosesItsText()
    {
        QFETCH(int, stage);
        QFETCH(QString, text);
        QFile file(modules() + "/i18n/Stages.ini");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[other]\ntotal=8\n0=s1\n1=s2\n2=s3\n3=s4\n4=s5\n5=s6\n6=s7\n7=s8\n");
        file.close();
        LangStrings(modules()).getLangStrings("other", "Stages");
        QCOMPARE(LangStrings::dpiSwitchText(stage), text);
    }
};

QTEST_GUILESS_MAIN(TestLangStrings)
#include "tst_langstrings.moc"
