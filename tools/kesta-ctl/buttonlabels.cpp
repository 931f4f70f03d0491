#include "tools/kesta-ctl/buttonlabels.h"

namespace ButtonLabels {

namespace {

// Button n (0-based) sits at this matrix index.
int indexOfButton(int n)
{
    return n < 6 ? n : n + 2;
}

QString circled(int n)
{
    return QString(QChar(char16_t(0x2460 + n))); // U+2460 is "①"
}

} // namespace

int matrixIndex(const QString &label)
{
    const QString text = label.trimmed();
    bool ok = false;
    const int number = text.toInt(&ok);
    if (ok && text == QString::number(number))
        return number >= 1 && number <= kCount ? indexOfButton(number - 1) : -1;
    for (int n = 0; n < kCount; ++n) {
        if (text == circled(n))
            return indexOfButton(n);
    }
    return -1;
}

QString label(int matrixIndex)
{
    if (matrixIndex < 0 || matrixIndex > 15 || matrixIndex == 6 || matrixIndex == 7)
        return QString();
    return circled(matrixIndex < 6 ? matrixIndex : matrixIndex - 2);
}

QStringList labels()
{
    QStringList out;
    for (int n = 0; n < kCount; ++n)
        out.append(circled(n));
    return out;
}

} // namespace ButtonLabels
