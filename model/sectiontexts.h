// One section of the language file as a page shows it: the page's built-in
// list (`defaults`) with the loaded strings of `section` laid over it,
// current in whatever language the window speaks.
//
//     SectionTexts { id: strings; section: "dpiSetting"; defaults: ["DPI", ...] }
//     Caption { text: strings.texts[0] }
#pragma once

#include <QObject>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

class SectionTexts : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString section READ section WRITE setSection NOTIFY textsChanged)
    Q_PROPERTY(QStringList defaults READ defaults WRITE setDefaults NOTIFY textsChanged)
    Q_PROPERTY(QStringList texts READ texts NOTIFY textsChanged)

public:
    explicit SectionTexts(QObject *parent = nullptr);

    QString section() const { return m_section; }
    void setSection(const QString &section);
    QStringList defaults() const { return m_defaults; }
    void setDefaults(const QStringList &defaults);
    QStringList texts() const;

signals:
    void textsChanged();

private:
    QString m_section;
    QStringList m_defaults;
};
