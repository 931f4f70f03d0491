// The lighting page: up to four presets (numbers 0..3), each with an effect,
// speed, brightness, direction, fifteen colour blocks and the block the
// mouse shows. Preset p keeps its values under keys ending in p (nothing
// for preset 0). The window and kesta-ctl both show speed and brightness
// in the units of this model (shownSpeed, brightnessPercent), so the two
// never disagree on what a value means.
#pragma once

#include "model/pagemodel.h"

#include <QStringList>
#include <QVariantList>

class QJSEngine;
class QQmlEngine;

class LightingModel : public PageModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    Q_PROPERTY(int maxPresets READ maxPresets CONSTANT)
    Q_PROPERTY(int maxSpeed READ maxSpeed CONSTANT)
    Q_PROPERTY(int maxBrightness READ maxBrightness CONSTANT)
    Q_PROPERTY(int blockCount READ blockCount CONSTANT)
    // Built-in texts of the "lightControl" language section.
    Q_PROPERTY(QStringList textDefaults READ textDefaults CONSTANT)

    Q_PROPERTY(bool isLoaded READ isLoaded NOTIFY presetsChanged)
    Q_PROPERTY(int lightCount READ lightCount NOTIFY presetsChanged)
    Q_PROPERTY(int lightNo READ lightNo NOTIFY presetsChanged)
    Q_PROPERTY(QStringList names READ names NOTIFY presetsChanged)
    Q_PROPERTY(bool canAdd READ canAdd NOTIFY presetsChanged)
    Q_PROPERTY(bool canDelete READ canDelete NOTIFY presetsChanged)

    // The current preset. effectEntry is the page's list entry, effect the
    // number it stands for.
    Q_PROPERTY(int effectEntry READ effectEntry NOTIFY valuesChanged)
    Q_PROPERTY(int effect READ effect NOTIFY valuesChanged)
    Q_PROPERTY(int speed READ speed NOTIFY valuesChanged)
    Q_PROPERTY(int brightness READ brightness NOTIFY valuesChanged)
    Q_PROPERTY(int direction READ direction NOTIFY valuesChanged)
    Q_PROPERTY(int colorIndex READ colorIndex NOTIFY valuesChanged)
    Q_PROPERTY(QStringList blocks READ blocks NOTIFY valuesChanged)
    Q_PROPERTY(QString selectedColour READ selectedColour NOTIFY valuesChanged)

    // What the window shows: "Speed " + shownSpeed, brightnessPercent + "%".
    Q_PROPERTY(int shownSpeed READ shownSpeed NOTIFY valuesChanged)
    Q_PROPERTY(int brightnessPercent READ brightnessPercent NOTIFY valuesChanged)
    // Which controls the effect uses; symmetrical flow runs up or down
    // (directionIsVertical), the others turn.
    Q_PROPERTY(bool speedEnabled READ speedEnabled NOTIFY valuesChanged)
    Q_PROPERTY(bool brightnessEnabled READ brightnessEnabled NOTIFY valuesChanged)
    Q_PROPERTY(bool directionEnabled READ directionEnabled NOTIFY valuesChanged)
    Q_PROPERTY(bool directionIsVertical READ directionIsVertical NOTIFY valuesChanged)
    Q_PROPERTY(bool coloursEnabled READ coloursEnabled NOTIFY valuesChanged)

