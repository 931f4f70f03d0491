#pragma once

#include <QSize>

// The window size for a primary screen of the given size: screens wider than
// 1280 pixels get two thirds of their size (truncated), others their full size.
inline QSize windowSizeForScreen(const QSize &screen)
{
    if (screen.width() > 1280)
        return QSize(int(screen.width() / 1.5), int(screen.height() / 1.5));
    return screen;
}

// Whole wheel steps of a vertical wheel delta (120 per notch), truncated.
inline int wheelSteps(int delta)
{
    const int degrees = delta / 8;
    return degrees / 15;
}
