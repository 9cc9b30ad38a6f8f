#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QHostAddress>
#include <QMessageBox>
#include <QNetworkProxy>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <limits>
#include <optional>

#include "CannedHttpServer.h"
#include "OpenUrl.h"
#include "Question.h"
#include "VersionInfo.h"
#include "VersionUpdate.h"

namespace {

using testsupport::HttpResponse;
using testsupport::TCannedHttpServer;
using testsupport::VersionFile;

constexpr qint32 Max32 = std::numeric_limits<qint32>::max();
constexpr qint32 Min32 = std::numeric_limits<qint32>::min();

// ---------------------------------------------------------------------------------------------------
// Reading and comparing version texts

struct TNumbersCase {
    QString Text;
    TVersionNumbers Expected;
};

void PrintTo(const TNumbersCase& c, std::ostream* out) {
    PrintTo(c.Text, out);
}

class VersionNumbersTest : public ::testing::TestWithParam<TNumbersCase> {};

TEST_P(VersionNumbersTest, ReadsFourNumbers) {
    EXPECT_EQ(ReadVersionNumbers(GetParam().Text), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, VersionNumbersTest,
    ::testing::Values(TNumbersCase{"1.2.3.40", {1, 2, 3, 40}}, TNumbersCase{"1.1", {1, 0, 0, 1}},
                      TNumbersCase{"7", {0, 0, 0, 7}}, TNumbersCase{"1.2.3.4.5", {1, 2, 3, 0}},
                      TNumbersCase{"1..3.4", {1, 0, 3, 4}}, TNumbersCase{"1.2.4.0\r\n", {1, 2, 4, 0}},
                      TNumbersCase{"1.2.4.0 ", {1, 2, 4, 0}}, TNumbersCase{"", {0, 0, 0, 0}},
                      TNumbersCase{"unknown version", {0, 0, 0, 0}},
                      TNumbersCase{"<html><body>Moved to www.example.org</body></html>", {0, 0, 0, 0}},
                      TNumbersCase{"$A.x1f.0X10.0xFfFf", {10, 31, 16, 65535}},
                      TNumbersCase{"0x.$.x.0x", {0, 0, 0, 0}}, TNumbersCase{"  +7.-3. 1.\t2", {7, -3, 1, 2}},
                      TNumbersCase{"-.+.--1.+-1", {0, 0, 0, 0}},
                      TNumbersCase{"2147483647.2147483648.-2147483648.-2147483649", {Max32, 0, Min32, 0}},
                      TNumbersCase{"$7FFFFFFF.$80000000.99999999999999999999.1", {Max32, 0, 0, 1}},
                      TNumbersCase{"1e3.1,5.0b1.g", {0, 0, 0, 0}},
                      TNumbersCase{QString::fromUtf8("\u0661.\uff12.3.4"), {0, 0, 3, 4}}));

struct TNewerCase {
    QString Own;
    QString Published;
    bool Newer;
};

void PrintTo(const TNewerCase& c, std::ostream* out) {
    *out << "own " << c.Own.toStdString() << ", published " << c.Published.toStdString();
}

class IsNewerVersionTest : public ::testing::TestWithParam<TNewerCase> {};

TEST_P(IsNewerVersionTest, ComparesByRank) {
    EXPECT_EQ(IsNewerVersion(GetParam().Own, GetParam().Published), GetParam().Newer);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, IsNewerVersionTest,
    ::testing::Values(
        TNewerCase{"1.2.3.40", "1.2.4.0", true}, TNewerCase{"1.2.3.40", "1.2.3.41", true},
        TNewerCase{"1.2.3.40", "1.2.3.40", false}, TNewerCase{"1.2.3.40", "0.9.0.0", false},
        TNewerCase{"1.2.3.40", "2.0.0.0", true}, TNewerCase{"1.2.3.40", "1.3.0.0", true},
        TNewerCase{"1.2.3.40", "1.2.2.99", false}, TNewerCase{"2.0.0.0", "1.5.0.0", false},
        TNewerCase{"1.2.3.40", "1.2.4.0\r\n", true}, TNewerCase{"1.2.4.5", "1.2.4.0\r\n", false},
        TNewerCase{"1.2.3.40", "<!DOCTYPE html><html>404 Not Found</html>", false},
        TNewerCase{"0.0.0.0", "<!DOCTYPE html><html>2.0.0.0</html>", false},
        TNewerCase{"1.2.3.40", "", false}, TNewerCase{"0.0.0.0", "", false},
        TNewerCase{"unknown version", "0.0.0.1", true}, TNewerCase{"unknown version", "0.0.0.0", false},
        TNewerCase{"1.2.3.40", "-1.2.3.40", false}, TNewerCase{"-1.0.0.0", "0.0.0.0", true},
        TNewerCase{"1.2.3.40", "$1.2.3.$29", true}, TNewerCase{"1.0.0.0", "1.0.0.99999999999", false}));

// ---------------------------------------------------------------------------------------------------
// The program's own version strings

TEST(VersionInfoTest, TheBuildProvidesTheProgramsStrings) {
    SetVersionStrings(std::nullopt);
    const QString executable = QCoreApplication::applicationFilePath();
    EXPECT_EQ(ReadFileVersion(executable), QStringLiteral("1.0.0.0"));
    EXPECT_EQ(ReadFileDescription(executable), QStringLiteral("Orvalis"));
    EXPECT_EQ(ReadCompanyName(executable), QStringLiteral("Quenmark"));
}

struct TInfoCase {
    const char* Name;
    TVersionStrings Strings;
    QString FileVersion;
    QString FileDescription;
    QString CompanyName;
};

void PrintTo(const TInfoCase& c, std::ostream* out) {
    *out << c.Name;
}

class VersionInfoCasesTest : public ::testing::TestWithParam<TInfoCase> {
protected:
    void TearDown() override { SetVersionStrings(std::nullopt); }
};

TEST_P(VersionInfoCasesTest, AppliesTheDefaults) {
    const TInfoCase& c = GetParam();
    SetVersionStrings(c.Strings);
    const QString executable = QStringLiteral("/opt/quenmark/bin/Orvalis.exe");
    EXPECT_EQ(ReadFileVersion(executable), c.FileVersion);
    EXPECT_EQ(ReadFileDescription(executable), c.FileDescription);
    EXPECT_EQ(ReadCompanyName(executable), c.CompanyName);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, VersionInfoCasesTest,
    ::testing::Values(
        TInfoCase{"NoVersionResource", {}, "unknown version", "Orvalis.exe", ""},
        TInfoCase{"BlankStrings",
                  {{"FileVersion", "2.0.0.1"}, {"FileDescription", " \t\r\n"}, {"CompanyName", "\x01 "}},
                  "2.0.0.1",
                  "Orvalis.exe",
                  ""},
        TInfoCase{
            "PaddedStrings",
            {{"FileVersion", "3.1.0.7"}, {"FileDescription", "\tPicture show \n"}, {"CompanyName", " Q "}},
            "3.1.0.7",
            "Picture show",
            "Q"},
        TInfoCase{"OtherKeysOnly", {{"ProductVersion", "9.9.9.9"}}, "unknown version", "Orvalis.exe", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------------------------------------------
// Fetching the version file

const QString DownloadPage = QStringLiteral("https://www.quenmark.com/orvalis/download.html");

// Every test runs with the own version 1.2.3.40 of Quenmark's Orvalis, records the questions, messages and
// opened addresses instead of showing boxes, and reaches nothing but its own server.
class VersionUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Server.IsListening());
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        SetVersionStrings(TVersionStrings{{QStringLiteral("FileVersion"), QStringLiteral("1.2.3.40")},
                                          {QStringLiteral("FileDescription"), QStringLiteral("Orvalis")},
                                          {QStringLiteral("CompanyName"), QStringLiteral("Quenmark")}});
        SetQuestionAnswerer([this](const QString& question) {
            Questions << question;
            return AnswerYes;
        });
        SetInformationSink([this](const QString& text) { Informations << text; });
        SetUrlOpener([this](const QString& target) {
            Opened << target;
            return true;
        });
        Update.URLVersionFile = Server.Url(QStringLiteral("/Version.txt"));
        Update.URLDownload = DownloadPage;
    }
    void TearDown() override {
        SetVersionStrings(std::nullopt);
        SetQuestionAnswerer({});
        SetInformationSink({});
        SetUrlOpener({});
    }
    void PublishVersion(QList<QByteArray> responses) {
        Server.Answer(QStringLiteral("/Version.txt"), std::move(responses));
    }

    TCannedHttpServer Server;
    TVersionUpdate Update;
    bool AnswerYes = false;
    QStringList Questions;
    QStringList Informations;
    QStringList Opened;
};

TEST_F(VersionUpdateTest, StartsWithTheConfiguredWebSite) {
    const TVersionUpdate fresh;
    EXPECT_TRUE(fresh.URLVersionFile.endsWith(QStringLiteral("/Version.txt")))
        << fresh.URLVersionFile.toStdString();
    EXPECT_TRUE(QUrl(fresh.URLDownload).scheme().startsWith(QStringLiteral("http")));
    EXPECT_EQ(fresh.Handle, 0u);
    EXPECT_EQ(fresh.ReadTimeoutMs, 10000);
}

struct TFetchCase {
    const char* Name;
    QList<QByteArray> Responses;  // none: the server never answers
    bool Newer;
};

void PrintTo(const TFetchCase& c, std::ostream* out) {
    *out << c.Name;
}

class CheckForUpdateTest : public VersionUpdateTest, public ::testing::WithParamInterface<TFetchCase> {};

TEST_P(CheckForUpdateTest, ComparesThePublishedVersionSilently) {
    PublishVersion(GetParam().Responses);
    Server.Answer(QStringLiteral("/Newer.txt"), {VersionFile("9.9.9.9")});
    Update.ReadTimeoutMs = 300;

    EXPECT_EQ(Update.CheckForUpdate(), GetParam().Newer);
    EXPECT_EQ(Server.RequestCount(QStringLiteral("/Version.txt")), 1);
    EXPECT_EQ(Server.RequestCount(QStringLiteral("/Newer.txt")), 0) << "a redirect was followed";
    EXPECT_TRUE(Questions.isEmpty());
    EXPECT_TRUE(Informations.isEmpty());
    EXPECT_TRUE(Opened.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Responses, CheckForUpdateTest,
    ::testing::Values(
        TFetchCase{"NewerRelease", {VersionFile("1.2.4.0")}, true},
        TFetchCase{"NewerBuild", {VersionFile("1.2.3.41")}, true},
        TFetchCase{"SameVersion", {VersionFile("1.2.3.40")}, false},
        TFetchCase{"OlderMajor", {VersionFile("0.9.0.0")}, false},
        TFetchCase{"TrailingLineBreak", {VersionFile("1.2.4.0\r\n")}, true},
        TFetchCase{"HtmlPage", {VersionFile("<html><body>1.2.4.0</body></html>")}, false},
        TFetchCase{"NotFound", {HttpResponse(404, "Not Found", "9.9.9.9")}, false},
        TFetchCase{"ServerError", {HttpResponse(500, "Internal Server Error", "9.9.9.9")}, false},
        TFetchCase{"NoContent", {HttpResponse(204, "No Content", "")}, false},
        TFetchCase{"Redirect", {HttpResponse(302, "Found", "9.9.9.9", "Location: /Newer.txt\r\n")}, false},
        TFetchCase{"NoAnswerWithinTheTimeOut", {}, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(VersionUpdateTest, AnUnusableAddressIsNoNewerVersion) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QString refused = QStringLiteral("http://127.0.0.1:%1/Version.txt").arg(closed.serverPort());
    closed.close();

    for (const QString& address : {refused, QStringLiteral("http://"), QStringLiteral("not an address"),
                                   QStringLiteral("file:///etc/hostname"), QString()}) {
        Update.URLVersionFile = address;
        EXPECT_FALSE(Update.CheckForUpdate()) << address.toStdString();
    }
}

// ---------------------------------------------------------------------------------------------------
// Telling the operator

const QString NewerMessage = QStringLiteral(
    "New version available for Quenmark's Orvalis\r\n"
    "Current version: 1.2.3.40\r\n"
    "Newer version: 1.2.4.0\r\n"
    "Do you want to download the update now?");

TEST_F(VersionUpdateTest, YesOpensTheDownloadPage) {
    PublishVersion({VersionFile("1.2.4.0")});
    AnswerYes = true;

    EXPECT_TRUE(Update.PromptForUpdate());
    EXPECT_EQ(Questions, QStringList{NewerMessage});
    EXPECT_EQ(Opened, QStringList{Update.URLDownload});
    EXPECT_TRUE(Informations.isEmpty());
}

TEST_F(VersionUpdateTest, NoOpensNothing) {
    PublishVersion({VersionFile("1.2.4.0")});
    AnswerYes = false;

    EXPECT_TRUE(Update.PromptForUpdate());
    EXPECT_EQ(Questions, QStringList{NewerMessage});
    EXPECT_TRUE(Opened.isEmpty());
}

TEST_F(VersionUpdateTest, NoNewerVersionIsSaidSo) {
    PublishVersion({VersionFile("1.2.3.40")});

    EXPECT_FALSE(Update.PromptForUpdate());
    EXPECT_EQ(Informations, QStringList{QStringLiteral("No update available.")});
    EXPECT_TRUE(Questions.isEmpty());
    EXPECT_TRUE(Opened.isEmpty());
}

TEST_F(VersionUpdateTest, TheMessageShowsWhatTheSecondFetchBrought) {
    PublishVersion({VersionFile("1.2.4.0"), HttpResponse(404, "Not Found", "")});

    EXPECT_TRUE(Update.PromptForUpdate());
    EXPECT_EQ(Questions, QStringList{QStringLiteral("New version available for Quenmark's Orvalis\r\n"
                                                    "Current version: 1.2.3.40\r\n"
                                                    "Newer version: \r\n"
                                                    "Do you want to download the update now?")});
    EXPECT_EQ(Server.RequestCount(QStringLiteral("/Version.txt")), 2);
}

TEST_F(VersionUpdateTest, WithoutVersionResourceEveryNumberedVersionIsNewer) {
    SetVersionStrings(TVersionStrings{});
    PublishVersion({VersionFile("0.0.0.1")});

    EXPECT_TRUE(Update.PromptForUpdate());
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    EXPECT_EQ(Questions, QStringList{QStringLiteral("New version available for 's ") + program +
                                     QStringLiteral("\r\nCurrent version: unknown version\r\n"
                                                    "Newer version: 0.0.0.1\r\n"
                                                    "Do you want to download the update now?")});
}

// ---------------------------------------------------------------------------------------------------
// The real message boxes

struct TShownBox {
    QString Caption;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons;
};

// Waits for the next modal message box, notes what it shows and presses `press` on it.
void PressOnNextMessageBox(QMessageBox::StandardButton press, std::optional<TShownBox>& shown) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, press, &shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        shown = TShownBox{box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
        poll->deleteLater();
        if (QAbstractButton* button = box->button(press)) {
            button->click();
        } else {
            box->reject();
        }
    });
    poll->start();
}

struct TBoxCase {
    const char* Name;
    QByteArray Published;
    QMessageBox::StandardButton Press;
    bool Newer;
    QString Text;
    QMessageBox::StandardButtons Buttons;
    QStringList Opened;
};

void PrintTo(const TBoxCase& c, std::ostream* out) {
    *out << c.Name;
}

class VersionUpdateBoxesTest : public VersionUpdateTest, public ::testing::WithParamInterface<TBoxCase> {
protected:
    void SetUp() override {
        VersionUpdateTest::SetUp();
        SetQuestionAnswerer({});
        SetInformationSink({});
    }
};

TEST_P(VersionUpdateBoxesTest, ShowsAnInformationBox) {
    const TBoxCase& c = GetParam();
    PublishVersion({VersionFile(c.Published)});
    std::optional<TShownBox> shown;
    PressOnNextMessageBox(c.Press, shown);

    EXPECT_EQ(Update.PromptForUpdate(), c.Newer);
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->Caption, QStringLiteral("Information"));
    EXPECT_EQ(shown->Text, c.Text);
    EXPECT_EQ(shown->Icon, QMessageBox::Information);
    EXPECT_EQ(shown->Buttons, c.Buttons);
    EXPECT_EQ(Opened, c.Opened);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, VersionUpdateBoxesTest,
    ::testing::Values(
        TBoxCase{"OfferDeclined",
                 "1.2.4.0",
                 QMessageBox::No,
                 true,
                 NewerMessage,
                 QMessageBox::Yes | QMessageBox::No,
                 {}},
        TBoxCase{"OfferAccepted",
                 "1.2.4.0",
                 QMessageBox::Yes,
                 true,
                 NewerMessage,
                 QMessageBox::Yes | QMessageBox::No,
                 {DownloadPage}},
        TBoxCase{
            "NoUpdate", "1.2.3.40", QMessageBox::Ok, false, "No update available.", QMessageBox::Ok, {}}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
