// The data files shipped under modules/ are complete and consistent.
#include "devicesettings/keynames.h"
#include "settings/langstrings.h"
#include "settings/settingsstore.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QStringDecoder>
#include <QTest>

namespace {

QString modules()
{
    return qEnvironmentVariable("KESTA_SOURCE_DIR") + "/modules";
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QStringList kLanguages{
    "English", "ChineseSimplified", "ChineseTraditional", "German", "French", "Italian", "Spanish"};

} // namespace

class TestShippedData : public QObject
{
    Q_OBJECT

private slots:
    void languageFiles_data()
    {
        QTest::addColumn<QString>("lang");
        for (const QString &lang : kLanguages)
            QTest::newRow(qPrintable(lang)) << lang;
    }

    void languageFiles()
    {
        QFETCH(QString, lang);
        const QString path = modules() + "/i18n/" + lang + ".ini";
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString decoded = utf8(readAll(path));
        QVERIFY(!utf8.hasError() && !decoded.isEmpty());

        // Indexes the pages rely on.
        const QList<QPair<QString, int>> sections{
            {"keyMatrix", 25},   {"keyAssigment", 58},    {"dpiSetting", 1},  {"lightControl", 10},
            {"macroEditor", 26}, {"systemSetting", 15},   {"gunControl", 2},  {"profile", 1},
            {"keyCode", 133},    {"warningAssigment", 4}, {"other", 8},       {"feedback", 12},
            {"accessible", 23},  {"interface", 35},       {"appProfiles", 12}};
        LangStrings strings(modules());
        for (const auto &[section, needed] : sections)
            QVERIFY2(strings.getLangStrings(section, lang).size() >= needed, qPrintable(section));
        // Every section of the English file, with as many texts, none empty,
        // each keeping the English text's %1 (a text without it drops what
        // the window fills in).
        const QSettings english(modules() + "/i18n/English.ini", QSettings::IniFormat);
        const QSettings file(path, QSettings::IniFormat);
        QCOMPARE(file.childGroups(), english.childGroups());
        for (const QString &section : english.childGroups()) {
            const QStringList list = strings.getLangStrings(section, lang);
            const QStringList englishList = strings.getLangStrings(section, "English");
            QVERIFY2(!englishList.isEmpty(), qPrintable(section));
            QCOMPARE(list.size(), englishList.size());
            QCOMPARE(file.value(section + "/total").toInt(), list.size());
            for (int i = 0; i < list.size(); ++i) {
                const QString where = QStringLiteral("%1/%2").arg(section).arg(i);
                QVERIFY2(!list.at(i).trimmed().isEmpty(), qPrintable(where));
                QVERIFY2(list.at(i).contains("%1") == englishList.at(i).contains("%1"),
                         qPrintable(where));
                // A file dialog's filter keeps its pattern.
                const QString pattern = englishList.at(i).section('(', 1);
                if (pattern.startsWith("*."))
                    QVERIFY2(list.at(i).endsWith("(" + pattern), qPrintable(where));
            }
        }
        // Key names are written into macro files: the same in every language.
        QCOMPARE(strings.getLangStrings("keyCode", lang), KeyNames::names());
        QCOMPARE(LangStrings::dpiSwitchTexts(), strings.getLangStrings("other", lang));
    }

    void englishTexts()
    {
        LangStrings strings(modules());
        const QStringList warnings = strings.getLangStrings("warningAssigment", "English");
        for (const char *text : {"Please keep a key at least for the left button function.",
                                 "Already have a macro with the same name!",
                                 "Can't add a new folder!", "Confirm delete ?"})
            QVERIFY2(warnings.contains(text), text);
        QCOMPARE(strings.getLangStrings("lightControl", "English").mid(0, 6),
                 (QStringList{"Static", "Breath", "Neon", "Circulating Water", "Symmetrical Flow",
                              "OFF"}));
        QCOMPARE(strings.getLangStrings("keyMatrix", "English").at(5), " Report Rate ");
    }

