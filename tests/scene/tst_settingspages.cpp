// The DPI, lighting and system-settings pages, the report rate, the lift-off
// control and the recoil editor on the real program: controls are worked by
// object name, then the profile file's text and the virtual mouse's wire are
// checked.
#include "scenerig.h"

#include "devicesettings/devicesettings.h"
#include "platform/pointersettings.h"
#include "view/operations.h"

namespace {

// The desktop's pointer settings, recorded instead of applied.
struct PointerCalls {
    QList<int> speeds;
    QList<int> doubleClickMs;
    QList<int> lines;
};

class RecordingPointer : public PointerSettings
{
public:
    explicit RecordingPointer(PointerCalls *calls) : m_calls(calls) {}
    bool setCursorSpeed(int speed) override
    {
        m_calls->speeds << speed;
        return true;
    }
    bool setDoubleClickTime(int ms) override
    {
        m_calls->doubleClickMs << ms;
        return true;
    }
    bool setWheelScrollLines(int lines) override
    {
        m_calls->lines << lines;
        return true;
    }

private:
    PointerCalls *m_calls;
};

// The last command with this code, or an empty one.
SceneCommand lastCommand(int code)
{
    SceneCommand found;
    for (const SceneCommand &c : SceneRig::wireCommands())
        if (c.code() == code)
            found = c;
    return found;
}

// Any object of the scene by objectName, also delegates of repeaters (whose
// object parent is not the item they sit in).
QObject *findNamed(QObject *from, const QString &name)
{
    if (!from)
        return nullptr;
    if (from->objectName() == name)
        return from;
    QObjectList next = from->children();
    if (auto *item = qobject_cast<QQuickItem *>(from))
        for (QQuickItem *child : item->childItems())
            if (!next.contains(child))
                next << child;
    for (QObject *child : next)
        if (QObject *found = findNamed(child, name))
            return found;
    return nullptr;
}

int countCommands(int code)
{
    int n = 0;
    for (const SceneCommand &c : SceneRig::wireCommands())
        n += c.code() == code ? 1 : 0;
    return n;
}

} // namespace

class TstSettingsPages : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { m_rig.stop(); }

    void dpiSliderGivesValue_data();
    void dpiSliderGivesValue();
    void dpiKeysStepTheStage_data();
    void dpiKeysStepTheStage();
    void dpiEnables_data();
    void dpiEnables();
    void dpiColoursEndWithWhite();
    void pickerFollowsTheEditedColour_data();
    void pickerFollowsTheEditedColour();
    void lightingEffect_data();
    void lightingEffect();
    void lightingPresets();
    void pointerSpeeds_data();
    void pointerSpeeds();
    void liftOff_data();
    void liftOff();
    void wholeScreenScroll();
    void scrollLinesRefuseBadInput_data();
    void scrollLinesRefuseBadInput();
    void reportRateIsSent_data();
    void reportRateIsSent();
    void recoilReset();
    void recoilSlotChoice();
    void recoilFieldsRefuseBadInput_data();
    void recoilFieldsRefuseBadInput();

private:
    bool start(const SceneRig::FileValues &values = {});
    QObject *control(const QString &name);
    bool moveSlider(const QString &name, int value);
    bool click(const QString &name);
    bool setField(const QString &name, const QString &text);
    QString textOf(const QString &name);
    void saveAll() { SceneRig::call(m_rig.session(), "saveAll"); }

    SceneRig m_rig;
    PointerCalls m_pointer;
};

bool TstSettingsPages::start(const SceneRig::FileValues &values)
{
    m_pointer = PointerCalls();
    if (!m_rig.start(values))
        return false;
    m_rig.view()->operations()->deviceSettings()->setPointerSettings(
        std::make_unique<RecordingPointer>(&m_pointer));
    // The lighting and settings tabs are made when first asked for.
    SceneRig::call(m_rig.root(), "showTab", {1});
    SceneRig::call(m_rig.root(), "showTab", {0});
    return m_rig.page(QStringLiteral("macroEditor")) != nullptr;
}

