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
