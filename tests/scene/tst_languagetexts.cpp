// In a language other than English, no page, overlay or tooltip of the
// window shows an English text of the language files that the language says
// otherwise, and the texts are set in the language's own face.
#include "scenerig.h"

#include "settings/langstrings.h"

#include <QFontDatabase>
#include <algorithm>
#include <QQuickItem>
#include <QRegularExpression>
#include <QSettings>

namespace {

struct Shown {
    QString text;
    QString where;
    QString family; // of a text item; empty for other items
};

QString describe(const QQuickItem *item, const char *property)
{
    QStringList chain;
    for (const QObject *o = item; o; o = o->parent()) {
        if (!o->objectName().isEmpty()) {
            chain.prepend(o->objectName());
            break;
        }
    }
    return QStringLiteral("%1 %2.%3")
        .arg(chain.join(QLatin1Char('/')), QLatin1String(item->metaObject()->className()),
             QLatin1String(property));
}

void collect(QQuickItem *item, QList<Shown> *out)
{
    if (!item->isVisible())
        return;
    const bool textItem = item->inherits("QQuickText") || item->inherits("QQuickTextInput");
    for (const char *property : {"text", "title", "tip", "placeholderText", "displayText"}) {
        const QVariant value = item->property(property);
        if (value.typeId() != QMetaType::QString || value.toString().trimmed().isEmpty())
            continue;
        out->append({value.toString(), describe(item, property),
                     textItem ? item->property("font").value<QFont>().family() : QString()});
    }
    for (QQuickItem *child : item->childItems())
        collect(child, out);
}

// The English texts that `language` puts differently: exact texts, and
// patterns for texts made with %1.
struct EnglishOnly {
    QSet<QString> texts;
    QList<QRegularExpression> patterns;

    bool matches(const QString &shown) const
    {
        const QString text = shown.trimmed();
        if (texts.contains(text))
            return true;
        for (const QRegularExpression &p : patterns) {
            if (p.match(text).hasMatch())
                return true;
        }
        return false;
    }
};

EnglishOnly englishOnly(const QString &language)
{
    const QString modules = qEnvironmentVariable("KESTA_SOURCE_DIR") + QStringLiteral("/modules");
    LangStrings strings(modules);
    const QSettings english(modules + QStringLiteral("/i18n/English.ini"), QSettings::IniFormat);
    QSet<QString> translated;
    for (const QString &section : english.childGroups()) {
        for (const QString &text : strings.getLangStrings(section, language))
            translated.insert(text.trimmed());
    }
    EnglishOnly out;
    for (const QString &section : english.childGroups()) {
        for (const QString &text : strings.getLangStrings(section, QStringLiteral("English"))) {
            const QString t = text.trimmed();
            if (t.isEmpty() || translated.contains(t))
                continue;
            if (t.contains(QLatin1String("%1"))) {
                QString pattern = QRegularExpression::escape(t);
                pattern.replace(QLatin1String("%1"), QLatin1String(".*"));
                out.patterns.append(
                    QRegularExpression(QRegularExpression::anchoredPattern(pattern)));
            } else {
                out.texts.insert(t);
            }
        }
    }
    return out;
}

} // namespace

class TstLanguageTexts : public QObject
{
    Q_OBJECT

private slots:
    void everyShownTextIsTranslated_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("family"); // the face texts are set in
        const auto face = [](const char *cjk) {
            // Without the CJK face the theme keeps its own; the system's
            // fallback draws the glyphs.
            const QString family = QLatin1String(cjk);
            return QFontDatabase::families().contains(family) ? family
                                                              : QStringLiteral("DejaVu Sans");
        };
        QTest::newRow("ChineseSimplified") << "ChineseSimplified" << face("Noto Sans CJK SC");
        QTest::newRow("ChineseTraditional") << "ChineseTraditional" << face("Noto Sans CJK TC");
        for (const char *language : {"German", "French", "Italian", "Spanish"})
            QTest::newRow(language) << language << "DejaVu Sans";
    }

    void everyShownTextIsTranslated()
    {
        QFETCH(QString, language);
        QFETCH(QString, family);
        SceneRig::FileValues values;
        values["setting/apConfig.bin"]["common/language"] = language;
        values["setting/apConfig.bin"]["mouse/isColorful"] = true;
        values["setting/apConfig.bin"]["mouse/isGun"] = true;
        SceneRig rig;
        QVERIFY(rig.start(values));
        const EnglishOnly english = englishOnly(language);
        QVERIFY(!english.texts.isEmpty());

        const auto overlay = [&rig](const char *name, const char *function,
                                    const QVariantList &args) {
            return [&rig, name, function, args] {
                SceneRig::call(rig.page(QLatin1String(name)), function, args);
            };
        };
        const QList<QPair<QString, std::function<void()>>> screens = {
            {"buttons tab", [&rig] { SceneRig::call(rig.root(), "showTab", {0}); }},
            {"lighting tab", [&rig] { SceneRig::call(rig.root(), "showTab", {1}); }},
            {"settings tab", [&rig] { SceneRig::call(rig.root(), "showTab", {2}); }},
            {"key assignment", overlay("keyAssign", "openFor", {3, QString()})},
            {"macro assignment", overlay("macroAssign", "openFor", {2})},
            {"key combination", overlay("inputAssign", "openFor",
                                        {4, QVariant(QVariantList{2, 1, 6, 0}), QVariant()})},
            {"DPI assignment", overlay("dpiAssign", "openFor", {5})},
            {"recoil editor", overlay("recoil", "open", {})},
            {"profile manager", overlay("profileManager", "open", {})},
            {"warning",
             [&rig] { SceneRig::call(rig.root(), "showWarning", {QStringLiteral("-")}); }},
            {"reset confirmation", overlay("resetConfirm", "open", {})},
            {"exit confirmation", overlay("exitConfirm", "open", {})},
            {"help menu", overlay("help", "open", {})},
        };
        QStringList faults;
        QSet<QString> seen; // an item that stays on the screen is told once
        for (const auto &[screen, show] : screens) {
            for (const char *name :
                 {"keyAssign", "macroAssign", "inputAssign", "dpiAssign", "recoil",
                  "profileManager", "warning", "resetConfirm", "exitConfirm", "help"}) {
                if (QObject *o = rig.page(QLatin1String(name)))
                    SceneRig::call(o, "close");
            }
            show();
            QTest::qWait(50);
            QList<Shown> shown;
            collect(rig.root(), &shown);
            QVERIFY2(!shown.isEmpty(), qPrintable(screen));
            for (const Shown &s : shown) {
                if (seen.contains(s.where + s.text))
                    continue;
                seen.insert(s.where + s.text);
                if (english.matches(s.text))
                    faults.append(
                        QStringLiteral("%1: %2 shows \"%3\"").arg(screen, s.where, s.text));
                // Glyphs drawn as icons (▾, ×) may come from any face.
                const bool words = std::any_of(s.text.cbegin(), s.text.cend(),
                                               [](QChar c) { return c.isLetter(); });
                if (words && !s.family.isEmpty() && s.family != family)
                    faults.append(QStringLiteral("%1: %2 \"%3\" is set in %4")
                                      .arg(screen, s.where, s.text, s.family));
            }
        }
        faults.removeDuplicates();
        for (const QString &fault : faults)
            qWarning("%s", qPrintable(fault));
        QVERIFY2(faults.isEmpty(), "texts in English or in another face: see above");
    }
};

QTEST_MAIN(TstLanguageTexts)
#include "tst_languagetexts.moc"
