// Calling operations by name, as kesta-ctl does: argument conversion, return
// values, and clear refusals.
#include "device/hid_thread.h"
#include "settings/settingsstore.h"
#include "settings/userdialogs.h"
#include "view/operations.h"

#include "../filesizelimit.h"
#include "../stagemodules.h"

#include <QDir>
#include <QFile>

#include <QTemporaryDir>
#include <QTest>

class TstOperations : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void callsConvertArgumentsAndReturnResults();
    void manyArgumentsPassThrough();
    void refusals_data();
    void refusals();
    void deviceOperationsExistOnlyWithADevice();
    void deviceOperationsCannotBeCalledWithoutADevice();
    void refusalNamesTheSignatureAndType();
    void fullDiskKeepsTheFileThatWasThere_data();
    void fullDiskKeepsTheFileThatWasThere();

private:
    QTemporaryDir m_dir;
    QString modules() const { return m_dir.path() + QStringLiteral("/modules"); }
};

void TstOperations::initTestCase()
{
    QVERIFY(stageModules(m_dir.path()));
}

void TstOperations::callsConvertArgumentsAndReturnResults()
{
    ScriptedDialogs dialogs;
    Operations ops(modules(), &dialogs);
    QVariant result;
    QString error;
    QVERIFY2(ops.call(QStringLiteral("setData"), {QStringLiteral("test/onlyInOne"), 42}, &result,
                      &error),
             qPrintable(error));
    QVERIFY(!result.isValid());
    // A JSON number arrives as a double; the slot takes an int.
    QVERIFY(ops.call(QStringLiteral("setCurrentProfile"), {3.0}, &result, &error));
    QCOMPARE(ops.settings()->currentProfileIndex(), 3);
    QVERIFY(ops.call(QStringLiteral("getData"), {QStringLiteral("test/onlyInOne"), false}, &result,
                     &error));
    QVERIFY(!result.isValid()); // written into profile 0, read from profile 3
    QVERIFY(ops.call(QStringLiteral("setCurrentProfile"), {0}, &result, &error));
    QVERIFY(ops.call(QStringLiteral("getData"), {QStringLiteral("test/onlyInOne"), false}, &result,
                     &error));
    QCOMPARE(result.toInt(), 42);
    QVERIFY(ops.call(QStringLiteral("getLangStrings"),
                     {QStringLiteral("keyMatrix"), QStringLiteral("English")}, &result, &error));
    QVERIFY(result.toStringList().size() >= 21);
}

void TstOperations::manyArgumentsPassThrough()
{
    ScriptedDialogs dialogs;
    Operations ops(modules(), &dialogs);
    Hid_Thread hid;
    ops.attachDevice(&hid);
    // Thirteen arguments: more than the generic invoke of Qt takes.
    QVariantList args{1, 0, QString()};
    const QVariantList names{QStringLiteral("A"), QStringLiteral("B")};
    for (int i = 0; i < 10; ++i)
        args.append(QVariant(names));
    QVariant result;
    QString error;
    QVERIFY2(ops.call(QStringLiteral("updataMacroList"), args, &result, &error), qPrintable(error));
    QCOMPARE(result.toBool(), true);
    QVERIFY(ops.call(QStringLiteral("getNameList"), {0}, &result, &error));
    QCOMPARE(result.toStringList(), QStringList({"A", "B"}));
}

void TstOperations::refusals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown operation") << "noSuchThing" << QVariantList{} << "unknown operation";
    QTest::newRow("too few arguments")
        << "getData" << QVariantList{QStringLiteral("k")} << "different number of arguments";
    QTest::newRow("list where a number is needed")
        << "setCurrentProfile" << QVariantList{QVariant(QVariantList{1, 2})} << "cannot be read";
}

void TstOperations::refusals()
{
    QFETCH(QString, name);
    QFETCH(QVariantList, args);
    QFETCH(QString, message);
    ScriptedDialogs dialogs;
    Operations ops(modules(), &dialogs);
    QVariant result;
    QString error;
    QVERIFY(!ops.call(name, args, &result, &error));
    QVERIFY2(error.contains(message), qPrintable(error));
}

void TstOperations::deviceOperationsExistOnlyWithADevice()
{
    ScriptedDialogs dialogs;
    Operations ops(modules(), &dialogs);
    QVERIFY(!ops.signatures().contains(
        QStringLiteral("mouseSetDpi(int,QString,QVariantList,QVariantList)")));
    Hid_Thread hid;
    ops.attachDevice(&hid);
    QVERIFY(ops.signatures().contains(
        QStringLiteral("mouseSetDpi(int,QString,QVariantList,QVariantList)")));
    QVERIFY(ops.signatures().contains(
        QStringLiteral("createMacroIni(QVariant,QVariant,QVariant,QVariant)")));
}

void TstOperations::deviceOperationsCannotBeCalledWithoutADevice()
{
    ScriptedDialogs dialogs;
    Operations ops(modules(), &dialogs);
    QVERIFY(!ops.callableSignatures().contains(QStringLiteral("mouseSetCurrentDPI(uchar)")));
    QVERIFY(ops.callableSignatures().contains(QStringLiteral("setCurrentProfile(int)")));
    QVariant result;
    QString error;
    QVERIFY(!ops.call(QStringLiteral("mouseSetCurrentDPI"), {1}, &result, &error));
    QCOMPARE(error, QStringLiteral("unknown operation: mouseSetCurrentDPI"));
    Hid_Thread hid;
    ops.attachDevice(&hid);
    QVERIFY(ops.callableSignatures().contains(QStringLiteral("mouseSetCurrentDPI(uchar)")));
}

