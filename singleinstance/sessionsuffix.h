#pragma once

#include <QString>

// What keeps instances of different users (or Windows sessions) apart: the
// session id in lower-case hexadecimal, or an empty string when it is unknown.
QString sessionSuffix();
