#include "model/models.h"

#include "model/macrostepsmodel.h"
#include "model/macrotreemodel.h"

namespace {
Models *s_current = nullptr;
}

Models::Models(Operations &ops, QObject *parent)
    : QObject(parent), m_ops(ops), m_macroTree(std::make_unique<MacroTreeModel>(ops)),
      m_macroSteps(std::make_unique<MacroStepsModel>(ops))
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
