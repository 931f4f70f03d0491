#include "devicesettings/buttonlabels.h"

namespace ButtonLabels {

namespace {

// Circled digits start at U+2460 ("①").
constexpr char16_t kFirstCircled = 0x2460;

bool isFixed(int index)
{
    return index == 6 || index == 7;
}

} // namespace

QString label(int index)
{
    if (index < 0 || index >= kPositions || isFixed(index))
        return QString();
    const int number = index < 6 ? index : index - 2; // 0-based among the labelled ones
    return QString(QChar(char16_t(kFirstCircled + number)));
}

QStringList labels()
{
    QStringList all;
    for (int i = 0; i < kPositions; ++i)
        all.append(label(i));
    return all;
}

int indexOf(const QString &text)
{
    if (text.isEmpty())
        return -1;
    for (int i = 0; i < kPositions; ++i) {
        if (label(i) == text)
            return i;
    }
    return -1;
}

int matrixIndex(const QString &name)
{
    const QString text = name.trimmed();
    bool ok = false;
    const int number = text.toInt(&ok);
    if (ok && text == QString::number(number)) {
        if (number < 1 || number > 14)
            return -1;
        return number <= 6 ? number - 1 : number + 1; // 7..14 sit at 8..15
    }
    return indexOf(text);
}

bool hasMacroSlot(int index)
{
    return index >= 0 && index < kMacroSlots;
}

} // namespace ButtonLabels