void TstOperations::refusalNamesTheSignatureAndType()
{
    ScriptedDialogs dialogs;
    Operations ops(modules(), &dialogs);
    Hid_Thread hid;
    ops.attachDevice(&hid);
    QVariant result;
    QString error;
    QVERIFY(!ops.call(QStringLiteral("mouseSetLodValue"), {1, QVariant(QVariantList{1})}, &result,
                      &error));
    QCOMPARE(error,
             QStringLiteral("argument 2 of mouseSetLodValue(uchar,uchar) cannot be read as uchar"));
}

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A macro file of `steps` steps, as the library writes one.
QByteArray macroText(int steps)
{
    QByteArray text =
        "[config]\ndid=-1\nindex=0\nrepeat=1\ntotal=" + QByteArray::number(steps) + "\n\n[macro]\n";
    for (int i = 0; i < steps; ++i)
        text += QByteArray::number(i) + "=\"1,A\"\n";
    return text;
}

} // namespace

// Files written over ones the user has, with no room for the new contents:
// the old file stays whole (a cut copy or none at all would lose it), the
// failure is reported where the operation reports one, and nothing is left
// beside the file. The old files are big enough for a lock file to fit
// and smaller than what replaces them.
void TstOperations::fullDiskKeepsTheFileThatWasThere_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("existed");
    QTest::newRow("macro export over an .mc") << "saveMacroFile" << true;
    QTest::newRow("batch export over an .mc") << "saveMacroFile_batch" << true;
    QTest::newRow("autostart entry over one") << "setAutostart" << true;
    QTest::newRow("autostart entry, none before") << "setAutostart" << false;
}

void TstOperations::fullDiskKeepsTheFileThatWasThere()
{
    QFETCH(QString, operation);
    QFETCH(bool, existed);
    QTemporaryDir dir;
    QVERIFY(stageModules(dir.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + "/config"));
    ScriptedDialogs dialogs;
    Hid_Thread hid; // the macro library comes with a device
    Operations ops(dir.path() + "/modules", &dialogs);
    ops.attachDevice(&hid);
    QVariant result;
    QString error;
    QVERIFY(writeBytes(dir.path() + "/modules/macro/M.bin", macroText(200)));
    const QVariantList args = operation == "setAutostart" ? QVariantList{true}
                              : operation == "saveMacroFile"
                                  ? QVariantList{0, QStringLiteral("M")}
                                  : QVariantList{0, QStringList{"M"}, QVariantList{0}};

    QString target;
    QByteArray old;
    if (operation == "setAutostart") {
        target = dir.path() + "/config/autostart/kesta-config.desktop";
        old = QByteArray("[Desktop Entry]\nType=Application\nName=K\n"
                         "Exec=/opt/k/kesta-config --hidden\nComment=") +
              QByteArray(60, 'c') + "\n";
    } else if (operation == "saveMacroFile") {
        target = dir.path() + "/out/M.mc";
        dialogs.answers << target;
        old = macroText(10);
    } else {
        dialogs.answers << dir.path() + "/out";
        QVERIFY2(ops.call("getbatchPath", {}, &result, &error), qPrintable(error));
        target = dir.path() + "/out/Macro/M.mc";
        old = macroText(10);
    }
    QVERIFY(QDir().mkpath(QFileInfo(target).path()));
    if (existed)
        QVERIFY(writeBytes(target, old));
    const QStringList around = QDir(QFileInfo(target).path()).entryList(QDir::AllEntries);

    {
        FileSizeLimit full(FileSizeLimit::justAbove(target));
        QVERIFY(full.active());
        QVERIFY2(ops.call(operation, args, &result, &error), qPrintable(error));
    }
    if (operation == "setAutostart") {
        QCOMPARE(result, QVariant(false));
        QVERIFY(ops.call("isAutostart", {}, &result, &error));
        QCOMPARE(result, QVariant(existed));
    }
    QCOMPARE(QFile::exists(target), existed);
    QCOMPARE(bytesOf(target), existed ? old : QByteArray());
    QCOMPARE(QDir(QFileInfo(target).path()).entryList(QDir::AllEntries), around);

    // With room again the same call replaces the file.
    if (operation == "saveMacroFile")
        dialogs.answers << target;
    QVERIFY(ops.call(operation,
                     operation == "setAutostart" ? QVariantList{true}
                     : operation == "saveMacroFile"
                         ? QVariantList{0, "M"}
                         : QVariantList{0, QVariantList{"M"}, QVariantList{0}},
                     &result, &error));
    if (operation == "setAutostart")
        QVERIFY(bytesOf(target).contains("\nX-GNOME-Autostart-enabled=true\n"));
    else
        QCOMPARE(bytesOf(target), macroText(200));
}

QTEST_GUILESS_MAIN(TstOperations)
#include "tst_operations.moc"
