#include "model/firekey.h"

void FireKey::setRate(int rate)
{
    if (rate == m_rate)
        return;
    m_rate = rate;
    emit changed();
}

void FireKey::setTimes(int times)
{
    if (times == m_times)
        return;
    m_times = times;
    emit changed();
}

void FireKey::setWaiting(bool waiting)
{
    if (waiting == m_waiting)
        return;
    m_waiting = waiting;
    emit changed();
}

void FireKey::reset(const QVariantList &entry)
{
    const bool fire = entry.size() >= 4 && entry.at(0).toInt() == 1;
    m_key = fire ? entry.at(1).toInt() : 0;
    m_rate = fire && entry.at(2).toInt() >= 1 ? entry.at(2).toInt() : kDefaultRate;
    m_times = fire ? entry.at(3).toInt() : kDefaultTimes;
    m_waiting = false;
    emit changed();
}

void FireKey::keyEvent(bool isDown, int code)
{
    if (!m_waiting || !isDown || code <= 0 || code > 255)
        return;
    m_key = code;
    m_waiting = false;
    emit changed();
}

QVariantList FireKey::entry() const
{
    if (m_key <= 0)
        return {};
    return {1, m_key, m_rate, m_times};
}
