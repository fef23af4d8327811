// The console tool's one way of refusing: a line on standard error, prefixed with the tool's
// name, and the exit status 1 that the caller returns.
#pragma once

#include <QString>

#include <string>

namespace cli {

int Fail(const QString& message);
int Fail(const std::string& message);
int Fail(const char* message);

} // namespace cli
