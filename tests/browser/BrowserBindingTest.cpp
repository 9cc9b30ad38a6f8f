#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <QWidget>

#include <string>

#include "BrowserBinding.h"
#include "BrowserLibrary.h"

namespace {

using namespace std::string_literals;

class TRecordingHost : public TBrowserHost {
public:
    void BrowserFilesChosen(const QStringList& fileNames) override { Chosen.append(fileNames); }
    void BrowserClosed() override { ++ClosedCount; }
    QStringList Chosen;
    int ClosedCount = 0;
};

QString BuiltLibrary() {
    return QStringLiteral(ORVALIS_BIN_DIR "/libBrackwell.so");
}

TEST(BrowserBindingTest, WithoutTheLibraryThePanelSaysTheBrowserIsUnavailable) {
    TBrowserLibrary library;
    EXPECT_FALSE(
        library.Load({QStringLiteral("/nonexistent/libBrackwell.so"), QStringLiteral("NoSuchBrowser")}));
    EXPECT_FALSE(library.Complete());
    EXPECT_EQ(library.Brackwell_OpenDialog, nullptr);

    QWidget panel;
    TRecordingHost host;
    EXPECT_FALSE(OpenBrowserPanel(library, &panel, QStringLiteral("All|*.jpg"), host));
    const auto* label = panel.findChild<QLabel*>(QStringLiteral("LabelBrowserUnavailable"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("The file browser is unavailable."));
    SendBrowserRelayout();  // nothing to send to: must do nothing
    SendBrowserClose();
    EXPECT_EQ(BrowserWindow(), nullptr);
}

TEST(BrowserBindingTest, ALibraryLackingEntryPointsIsIncomplete) {
    // Any shared library without the browser's entry points: loads, but is not a complete binding.
    TBrowserLibrary library;
    EXPECT_FALSE(library.Load({QStringLiteral("libz.so.1")}));
    EXPECT_FALSE(library.Complete());
}

TEST(BrowserBindingTest, ReadsChosenNamesUpToTheEmptyName) {
    const std::u16string names = u"/p/a.jpg\0/p/\u00e9.png\0\0/never.jpg\0"s;
    TOpenDialogResults results{};
    results.Count = 2;
    results.FileNames = const_cast<char16_t*>(names.data());
    EXPECT_EQ(ChosenFileNames(results),
              (QStringList{QStringLiteral("/p/a.jpg"), QStringLiteral("/p/\u00e9.png")}));
    results.FileNames = nullptr;
    EXPECT_TRUE(ChosenFileNames(results).isEmpty());
}

TEST(BrowserBindingTest, EmbedsTheBuiltLibraryAndFollowsItsCallbacks) {
    TBrowserLibrary library;
    ASSERT_TRUE(library.Load({BuiltLibrary()})) << qPrintable(BuiltLibrary());
    {
        QWidget panel;
        panel.resize(680, 600);
        panel.show();
        TRecordingHost host;
        ASSERT_TRUE(OpenBrowserPanel(library, &panel, QStringLiteral("All image files|*.jpg"), host));
        QWidget* window = BrowserWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(panel.isAncestorOf(window));

        // Files chosen in the browser reach the host; the record is then handed back and released.
        const std::u16string names = u"/p/a.jpg\0/p/b.jpg\0\0"s;
        TOpenDialogResults results{};
        library.Brackwell_InitTOpenDialogResults(&results, 1000, 0);
        results.Count = 2;
        results.FileNames = const_cast<char16_t*>(names.data());
        BrowserCallback(nullptr, BRACKWELL_FILES_CHOSEN, &results, nullptr);
        EXPECT_EQ(host.Chosen, (QStringList{QStringLiteral("/p/a.jpg"), QStringLiteral("/p/b.jpg")}));
        results.FileNames = nullptr;  // not the library's memory: nothing for it to free
        BrowserCallback(nullptr, BRACKWELL_RESULTS_DONE, &results, nullptr);
        BrowserCallback(nullptr, 0x999, nullptr, nullptr);  // unknown codes are ignored

        panel.resize(700, 500);
        SendBrowserRelayout();

        // The close request closes the browser, which asks the host to close.
        SendBrowserClose();
        EXPECT_EQ(host.ClosedCount, 1);
        EXPECT_EQ(BrowserWindow(), nullptr);
        SendBrowserClose();  // a second request reaches nobody
        EXPECT_EQ(host.ClosedCount, 1);
        CloseBrowserPanel();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    library.Release();
    EXPECT_FALSE(library.Complete());
}

}  // namespace