QObject *TstSettingsPages::control(const QString &name)
{
    QObject *o = findNamed(m_rig.root(), name);
    if (!o)
        qWarning("no control %s", qPrintable(name));
    return o;
}

// As a drag ends: the handle at `value`, then the control's moved signal.
bool TstSettingsPages::moveSlider(const QString &name, int value)
{
    QObject *slider = control(name);
    if (!slider)
        return false;
    slider->setProperty("value", value);
    return QMetaObject::invokeMethod(slider, "moved");
}

bool TstSettingsPages::click(const QString &name)
{
    QObject *button = control(name);
    return button && QMetaObject::invokeMethod(button, "clicked");
}

bool TstSettingsPages::setField(const QString &name, const QString &text)
{
    QObject *field = control(name);
    if (!field)
        return false;
    field->setProperty("text", text);
    return QMetaObject::invokeMethod(field, "editingFinished");
}

QString TstSettingsPages::textOf(const QString &name)
{
    QObject *o = control(name);
    return o ? o->property("text").toString() : QStringLiteral("<missing %1>").arg(name);
}

// ---- DPI ---------------------------------------------------------------------

void TstSettingsPages::dpiSliderGivesValue_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("code"); // sensor 3320
    QTest::newRow("x 3 gives the minimum") << 3 << 500 << 0x21;
    QTest::newRow("x 200 gives 3500") << 200 << 3500 << 0x27;
    QTest::newRow("x 420 gives the maximum") << 420 << 7000 << 0x2E;
}

void TstSettingsPages::dpiSliderGivesValue()
{
    QFETCH(int, x);
    QFETCH(int, value);
    QFETCH(int, code);
    QVERIFY(start());
    QVERIFY(moveSlider("dpiSlider1", x));
    QCOMPARE(textOf("dpiValue1"), QString::number(value));
    QVERIFY(m_rig.page("dpi")->property("isSave").toBool());
    saveAll();

    const QStringList stored = m_rig.profileValue("mouse/dpiValueArray").split(", ");
    QCOMPARE(stored.size(), 8);
    QCOMPARE(stored.at(1), QString::number(value));
    QCOMPARE(stored.at(0), QStringLiteral("500")); // untouched stage
    const SceneCommand set = lastCommand(0x11);
    QCOMPARE(set.param(2), 8);
    QVERIFY(set.data.size() >= 8);
    QCOMPARE(int(set.data[1]), code);
    QCOMPARE(int(set.data[0]), 0x21);
}

void TstSettingsPages::dpiKeysStepTheStage_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("steps"); // of 500 (sensor 3320), from the stage's value
    QTest::newRow("Right raises one step") << QList<int>{Qt::Key_Right} << 1;
    QTest::newRow("Up twice, Left once") << QList<int>{Qt::Key_Up, Qt::Key_Up, Qt::Key_Left} << 1;
    QTest::newRow("Down lowers one step") << QList<int>{Qt::Key_Down} << -1;
    QTest::newRow("Page Up moves several") << QList<int>{Qt::Key_PageUp} << 2;
}

void TstSettingsPages::dpiKeysStepTheStage()
{
    QFETCH(QList<int>, keys);
    QFETCH(int, steps);
    QVERIFY(start());
    QObject *slider = control("dpiSlider1");
    QVERIFY(slider);
    const int before = textOf("dpiValue1").toInt();
    QVERIFY(before > 0);
    QVERIFY(QMetaObject::invokeMethod(slider, "forceActiveFocus"));
    QTRY_VERIFY(slider->property("activeFocus").toBool());
    for (int key : keys)
        QTest::keyClick(m_rig.view(), Qt::Key(key));
    QCOMPARE(textOf("dpiValue1"), QString::number(before + steps * 500));
    saveAll();
    QCOMPARE(m_rig.profileValue("mouse/dpiValueArray").split(", ").value(1),
             QString::number(before + steps * 500));
}

