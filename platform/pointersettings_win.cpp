// Windows: the system-parameter call, which also stores the value in the
// user's profile and tells running programs.
#include "platform/pointersettings.h"

#include <windows.h>

namespace {

constexpr UINT kStoreAndBroadcast = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;

class WindowsPointerSettings : public PointerSettings
{
public:
    bool setCursorSpeed(int speed) override
    {
        // The speed travels as the pointer-sized argument itself.
        return SystemParametersInfoW(SPI_SETMOUSESPEED, 0,
                                     reinterpret_cast<PVOID>(static_cast<INT_PTR>(speed)),
                                     kStoreAndBroadcast) != 0;
    }

    bool setDoubleClickTime(int ms) override
    {
        return SystemParametersInfoW(SPI_SETDOUBLECLICKTIME, static_cast<UINT>(ms), nullptr,
                                     kStoreAndBroadcast) != 0;
    }

    bool setWheelScrollLines(int lines) override
    {
        return SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, static_cast<UINT>(lines), nullptr,
                                     kStoreAndBroadcast) != 0;
    }
};

} // namespace

std::unique_ptr<PointerSettings> PointerSettings::createSystem()
{
    return std::make_unique<WindowsPointerSettings>();
}
