#include "VersionUpdate.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringView>
#include <QUrl>
#include <QWidget>

#include <limits>

#include "OpenUrl.h"
#include "Question.h"
#include "VersionInfo.h"

namespace {

int DigitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (base == 16 && u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    if (base == 16 && u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    return -1;
}

// One number of a version text; anything that is not a whole number in 32 bits reads as 0.
qint32 ReadVersionNumber(QStringView piece) {
    const qsizetype size = piece.size();
    qsizetype at = 0;
    while (at < size && (piece[at] == u' ' || piece[at] == u'\t')) {
        ++at;
    }
    bool negative = false;
    if (at < size && (piece[at] == u'-' || piece[at] == u'+')) {
        negative = piece[at] == u'-';
        ++at;
    }
    int base = 10;
    if (at < size && (piece[at] == u'$' || piece[at] == u'x' || piece[at] == u'X')) {
        base = 16;
        at += 1;
    } else if (at + 1 < size && piece[at] == u'0' && (piece[at + 1] == u'x' || piece[at + 1] == u'X')) {
        base = 16;
        at += 2;
    }
    if (at == size) {
        return 0;
    }
    const qint64 limit =
        negative ? -qint64(std::numeric_limits<qint32>::min()) : qint64(std::numeric_limits<qint32>::max());
    qint64 magnitude = 0;
    for (; at < size; ++at) {
        const int digit = DigitValue(piece[at], base);
        if (digit < 0) {
            return 0;
        }
        magnitude = magnitude * base + digit;
        if (magnitude > limit) {
            return 0;
        }
    }
    return qint32(negative ? -magnitude : magnitude);
}

}  // namespace

TVersionNumbers ReadVersionNumbers(const QString& text) {
    TVersionNumbers numbers{};
    QStringView rest(text);
    for (std::size_t i = 0; i < 3; ++i) {
        const qsizetype dot = rest.indexOf(u'.');
        if (dot >= 0) {
            numbers[i] = ReadVersionNumber(rest.left(dot));
            rest = rest.mid(dot + 1);
        }
    }
    numbers[3] = ReadVersionNumber(rest);
    return numbers;
}

bool IsNewerVersion(const QString& ownVersion, const QString& publishedVersion) noexcept {
    try {
        return ReadVersionNumbers(publishedVersion) > ReadVersionNumbers(ownVersion);
    } catch (...) {
        return false;
    }
}

TVersionUpdate::TVersionUpdate(QObject* owner)
    : QObject(owner),
      URLVersionFile(QStringLiteral(ORVALIS_URL_VERSION_FILE)),
      URLDownload(QStringLiteral(ORVALIS_URL_DOWNLOAD)),
      Http(std::make_unique<QNetworkAccessManager>()) {}

TVersionUpdate::~TVersionUpdate() = default;

QString TVersionUpdate::FetchVersionText() noexcept {
    try {
        const QUrl address(URLVersionFile, QUrl::StrictMode);
        const QString scheme = address.scheme().toLower();
        if (!address.isValid() || address.host().isEmpty() ||
            (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
            return {};
        }
        QNetworkRequest request(address);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        request.setTransferTimeout(ReadTimeoutMs);

        // The check happens while the main window is being created: wait here, but let no operator input
        // reach half-built windows meanwhile.
        const std::unique_ptr<QNetworkReply> reply(Http->get(request));
        if (!reply->isFinished()) {
            QEventLoop waiting;
            QObject::connect(reply.get(), &QNetworkReply::finished, &waiting, &QEventLoop::quit);
            waiting.exec(QEventLoop::ExcludeUserInputEvents);
        }

        // A time-out ends the reply as cancelled and drops what had arrived; a redirect arrives without
        // an error but with its 3xx status.
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
            return {};
        }
        return QString::fromUtf8(reply->readAll());
    } catch (...) {
        return {};
    }
}

bool TVersionUpdate::CheckForUpdate() {
    const QString published = FetchVersionText();
    return IsNewerVersion(ReadFileVersion(QCoreApplication::applicationFilePath()), published);
}

bool TVersionUpdate::PromptForUpdate() {
    const bool newer = CheckForUpdate();

    const QString executable = QCoreApplication::applicationFilePath();
    const QString fileVersion = ReadFileVersion(executable);
    const QString fileDescription = ReadFileDescription(executable);
    const QString companyName = ReadCompanyName(executable);
    const QString published = FetchVersionText();

    QWidget* window = qobject_cast<QWidget*>(parent());
    if (!newer) {
        ShowInformation(window, QStringLiteral("No update available."));
        return false;
    }
    const QString lineBreak = QStringLiteral("\r\n");
    const QString message = QStringLiteral("New version available for ") + companyName +
                            QStringLiteral("'s ") + fileDescription + lineBreak +
                            QStringLiteral("Current version: ") + fileVersion + lineBreak +
                            QStringLiteral("Newer version: ") + published + lineBreak +
                            QStringLiteral("Do you want to download the update now?");
    if (AskYesNo(window, message, QStringLiteral("Information"))) {
        OpenUrlWithSystem(URLDownload);
    }
    return true;
}
