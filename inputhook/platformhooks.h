#pragma once

// What each platform supplies to InputHook: the capture itself and, where the
// platform has one, the native WM_COPYDATA filter.

class QCoreApplication;

namespace PlatformHooks {

bool install();
void remove();
bool installed();
void installCopyDataFilter(QCoreApplication *app);
void removeCopyDataFilter();

} // namespace PlatformHooks