    void copiesAreIdentical()
    {
        const QString setting = modules() + "/setting/";
        const QByteArray defaults = readAll(setting + "pD.bin");
        QVERIFY(!defaults.isEmpty());
        for (int i = 1; i <= 10; ++i)
            QCOMPARE(readAll(setting + QStringLiteral("p%1.bin").arg(i)), defaults);
        QVERIFY(!readAll(setting + "apConfig.bin").isEmpty());
        QCOMPARE(readAll(setting + "apConfigD.bin"), readAll(setting + "apConfig.bin"));
        QVERIFY(SettingsStore::looksLikeProfile(setting + "pD.bin"));
    }

    void profileValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("items"); // 0: a single value
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::newRow("mouseMode") << "mouse/mouseMode" << 0 << 0 << 1;
        for (const char *group : {"mouseKeyMatrix", "mouseKeyMatrix2", "mouseFwKeyMatrix"})
            for (int n = 0; n < 16; ++n)
                QTest::addRow("%s/%d", group, n)
                    << QStringLiteral("%1/%2").arg(group).arg(n) << 4 << 0 << 255;
        QTest::newRow("dpiCount") << "mouse/dpiCount" << 0 << 8 << 8;
        QTest::newRow("currentDpiCount") << "mouse/currentDpiCount" << 0 << 1 << 8;
        QTest::newRow("dpiValueArray") << "mouse/dpiValueArray" << 8 << 500 << 7000;
        QTest::newRow("dpiEnableArray") << "mouse/dpiEnableArray" << 8 << 0 << 1;
        QTest::newRow("dpiColorType0") << "mouse/dpiColorType0" << 24 << 0 << 255;
        QTest::newRow("dpiColorType1") << "mouse/dpiColorType1" << 24 << 0 << 255;
        QTest::newRow("dpiColorType2") << "mouse/dpiColorType2" << 8 << 0 << 15;
        QTest::newRow("reportRate") << "mouse/reportRate" << 0 << 0 << 3;
        for (const char *key : {"reportRateLod", "lod"})
            QTest::newRow(key) << QStringLiteral("mouse/%1").arg(key) << 0 << 3 << 325;
        QTest::newRow("lodEn") << "mouse/lodEn" << 0 << 0 << 1;
        for (const char *key : {"mouseRate", "doubleRate"})
            QTest::newRow(key) << QStringLiteral("mouse/%1").arg(key) << 0 << 0 << 338;
        QTest::newRow("scrollRate") << "mouse/scrollRate" << 0 << 1 << 1000;
        QTest::newRow("lightCount") << "mouseLight/lightCount" << 0 << 4 << 4;
        QTest::newRow("lightNo") << "mouseLight/lightNo" << 0 << 0 << 3;
        for (const QString suffix : {"", "1", "2", "3"}) {
            QTest::addRow("colorIndex%s", qPrintable(suffix))
                << "mouseLight/colorIndex" + suffix << 0 << 0 << 14;
            QTest::addRow("lightValue%s", qPrintable(suffix))
                << "mouseLight/lightValue" + suffix << 4 << 0 << 255;
            QTest::addRow("colorValue%s", qPrintable(suffix))
                << "mouseLight/colorValue" + suffix << 45 << 0 << 255;
        }
        QTest::newRow("XYSensitive/0") << "XYSensitive/0" << 0 << 1 << 10;
        QTest::newRow("XYSensitive/1") << "XYSensitive/1" << 0 << 1 << 10;
    }

    void profileValues()
    {
        QFETCH(QString, key);
        QFETCH(int, items);
        QFETCH(int, low);
        QFETCH(int, high);
        const QSettings pD(modules() + "/setting/pD.bin", QSettings::IniFormat);
        const QVariant value = pD.value(key);
        QVERIFY(value.isValid());
        const QStringList list = items ? value.toStringList() : QStringList{value.toString()};
        if (items)
            QCOMPARE(value.typeId(), QMetaType::QStringList);
        QCOMPARE(list.size(), qMax(items, 1));
        for (const QString &item : list) {
            bool ok = false;
            const int n = item.toInt(&ok);
            QVERIFY2(ok && n >= low && n <= high, qPrintable(item));
        }
    }

