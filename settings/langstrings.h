// The language files under modules/i18n/: one INI file per language, one
// group per page section holding `total` and the strings 0 .. total-1.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class LangStrings : public QObject
{
    Q_OBJECT
public:
    explicit LangStrings(const QString &modulesDir = QStringLiteral("./modules"),
                         QObject *parent = nullptr);

    // modulesDir + "/i18n/" + langCode + ".ini"
    QString languageFile(const QString &langCode) const;

    // The eight DPI-switch bubble texts, shared by the whole program (the
    // notification listener reads them from its own thread).
    static QStringList dpiSwitchTexts();
    // Text for a stage the mouse reports: entry stage-1 for 1..7, entry 7 else.
    static QString dpiSwitchText(int stage);
    static void resetDpiSwitchTexts();

public slots:
    // The strings of one section, always exactly `total` of them; reading the
    // section "other" also replaces the DPI-switch texts it provides.
    QStringList getLangStrings(QString typeStr, QString langCode);

private:
    QString m_modulesDir;
};
