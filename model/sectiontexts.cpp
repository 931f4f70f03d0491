#include "model/sectiontexts.h"

#include "model/languagemodel.h"
#include "model/models.h"

SectionTexts::SectionTexts(QObject *parent) : QObject(parent)
{
    if (Models *models = Models::instance())
        connect(models->language(), &LanguageModel::languageChanged, this,
                &SectionTexts::textsChanged);
}

void SectionTexts::setSection(const QString &section)
{
    if (m_section == section)
        return;
    m_section = section;
    emit textsChanged();
}

void SectionTexts::setDefaults(const QStringList &defaults)
{
    if (m_defaults == defaults)
        return;
    m_defaults = defaults;
    emit textsChanged();
}

QStringList SectionTexts::texts() const
{
    const Models *models = Models::instance();
    return models ? models->language()->texts(m_section, m_defaults) : m_defaults;
}
