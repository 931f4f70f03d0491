// Colours as the pickers show and edit them: "#rrggbb" text, lower case,
// and its red, green and blue channels (0..255).
#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

class ColourText : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    // Channel `k` (0 red, 1 green, 2 blue) of "#rrggbb"; 0 where the text
    // holds no hexadecimal pair there.
    Q_INVOKABLE static int channel(const QString &colour, int k);
    // "#rrggbb" from three channels, each clamped to 0..255.
    Q_INVOKABLE static QString compose(int red, int green, int blue);
    // The colour with channel `k` set to `value` (rounded, clamped).
    Q_INVOKABLE static QString withChannel(const QString &colour, int k, double value);
    // A typed colour in lower case when it is a full "#rrggbb"; else empty.
    Q_INVOKABLE static QString normalised(const QString &typed);

    // The colour's family as a screen reader names it, by hue and
    // lightness: an index into the names the language file lists in this
    // order (red, orange, yellow, green, cyan, blue, purple, pink, white,
    // grey, black).
    enum Family { Red, Orange, Yellow, Green, Cyan, Blue, Purple, Pink, White, Grey, Black };
    Q_ENUM(Family)
    Q_INVOKABLE static int family(const QString &colour);
};
