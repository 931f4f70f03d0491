#include "model/numberinput.h"

QVariant NumberInput::wholeNumber(const QString &text, int digits, bool allowMinus, int minimum,
                                  int maximum)
{
    const QString typed = text.trimmed();
    const bool negative = allowMinus && typed.startsWith(QLatin1Char('-'));
    const QStringView figures = QStringView(typed).mid(negative ? 1 : 0);
    if (figures.isEmpty() || figures.size() > qMin(digits, 9))
        return {};
    int number = 0;
    for (const QChar c : figures) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};
        number = number * 10 + (c.unicode() - '0');
    }
    if (negative)
        number = -number;
    if (number < minimum || number > maximum)
        return {};
    return number;
}