void TstSettingsPages::dpiEnables_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("untick");
    QTest::addColumn<QString>("currentCount");
    QTest::addColumn<QString>("enables");

    QTest::newRow("stages 2 and 5 of 8 unticked") << 8 << QList<int>{1, 4} << "6"
                                                  << "1, 0, 1, 1, 0, 1, 1, 1";
    // A stage above the chosen count is off, whatever its box said before.
    QTest::newRow("four stages chosen") << 4 << QList<int>{} << "4"
                                        << "1, 1, 1, 1, 0, 0, 0, 0";
    QTest::newRow("the last enabled stage stays on") << 1 << QList<int>{0} << "1"
                                                     << "1, 0, 0, 0, 0, 0, 0, 0";
}

void TstSettingsPages::dpiEnables()
{
    QFETCH(int, count);
    QFETCH(QList<int>, untick);
    QFETCH(QString, currentCount);
    QFETCH(QString, enables);
    QVERIFY(start());
    QObject *box = control("dpiCountBox");
    QVERIFY(box);
    QVERIFY(QMetaObject::invokeMethod(box, "activated", Q_ARG(int, count - 1)));
    for (int stage : untick) {
        QObject *check = control(QStringLiteral("dpiEnable%1").arg(stage));
        QVERIFY(check);
        check->setProperty("checked", false);
        QVERIFY(QMetaObject::invokeMethod(check, "toggled"));
    }
    QCOMPARE(m_rig.page("dpi")->property("currentDpiCount").toString(), currentCount);
    saveAll();

    QCOMPARE(m_rig.profileValue("mouse/currentDpiCount"), currentCount);
    QCOMPARE(m_rig.profileValue("mouse/dpiEnableArray"), enables);
    const SceneCommand set = lastCommand(0x11);
    QVERIFY(set.data.size() >= 8);
    const QStringList flags = enables.split(", ");
    for (int i = 0; i < 8; ++i)
        QCOMPARE(set.data[i] == 0x80, flags.at(i) == QLatin1String("0"));
}

void TstSettingsPages::dpiColoursEndWithWhite()
{
    QVERIFY(start());
    QObject *dpi = m_rig.page("dpi");
    // What the picker calls for stage 6; an invalid text changes nothing.
    SceneRig::call(dpi, "setColour", {5, "#123456"});
    SceneRig::call(dpi, "setColour", {0, "red"});
    saveAll();

    QCOMPARE(m_rig.profileValue("mouse/dpiColorArray"),
             QStringLiteral("#ff0000, #00ff00, #0000ff, #ffff00, #00ffff, #123456"));
    QCOMPARE(countCommands(0x10), 2);
    const SceneCommand colours = lastCommand(0x10);
    QCOMPARE(colours.param(2), 1); // type
    QCOMPARE(colours.param(3), 24);
    QVERIFY(colours.data.size() >= 24);
    const std::vector<uint8_t> expected = {255,  0,    0,   0,   255, 0,   0,   0,
                                           255,  255,  255, 0,   0,   255, 255, 0x12,
                                           0x34, 0x56, 255, 255, 255, 255, 255, 255};
    QCOMPARE(std::vector<uint8_t>(colours.data.begin(), colours.data.begin() + 24), expected);
}

void TstSettingsPages::pickerFollowsTheEditedColour_data()
{
    QTest::addColumn<QString>("swatch");   // swatch k is <swatch><k>
    QTest::addColumn<QString>("picker");   // its picker's object prefix
    QTest::addColumn<QString>("pageName"); // page and its list of colours
    QTest::addColumn<QString>("list");
    QTest::newRow("DPI stages 1 and 2") << "dpiColour"
                                        << "dpiPicker"
                                        << "dpi"
                                        << "colours";
    QTest::newRow("lighting blocks 1 and 2") << "lightBlock"
                                             << "lightPicker"
                                             << "light"
                                             << "blocks";
}

