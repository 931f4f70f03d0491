#include "model/colourtext.h"

#include <QRegularExpression>

#include <algorithm>

int ColourText::channel(const QString &colour, int k)
{
    if (k < 0 || k > 2)
        return 0;
    bool ok = false;
    const int value = colour.mid(1 + 2 * k, 2).toInt(&ok, 16);
    return ok ? value : 0;
}

QString ColourText::compose(int red, int green, int blue)
{
    QString out = QStringLiteral("#");
    for (int c : {red, green, blue})
        out += QStringLiteral("%1").arg(std::clamp(c, 0, 255), 2, 16, QLatin1Char('0'));
    return out;
}

QString ColourText::withChannel(const QString &colour, int k, double value)
{
    int c[3] = {channel(colour, 0), channel(colour, 1), channel(colour, 2)};
    if (k >= 0 && k <= 2)
        c[k] = qRound(std::clamp(value, 0.0, 255.0));
    return compose(c[0], c[1], c[2]);
}

QString ColourText::normalised(const QString &typed)
{
    static const QRegularExpression full(QStringLiteral("^#[0-9a-fA-F]{6}$"));
    return full.match(typed).hasMatch() ? typed.toLower() : QString();
}

int ColourText::family(const QString &colour)
{
    const int r = channel(colour, 0), g = channel(colour, 1), b = channel(colour, 2);
    const int value = std::max({r, g, b});
    const int spread = value - std::min({r, g, b});
    const int saturation = value == 0 ? 0 : 255 * spread / value;
    if (value < 40)
        return Black;
    // Barely tinted: white, grey or black by how light it is.
    if (saturation < 40)
        return value > 215 ? White : (value < 70 ? Black : Grey);
    // Hue sectors, in degrees, where each name ends.
    static constexpr struct {
        int upTo;
        Family family;
    } sectors[] = {{15, Red},   {45, Orange},  {70, Yellow}, {160, Green}, {200, Cyan},
                   {260, Blue}, {290, Purple}, {340, Pink},  {360, Red}};
    // The hue in degrees (0..359), as HSV defines it.
    double hue = 0;
    if (value == r)
        hue = 60.0 * (g - b) / spread;
    else if (value == g)
        hue = 120.0 + 60.0 * (b - r) / spread;
    else
        hue = 240.0 + 60.0 * (r - g) / spread;
    if (hue < 0)
        hue += 360;
    for (const auto &s : sectors) {
        if (hue < s.upTo)
            return s.family;
    }
    return Red;
}
