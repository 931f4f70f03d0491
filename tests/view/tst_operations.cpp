// Calling operations by name, as kesta-ctl does: argument conversion, return
// values, and clear refusals.
#include "device/hid_thread.h"
#include "settings/settingsstore.h"
#include "settings/userdialogs.h"
#include "view/operations.h"

#include "../stagemodules.h"

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

QTEST_GUILESS_MAIN(TstOperations)
#include "tst_operations.moc"