// One colour edited, then another item's: the picker shows the second item's
// own colour, and the green slider changes only the green of that colour.
void TstSettingsPages::pickerFollowsTheEditedColour()
{
    QFETCH(QString, swatch);
    QFETCH(QString, picker);
    QFETCH(QString, pageName);
    QFETCH(QString, list);
    QVERIFY(start());
    QObject *page = m_rig.page(pageName);
    auto colourOf = [&](int k) { return page->property(list.toLatin1()).toStringList().value(k); };
    QVERIFY(click(swatch + "0"));
    QVERIFY(setField(picker + "Hex", "#112233"));
    QCOMPARE(colourOf(0), QStringLiteral("#112233"));

    QVERIFY(click(swatch + "1"));
    const QString second = colourOf(1);
    QVERIFY(second != QLatin1String("#112233"));
    QCOMPARE(textOf(picker + "Hex"), second);
    QVERIFY(moveSlider(picker + "G", 0x80));
    const QString edited = second.left(3) + "80" + second.mid(5);
    QCOMPARE(colourOf(1), edited);
    QCOMPARE(colourOf(0), QStringLiteral("#112233"));
    saveAll();

    const int r = edited.mid(1, 2).toInt(nullptr, 16), b = edited.mid(5, 2).toInt(nullptr, 16);
    if (pageName == QLatin1String("dpi")) {
        QCOMPARE(m_rig.profileValue("mouse/dpiColorArray").split(", ").mid(0, 2),
                 (QStringList{"#112233", edited}));
        const SceneCommand colours = lastCommand(0x10);
        QVERIFY(colours.data.size() >= 6);
        QCOMPARE(std::vector<int>(colours.data.begin(), colours.data.begin() + 6),
                 (std::vector<int>{0x11, 0x22, 0x33, r, 0x80, b}));
    } else {
        QCOMPARE(m_rig.profileValue("mouseLight/colorIndex"), QStringLiteral("1"));
        QCOMPARE(m_rig.profileValue("mouseLight/colorValue").split(", ").mid(0, 6),
                 (QStringList{"17", "34", "51", QString::number(r), "128", QString::number(b)}));
        const SceneCommand record = lastCommand(0x16);
        QVERIFY(record.data.size() >= 8);
        QCOMPARE(std::vector<int>(record.data.begin() + 5, record.data.begin() + 8),
                 (std::vector<int>{r, 0x80, b}));
    }
}

// ---- Lighting ------------------------------------------------------------------

void TstSettingsPages::lightingEffect_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("brightness");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("wireEffect");
    QTest::addColumn<int>("wireBrightness");
    QTest::addColumn<bool>("coloured");

    // Preset 0 of the shipped profile: speed 2, direction 0; block 2 is chosen below.
    QTest::newRow("entry 4 is effect 5") << 4 << 51 << "5, 2, 51, 0" << 5 << 255 << true;
    QTest::newRow("entry 5 is effect 6, sent dark")
        << 5 << 51 << "6, 2, 51, 0" << 0 << 255 << false;
    QTest::newRow("brightness 10 is sent as 50") << 1 << 10 << "1, 2, 10, 0" << 1 << 50 << true;
}

void TstSettingsPages::lightingEffect()
{
    QFETCH(int, entry);
    QFETCH(int, brightness);
    QFETCH(QString, stored);
    QFETCH(int, wireEffect);
    QFETCH(int, wireBrightness);
    QFETCH(bool, coloured);
    QVERIFY(start());
    QVERIFY(click(QStringLiteral("lightEffect%1").arg(entry)));
    if (brightness != 51)
        QVERIFY(moveSlider("lightBrightness", brightness));
    QVERIFY(click("lightBlock2"));
    saveAll();

    QCOMPARE(m_rig.profileValue("mouseLight/lightValue"), stored);
    QCOMPARE(m_rig.profileValue("mouseLight/colorIndex"), QStringLiteral("2"));
    const SceneCommand record = lastCommand(0x16);
    QVERIFY(record.data.size() >= 50);
    QCOMPARE(int(record.data[0]), 0x32);
    QCOMPARE(int(record.data[1]), wireEffect);
    QCOMPARE(int(record.data[2]), wireBrightness);
    QCOMPARE(int(record.data[3]), 2);
    // Block 2 of the shipped colours (255, 255, 0), fifteen times.
    for (int i = 0; i < 15; ++i) {
        QCOMPARE(int(record.data[5 + 3 * i]), coloured ? 255 : 0);
        QCOMPARE(int(record.data[6 + 3 * i]), coloured ? 255 : 0);
        QCOMPARE(int(record.data[7 + 3 * i]), 0);
    }
}