    void profileTextsAndNames()
    {
        const QSettings pD(modules() + "/setting/pD.bin", QSettings::IniFormat);
        const QRegularExpression color("^#[0-9a-f]{6}$");
        const QStringList colors = pD.value("mouse/dpiColorArray").toStringList();
        QCOMPARE(colors.size(), 6);
        for (const QString &c : colors)
            QVERIFY2(color.match(c).hasMatch(), qPrintable(c));
        QCOMPARE(pD.value("mouseLight/lightName").toStringList().size(), 4);
        for (int n = 0; n < 16; ++n) {
            QVERIFY(pD.contains(QStringLiteral("mouseMacroKey/%1").arg(n)));
            QVERIFY(pD.contains(QStringLiteral("mouseMacroKey2/%1").arg(n)));
        }
        QCOMPARE(pD.value("mouseKeyMatrix/0").toStringList(), (QStringList{"0", "0", "240", "0"}));
        QCOMPARE(pD.value("mouseKeyMatrix/14").toStringList(), (QStringList{"255", "0", "1", "0"}));
        QCOMPARE(pD.value("mouseKeyMatrix/15").toStringList(), (QStringList{"255", "0", "2", "0"}));
    }

    void globalFile()
    {
        const QSettings g(modules() + "/setting/apConfig.bin", QSettings::IniFormat);
        QCOMPARE(g.value("common/deviceCount").toInt(), 1);
        QVERIFY(!g.value("common/name").toString().isEmpty());
        QCOMPARE(g.value("common/language").toString(), "English");
        QCOMPARE(g.value("0/vid").toString().toUInt(nullptr, 16), 0x04d9u);
        QCOMPARE(g.value("0/pid").toString().toUInt(nullptr, 16), 0xa09fu);
        QCOMPARE(g.value("0/sCode").toString().size(), 6);
        for (const char *key :
             {"0/type", "0/usagePage", "0/usage", "0/usagePage2", "0/usage2", "0/reportLength",
              "0/isEncode", "mouse/isColorful", "mouse/isGun", "mouse/is55328", "mouse/icType",
              "mouse/keyCount", "mouse/sensorType", "mouse/profileNo"})
            QVERIFY2(g.contains(key), key);
        QCOMPARE(g.value("mouse/minDPI").toInt(), 500);
        QCOMPARE(g.value("mouse/maxDPI").toInt(), 7000);
        QCOMPARE(g.value("mouse/dpiBase").toInt(), 500);
        QCOMPARE(g.value("mouse/selectGun").toStringList(), (QStringList{"0", "1", "2"}));
    }

    void namesAndWeapons()
    {
        const QSettings names(modules() + "/setting/name.bin", QSettings::IniFormat);
        const QStringList profiles = names.value("profile/profileName").toStringList();
        QCOMPARE(profiles.size(), 6);
        for (int i = 0; i < profiles.size(); ++i)
            QVERIFY(profiles[i].size() > 1 && profiles[i].endsWith(QString::number(i)));
        const QStringList weapons = names.value("gun/gunName").toStringList();
        QCOMPARE(weapons, (QStringList{"M416", "AKM", "M16A4", "SCAR-L", "UNP9", "Thomson"}));
        QCOMPARE(names.value("gun/selectGun").toStringList(), (QStringList{"0", "1", "2"}));
        QVERIFY(!names.contains("macro/macroName"));

        const QSettings guns(modules() + "/gun/gunData.bin", QSettings::IniFormat);
        QCOMPARE(guns.childGroups(), QStringList{"gunData"});
        for (int i = 0; i < weapons.size(); ++i)
            QCOMPARE(guns.value(QStringLiteral("gunData/%1").arg(i)).toStringList(),
                     (QStringList{weapons[i], "L-Click", "10", "0", "10", "0"}));
    }
};

QTEST_GUILESS_MAIN(TestShippedData)
#include "tst_shippeddata.moc"
