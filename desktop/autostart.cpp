#include "desktop/autostart.h"

#include "settings/settingsfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

Autostart::Autostart(const QString &entryPath, const QString &program, QObject *parent)
    : QObject(parent), m_entryPath(entryPath.isEmpty() ? defaultEntryPath() : entryPath),
      m_program(program.isEmpty() ? defaultProgram() : program)
{
}

QString Autostart::defaultEntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/kesta-config.desktop");
}

QString Autostart::defaultProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/kesta-config");
}

QString Autostart::execArgument(const QString &argument)
{
    if (argument.isEmpty() || argument.contains(QLatin1Char('\n')) ||
        argument.contains(QLatin1Char('\r')))
        return QString();
    static const QString reserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`");
    bool quote = false;
    for (const QChar c : argument)
        quote = quote || reserved.contains(c);
    QString out;
    for (const QChar c : argument) {
        // Inside quotes these four take a backslash.
        if (quote && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                      c == QLatin1Char('\\')))
            out += QLatin1Char('\\');
        if (c == QLatin1Char('%')) // field codes start with %
            out += QLatin1Char('%');
        out += c;
    }
    if (quote)
        out = QLatin1Char('"') + out + QLatin1Char('"');
    // The value itself is a desktop-entry string: its backslashes double.
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return out;
}

QString Autostart::entryText(const QString &program)
{
    const QString exec = execArgument(program);
    if (exec.isEmpty())
        return QString();
    // TryExec: once the program is uninstalled the session skips the entry
    // instead of failing to start it at every login. Its value is a plain
    // string, where only the backslash needs escaping.
    QString tryExec = program;
    tryExec.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=KESTA R218\n"
                          "Comment=Mouse settings in the tray, for DPI-switch notices\n"
                          "TryExec=%1\n"
                          "Exec=%2 --hidden\n"
                          "Icon=kesta-config\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(tryExec, exec);
}

bool Autostart::isAutostart()
{
    QFile file(m_entryPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    bool inEntry = false;
    bool startsSomething = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry)
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("Hidden") && value == QLatin1String("true"))
            return false;
        if (key == QLatin1String("X-GNOME-Autostart-enabled") && value == QLatin1String("false"))
            return false;
        if (key == QLatin1String("Exec") && !value.isEmpty())
            startsSomething = true;
    }
    // An empty or cut entry starts nothing, whatever else it holds.
    return startsSomething;
}

bool Autostart::setAutostart(bool enabled)
{
    if (!enabled) {
        QFile::remove(m_entryPath);
        return !QFileInfo::exists(m_entryPath);
    }
    const QString text = entryText(m_program);
    if (text.isEmpty() || !QDir().mkpath(QFileInfo(m_entryPath).absolutePath()))
        return false;
    // Checked: an entry cut short by a full disk would replace a good one.
    return SettingsFile::writeAtomically(m_entryPath, text.toUtf8());
}