void TstSettingsPages::lightingPresets()
{
    QVERIFY(start());
    QObject *light = m_rig.page("light");
    // The shipped profile has four presets: no fifth.
    QVERIFY(!SceneRig::call(light, "addPreset").toBool());
    QVERIFY(!SceneRig::call(light, "renamePreset", {1, "   "}).toBool());
    QVERIFY(SceneRig::call(light, "renamePreset", {1, "Night"}).toBool());
    QVERIFY(click("lightPreset2"));
    QCOMPARE(light->property("lightNo").toInt(), 2);
    QVERIFY(click("lightEffect3"));
    QVERIFY(SceneRig::call(light, "deletePreset", {0}).toBool());
    // Preset 2 (now 1) stays current with its edit; the others moved down.
    QCOMPARE(light->property("lightNo").toInt(), 1);
    QCOMPARE(m_rig.profileValue("mouseLight/lightCount"), QStringLiteral("3"));
    QCOMPARE(m_rig.profileValue("mouseLight/lightName"), QStringLiteral("Night, Light 3, Light 4"));
    QCOMPARE(m_rig.profileValue("mouseLight/lightNo"), QStringLiteral("1"));
    QCOMPARE(m_rig.profileValue("mouseLight/lightValue1"), QStringLiteral("3, 2, 51, 0"));
    QCOMPARE(m_rig.profileValue("mouseLight/lightValue"), QStringLiteral("1, 2, 51, 0"));
    QVERIFY(SceneRig::call(light, "deletePreset", {0}).toBool());
    QVERIFY(SceneRig::call(light, "deletePreset", {0}).toBool());
    QVERIFY(!SceneRig::call(light, "deletePreset", {0}).toBool());
    QCOMPARE(m_rig.profileValue("mouseLight/lightName"), QStringLiteral("Light 4, loaderquiver"));
    QVERIFY(SceneRig::call(light, "addPreset").toBool());
    QCOMPARE(m_rig.profileValue("mouseLight/lightName"), QStringLiteral("Light 4, Light 1"));
}

// ---- System settings ---------------------------------------------------------------

void TstSettingsPages::pointerSpeeds_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<int>("x");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("speed");    // desktop units, -1: not sent
    QTest::addColumn<int>("doubleMs"); // -1: not sent

    QTest::newRow("pointer at 3: index 0") << "pointerSlider" << 3 << "mouse/mouseRate" << 1 << -1;
    QTest::newRow("pointer at 36: index 1")
        << "pointerSlider" << 36 << "mouse/mouseRate" << 2 << -1;
    // The far end is the fastest speed.
    QTest::newRow("pointer at 338: index 10")
        << "pointerSlider" << 338 << "mouse/mouseRate" << 20 << -1;
    QTest::newRow("double-click at 37: index 2")
        << "doubleClickSlider" << 37 << "mouse/doubleRate" << -1 << 760;
    QTest::newRow("double-click at 3: index 0")
        << "doubleClickSlider" << 3 << "mouse/doubleRate" << -1 << 900;
}

