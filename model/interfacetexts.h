// The window's own texts that belong to no page: tooltips of the window
// buttons, the tray icon's menu, tooltip and bubbles, notices the models
// raise and the captions of the file dialogs. They are the "interface"
// section of the language files, with the English ones below as the
// built-in list; the window shows them in its language, kesta-ctl in
// English.
#pragma once

#include <QString>
#include <QStringList>

namespace InterfaceTexts {

enum Text {
    Help, // window buttons, as tipped
    Minimise,
    Maximise,
    CloseToTray,
    Close,         // an overlay's ×
    RecordingNote, // the macro recorder without a global capture
    Milliseconds,  // the unit after delays and fire periods
    TrayOpen,      // the tray menu
    TrayQuit,
    TrayToolTip,
    BubbleTitle,    // every tray bubble's title
    DeviceDetected, // bubbles
    ProfileInUse,
    MouseRemoved,
    LeftClickRestored, // the left-click guard's notices
    LeftClickNotStored,
    ChangedOutside, // another program changed stored pages (%1 the pages)
    PageButtons,    // how that notice names the pages
    PageDpi,
    PageLighting,
    PageLiftOff,
    PagePointer,
    PageReportRate,
    OpenFile, // file dialog captions
    SaveFile,
    OpenDirectory,
    AlreadyExists, // an export name taken (%1 the file's name)
    CreateFolder,  // a macro folder that exists
    DuplicateName,
    NoPointerSettings, // why the desktop's pointer settings cannot all be set
    NoPointerSettingsWithoutGsettings,
    NoScrollLines,
    ProfileFilter, // file dialog filters
    MacroFilter,
    ProfileNotChanged, // a profile change the global file could not keep (%1 the file)
    Count
};

// The built-in (English) list, in the order of Text.
QStringList defaults();
// One text in English, as kesta-ctl prints it.
QString english(Text which);
// One text in the language the window speaks (English without a window).
QString text(Text which);
// `english` as the window speaks it: a built-in text, or one made from a
// built-in text with one "%1" (a dialog title or message the QtCore layers
// write in English), in the window's language; anything else as it is.
QString localised(const QString &english);

} // namespace InterfaceTexts
