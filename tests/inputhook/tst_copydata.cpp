// The WM_COPYDATA warning: which messages show a text, and with what title.

#include "inputhook/copydata.h"
#include "inputhook/inputhook.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <memory>

class TestCopyData : public QObject
{
    Q_OBJECT

private slots:
    void shouldWarn_data()
    {
        QTest::addColumn<quint64>("tag");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<quint32>("cbData");
        QTest::addColumn<bool>("warns");
        QTest::addColumn<QString>("text");
        QTest::newRow("abc counted without its NUL")
            << quint64(9487) << QByteArray("abc", 3) << 3u << true << "abc";
        QTest::newRow("abc counted with its NUL")
            << quint64(9487) << QByteArray("abc\0", 4) << 4u << false << "";
        QTest::newRow("tag one below")
            << quint64(9486) << QByteArray("abc", 3) << 3u << false << "";
        QTest::newRow("tag one above")
            << quint64(9488) << QByteArray("abc", 3) << 3u << false << "";
        QTest::newRow("NUL inside the text")
            << quint64(9487) << QByteArray("ab\0c", 4) << 4u << false << "";
        QTest::newRow("multi-byte UTF-8") << quint64(9487) << QByteArray("\xe2\x82\xac 5") << 5u
                                          << true << QString::fromUtf8("\xe2\x82\xac 5");
        QTest::newRow("invalid UTF-8 byte") << quint64(9487)
                                            << QByteArray("a\xff"
                                                          "c")
                                            << 3u << false << "";
        QTest::newRow("sequence cut short")
            << quint64(9487) << QByteArray("\xe2\x82") << 2u << false << "";
        QTest::newRow("cbData beyond the bytes received")
            << quint64(9487) << QByteArray("abc") << 8u << false << "";
        QTest::newRow("bytes beyond cbData are not read")
            << quint64(9487) << QByteArray("abcdef") << 3u << true << "abc";
        QTest::newRow("empty") << quint64(9487) << QByteArray() << 0u << true << "";
    }

    void shouldWarn()
    {
        QFETCH(quint64, tag);
        QFETCH(QByteArray, data);
        QFETCH(quint32, cbData);
        QFETCH(bool, warns);
        QFETCH(QString, text);
        QString shown = QStringLiteral("untouched");
        QCOMPARE(CopyData::shouldWarn(quintptr(tag), data, cbData, &shown), warns);
        QCOMPARE(shown, warns ? text : QStringLiteral("untouched"));
    }

    void handlerShowsTextUnderWindowTitle()
    {
        qunsetenv("DISPLAY");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^InputHook: no input capture: "));
        InputHook hook(false);
        QWidget window;
        window.setWindowTitle(QStringLiteral("Kesta window"));
        QList<QPair<QString, QString>> shown;
        CopyData::setWarningPresenter([&shown](const QString &title, const QString &text) {
            shown.append({title, text});
        });
        hook.setCopyDataHandler(CopyData::handleMessage, qApp, &window);

        qintptr result = 0;
        QVERIFY(InputHook::processCopyData(0x004A, 9487, QByteArray("abc\0", 4), 4, &result));
        QCOMPARE(result, qintptr(1));
        QVERIFY(shown.isEmpty());
        QVERIFY(InputHook::processCopyData(0x004A, 9487, QByteArray("abc"), 3, &result));
        QCOMPARE(shown, (QList<QPair<QString, QString>>{{"Kesta window", "abc"}}));

        // Without a window there is no one to warn.
        shown.clear();
        hook.setCopyDataHandler(CopyData::handleMessage, qApp, nullptr);
        QVERIFY(InputHook::processCopyData(0x004A, 9487, QByteArray("abc"), 3, &result));
        QVERIFY(shown.isEmpty());
        CopyData::setWarningPresenter({});
    }
};

QTEST_MAIN(TestCopyData)
#include "tst_copydata.moc"
