#include "model/languagemodel.h"

#include "model/interfacetexts.h"
#include "model/models.h"
#include "settings/langstrings.h"
#include "settings/settingsstore.h"
#include "view/operations.h"

#include <algorithm>

LanguageModel::LanguageModel(Operations &ops, QObject *parent) : QObject(parent), m_ops(ops) {}

QStringList LanguageModel::interfaceDefaults()
{
    return InterfaceTexts::defaults();
}

QString LanguageModel::fontFamilyFor(const QString &language)
{
    if (language == QLatin1String("ChineseSimplified"))
        return QStringLiteral("Noto Sans CJK SC");
    if (language == QLatin1String("ChineseTraditional"))
        return QStringLiteral("Noto Sans CJK TC");
    return QString();
}

LanguageModel *LanguageModel::create(QQmlEngine *, QJSEngine *)
{
    return Models::expose(Models::instance()->language());
}

QStringList LanguageModel::names()
{
    return {QStringLiteral("English"),
            QStringLiteral("ChineseSimplified"),
            QStringLiteral("ChineseTraditional"),
            QStringLiteral("German"),
            QStringLiteral("French"),
            QStringLiteral("Italian"),
            QStringLiteral("Spanish")};
}

QStringList LanguageModel::captions()
{
    return {QStringLiteral("ENGLISH"),     QString::fromUtf8("简体中文"),
            QString::fromUtf8("繁體中文"), QStringLiteral("Deutsch"),
            QString::fromUtf8("Français"), QStringLiteral("Italiano"),
            QString::fromUtf8("Español")};
}

QStringList LanguageModel::merged(const QStringList &defaults, const QStringList &loaded)
{
    if (loaded.isEmpty())
        return defaults;
    QStringList out = defaults;
    for (int i = 0; i < loaded.size(); ++i) {
        if (i >= out.size())
            out.append(loaded.at(i));
        else if (!loaded.at(i).isEmpty())
            out[i] = loaded.at(i);
    }
    return out;
}

QStringList LanguageModel::texts(const QString &section, const QStringList &defaults) const
{
    return merged(defaults, m_strings.value(section).toStringList());
}

void LanguageModel::loadStored()
{
    const QString stored =
        m_ops.settings()->getGlobalData(QStringLiteral("common/language")).toString();
    load(stored.isEmpty() ? QStringLiteral("English") : stored);
}

void LanguageModel::load(const QString &name)
{
    m_language = name;
    // A language without a place in the selector reads as English there,
    // as its texts do (the built-in ones).
    m_index = std::max(0, int(names().indexOf(name)));
    // The sections in the order the pages were built to read them; "other"
    // comes last and only sets the DPI-switch bubble texts.
    static const char *const sections[] = {
        "keyMatrix",     "keyAssigment", "dpiSetting", "lightControl", "macroEditor",
        "systemSetting", "gunControl",   "profile",    "keyCode",      "warningAssigment",
        "feedback",      "accessible",   "interface",  "appProfiles",  "other"};
    QVariantMap strings;
    for (const char *section : sections) {
        const QString key = QLatin1String(section);
        const QStringList list = m_ops.lang()->getLangStrings(key, name);
        if (key != QLatin1String("other"))
            strings.insert(key, list);
    }
    m_strings = strings;
    emit languageChanged();
}

void LanguageModel::change(int index)
{
    if (index < 0 || index >= names().size())
        return;
    const QString name = names().at(index);
    m_ops.settings()->setGlobalData(QStringLiteral("common/language"), name);
    load(name);
}