void TstSettingsPages::pointerSpeeds()
{
    QFETCH(QString, slider);
    QFETCH(int, x);
    QFETCH(QString, key);
    QFETCH(int, speed);
    QFETCH(int, doubleMs);
    QVERIFY(start());
    QVERIFY(moveSlider(slider, x));

    QCOMPARE(m_rig.profileValue(key), QString::number(x));
    QCOMPARE(m_pointer.speeds, speed < 0 ? QList<int>{} : QList<int>{speed});
    QCOMPARE(m_pointer.doubleClickMs, doubleMs < 0 ? QList<int>{} : QList<int>{doubleMs});
    QVERIFY(m_pointer.lines.isEmpty());
    // The lift-off value goes with every step: shipped position 3, enabled.
    const SceneCommand lod = lastCommand(0x07);
    QCOMPARE(lod.param(3), 125);
    QCOMPARE(lod.param(5), 1);
}

void TstSettingsPages::liftOff_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<int>("x");
    QTest::addColumn<QString>("level");
    QTest::addColumn<int>("distance");

    QTest::newRow("main page at 3") << "lodSlider" << 3 << "L" << 125;
    QTest::newRow("main page at 160") << "lodSlider" << 160 << "M" << 108;
    QTest::newRow("main page at 325") << "lodSlider" << 325 << "H" << 90;
    QTest::newRow("settings tab at 325") << "systemLodSlider" << 325 << "H" << 90;
}

void TstSettingsPages::liftOff()
{
    QFETCH(QString, slider);
    QFETCH(int, x);
    QFETCH(QString, level);
    QFETCH(int, distance);
    QVERIFY(start());
    QVERIFY(moveSlider(slider, x));
    // One setting, two views.
    QCOMPARE(textOf("lodLevel"), level);
    QCOMPARE(textOf("systemLodLevel"), level);
    QVERIFY(control("lodSlider") && control("systemLodSlider"));
    QCOMPARE(control("lodSlider")->property("value").toInt(), x);
    QCOMPARE(control("systemLodSlider")->property("value").toInt(), x);
    QObject *enable = control("lodEnable");
    QVERIFY(enable && control("systemLodEnable"));
    enable->setProperty("checked", false);
    QVERIFY(QMetaObject::invokeMethod(enable, "toggled"));
    QVERIFY(!control("systemLodEnable")->property("checked").toBool());
    saveAll();

    QCOMPARE(m_rig.profileValue("mouse/lod"), QString::number(x));
    QCOMPARE(m_rig.profileValue("mouse/reportRateLod"), QString::number(x));
    QCOMPARE(m_rig.profileValue("mouse/lodEn"), QStringLiteral("0"));
    const SceneCommand lod = lastCommand(0x07);
    QCOMPARE(lod.param(3), distance);
    QCOMPARE(lod.param(4), 0x7D);
    QCOMPARE(lod.param(5), 0);
}

void TstSettingsPages::wholeScreenScroll()
{
    SceneRig::FileValues values;
    values["setting/p1.bin"]["mouse/scrollRate"] = 1000;
    QVERIFY(start(values));
    QVERIFY(control("scrollWholeRadio"));
    QVERIFY(control("scrollWholeRadio")->property("checked").toBool());
    SceneRig::call(m_rig.page("system"), "saveData", {true, 3});
    QCOMPARE(m_pointer.lines, QList<int>{1000});
    QVERIFY(m_pointer.speeds.isEmpty());
    QCOMPARE(m_rig.profileValue("mouse/scrollRate"), QStringLiteral("1000"));

    // Back to lines: the field's number (3 when none was stored) is sent.
    QVERIFY(click("scrollLinesRadio"));
    QCOMPARE(m_pointer.lines, (QList<int>{1000, 3}));
    QCOMPARE(m_rig.profileValue("mouse/scrollRate"), QStringLiteral("3"));

    // Save with the page unsaved applies all three settings at once.
    QObject *system = m_rig.page("system");
    system->setProperty("isSave", true);
    saveAll();
    QVERIFY(!system->property("isSave").toBool());
    QCOMPARE(m_pointer.speeds, QList<int>{10});
    QCOMPARE(m_pointer.doubleClickMs, QList<int>{550});
    QCOMPARE(m_pointer.lines, (QList<int>{1000, 3, 3}));
}

