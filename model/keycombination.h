// A key combination as the combination recorder captures it from the
// keyboard: the modifier keys (usage codes 0xE0..0xE7) collect as bits, the
// first two other keys pressed are the keys. A press after every key was
// released starts a new combination.
#pragma once

#include <QList>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class KeyCombination : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(int bits READ bits NOTIFY changed)
    Q_PROPERTY(int key1 READ key1 NOTIFY changed)
    Q_PROPERTY(int key2 READ key2 NOTIFY changed)
    // Neither a modifier nor a key: nothing to assign.
    Q_PROPERTY(bool empty READ isEmpty NOTIFY changed)
    // Some key is held down.
    Q_PROPERTY(bool holding READ holding NOTIFY changed)

public:
    static constexpr int kFirstModifier = 0xE0;
    static constexpr int kLastModifier = 0xE7;

    using QObject::QObject;

    int bits() const { return m_bits; }
    int key1() const { return m_key1; }
    int key2() const { return m_key2; }
    bool isEmpty() const { return m_bits == 0 && m_key1 == 0; }
    bool holding() const { return !m_held.isEmpty(); }

    // Starts from a button's entry: a combination entry (2, bits, key1,
    // key2) shows what it holds, any other entry nothing.
    Q_INVOKABLE void reset(const QVariantList &entry);
    // A captured key event; codes outside 1..255 are not keys.
    Q_INVOKABLE void keyEvent(bool isDown, int code);
    // Empties the combination; keys still held stay so.
    Q_INVOKABLE void clear() { set(0, 0, 0); }
    // Forgets the keys held (the recorder closed).
    Q_INVOKABLE void releaseAll();
    // The entry this combination assigns: 2, bits, key1, key2.
    Q_INVOKABLE QVariantList entry() const { return {2, m_bits, m_key1, m_key2}; }

signals:
    void changed();

private:
    void set(int bits, int key1, int key2);

    QList<int> m_held;
    int m_bits = 0;
    int m_key1 = 0;
    int m_key2 = 0;
};
