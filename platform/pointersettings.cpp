#include "platform/pointersettings.h"

#include <algorithm>

PointerSettings::~PointerSettings() = default;

namespace PointerMapping {

double speedToFactor(int speed)
{
    speed = std::clamp(speed, 1, 20);
    if (speed <= 10)
        return (speed - 10) / 9.0;
    return (speed - 10) / 10.0;
}

} // namespace PointerMapping
