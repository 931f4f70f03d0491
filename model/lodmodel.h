// The lift-off distance: a slider position and an enable flag, shown on the
// main page and on the settings tab (two views of this one model). The
// position is the handle's pixel position on a 322-pixel travel starting at
// 3; it is stored in `mouse/lod` and, for the main page's copy of the value,
// in `mouse/reportRateLod`. The user sees it as L (0.3 mm), M (1.1 mm) or H.
#pragma once

#include "model/pagemodel.h"

#include <QVariant>

class QQmlEngine;
class QJSEngine;

class LodModel : public PageModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    Q_PROPERTY(bool isLoaded READ isLoaded NOTIFY changed)
    Q_PROPERTY(int position READ position NOTIFY changed)
    Q_PROPERTY(bool enabled READ enabled NOTIFY changed)
    // "L", "M" or "H".
    Q_PROPERTY(QString level READ level NOTIFY changed)
    Q_PROPERTY(int first READ first CONSTANT)
    Q_PROPERTY(int last READ last CONSTANT)

public:
    static constexpr int kFirst = 3;
    static constexpr int kLast = 325;
    // The positions kesta-ctl sets for "low", "medium" and "high".
    static constexpr int kLow = kFirst;
    static constexpr int kMedium = 164;
    static constexpr int kHigh = kLast;

    explicit LodModel(Operations &ops, QObject *parent = nullptr);

    static LodModel *create(QQmlEngine *, QJSEngine *);

    bool isLoaded() const { return m_isLoaded; }
    int position() const { return m_position; }
    bool enabled() const { return m_enabled; }
    QString level() const { return levelFor(m_position); }
    int first() const { return kFirst; }
    int last() const { return kLast; }

    // Distance byte sent to the mouse: 125 at the lowest position, 90 at
    // the highest.
    static int distanceFor(int x);
    // "0.3mm" .. "2mm".
    static QString millimetresFor(int x);
    static QString levelFor(int x);
    // A stored or edited position kept on the slider (3 for anything unreadable).
    static int clampPosition(const QVariant &x);

    // A user edit from either view.
    Q_INVOKABLE void change(int x, bool isEnabled);

    // Loads position and enable from the profile (or its defaults).
    void load(bool isRecovery);
    void send();
    void store();

    Q_INVOKABLE void init(bool isSendData);
    // One write, sent once stored; false (nothing sent) when it failed.
    Q_INVOKABLE bool saveData(bool isSendData);
    // Part of reset all: the profile defaults, stored and sent.
    Q_INVOKABLE void reset();

signals:
    void changed();

private:
    bool m_isLoaded = false;
    int m_position = kFirst;
    bool m_enabled = true;
};
