// Linux: the pointer settings live in the desktop, not in the system. We set
// them where the desktop offers a setting through gsettings (GNOME and
// desktops that share its schemas):
//   speed  -> org.gnome.desktop.peripherals.mouse speed, a factor -1..1
//             (PointerMapping::speedToFactor: 1 -> -1, 10 -> 0, 20 -> 1)
//   double-click -> org.gnome.desktop.peripherals.mouse double-click, in ms
//             (older desktops keep it in org.gnome.desktop.interface)
//   wheel lines  -> no such setting exists there, so this always fails.
// Without gsettings, or without the schema, a setter returns false.
#include "platform/pointersettings.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <optional>

namespace {

constexpr int kGsettingsTimeoutMs = 5000;

class GnomePointerSettings : public PointerSettings
{
public:
    bool setCursorSpeed(int speed) override
    {
        const double factor = PointerMapping::speedToFactor(speed);
        return setKey({QStringLiteral("org.gnome.desktop.peripherals.mouse")},
                      QStringLiteral("speed"), QString::number(factor, 'f', 3));
    }

    bool setDoubleClickTime(int ms) override
    {
        if (ms <= 0)
            return false;
        return setKey({QStringLiteral("org.gnome.desktop.peripherals.mouse"),
                       QStringLiteral("org.gnome.desktop.interface")},
                      QStringLiteral("double-click"), QString::number(ms));
    }

    bool setWheelScrollLines(int) override { return false; }

    // Asked once: gsettings answers in tens of milliseconds a key.
    Support support() override
    {
        if (m_support)
            return *m_support;
        Support s;
        s.scrollLines = false;
        const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
        if (gsettings.isEmpty()) {
            s.speed = s.doubleClick = false;
            s.reason = QStringLiteral("This desktop keeps no pointer settings that the program "
                                      "can change (they need gsettings, as GNOME has).");
        } else {
            s.speed = writable(gsettings, {QStringLiteral("org.gnome.desktop.peripherals.mouse")},
                               QStringLiteral("speed"));
            s.doubleClick = writable(gsettings,
                                     {QStringLiteral("org.gnome.desktop.peripherals.mouse"),
                                      QStringLiteral("org.gnome.desktop.interface")},
                                     QStringLiteral("double-click"));
            s.reason = s.speed || s.doubleClick
                           ? QStringLiteral("This desktop has no setting for the lines a wheel "
                                            "step scrolls.")
                           : QStringLiteral("This desktop keeps no pointer settings that the "
                                            "program can change.");
        }
        m_support = s;
        return s;
    }

private:
    std::optional<Support> m_support;

    static bool writable(const QString &gsettings, const QStringList &schemas, const QString &key)
    {
        for (const QString &schema : schemas) {
            QString answer;
            if (run(gsettings, {QStringLiteral("writable"), schema, key}, &answer) &&
                answer.trimmed() == QLatin1String("true"))
                return true;
        }
        return false;
    }

    // Writes key into the first schema that has it.
    static bool setKey(const QStringList &schemas, const QString &key, const QString &value)
    {
        const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
        if (gsettings.isEmpty())
            return false;
        for (const QString &schema : schemas) {
            // "writable" fails when the schema or the key is unknown.
            QString answer;
            if (!run(gsettings, {QStringLiteral("writable"), schema, key}, &answer))
                continue;
            if (answer.trimmed() != QLatin1String("true"))
                continue;
            return run(gsettings, {QStringLiteral("set"), schema, key, value}, nullptr);
        }
        return false;
    }

    static bool run(const QString &program, const QStringList &args, QString *output)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(program, args);
        if (!process.waitForStarted(kGsettingsTimeoutMs))
            return false;
        if (!process.waitForFinished(kGsettingsTimeoutMs)) {
            process.kill();
            process.waitForFinished(kGsettingsTimeoutMs);
            return false;
        }
        if (output)
            *output = QString::fromLocal8Bit(process.readAllStandardOutput());
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
};

} // namespace

std::unique_ptr<PointerSettings> PointerSettings::createSystem()
{
    return std::make_unique<GnomePointerSettings>();
}