public:
    static constexpr int kMaxPresets = 4;
    static constexpr int kMaxSpeed = 4;
    static constexpr int kMaxBrightness = 51; // sent times five: 255 at most
    static constexpr int kBlocks = 15;
    static constexpr int kEntries = 6;

    explicit LightingModel(Operations &ops, QObject *parent = nullptr);

    static LightingModel *create(QQmlEngine *, QJSEngine *);

    int maxPresets() const { return kMaxPresets; }
    int maxSpeed() const { return kMaxSpeed; }
    int maxBrightness() const { return kMaxBrightness; }
    int blockCount() const { return kBlocks; }
    static QStringList textDefaults();

    bool isLoaded() const { return m_loaded; }
    int lightCount() const { return m_names.size(); }
    int lightNo() const { return m_lightNo; }
    QStringList names() const { return m_names; }
    bool canAdd() const { return lightCount() < kMaxPresets; }
    bool canDelete() const { return lightCount() > 1; }

    int effectEntry() const { return m_effectEntry; }
    int effect() const { return effectOfEntry(m_effectEntry); }
    int speed() const { return m_speed; }
    int brightness() const { return m_brightness; }
    int direction() const { return m_direction; }
    int colorIndex() const { return m_colorIndex; }
    QStringList blocks() const { return m_blocks; }
    QString selectedColour() const { return m_blocks.value(m_colorIndex); }

    int shownSpeed() const { return shownSpeedOf(m_speed); }
    int brightnessPercent() const { return percentOf(m_brightness); }
    bool speedEnabled() const { return effect() != 0 && effect() != 6; }
    bool brightnessEnabled() const { return effect() != 6; }
    bool directionEnabled() const { return effect() == 3 || effect() == 5; }
    bool directionIsVertical() const { return effect() == 5; }
    bool coloursEnabled() const { return effect() != 6; }

    // Units. Entry k of the effect list is effect k below 4, else k + 1.
    Q_INVOKABLE static int effectOfEntry(int entry);
    Q_INVOKABLE static int entryOfEffect(int effect); // 0 for a number not offered
    // The window's "Speed N" is the stored speed + 1.
    Q_INVOKABLE static int shownSpeedOf(int speed) { return speed + 1; }
    Q_INVOKABLE static int speedOfShown(int shown);
    // The window's percent is the stored step rounded to a whole percent;
    // a percent becomes the step nearest to it (halves go up), which is the
    // step that shows that percent whenever one does.
    Q_INVOKABLE static int percentOf(int brightness);
    Q_INVOKABLE static int brightnessOfPercent(int percent);

    // kesta-ctl's words: effect entries and the two directions.
    static QStringList effectWords();
    static QString effectWord(int effect);
    static int effectOfWord(const QString &word); // -1 when unknown
    static QStringList directionWords();
    static QString directionWord(int direction);
    static int directionOfWord(const QString &word); // -1 when unknown

    // Page protocol. isRecovery reads the preset's values from the profile
    // defaults and keeps the preset list. Before the first init the model
    // holds placeholders, which saveData never stores or sends.
    Q_INVOKABLE void init(bool isSendData, bool isRecovery);
    // The step is accepted for the save-all flow; the page has one send.
    // One write; false (nothing sent) when it failed or nothing is loaded.
    Q_INVOKABLE bool saveData(bool isSendData, int step = 0);
    // The current preset's lighting to the mouse (the selected block,
    // fifteen times); saveData's send.
    void sendData();

    // User edits; each marks the page unsaved.
    Q_INVOKABLE void chooseEffect(int entry);
    Q_INVOKABLE void setSpeed(int speed);
    Q_INVOKABLE void setBrightness(int brightness);
    Q_INVOKABLE void setDirection(int direction);
    Q_INVOKABLE void selectBlock(int index);
    // False (nothing changed) for anything but "#rrggbb".
    Q_INVOKABLE bool setBlockColour(int index, const QString &colour);

    // Another preset becomes current; the one left keeps its edits.
    Q_INVOKABLE void choosePreset(int number);
    // A new preset starts as a copy of the current one, named "Light k"
    // with the first k no preset uses.
    Q_INVOKABLE bool addPreset();
    Q_INVOKABLE bool renamePreset(int number, const QString &name);
    // The presets after it move down one number.
    Q_INVOKABLE bool deletePreset(int number);

signals:
    void presetsChanged();
    void valuesChanged();

private:
    void loadPreset(int number, bool isRecovery);
    void storeValues();
    QString freeName() const;
    QVariantList colourValues() const;

    bool m_loaded = false;
    int m_lightNo = 0;
    QStringList m_names{QStringLiteral("Light 1")};
    int m_effectEntry = 0;
    int m_speed = 2;
    int m_brightness = kMaxBrightness;
    int m_direction = 0;
    int m_colorIndex = 0;
    QStringList m_blocks;
};
