// Capture on Linux desktops: the X11 RECORD extension watches every key and
// button of the display. Without an X11 display (Wayland alone) there is no
// global capture and the program runs without it; under XWayland only the
// input going to X11 programs is seen.

#include "inputhook/platformhooks.h"

#include "inputhook/x11keymap.h"
#include "platform/x11record.h"

#include <QCoreApplication>
#include <QDebug>

#include <memory>

namespace {

struct X11Capture {
    X11EventTranslator translator;
    std::unique_ptr<X11Record> record;
};

std::unique_ptr<X11Capture> &capture()
{
    static std::unique_ptr<X11Capture> instance;
    return instance;
}

} // namespace

namespace PlatformHooks {

bool install()
{
    remove();
    if (!QCoreApplication::instance()) {
        qDebug() << "InputHook: no input capture without an application object";
        return false;
    }
    auto newCapture = std::make_unique<X11Capture>();
    X11EventTranslator *translator = &newCapture->translator;
    newCapture->record = std::make_unique<X11Record>([translator](const X11RecordedEvent &event) {
        InputHook::EventDetails details;
        details.time = event.time;
        details.window = event.window;
        translator->translate(event.type, event.detail, event.rootX, event.rootY, details);
    });
    if (!newCapture->record->start()) {
        qDebug().noquote() << "InputHook: no input capture:" << newCapture->record->errorString();
        return false;
    }
    capture() = std::move(newCapture);
    return true;
}

void remove()
{
    capture().reset();
}

bool installed()
{
    return capture() != nullptr;
}

// WM_COPYDATA is a Windows message; X11 has no counterpart to filter.
void installCopyDataFilter(QCoreApplication *) {}

void removeCopyDataFilter() {}

} // namespace PlatformHooks
