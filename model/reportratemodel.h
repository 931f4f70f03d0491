// The report rate, stored as its index 0..3 = 125, 250, 500, 1000 Hz in
// `mouse/reportRate`. Sending it gives the mouse the rate byte of that index.
#pragma once

#include "model/pagemodel.h"

#include <QStringList>

class QQmlEngine;
class QJSEngine;

class ReportRateModel : public PageModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    Q_PROPERTY(bool isLoaded READ isLoaded NOTIFY changed)
    Q_PROPERTY(int index READ index NOTIFY changed)
    Q_PROPERTY(QStringList captions READ captions CONSTANT)

public:
    static constexpr int kRates = 4;

    explicit ReportRateModel(Operations &ops, QObject *parent = nullptr);

    static ReportRateModel *create(QQmlEngine *, QJSEngine *);

    bool isLoaded() const { return m_isLoaded; }
    int index() const { return m_index; }
    QStringList captions() const;

    // Hz of index i; the index of a rate in Hz (-1 for other rates); the
    // byte the mouse gets for index i.
    static int hertz(int index);
    static int indexOfHertz(int hz);
    static int rateByte(int index);

    Q_INVOKABLE void choose(int index);

    Q_INVOKABLE void init(bool isSendData);
    // The rate of the profile in use, or with `isRecovery` of the profile's
    // defaults; nothing is stored or sent.
    void load(bool isRecovery);
    // Sent once stored; false (nothing sent) when the write failed.
    Q_INVOKABLE bool saveData(bool isSendData);
    void store();
    void send();

signals:
    void changed();

private:
    bool m_isLoaded = false;
    int m_index = 3;
};
