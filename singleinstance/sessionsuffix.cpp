#include "singleinstance/sessionsuffix.h"

#ifdef Q_OS_WIN

#include <QLibrary>
#include <qt_windows.h>

QString sessionSuffix()
{
    // Looked up at run time: not every Windows version has it.
    using ProcessIdToSessionIdFn = BOOL(WINAPI *)(DWORD, DWORD *);
    static const auto processIdToSessionId = reinterpret_cast<ProcessIdToSessionIdFn>(
        QLibrary::resolve(QStringLiteral("kernel32"), "ProcessIdToSessionId"));
    if (!processIdToSessionId)
        return QString();
    DWORD sessionId = 0;
    processIdToSessionId(GetCurrentProcessId(), &sessionId);
    return QString::number(qulonglong(sessionId), 16);
}

#else

#include <unistd.h>

// Every user gets an instance of their own.
QString sessionSuffix()
{
    return QString::number(qulonglong(::getuid()), 16);
}

#endif
