// The system settings page: pointer speed, double-click speed, scroll lines,
// and the lift-off setting it shows too (LodModel). The two speed sliders
// store the handle's pixel position (3..338); a position becomes a speed
// index 0..10 through the thresholds below, and the index is what the
// desktop gets.
#pragma once

#include "model/pagemodel.h"
#include "platform/pointersettings.h"

#include <QList>
#include <QVariant>

class LodModel;
class QQmlEngine;
class QJSEngine;

class SystemSettingsModel : public PageModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    Q_PROPERTY(bool isLoaded READ isLoaded NOTIFY changed)
    Q_PROPERTY(int mouseRate READ mouseRate NOTIFY changed)
    Q_PROPERTY(int doubleRate READ doubleRate NOTIFY changed)
    Q_PROPERTY(bool scrollWhole READ scrollWhole NOTIFY changed)
    Q_PROPERTY(int scrollLines READ scrollLines NOTIFY changed)
    Q_PROPERTY(int firstPosition READ firstPosition CONSTANT)
    Q_PROPERTY(int lastPosition READ lastPosition CONSTANT)
    // Which of the desktop's settings can be set here; `pointerNote` says
    // why one cannot (empty when all can).
    Q_PROPERTY(bool speedAvailable READ speedAvailable NOTIFY supportChanged)
    Q_PROPERTY(bool doubleClickAvailable READ doubleClickAvailable NOTIFY supportChanged)
    Q_PROPERTY(bool scrollAvailable READ scrollAvailable NOTIFY supportChanged)
    Q_PROPERTY(QString pointerNote READ pointerNote NOTIFY supportChanged)

public:
    static constexpr int kFirstPosition = 3;
    static constexpr int kLastPosition = 338;
    static constexpr int kFastest = 10;
    // What the stored scroll value holds for whole-screen scrolling.
    static constexpr int kScrollWholeScreen = 1000;
    static constexpr int kMostLines = 100;

    SystemSettingsModel(Operations &ops, LodModel &lod, QObject *parent = nullptr);

    static SystemSettingsModel *create(QQmlEngine *, QJSEngine *);

    bool isLoaded() const { return m_isLoaded; }
    int mouseRate() const { return m_mouseRate; }
    int doubleRate() const { return m_doubleRate; }
    bool scrollWhole() const { return m_scrollWhole; }
    int scrollLines() const { return m_scrollLines; }
    int firstPosition() const { return kFirstPosition; }
    int lastPosition() const { return kLastPosition; }
    bool speedAvailable() const { return m_support.speed; }
    bool doubleClickAvailable() const { return m_support.doubleClick; }
    bool scrollAvailable() const { return m_support.scrollLines; }
    // In the window's language (the desktop layer says it in English).
    QString pointerNote() const;
    // Asks the desktop what it offers (it may take a moment: the page asks
    // when it is first shown, kesta-ctl before a change).
    Q_INVOKABLE void readSupport();
    // What saveData stores and sends as the scroll value.
    int scrollValue() const { return m_scrollWhole ? kScrollWholeScreen : m_scrollLines; }

    // Speed index 0..10 of a slider position: the first threshold above it.
    // The far end (338) is the fastest, not the slowest.
    static int speedIndex(int x);
    // The lowest slider position that gives speed index i.
    static int positionForIndex(int index);

    // Edits; each marks the model unsaved.
    Q_INVOKABLE void setPointer(int x);
    Q_INVOKABLE void setDoubleClick(int x);
    Q_INVOKABLE void setScrollWhole(bool whole);
    // Lines 1..100 typed as text; anything else is refused (false).
    Q_INVOKABLE bool setScrollLines(const QString &text);
    // A number of lines; more than a hundred is whole-screen scrolling.
    void setScrollValue(int lines);

    // The page protocol. Step 0 sends everything, 1 the pointer speed, 2 the
    // double-click speed, 3 the scroll lines; the lift-off value goes every time.
    Q_INVOKABLE void init(bool isSendData, bool isRecovery);
    // One write, sent once stored; false (nothing sent) when it failed.
    Q_INVOKABLE bool saveData(bool isSendData, int step);
    // The two halves of saveData, for callers that check the write first.
    void storeData();
    // The desktop's part of a send (no mouse needed), then the lift-off.
    void sendPointer(int step);
    void sendData(int step);

signals:
    void changed();
    void supportChanged();

private:
    PointerSettings::Support m_support;
    static int clampPosition(const QVariant &value, int fallback);

    LodModel &m_lod;
    bool m_isLoaded = false;
    int m_mouseRate = 163;
    int m_doubleRate = 161;
    bool m_scrollWhole = false;
    int m_scrollLines = 3;
};
