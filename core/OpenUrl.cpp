#include "OpenUrl.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

std::function<bool(const QString&)>& Opener() {
    static std::function<bool(const QString&)> opener;
    return opener;
}

}  // namespace

bool OpenUrlWithSystem(const QString& target) {
    try {
        if (Opener()) {
            return Opener()(target);
        }
        return QDesktopServices::openUrl(QUrl(target, QUrl::TolerantMode));
    } catch (...) {
        return false;
    }
}

void SetUrlOpener(std::function<bool(const QString&)> opener) {
    Opener() = std::move(opener);
}
