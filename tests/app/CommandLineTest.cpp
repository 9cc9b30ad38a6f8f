#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <optional>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "FileMaker.h"
#include "OpenRequestPrinter.h"

namespace {

using testsupport::MakeFile;
using TAction = TCommandLine::TAction;

constexpr TOpenKind P = TOpenKind::Picture;
constexpr TOpenKind F = TOpenKind::Folder;
constexpr TOpenKind L = TOpenKind::ImageListFile;

struct TExpectedRequest {
    TOpenKind Kind;
    const char* Path;  // relative to the working folder
};

struct TCase {
    const char* Name;
    std::vector<const char*> Arguments;
    TAction Action;
    std::vector<TExpectedRequest> Requests;
    std::vector<const char*> Toolkit;
    const char* Message;
};

// The working folder holds a.jpg, b.PNG, LIST.TXT, show.txt, -dash.jpg, notes.txt.bak and the folder
// Holiday with h.jpg in it.
const std::vector<TCase> Cases = {
    {"NothingStartsWithAnEmptyList", {}, TAction::Open, {}, {}, ""},
    {"PictureRelativeToTheWorkingFolder", {"a.jpg"}, TAction::Open, {{P, "a.jpg"}}, {}, ""},
    {"PathsAreCleaned", {"./Holiday/../a.jpg"}, TAction::Open, {{P, "a.jpg"}}, {}, ""},
    {"FolderWithOrWithoutSlash",
     {"Holiday", "Holiday/"},
     TAction::Open,
     {{F, "Holiday"}, {F, "Holiday"}},
     {},
     ""},
    {"ListFilesByTheirTxtEndingInAnyCase",
     {"show.txt", "LIST.TXT", "notes.txt.bak"},
     TAction::Open,
     {{L, "show.txt"}, {L, "LIST.TXT"}, {P, "notes.txt.bak"}},
     {},
     ""},
    {"OrderIsKept",
     {"b.PNG", "Holiday", "a.jpg", "show.txt", "a.jpg"},
     TAction::Open,
     {{P, "b.PNG"}, {F, "Holiday"}, {P, "a.jpg"}, {L, "show.txt"}, {P, "a.jpg"}},
     {},
     ""},
    {"MissingPathsAreSkipped",
     {"missing.jpg", "a.jpg", "Nowhere/", "gone.txt", ""},
     TAction::Open,
     {{P, "a.jpg"}},
     {},
     ""},
    {"Help", {"--help"}, TAction::ShowHelp, {}, {}, ""},
    {"ShortHelp", {"-h"}, TAction::ShowHelp, {}, {}, ""},
    {"HelpAfterPaths", {"a.jpg", "--help"}, TAction::ShowHelp, {}, {}, ""},
    {"Version", {"--version", "a.jpg"}, TAction::ShowVersion, {}, {}, ""},
    {"UnknownLongOption", {"a.jpg", "--frobnicate"}, TAction::Fail, {}, {}, "unknown option '--frobnicate'"},
    {"UnknownShortOption", {"-x", "--help"}, TAction::Fail, {}, {}, "unknown option '-x'"},
    {"DashFileNeedsTheEndOfOptions", {"-dash.jpg"}, TAction::Fail, {}, {}, "unknown option '-dash.jpg'"},
    {"AfterTheEndOfOptionsEverythingIsAPath",
     {"--", "-dash.jpg", "--help", "--", "a.jpg"},
     TAction::Open,
     {{P, "-dash.jpg"}, {P, "a.jpg"}},
     {},
     ""},
    {"ALoneDashIsAPath", {"-", "a.jpg"}, TAction::Open, {{P, "a.jpg"}}, {}, ""},
    {"ToolkitOptionsGoToQt",
     {"-style", "fusion", "a.jpg", "--platform=offscreen", "-reverse", "-session", "1234_5"},
     TAction::Open,
     {{P, "a.jpg"}},
     {"-style", "fusion", "--platform=offscreen", "-reverse", "-session", "1234_5"},
     ""},
    {"ToolkitOptionWithoutItsValue",
     {"a.jpg", "-style"},
     TAction::Fail,
     {},
     {},
     "option '-style' needs a value"},
    {"ToolkitFlagWithAValueIsUnknown", {"-reverse=1"}, TAction::Fail, {}, {}, "unknown option '-reverse=1'"},
};

class CommandLineTest : public ::testing::TestWithParam<TCase> {
protected:
    static void SetUpTestSuite() {
        Working = new QTemporaryDir;
        for (const char* name :
             {"a.jpg", "b.PNG", "LIST.TXT", "show.txt", "-dash.jpg", "notes.txt.bak", "Holiday/h.jpg"}) {
            MakeFile(Working->filePath(QString::fromUtf8(name)));
        }
    }
    static void TearDownTestSuite() {
        delete Working;
        Working = nullptr;
    }
    static inline QTemporaryDir* Working = nullptr;
};

TEST_P(CommandLineTest, Parses) {
    const TCase& c = GetParam();
    QStringList arguments;
    for (const char* argument : c.Arguments) {
        arguments.append(QString::fromUtf8(argument));
    }
    const TCommandLine result = ParseCommandLine(arguments, Working->path());

    EXPECT_EQ(result.Action, c.Action);
    TOpenRequests expected;
    for (const TExpectedRequest& request : c.Requests) {
        expected.append({request.Kind, QDir::cleanPath(Working->filePath(QString::fromUtf8(request.Path)))});
    }
    EXPECT_EQ(result.Requests, expected);
    QStringList toolkit;
    for (const char* argument : c.Toolkit) {
        toolkit.append(QString::fromUtf8(argument));
    }
    EXPECT_EQ(result.ToolkitArguments, toolkit);
    EXPECT_EQ(result.Message, QString::fromUtf8(c.Message));
}

INSTANTIATE_TEST_SUITE_P(Table, CommandLineTest, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<TCase>& info) { return info.param.Name; });

