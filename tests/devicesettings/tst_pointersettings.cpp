// The desktop's pointer settings on Linux, against a stand-in gsettings on
// PATH that logs its calls and knows only the schemas a test gives it.
#include "platform/pointersettings.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestPointerSettings : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void appliesThroughGsettings();
    void olderDesktopSchema();
    void withoutSchemaOrTool();

private:
    // Installs a gsettings that answers "writable" with true for the keys
    // given as "schema key" lines and fails for everything else.
    void installGsettings(const QStringList &known);
    QStringList calls() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_path;
};

void TestPointerSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(m_dir->path()) + ":/usr/bin:/bin");
}

void TestPointerSettings::cleanup()
{
    qputenv("PATH", m_path);
}

void TestPointerSettings::installGsettings(const QStringList &known)
{
    const QString script = m_dir->filePath("gsettings");
    QFile f(script);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QByteArray text = "#!/bin/sh\n"
                      "echo \"$*\" >> \"$(dirname \"$0\")/calls.log\"\n"
                      "case \"$2 $3\" in\n";
    for (const QString &k : known)
        text += "  \"" + k.toUtf8() + "\") ;;\n";
    text += "  *) echo \"No such schema\" >&2; exit 1 ;;\n"
            "esac\n"
            "[ \"$1\" = writable ] && echo true\n"
            "exit 0\n";
    f.write(text);
    f.close();
    QVERIFY(f.setPermissions(f.permissions() | QFile::ExeOwner | QFile::ExeUser));
}

QStringList TestPointerSettings::calls() const
{
    QFile f(m_dir->filePath("calls.log"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

void TestPointerSettings::appliesThroughGsettings()
{
    installGsettings({"org.gnome.desktop.peripherals.mouse speed",
                      "org.gnome.desktop.peripherals.mouse double-click"});
    auto pointer = PointerSettings::createSystem();

    QVERIFY(pointer->setCursorSpeed(20));
    QVERIFY(pointer->setCursorSpeed(1));
    QVERIFY(pointer->setCursorSpeed(10));
    QVERIFY(pointer->setDoubleClickTime(200));
    // The desktop has no wheel-lines setting: reported as a failure.
    QVERIFY(!pointer->setWheelScrollLines(3));

    const QStringList sets = calls().filter(QRegularExpression("^set "));
    QCOMPARE(sets, (QStringList{"set org.gnome.desktop.peripherals.mouse speed 1.000",
                                "set org.gnome.desktop.peripherals.mouse speed -1.000",
                                "set org.gnome.desktop.peripherals.mouse speed 0.000",
                                "set org.gnome.desktop.peripherals.mouse double-click 200"}));
}

void TestPointerSettings::olderDesktopSchema()
{
    installGsettings({"org.gnome.desktop.interface double-click"});
    auto pointer = PointerSettings::createSystem();
    QVERIFY(pointer->setDoubleClickTime(550));
    QVERIFY(calls().contains("set org.gnome.desktop.interface double-click 550"));
    QVERIFY(!pointer->setCursorSpeed(10)); // no speed key there
}

void TestPointerSettings::withoutSchemaOrTool()
{
    installGsettings({});
    auto pointer = PointerSettings::createSystem();
    QVERIFY(!pointer->setCursorSpeed(10));
    QVERIFY(!pointer->setDoubleClickTime(500));
    QVERIFY(calls().filter(QRegularExpression("^set ")).isEmpty());

    QFile::remove(m_dir->filePath("gsettings"));
    qputenv("PATH", QFile::encodeName(m_dir->path()));
    QVERIFY(!pointer->setCursorSpeed(10));
    QVERIFY(!pointer->setDoubleClickTime(500));
}

QTEST_GUILESS_MAIN(TestPointerSettings)
#include "tst_pointersettings.moc"
