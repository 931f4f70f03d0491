// The DPI stages of the current profile: how many the mouse cycles through,
// each stage's value and enable flag, the colours of stages 1 to 6, the
// sensor's range and step, and the stage the mouse is on. A stage's slider
// is 435 pixels wide (handle 18): positions run from 3 to 420 and stand for
// floor(((x - 3) * (max - min) / 417 + min) / step) * step.
#pragma once

#include "model/pagemodel.h"

#include <QList>
#include <QStringList>
#include <QVariantList>

class QQmlEngine;
class QJSEngine;

class DpiModel : public PageModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    // Set by the first init: until then the model holds placeholders, which
    // are never stored or sent.
    Q_PROPERTY(bool isLoaded READ isLoaded NOTIFY changed)
    Q_PROPERTY(int dpiCount READ dpiCount NOTIFY changed)
    Q_PROPERTY(int currentDpiCount READ currentDpiCount NOTIFY changed)
    // Stages 1..shownCount are on the page; the others are never enabled.
    Q_PROPERTY(int shownCount READ shownCount NOTIFY changed)
    // The counts the page offers: 1..stageSlots.
    Q_PROPERTY(int stageSlots READ stageSlots NOTIFY changed)
    // The count box's entries: "1".."stageSlots".
    Q_PROPERTY(QStringList countChoices READ countChoices NOTIFY changed)
    Q_PROPERTY(int minDpi READ minDpi NOTIFY changed)
    Q_PROPERTY(int maxDpi READ maxDpi NOTIFY changed)
    Q_PROPERTY(int dpiBase READ dpiBase NOTIFY changed)
    Q_PROPERTY(QString sensorType READ sensorType NOTIFY changed)
    Q_PROPERTY(QList<int> values READ values NOTIFY changed)
    Q_PROPERTY(QList<int> enables READ enables NOTIFY changed)
    Q_PROPERTY(QStringList colours READ colours NOTIFY changed)
    // The stage the mouse is on, from 0; set from what the mouse reports.
    Q_PROPERTY(int currentStage READ currentStage WRITE setCurrentStage NOTIFY currentStageChanged)
    Q_PROPERTY(int sliderWidth READ sliderWidth CONSTANT)
    Q_PROPERTY(int firstPosition READ firstPosition CONSTANT)
    Q_PROPERTY(int lastPosition READ lastPosition CONSTANT)
    // How many steps Page Up and Page Down move a stage.
    Q_PROPERTY(int pageSteps READ pageSteps NOTIFY changed)

public:
    static constexpr int kStages = 8;
    static constexpr int kColouredStages = 6;
    static constexpr int kSliderWidth = 435;
    static constexpr int kFirstPosition = 3;
    static constexpr int kLastPosition = kSliderWidth - 15;
    // A stage colour the page never had.
    static constexpr const char *kDefaultColour = "#ff0000";

    explicit DpiModel(Operations &ops, QObject *parent = nullptr);

    static DpiModel *create(QQmlEngine *, QJSEngine *);

    bool isLoaded() const { return m_isLoaded; }
    int dpiCount() const { return m_dpiCount; }
    int currentDpiCount() const { return m_currentDpiCount; }
    int shownCount() const { return m_shownCount; }
    int stageSlots() const { return qMin(m_dpiCount, kStages); }
    QStringList countChoices() const;
    int minDpi() const { return m_minDpi; }
    int maxDpi() const { return m_maxDpi; }
    int dpiBase() const { return m_dpiBase; }
    QString sensorType() const { return m_sensorType; }
    QList<int> values() const { return m_values; }
    QList<int> enables() const { return m_enables; }
    QStringList colours() const { return m_colours; }
    int currentStage() const { return m_currentStage; }
    void setCurrentStage(int stage);
    int sliderWidth() const { return kSliderWidth; }
    int firstPosition() const { return kFirstPosition; }
    int lastPosition() const { return kLastPosition; }
    int pageSteps() const { return pageStepsFor(m_minDpi, m_maxDpi, m_dpiBase); }
    static int pageStepsFor(int minDpi, int maxDpi, int dpiBase);

    // The value of a slider position, and the position that shows a value
    // (kept on the slider).
    Q_INVOKABLE int valueForPosition(double x) const
    {
        return valueAt(x, m_minDpi, m_maxDpi, m_dpiBase);
    }
    Q_INVOKABLE double positionForValue(int value) const
    {
        return positionOf(value, m_minDpi, m_maxDpi);
    }
    static int valueAt(double x, int minDpi, int maxDpi, int dpiBase);
    static double positionOf(int value, int minDpi, int maxDpi);
    // `value` moved by `steps` steps of the sensor (negative: down), held
    // between the values at the slider's two ends. A value off the steps
    // first goes to the step on the side it moves towards.
    static int steppedValue(int value, int steps, int minDpi, int maxDpi, int dpiBase);
    // The value the slider stands for nearest below `value`: down to a step,
    // held between the values at the slider's two ends.
    static int gridValue(int value, int minDpi, int maxDpi, int dpiBase);
    // Whether a typed value is one of the sensor's: min..max in steps of base.
    bool acceptsValue(int value) const;

    // Edits; each marks the model unsaved. Stages count from 0.
    Q_INVOKABLE void setStageFromPosition(int stage, double x);
    void setStageValue(int stage, int value);
    // The keyboard's edit: a stage moved by whole steps.
    Q_INVOKABLE void stepStage(int stage, int steps);
    // Shows stages 1..n, all of them enabled, and makes n the count in use.
    Q_INVOKABLE void chooseCount(int n);
    // Ticks or unticks a shown stage; the count in use becomes the number
    // of shown stages enabled. False (nothing changes) for a stage that is
    // not shown and for unticking the last enabled stage.
    Q_INVOKABLE bool setStageEnabled(int stage, bool on);
    // "#rrggbb" for stages 0..5; false for anything else.
    Q_INVOKABLE bool setColour(int stage, const QString &text);

    // The enables as the mouse gets them: a stage that is not shown is off.
    QList<int> sentEnables() const;
    // R, G, B of stages 1 to 6, then white for stages 7 and 8.
    QVariantList rgbList() const;
    static bool isColour(const QString &text);

    // The page protocol.
    Q_INVOKABLE void init(bool isSendData, bool isRecovery);
    // Stores the stages in one write and sends them once the file holds
    // them; false (nothing sent) when the write failed or nothing is loaded.
    Q_INVOKABLE bool saveData(bool isSendData);
    // The two halves of saveData, for callers that check the write first.
    void storeData();
    void sendStages();
    void sendColours();

signals:
    void changed();
    void currentStageChanged();

private:
    int enabledAmong(int n) const;

    bool m_isLoaded = false;
    int m_dpiCount = 8;
    int m_currentDpiCount = 4;
    int m_shownCount = 4;
    int m_minDpi = 500;
    int m_maxDpi = 7000;
    int m_dpiBase = 500;
    QString m_sensorType = QStringLiteral("3320");
    QList<int> m_values{250, 500, 750, 1000, 1250, 1500, 1750, 2000};
    QList<int> m_enables = QList<int>(kStages, 1);
    QStringList m_colours = QStringList(kColouredStages, QLatin1String(kDefaultColour));
    int m_currentStage = 0;
};
