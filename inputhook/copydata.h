#pragma once

// A WM_COPYDATA message tagged 9487 carries a text that we show in a warning
// box titled with the main window's title. Anything else is swallowed.

#include <QByteArray>
#include <QString>

#include <functional>

class QWidget;

namespace CopyData {

constexpr quintptr WarningTag = 9487;

// True only for the warning tag and a valid UTF-8 text, read up to its NUL
// within the cbData bytes received, whose length is exactly cbData (the sender
// counts the text without its NUL). *text receives the text.
bool shouldWarn(quintptr dwData, const QByteArray &lpData, quint32 cbData, QString *text);

// Shows the warning; by default QMessageBox::warning with the Ok button.
using WarningPresenter = std::function<void(const QString &title, const QString &text)>;
// An empty presenter brings back the message box.
void setWarningPresenter(WarningPresenter presenter);

// The handler for InputHook::setCopyDataHandler; context is the main window
// (a QWidget). Does nothing without a context.
void handleMessage(quintptr dwData, const QByteArray &data, quint32 cbData, void *context);

} // namespace CopyData
