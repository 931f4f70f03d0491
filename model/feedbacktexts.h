// What the window tells about an outcome: a save, a page left unsaved, an
// import that was refused. The texts are the "feedback" section of the
// language files, with the English ones below as the built-in list; the
// window shows them in its language, kesta-ctl in English.
#pragma once

#include <QString>
#include <QStringList>

namespace FeedbackTexts {

enum Text {
    Saved,          // "Saved to the mouse."
    NothingToSave,  // Save with no page holding edits
    CouldNotSave,   // "Could not save: %1"
    FileNotWritten, // the reason: %1 is the settings file
    UnsavedChanges, // a page's mark, as it is spoken
    NotImported,    // "Not imported: %1"
    ListFull,       // the reasons an import is refused
    NameTaken,
    NotAProfile,
    ProfileNotWritten,
    ListNotWritten,
    NotSent, // stored, but the mouse did not take it
};

// The built-in (English) list, in the order of Text.
QStringList defaults();
// One text in English, as kesta-ctl prints it.
QString english(Text which);
// One text in the language the window speaks (English without a window).
QString text(Text which);

} // namespace FeedbackTexts