// The program answers --help, --version and a wrong command line on the terminal, before it needs a
// display: here it has none (an X11 platform without DISPLAY), which would abort a start.
struct TBrowserFolderCase {
    const char* Name;
    std::vector<TExpectedRequest> Requests;  // paths under /p
    const char* Folder;                      // under /p; nullptr: the browser stays where it is
};

void PrintTo(const TBrowserFolderCase& c, std::ostream* out) {
    *out << c.Name;
}

class BrowserFolderTest : public ::testing::TestWithParam<TBrowserFolderCase> {};

// `orvalis FOLDER` opens the browser at that folder: the first folder named, else the first picture's.
TEST_P(BrowserFolderTest, IsTheFirstFolderElseTheFirstPicturesFolder) {
    TOpenRequests requests;
    for (const TExpectedRequest& request : GetParam().Requests) {
        requests.append({request.Kind, QStringLiteral("/p/") + QString::fromUtf8(request.Path)});
    }
    const std::optional<QString> folder = BrowserFolderFor(requests);
    if (GetParam().Folder == nullptr) {
        EXPECT_EQ(folder, std::nullopt);
    } else {
        EXPECT_EQ(folder, QStringLiteral("/p/") + QString::fromUtf8(GetParam().Folder));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, BrowserFolderTest,
    ::testing::Values(TBrowserFolderCase{"Nothing", {}, nullptr},
                      TBrowserFolderCase{"AFolder", {{F, "Club evening"}}, "Club evening"},
                      TBrowserFolderCase{"TheFirstOfSeveralFolders", {{F, "a"}, {F, "b"}}, "a"},
                      TBrowserFolderCase{"AFolderBeforeAnEarlierPicture", {{P, "x/1.jpg"}, {F, "b"}}, "b"},
                      TBrowserFolderCase{"TheFirstPicturesFolder", {{P, "x/1.jpg"}, {P, "y/2.jpg"}}, "x"},
                      TBrowserFolderCase{"APictureAfterAListFile", {{L, "show.txt"}, {P, "x/1.jpg"}}, "x"},
                      TBrowserFolderCase{"OnlyListFiles", {{L, "show.txt"}}, nullptr}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TTerminalCase {
    const char* Name;
    const char* Argument;
    int ExitCode;
    const char* StandardOutput;  // the start of it
    const char* StandardError;
};

class ProgramTerminalTest : public ::testing::TestWithParam<TTerminalCase> {};

TEST_P(ProgramTerminalTest, AnswersWithoutADisplay) {
    const TTerminalCase& c = GetParam();
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ORVALIS_BIN_DIR "/orvalis"), {QString::fromUtf8(c.Argument)});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), c.ExitCode);
    EXPECT_TRUE(program.readAllStandardOutput().startsWith(c.StandardOutput));
    EXPECT_EQ(program.readAllStandardError(), QByteArray(c.StandardError));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProgramTerminalTest,
    ::testing::Values(TTerminalCase{"Help", "--help", 0,
                                    "Usage: orvalis [OPTION]... [FILE | FOLDER | LIST.txt]...\n", ""},
                      TTerminalCase{"Version", "--version", 0, "orvalis " ORVALIS_VERSION "\n", ""},
                      TTerminalCase{"UnknownOption", "--frobnicate", 2, "",
                                    "orvalis: unknown option '--frobnicate'\n"
                                    "Try 'orvalis --help' for more information.\n"}),
    [](const ::testing::TestParamInfo<TTerminalCase>& info) { return info.param.Name; });

}  // namespace