void TstSettingsPages::scrollLinesRefuseBadInput_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("stored");

    QTest::newRow("0") << "0"
                       << "3"
                       << "3";
    QTest::newRow("101") << "101"
                         << "3"
                         << "3";
    QTest::newRow("letters") << "ab"
                             << "3"
                             << "3";
    QTest::newRow("empty") << ""
                           << "3"
                           << "3";
    QTest::newRow("negative") << "-5"
                              << "3"
                              << "3";
    QTest::newRow("100 is taken") << "100"
                                  << "100"
                                  << "100";
    QTest::newRow("1 is taken") << " 1"
                                << "1"
                                << "1";
}

void TstSettingsPages::scrollLinesRefuseBadInput()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, stored);
    QVERIFY(start());
    QVERIFY(setField("scrollLinesField", typed));
    QCOMPARE(textOf("scrollLinesField"), shown);
    SceneRig::call(m_rig.page("system"), "saveData", {false, 0});
    QCOMPARE(m_rig.profileValue("mouse/scrollRate"), stored);
}

// ---- Report rate ------------------------------------------------------------------

void TstSettingsPages::reportRateIsSent_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("rate");
    QTest::newRow("125Hz") << 0 << 8;
    QTest::newRow("250Hz") << 1 << 4;
    QTest::newRow("500Hz") << 2 << 2;
}

void TstSettingsPages::reportRateIsSent()
{
    QFETCH(int, index);
    QFETCH(int, rate);
    QVERIFY(start());
    QVERIFY(click(QStringLiteral("reportRate%1").arg(index)));
    saveAll();
    QCOMPARE(m_rig.profileValue("mouse/reportRate"), QString::number(index));
    QCOMPARE(countCommands(0x01), 1);
    QCOMPARE(lastCommand(0x01).param(2), rate);

    // A profile change sends the other profile's rate (shipped: 1000 Hz).
    kvm::clearWireLog();
    SceneRig::call(m_rig.session(), "changeProfile", {1});
    QCOMPARE(lastCommand(0x01).param(2), 1);
}

// ---- Recoil editor ------------------------------------------------------------------

void TstSettingsPages::recoilReset()
{
    SceneRig::FileValues values;
    values["setting/apConfig.bin"]["mouse/selectGun"] = QStringList{"3", "4", "5"};
    QVERIFY(start(values));
    QVERIFY(m_rig.page("recoil")); // the editor is made on first use
    QObject *recoil = m_rig.pageState("recoil");
    QCOMPARE(SceneRig::call(recoil, "slotPeriods").toList().size(), 3);
    QCOMPARE(textOf("recoilSlotCaption2"), QStringLiteral("Slot 3"));
    SceneRig::call(recoil, "reset");

    QCOMPARE(SceneRig::iniValue("setting/apConfig.bin", "mouse/selectGun"),
             QStringLiteral("0, 1, 2"));
    QCOMPARE(SceneRig::iniValue("gun/gunData.bin", "gunData/0"),
             QStringLiteral("M416, L-Click, 9, 0, 5, 0"));
    QCOMPARE(SceneRig::iniValue("gun/gunData.bin", "gunData/1"),
             QStringLiteral("AKM, L-Click, 9, 0, 7, 0"));
    QCOMPARE(SceneRig::iniValue("gun/gunData.bin", "gunData/2"),
             QStringLiteral("M16A4, L-Click, 9, 0, 8, 0"));
    QCOMPARE(SceneRig::call(recoil, "slotPeriods").toList(), (QVariantList{9, 9, 9}));
    std::vector<std::vector<int>> sent;
    for (const SceneCommand &c : SceneRig::wireCommands())
        if (c.code() == 0x04)
            sent.push_back({c.param(3), c.param(4), c.param(5), c.param(6)});
    // times, X, Y, slot - 1
    QCOMPARE(sent, (std::vector<std::vector<int>>{{0, 0, 5, 0}, {0, 0, 7, 1}, {0, 0, 8, 2}}));
    QCOMPARE(recoil->property("currentWeapon").toInt(), 0);
}

