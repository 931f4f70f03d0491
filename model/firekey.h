// A fire key as the key-assignment overlay edits it: the key the button
// repeats, the interval in ms (1..255) and the count (0 repeats endlessly).
// While the fire group shows without a key, the next key press is taken.
#pragma once

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class FireKey : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(int key READ key NOTIFY changed)
    Q_PROPERTY(int rate READ rate WRITE setRate NOTIFY changed)
    Q_PROPERTY(int times READ times WRITE setTimes NOTIFY changed)
    // The next key press becomes the key.
    Q_PROPERTY(bool waiting READ waiting WRITE setWaiting NOTIFY changed)

public:
    static constexpr int kDefaultRate = 10;
    static constexpr int kDefaultTimes = 3;

    using QObject::QObject;

    int key() const { return m_key; }
    int rate() const { return m_rate; }
    void setRate(int rate);
    int times() const { return m_times; }
    void setTimes(int times);
    bool waiting() const { return m_waiting; }
    void setWaiting(bool waiting);

    // Starts from a button's entry: a fire entry (1, key, rate, times)
    // shows what it holds (a rate below 1 as the default), any other entry
    // the defaults without a key.
    Q_INVOKABLE void reset(const QVariantList &entry);
    // The fire group shows (or not): without a key it waits for one.
    Q_INVOKABLE void setShown(bool shown) { setWaiting(shown && m_key == 0); }
    // A captured key event: a press of a code in 1..255 while waiting.
    Q_INVOKABLE void keyEvent(bool isDown, int code);
    // "Endless" ticked or not: a count of 0, or back to once.
    Q_INVOKABLE void toggleEndless() { setTimes(m_times == 0 ? 1 : 0); }
    // The entry it assigns (1, key, rate, times); empty without a key.
    Q_INVOKABLE QVariantList entry() const;

signals:
    void changed();

private:
    int m_key = 0;
    int m_rate = kDefaultRate;
    int m_times = kDefaultTimes;
    bool m_waiting = false;
};
