#include "model/models.h"

namespace {
Models *s_current = nullptr;
}

Models::Models(Operations &ops, QObject *parent) : QObject(parent), m_ops(ops)
{
    s_current = this;
}

Models::~Models()
{
    if (s_current == this)
        s_current = nullptr;
}

Models *Models::instance()
{
    return s_current;
}
