#include "settings/langstrings.h"

#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>

namespace {

constexpr int kDpiSwitchCount = 8;
// No page has anywhere near this many strings; a damaged `total` must not
// make the interface build millions of entries.
constexpr int kMaxStrings = 10000;

QMutex &dpiTextsMutex()
{
    static QMutex mutex;
    return mutex;
}

QStringList &dpiTexts()
{
    static QStringList texts(kDpiSwitchCount, QStringLiteral("DPI Switch to"));
    return texts;
}

// A value with an unquoted comma reads back as a list; keep its text rather
// than turning it into an empty string.
QString textOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

bool isPlainName(const QString &langCode)
{
    return !langCode.isEmpty() && !langCode.contains(QLatin1Char('/')) &&
           !langCode.contains(QLatin1Char('\\')) && !langCode.startsWith(QLatin1Char('.'));
}

} // namespace

LangStrings::LangStrings(const QString &modulesDir, QObject *parent)
    : QObject(parent), m_modulesDir(modulesDir)
{
}

QString LangStrings::languageFile(const QString &langCode) const
{
    return m_modulesDir + QStringLiteral("/i18n/") + langCode + QStringLiteral(".ini");
}

QStringList LangStrings::dpiSwitchTexts()
{
    QMutexLocker lock(&dpiTextsMutex());
    return dpiTexts();
}

QString LangStrings::dpiSwitchText(int stage)
{
    const int index = (stage >= 1 && stage <= 7) ? stage - 1 : 7;
    QMutexLocker lock(&dpiTextsMutex());
    return dpiTexts().at(index);
}

void LangStrings::resetDpiSwitchTexts()
{
    QMutexLocker lock(&dpiTextsMutex());
    dpiTexts() = QStringList(kDpiSwitchCount, QStringLiteral("DPI Switch to"));
}

QStringList LangStrings::getLangStrings(QString typeStr, QString langCode)
{
    // Language names are plain file names; anything that walks out of the
    // folder reads as a missing file.
    if (!isPlainName(langCode) || typeStr.isEmpty())
        return {};
    const QString path = languageFile(langCode);
    if (!QFileInfo(path).isFile())
        return {};

    const QSettings file(path, QSettings::IniFormat);
    const int total = qMin(file.value(typeStr + QStringLiteral("/total")).toInt(), kMaxStrings);
    QStringList strings;
    for (int i = 0; i < total; ++i)
        strings.append(textOf(file.value(typeStr + QLatin1Char('/') + QString::number(i))));

    if (typeStr == QLatin1String("other")) {
        QMutexLocker lock(&dpiTextsMutex());
        for (int i = 0; i < kDpiSwitchCount && i < strings.size(); ++i)
            dpiTexts()[i] = strings.at(i);
    }
    return strings;
}
