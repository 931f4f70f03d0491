#include "model/feedbacktexts.h"

#include "model/languagemodel.h"
#include "model/models.h"

namespace FeedbackTexts {

QStringList defaults()
{
    return {
        QStringLiteral("Saved to the mouse."),
        QStringLiteral("Nothing to save: every page is stored."),
        QStringLiteral("Could not save: %1"),
        QStringLiteral("%1 could not be written (is the disk full or read-only?). It keeps its "
                       "old values and nothing of it was sent. The marked pages still hold your "
                       "changes."),
        QStringLiteral("Unsaved changes"),
        QStringLiteral("Not imported: %1"),
        QStringLiteral("the profile list already holds six profiles"),
        QStringLiteral("the name is empty or taken"),
        QStringLiteral("the file could not be read or is not a profile file"),
        QStringLiteral("the profile file could not be written"),
        QStringLiteral("the profile list could not be written"),
        QStringLiteral("Stored, but the mouse did not take it (is it plugged in?). The marked "
                       "pages are sent again with the next Save."),
    };
}

QString english(Text which)
{
    return defaults().value(which);
}

QString text(Text which)
{
    const Models *models = Models::instance();
    if (!models)
        return english(which);
    return models->language()->texts(QStringLiteral("feedback"), defaults()).value(which);
}

} // namespace FeedbackTexts
