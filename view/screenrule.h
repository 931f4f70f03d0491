#pragma once

#include <QSize>

// The scene's design size: every page is laid out for it and drawn scaled.
inline constexpr QSize kDesignSize(1280, 720);

// The window's first size for a work area (the screen less its panels): the
// largest size of the design's shape (16:9) that fits in it, at most the
// design size, so the scene fills the window without empty bands.
inline QSize windowSizeForScreen(const QSize &workArea)
{
    const int w = qMin(workArea.width(), kDesignSize.width());
    const int h = qMin(workArea.height(), kDesignSize.height());
    if (w <= 0 || h <= 0)
        return kDesignSize;
    // Whichever side runs out first sets the size; the other follows,
    // truncated, so the result never exceeds the work area.
    if (qint64(w) * kDesignSize.height() <= qint64(h) * kDesignSize.width())
        return QSize(w, int(qint64(w) * kDesignSize.height() / kDesignSize.width()));
    return QSize(int(qint64(h) * kDesignSize.width() / kDesignSize.height()), h);
}

// Whole wheel steps of a vertical wheel delta (120 per notch), truncated.
inline int wheelSteps(int delta)
{
    const int degrees = delta / 8;
    return degrees / 15;
}
