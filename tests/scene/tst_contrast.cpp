// The scene's colours read against each other as WCAG 2 contrast ratios:
// text at 4.5:1 or more, the rims and marks of controls at 3:1 or more, and
// a disabled main action that no longer wears the accent.
#include "contrast.h"

#include <QColor>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QtTest>

#include <memory>

class TstContrast : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pairs_data();
    void pairs();
    void disabledMainAction();

private:
    QColor theme(const char *name) const
    {
        return m_scene->property("theme").value<QObject *>()->property(name).value<QColor>();
    }

    QQmlEngine m_engine;
    std::unique_ptr<QObject> m_scene;
};

void TstContrast::initTestCase()
{
    m_engine.addImportPath(QStringLiteral("qrc:/"));
    QQmlComponent component(&m_engine);
    component.setData(R"(
        import QtQuick
        import modules.qml
        Item {
            readonly property QtObject theme: Theme
            ThemedButton { objectName: "ok"; accented: true; text: "OK" }
            ThemedButton { objectName: "disabledOk"; accented: true; enabled: false; text: "OK" }
        })",
                      QUrl(QStringLiteral("qrc:/contrast.qml")));
    m_scene.reset(component.create());
    QVERIFY2(m_scene, qPrintable(component.errorString()));
    QVERIFY(theme("accent").isValid());
}

void TstContrast::pairs_data()
{
    QTest::addColumn<QByteArray>("foreground");
    QTest::addColumn<QByteArray>("background");
    QTest::addColumn<double>("least");
    const double text = 4.5, rim = 3.0;
    const struct {
        const char *row, *fg, *bg;
        double least;
    } pairs[] = {
        {"OK, Save, Apply, the selected tab", "textOnAccent", "accent", text},
        {"the same, hovered or pressed", "textOnAccent", "accentHover", text},
        {"a button's text", "text", "raised", text},
        {"a button's text, hovered", "text", "raisedHover", text},
        {"a tooltip's text", "text", "raisedHover", text},
        {"a label on a panel", "text", "surface", text},
        {"a dim label on a panel", "textDim", "surface", text},
        {"an unselected tab", "textDim", "raised", text},
        {"a lit button label", "accentText", "accentSoft", text},
        {"the lift-off level", "accentText", "surface", text},
        {"a pressed step in the list", "accentText", "window", text},
        {"text field and slider rims on a panel", "controlBorder", "surface", rim},
        {"the same in an overlay", "controlBorder", "raised", rim},
        {"the same in the step list", "controlBorder", "window", rim},
        {"check box and radio rims, checked", "accent", "surface", rim},
        {"the same in an overlay", "accent", "raised", rim},
        {"the focus ring", "focus", "surface", rim},
    };
    for (const auto &p : pairs)
        QTest::newRow(p.row) << QByteArray(p.fg) << QByteArray(p.bg) << p.least;
}

void TstContrast::pairs()
{
    QFETCH(QByteArray, foreground);
    QFETCH(QByteArray, background);
    QFETCH(double, least);
    const QColor fg = theme(foreground.constData()), bg = theme(background.constData());
    QVERIFY2(fg.isValid() && bg.isValid(), foreground + " / " + background);
    const double ratio = contrast(fg, bg);
    QVERIFY2(ratio >= least,
             qPrintable(
                 QStringLiteral("%1 on %2: %3:1").arg(fg.name(), bg.name()).arg(ratio, 0, 'f', 2)));
}

void TstContrast::disabledMainAction()
{
    const auto colours = [this](const char *name) {
        auto *button = m_scene->findChild<QQuickItem *>(QLatin1String(name));
        const auto *background =
            button ? button->property("background").value<QQuickItem *>() : nullptr;
        const auto *label =
            button ? button->property("contentItem").value<QQuickItem *>() : nullptr;
        return std::pair{background ? background->property("color").value<QColor>() : QColor(),
                         label ? label->property("color").value<QColor>() : QColor()};
    };
    const auto [enabledBack, enabledText] = colours("ok");
    const auto [disabledBack, disabledText] = colours("disabledOk");
    QVERIFY(enabledBack.isValid() && disabledBack.isValid());
    QCOMPARE(enabledBack, theme("accent"));
    // The accent marks an action that can be taken.
    QVERIFY2(contrast(disabledBack, theme("accent")) >= 1.5, qPrintable(disabledBack.name()));
    // Dimmed, yet still readable.
    const double ratio = contrast(disabledText, disabledBack);
    QVERIFY2(ratio >= 3.0 && ratio < contrast(enabledText, enabledBack),
             qPrintable(QString::number(ratio)));
}

QTEST_MAIN(TstContrast)
#include "tst_contrast.moc"