void TstSettingsPages::recoilSlotChoice()
{
    QVERIFY(start());
    QVERIFY(m_rig.page("recoil")); // the editor is made on first use
    QObject *recoil = m_rig.pageState("recoil");
    QObject *slot = control("recoilSlot1");
    QVERIFY(slot);
    QVERIFY(QMetaObject::invokeMethod(slot, "activated", Q_ARG(int, 4)));
    QCOMPARE(SceneRig::iniValue("setting/apConfig.bin", "mouse/selectGun"),
             QStringLiteral("0, 4, 2"));
    const SceneCommand gun = lastCommand(0x04);
    QCOMPARE(gun.param(5), 10); // Y of the shipped weapon
    QCOMPARE(gun.param(6), 1);
    QVERIFY(m_rig.page("keyMatrix")->property("isSave").toBool());

    // Edit weapon 4 (the slot's) and save it: stored and sent again.
    QVERIFY(setField("recoilY", "-3"));
    QVERIFY(setField("recoilPeriod", "40"));
    QVERIFY(click("recoilSave"));
    QCOMPARE(SceneRig::iniValue("gun/gunData.bin", "gunData/4"),
             QStringLiteral("UNP9, L-Click, 40, 0, -3, 0"));
    QCOMPARE(lastCommand(0x04).param(5), 0xFD);
    QCOMPARE(SceneRig::call(recoil, "slotPeriods").toList(), (QVariantList{10, 40, 10}));
}

void TstSettingsPages::recoilFieldsRefuseBadInput_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("record"); // gunData/0 after saving

    QTest::newRow("period 4") << "recoilPeriod"
                              << "4"
                              << "M416, L-Click, 10, 0, 10, 0";
    QTest::newRow("period 92") << "recoilPeriod"
                               << "92"
                               << "M416, L-Click, 10, 0, 10, 0";
    QTest::newRow("period 91") << "recoilPeriod"
                               << "91"
                               << "M416, L-Click, 91, 0, 10, 0";
    QTest::newRow("period 5") << "recoilPeriod"
                              << "5"
                              << "M416, L-Click, 5, 0, 10, 0";
    QTest::newRow("X 128") << "recoilX"
                           << "128"
                           << "M416, L-Click, 10, 0, 10, 0";
    QTest::newRow("X -128") << "recoilX"
                            << "-128"
                            << "M416, L-Click, 10, -128, 10, 0";
    QTest::newRow("Y -128") << "recoilY"
                            << "-128"
                            << "M416, L-Click, 10, 0, 10, 0";
    QTest::newRow("Y text") << "recoilY"
                            << "1e2"
                            << "M416, L-Click, 10, 0, 10, 0";
    QTest::newRow("times 256") << "recoilTimes"
                               << "256"
                               << "M416, L-Click, 10, 0, 10, 0";
    QTest::newRow("times 255") << "recoilTimes"
                               << "255"
                               << "M416, L-Click, 10, 0, 10, 255";
    QTest::newRow("empty name") << "recoilName"
                                << "  "
                                << "M416, L-Click, 10, 0, 10, 0";
    QTest::newRow("new name") << "recoilName"
                              << "Rifle"
                              << "Rifle, L-Click, 10, 0, 10, 0";
}

void TstSettingsPages::recoilFieldsRefuseBadInput()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, record);
    QVERIFY(start());
    QVERIFY(m_rig.page("recoil")); // the editor is made on first use
    const QString before = textOf(field);
    QVERIFY(setField(field, typed));
    const QString after = textOf(field);
    QVERIFY(click("recoilSave"));
    QCOMPARE(SceneRig::iniValue("gun/gunData.bin", "gunData/0"), record);
    if (record == QLatin1String("M416, L-Click, 10, 0, 10, 0"))
        QCOMPARE(after, before); // the previous value is back
}

QTEST_MAIN(TstSettingsPages)
#include "tst_settingspages.moc"
