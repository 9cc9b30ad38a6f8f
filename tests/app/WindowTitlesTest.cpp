#include <gtest/gtest.h>

#include <qpa/qplatformwindow.h>
#include <QCoreApplication>
#include <QDir>
#include <QWidget>

#include <functional>
#include <memory>

#include "BrowserLibrary.h"
#include "EXIFInformation.h"
#include "FormAbout.h"
#include "Preview.h"
#include "ProgramIdentity.h"
#include "ProgressWindow.h"
#include "Settings.h"
#include "TempHome.h"
#include "UnitMain.h"
#include "WatermarkFontDialog.h"
#include "monitors/IdentifyMonitors.h"
#include "presenter/Presenter.h"

namespace {

// The title as Qt hands it to the desktop: its X11 and Wayland platforms both put a window's title
// through this, with an em dash before the application display name when one is set.
struct TDesktopTitle : QPlatformWindow {
    using QPlatformWindow::formatWindowTitle;
};

QString DesktopTitle(const QWidget& window) {
    return TDesktopTitle::formatWindowTitle(window.windowTitle(), QStringLiteral(" \u2014 "));
}

// What the windows are made from.
struct TOwners {
    TBrowserLibrary NoBrowser;
    QWidget MainWindow;
    TFormAbout About;
};

struct TTitleCase {
    const char* Window;
    std::function<std::unique_ptr<QWidget>(TOwners&)> Make;
    const char* Expected;  // UTF-8
};

void PrintTo(const TTitleCase& c, std::ostream* out) {
    *out << c.Window;
}

class WindowTitlesTest : public ::testing::TestWithParam<TTitleCase> {
protected:
    void SetUp() override {
        QDir(testsupport::UserDataFolder()).removeRecursively();
        TFormMain::CheckForUpdateAtStartUp = false;
        SetProgramIdentity();
    }
    // The other tests of this executable name their settings file after the test program.
    void TearDown() override {
        QCoreApplication::setApplicationName(SavedName);
        QCoreApplication::setOrganizationName(SavedOrganization);
    }

    const QString SavedName = QCoreApplication::applicationName();
    const QString SavedOrganization = QCoreApplication::organizationName();
    TOwners Owners;
};

// Window switchers and task bars show each window by a title a user understands, exactly once "Orvalis".
TEST_P(WindowTitlesTest, TheDesktopShowsTheWindowsTitleAsWritten) {
    const std::unique_ptr<QWidget> window = GetParam().Make(Owners);
    EXPECT_EQ(DesktopTitle(*window), QString::fromUtf8(GetParam().Expected));
}

template <class TWindow>
std::unique_ptr<QWidget> Child(TOwners& owners) {
    return std::make_unique<TWindow>(&owners.MainWindow);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowTitlesTest,
    ::testing::Values(
        TTitleCase{"Main", [](TOwners& o) { return std::make_unique<TFormMain>(o.NoBrowser); }, "Orvalis"},
        TTitleCase{"Audience", [](TOwners&) { return std::make_unique<TFormPreview>(); },
                   "Orvalis \u2014 audience"},
        TTitleCase{"Presenter", Child<TFormPresenter>, "Orvalis \u2014 presenter"},
        TTitleCase{"Settings", Child<TFormSettings>, "Settings \u2014 Orvalis"},
        TTitleCase{"Progress", Child<TFormProgress>, "Progress \u2014 Orvalis"},
        TTitleCase{"EXIFInformation", Child<TFormEXIFInformation>, "EXIF Information \u2014 Orvalis"},
        TTitleCase{"WatermarkFont", Child<TWatermarkFontDialog>, "Font \u2014 Orvalis"},
        TTitleCase{"About", [](TOwners& o) { return std::make_unique<TFormAboutBox>(o.About); },
                   "About Orvalis"},
        TTitleCase{"IdentifyMonitor",
                   [](TOwners& o) {
                       return std::make_unique<TFormIdentifyMonitor>(2, TMonitorInfo{}, &o.MainWindow);
                   },
                   "Monitor 2 \u2014 Orvalis"}),
    [](const auto& info) { return std::string(info.param.Window); });

}  // namespace
