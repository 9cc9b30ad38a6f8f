#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <memory>

class QNetworkAccessManager;

// The four numbers of a version text: major, minor, release, build.
using TVersionNumbers = std::array<qint32, 4>;

// Reads the four numbers of a version text such as "1.2.3.40". The text is cut at its first three dots;
// whatever follows the third dot is the build. A piece that is not a number (an empty piece, another
// character, an overflow of 32 bits) counts as 0, so a trailing line break makes the build 0 and an HTML
// page reads as 0.0.0.0. A piece may start with blanks and a sign, and "$", "x" or "0x" makes it
// hexadecimal. When the text holds fewer than three dots, the missing pieces before the last are 0 and the
// rest of the text is the build: "1.1" reads as 1, 0, 0, 1.
TVersionNumbers ReadVersionNumbers(const QString& text);

// True when the published version is newer than the own one: the numbers are compared in order of rank,
// major first and build last.
bool IsNewerVersion(const QString& ownVersion, const QString& publishedVersion) noexcept;

// Looks on the maker's web site for a newer version of the program and offers the download page. The main
// window owns one and calls CheckForUpdate at the end of its start-up, then PromptForUpdate when it says
// so. Both block the calling (GUI) thread while they fetch the version file.
class TVersionUpdate : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString URLVersionFile MEMBER URLVersionFile)
    Q_PROPERTY(QString URLDownload MEMBER URLDownload)
    Q_PROPERTY(quint32 Handle MEMBER Handle)

public:
    // The addresses start as the build configured them. A widget owner is the parent of the messages.
    explicit TVersionUpdate(QObject* owner = nullptr);
    ~TVersionUpdate() override;

    // Address of the version file, whose body is the newest published version number.
    QString URLVersionFile;
    // Address of the download page.
    QString URLDownload;
    // The window on whose behalf the download page is opened, 0 for none. The desktop opens web addresses
    // without an owning window here, so the value is kept for the owner's sake only.
    quint32 Handle = 0;
    // A fetch gives up when no data has arrived for this many milliseconds; the wait for the connection
    // counts too.
    int ReadTimeoutMs = 10000;

    // Fetches the version file and compares it with the program's own version, silently; any failure of
    // the fetch gives false.
    bool CheckForUpdate();

    // Checks again and tells the operator: a newer version is offered with Yes and No, Yes opening the
    // download page; otherwise "No update available." Returns the result of its own check.
    bool PromptForUpdate();

private:
    // The body of the version file, or the empty text on any failure (a malformed address, no
    // connection, the time-out, a status other than a success, a redirect).
    QString FetchVersionText() noexcept;

    std::unique_ptr<QNetworkAccessManager> Http;
};
