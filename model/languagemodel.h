// The language the window speaks: the stored choice (common/language), its
// place in the language selector, and the string lists of every page
// section from the language file. A page's texts are its built-in list with
// the loaded section laid over it (texts()).
#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

class Operations;
class QJSEngine;
class QQmlEngine;

class LanguageModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    // The language file's name ("English", "German", ...).
    Q_PROPERTY(QString language READ language NOTIFY languageChanged)
    // Its place in `names` and `captions`.
    Q_PROPERTY(int index READ index NOTIFY languageChanged)
    Q_PROPERTY(QStringList names READ names CONSTANT)
    // What the selector shows, each in its own language.
    Q_PROPERTY(QStringList captions READ captions CONSTANT)
    // Section name -> its loaded strings (a QStringList).
    Q_PROPERTY(QVariantMap strings READ strings NOTIFY languageChanged)
    // The face the language is written in, when it needs its own (Chinese
    // shares code points with Japanese but not glyph forms); empty for the
    // theme's own face. The theme falls back to its own face when this one
    // is not installed.
    Q_PROPERTY(QString fontFamily READ fontFamily NOTIFY languageChanged)
    // The built-in texts of the "interface" section (InterfaceTexts).
    Q_PROPERTY(QStringList interfaceDefaults READ interfaceDefaults CONSTANT)

public:
    explicit LanguageModel(Operations &ops, QObject *parent = nullptr);
    static LanguageModel *create(QQmlEngine *, QJSEngine *);

    QString language() const { return m_language; }
    int index() const { return m_index; }
    static QStringList names();
    static QStringList captions();
    QVariantMap strings() const { return m_strings; }
    static QStringList interfaceDefaults();
    QString fontFamily() const { return fontFamilyFor(m_language); }
    static QString fontFamilyFor(const QString &language);

    // `defaults` with every non-empty string of `loaded` in its place;
    // loaded strings past the defaults' end are added.
    Q_INVOKABLE static QStringList merged(const QStringList &defaults, const QStringList &loaded);
    // A section's texts in the language loaded.
    Q_INVOKABLE QStringList texts(const QString &section, const QStringList &defaults) const;

    // The stored language (English when none is stored).
    Q_INVOKABLE void loadStored();
    // Loads every section of the language `name`.
    Q_INVOKABLE void load(const QString &name);
    // The selector: stores the choice and loads it.
    Q_INVOKABLE void change(int index);

signals:
    void languageChanged();

private:
    Operations &m_ops;
    QString m_language = QStringLiteral("English");
    int m_index = 0;
    QVariantMap m_strings;
};
