#include "platform/devicenotifier.h"

// Windows tells the main window itself (WM_DEVICECHANGE); nothing to watch here.
struct DeviceChangeNotifier::Private {
};

DeviceChangeNotifier::DeviceChangeNotifier(QObject *parent) : QObject(parent), d(new Private) {}

DeviceChangeNotifier::~DeviceChangeNotifier() = default;
