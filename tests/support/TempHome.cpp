#include "TempHome.h"

namespace testsupport {

namespace {
QString& Home() {
    static QString home;
    return home;
}
}  // namespace

QString TempHome() {
    return Home();
}
void SetTempHome(const QString& path) {
    Home() = path;
}
QString UserDataFolder() {
    return Home() + QStringLiteral("/data/Quenmark/Orvalis/");
}

}  // namespace testsupport
