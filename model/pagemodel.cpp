#include "model/pagemodel.h"

#include "view/operations.h"

PageModel::PageModel(Operations &ops, QObject *parent) : QObject(parent), m_ops(ops) {}

void PageModel::setSave(bool isSave)
{
    if (m_isSave == isSave)
        return;
    m_isSave = isSave;
    emit isSaveChanged();
}

SettingsStore *PageModel::store() const
{
    return m_ops.settings();
}

DeviceSettings *PageModel::device() const
{
    return m_ops.deviceSettings();
}

MacroLibrary *PageModel::macros() const
{
    return m_ops.macros();
}

RecoilData *PageModel::recoil() const
{
    return m_ops.recoil();
}
