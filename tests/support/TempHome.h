#pragma once

#include <QString>

namespace testsupport {

// The private folder that stands in for the user's home during a test run; XDG_DATA_HOME,
// XDG_CONFIG_HOME and XDG_CACHE_HOME point below it.
QString TempHome();
void SetTempHome(const QString& path);

// The per-user data folder the program uses under the test's XDG_DATA_HOME (with a trailing '/').
QString UserDataFolder();

}  // namespace testsupport
