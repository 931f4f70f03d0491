// The desktop's pointer settings: pointer speed, double-click time and wheel
// scroll lines. The values arrive in the program's own units (speed 1..20,
// time in milliseconds, lines); each implementation maps them to what its
// desktop stores. Needs only QtCore.
#pragma once

#include <QString>

#include <memory>

class PointerSettings
{
public:
    virtual ~PointerSettings();

    // Which settings this desktop offers at all; `reason` says, in one line
    // for the user, why one it does not offer cannot be set.
    struct Support {
        bool speed = true;
        bool doubleClick = true;
        bool scrollLines = true;
        QString reason;
    };
    virtual Support support() { return {}; }

    // Each returns false when the desktop offers no such setting or refused it.
    virtual bool setCursorSpeed(int speed) = 0; // 1 (slowest) .. 20 (fastest), 10 is neutral
    virtual bool setDoubleClickTime(int ms) = 0;
    virtual bool setWheelScrollLines(int lines) = 0;

    // The implementation for the system the program runs on.
    static std::unique_ptr<PointerSettings> createSystem();
};

namespace PointerMapping {

// Pointer speed 1..20 (10 = no change) to a GNOME-style factor -1..1
// (0 = no change): piecewise linear so that 1 maps to -1, 10 to 0 and 20 to 1;
// values outside 1..20 are clamped first.
double speedToFactor(int speed);

} // namespace PointerMapping
