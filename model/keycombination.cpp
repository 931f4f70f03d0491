#include "model/keycombination.h"

void KeyCombination::set(int bits, int key1, int key2)
{
    if (bits == m_bits && key1 == m_key1 && key2 == m_key2)
        return;
    m_bits = bits;
    m_key1 = key1;
    m_key2 = key2;
    emit changed();
}

void KeyCombination::releaseAll()
{
    if (m_held.isEmpty())
        return;
    m_held.clear();
    emit changed();
}

void KeyCombination::reset(const QVariantList &entry)
{
    releaseAll();
    const bool combination = entry.size() >= 4 && entry.at(0).toInt() == 2;
    if (combination)
        set(entry.at(1).toInt(), entry.at(2).toInt(), entry.at(3).toInt());
    else
        set(0, 0, 0);
}

void KeyCombination::keyEvent(bool isDown, int code)
{
    if (code <= 0 || code > 255)
        return;
    if (!isDown) {
        if (m_held.removeAll(code) > 0)
            emit changed();
        return;
    }
    int bits = m_bits;
    int key1 = m_key1;
    int key2 = m_key2;
    if (m_held.isEmpty())
        bits = key1 = key2 = 0;
    const bool pressed = !m_held.contains(code);
    if (pressed)
        m_held.append(code);
    if (code >= kFirstModifier && code <= kLastModifier)
        bits |= 1 << (code - kFirstModifier);
    else if (key1 == 0)
        key1 = code;
    else if (key2 == 0 && code != key1)
        key2 = code;
    if (bits == m_bits && key1 == m_key1 && key2 == m_key2) {
        if (pressed)
            emit changed();
        return;
    }
    set(bits, key1, key2);
}
