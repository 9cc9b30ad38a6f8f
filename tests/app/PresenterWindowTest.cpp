// The presenter view on a desktop of two monitors (the offscreen platform configured by TwoMonitors.json,
// which CTest passes in QT_QPA_PLATFORM): a show on the second monitor opens the presenter window on the
// main window's monitor, mirroring the audience window, with the next picture, the position and the
// show's controls. It never lands on the audience monitor, and closing it leaves the show running.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include <memory>

#include "BrowserLibrary.h"
#include "ElidedLabel.h"
#include "IniFile.h"
#include "OffscreenScreens.h"
#include "Preview.h"
#include "Settings.h"
#include "ShowOnScreens.h"
#include "SpecialFolders.h"
#include "TempHome.h"
#include "UnitMain.h"
#include "presenter/PicturePane.h"
#include "presenter/Presenter.h"

namespace {

void Press(QWidget* window, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &press);
}

class PresenterWindowTest : public ShowOnScreensTest {
protected:
    void SetUp() override {
        // Red, green and blue, a landscape, a square and a portrait picture.
        MakeWindow(2, "TwoMonitors.json",
                   {{"red.png", Solid(400, 300, Qt::red)},
                    {"green.png", Solid(300, 300, Qt::green)},
                    {"blue.png", Solid(300, 400, Qt::blue)}});
        Window->setGeometry(100, 100, 800, 600);
        Window->show();
        QCursor::setPos(Monitor(0).center());
    }
    void UseSettings(bool presenter, bool automatic = false) {
        ShowOnScreensTest::UseSettings(automatic, [&](TIniFile& settings) {
            settings.WriteBool(QStringLiteral("Settings"), QStringLiteral("CheckBoxShowPresenterView"),
                               presenter);
        });
    }
    static QRect Monitor(int index) { return QGuiApplication::screens().at(index)->geometry(); }
    TFormPresenter* Presenter() const { return Window->Presenter().Window(); }
    bool PresenterOpen() const { return Presenter() != nullptr && Presenter()->isVisible(); }
    // Lets the deferred updates of the presenter run.
    static void Settle() { QCoreApplication::processEvents(); }
    static QColor Centre(const QImage& image) {
        return image.pixelColor(image.width() / 2, image.height() / 2);
    }
};

TEST_F(PresenterWindowTest, OpensOnTheOperatorsMonitorAndNeverOnTheAudiences) {
    UseSettings(true);
    // Left on the audience monitor in an earlier run: it comes back on the operator's all the same.
    {
        TIniFile settings(SettingsFilePath());
        settings.WriteInteger(QStringLiteral("Presenter"), QStringLiteral("Left"), 2000);
        settings.WriteInteger(QStringLiteral("Presenter"), QStringLiteral("Top"), 50);
        settings.WriteInteger(QStringLiteral("Presenter"), QStringLiteral("Width"), 700);
        settings.WriteInteger(QStringLiteral("Presenter"), QStringLiteral("Height"), 500);
        settings.Save();
    }
    Window->ToolButtonPlaySlideshow->click();
    ASSERT_EQ(FormPreview->geometry(), Monitor(1));
    ASSERT_TRUE(PresenterOpen());
    EXPECT_TRUE(Monitor(0).contains(Presenter()->geometry())) << Presenter()->geometry().x();
    EXPECT_FALSE(Presenter()->geometry().intersects(Monitor(1)));
    EXPECT_EQ(Presenter()->size(), QSize(700, 500));
    EXPECT_EQ(Presenter()->windowTitle(), QStringLiteral("Orvalis — presenter"));
    // A tool window of the main window, which the desktop keeps above it.
    EXPECT_EQ(Presenter()->windowType(), Qt::Tool);
    EXPECT_EQ(Presenter()->windowHandle()->transientParent(), Window->windowHandle());
    // It has the keyboard, ahead of the audience window, so that a remote drives the show at once; the
    // audience window does not ask for it at all.
    EXPECT_TRUE(FormPreview->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(QTest::qWaitForWindowActive(Presenter()));
    EXPECT_EQ(QApplication::activeWindow(), Presenter());
    EXPECT_TRUE(Window->isVisible());
    EXPECT_TRUE(Window->isEnabled());

    // Moved and closed, it opens where it was left.
    Presenter()->setGeometry(200, 150, 640, 480);
    Presenter()->close();
    Window->ButtonPresenterView->click();
    ASSERT_TRUE(PresenterOpen());
    EXPECT_EQ(Presenter()->geometry(), QRect(200, 150, 640, 480));
}

TEST_F(PresenterWindowTest, StaysClosedWithoutTheSettingOrASecondMonitor) {
    UseSettings(false);
    Window->ToolButtonPlaySlideshow->click();
    EXPECT_FALSE(PresenterOpen());
    EXPECT_TRUE(Window->ButtonPresenterView->isVisible());  // still at hand on the status of the show
    Window->ToolButtonStopSlideshow->click();
    EXPECT_FALSE(Window->ButtonPresenterView->isVisible());

    UseSettings(true);
    testsupport::SetOffscreenScreens(testsupport::WithoutScreen(Original, QStringLiteral("HDMI-1")));
    Window->ToolButtonPlaySlideshow->click();
    EXPECT_EQ(FormPreview->geometry(), Monitor(0));
    EXPECT_FALSE(PresenterOpen());
    // Nor by the command: it would land on the audience monitor.
    EXPECT_FALSE(Window->ButtonPresenterView->isVisible());
    Window->Presenter().Open();
    EXPECT_FALSE(PresenterOpen());
}

TEST_F(PresenterWindowTest, MirrorsTheAudienceWindowAndShowsWhatComesNext) {
    UseSettings(true);
    Window->ToolButtonPlaySlideshow->click();
    Settle();
    ASSERT_TRUE(PresenterOpen());
    // 400 x 300 on the 1280 x 720 monitor: 960 x 720 between black bars; the mirror is that screen scaled
    // down as a whole.
    const QImage audience = FormPreview->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(audience.size(), QSize(1280, 720));
    const QImage mirror = Presenter()->Mirror();
    ASSERT_FALSE(mirror.isNull());
    EXPECT_NEAR(double(mirror.width()) / mirror.height(), 1280.0 / 720.0, 0.02);
    EXPECT_LE(mirror.width(), Presenter()->PaneAudience->DeviceSize().width());
    const QImage expected = audience.scaled(mirror.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(mirror.format());
    int far = 0;
    for (int y = 0; y < mirror.height(); ++y) {
        for (int x = 0; x < mirror.width(); ++x) {
            const QColor a = mirror.pixelColor(x, y);
            const QColor b = expected.pixelColor(x, y);
            far += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                       std::abs(a.blue() - b.blue()) >
                   48;
        }
    }
    EXPECT_LE(far, mirror.height() * 2);  // at most the columns where the picture meets the bars
    EXPECT_EQ(Centre(mirror), QColor(Qt::red));
    EXPECT_EQ(mirror.pixelColor(2, mirror.height() / 2), QColor(Qt::black));

    EXPECT_EQ(Centre(Presenter()->PaneNext->Image()).isValid(), true);
    EXPECT_EQ(Presenter()->LabelPosition->text(), QStringLiteral("1 / 3"));
    EXPECT_EQ(Presenter()->LabelFileName->text(), QStringLiteral("red.png"));
    EXPECT_EQ(Presenter()->LabelDetails->text(), QStringLiteral("400 \u00d7 300"));
    EXPECT_EQ(Presenter()->ListNeighbours->count(), 3);
    const auto markedInStrip = [&] {
        int marked = -1;
        for (int i = 0; i < Presenter()->ListNeighbours->count(); ++i) {
            const QListWidgetItem* item = Presenter()->ListNeighbours->item(i);
            if (item->font().bold()) {
                EXPECT_EQ(marked, -1) << "one entry of the strip is marked";
                marked = item->data(Qt::UserRole).toInt();
            }
        }
        return marked;
    };
    EXPECT_EQ(markedInStrip(), 0);

    // A step moves the mirror, the texts and the list's mark, not the operator's selection.
    Window->ImageList().Selection().clear();
    Press(Presenter(), Qt::Key_PageDown);
    Settle();
    EXPECT_EQ(Centre(FormPreview->grab().toImage()), QColor(Qt::green));
    EXPECT_EQ(Centre(Presenter()->Mirror()), QColor(Qt::green));
    EXPECT_EQ(Presenter()->LabelPosition->text(), QStringLiteral("2 / 3"));
    EXPECT_EQ(markedInStrip(), 1);
    EXPECT_EQ(Window->ImageList().Model().ShownRow(), 1);
    EXPECT_EQ(Window->ImageList().FirstSelected(), -1);

    // A click in the strip jumps there.
    Presenter()->JumpTo(2);
    Settle();
    EXPECT_EQ(Centre(Presenter()->Mirror()), QColor(Qt::blue));
    EXPECT_EQ(Presenter()->LabelPosition->text(), QStringLiteral("3 / 3"));
}

// Steps while the audience monitor is away, and a burst of steps: at once after each (no event loop in
// between) the presenter shows the entry the audience would see, with that picture's size.
TEST_F(PresenterWindowTest, ItAlwaysShowsTheEntryTheAudienceSeesWithItsOwnDetails) {
    UseSettings(true);
    Window->ToolButtonPlaySlideshow->click();
    Settle();
    ASSERT_TRUE(PresenterOpen());
    testsupport::SetOffscreenScreens(testsupport::WithoutScreen(Original, QStringLiteral("HDMI-1")));
    ASSERT_FALSE(FormPreview->isVisible());
    ASSERT_TRUE(PresenterOpen());
    const struct {
        const char* Position;
        const char* Name;
        const char* Size;
    } steps[] = {{"2 / 3", "green.png", "300 \u00d7 300"}, {"3 / 3", "blue.png", "300 \u00d7 400"},
                 {"1 / 3", "red.png", "400 \u00d7 300"}};
    for (const auto& step : steps) {
        Window->Slideshow().Key(TShowKey::Next);
        EXPECT_EQ(Presenter()->LabelPosition->text(), QString::fromUtf8(step.Position));
        EXPECT_EQ(Presenter()->LabelFileName->FullText(), QString::fromLatin1(step.Name));
        EXPECT_EQ(Presenter()->LabelDetails->text(), QString::fromUtf8(step.Size));
    }
    testsupport::SetOffscreenScreens(Original);
    for (int i = 0; i < 4; ++i) {
        Window->Slideshow().Key(TShowKey::Previous);
    }
    EXPECT_EQ(Presenter()->LabelPosition->text(), QStringLiteral("3 / 3"));
    EXPECT_EQ(Presenter()->LabelDetails->text(), QStringLiteral("300 \u00d7 400"));
    EXPECT_EQ(Presenter()->ListNeighbours->count(), 3);
}

TEST_F(PresenterWindowTest, BlankTurnsTheAudienceAndTheMirrorBlack) {
    UseSettings(true);
    Window->ToolButtonPlaySlideshow->click();
    Settle();
    ASSERT_TRUE(PresenterOpen());
    Press(Presenter(), Qt::Key_B);
    Settle();
    EXPECT_EQ(Centre(FormPreview->grab().toImage()), QColor(Qt::black));
    EXPECT_EQ(Centre(Presenter()->Mirror()), QColor(Qt::black));
    EXPECT_EQ(Presenter()->ButtonBlank->text(), QStringLiteral("Unblank"));
    Press(FormPreview, Qt::Key_Period);  // and back, from the audience window
    Settle();
    EXPECT_EQ(Centre(FormPreview->grab().toImage()), QColor(Qt::red));
    EXPECT_EQ(Centre(Presenter()->Mirror()), QColor(Qt::red));
}

TEST_F(PresenterWindowTest, ClosingItLeavesTheShowRunningAndEndingTheShowClosesIt) {
    UseSettings(true, true);
    Window->ToolButtonPlaySlideshow->click();
    Settle();
    ASSERT_TRUE(PresenterOpen());
    EXPECT_TRUE(Window->ButtonPresenterView->isVisible());  // it brings the window forward
    EXPECT_FALSE(Presenter()->LabelCountdown->text().isEmpty());

    // Closed (Alt+F4, say), it gives the keyboard back to the main window, not to the audience's.
    Presenter()->close();
    EXPECT_TRUE(FormPreview->isVisible());
    EXPECT_TRUE(Window->Slideshow().TimerSlideShow.isActive());
    EXPECT_EQ(Window->Slideshow().Status.State(), TShowState::Showing);
    EXPECT_TRUE(Window->ButtonPresenterView->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    EXPECT_NE(QApplication::activeWindow(), FormPreview);

    // Opened again from the status of the show; Escape in the audience window closes it with the show.
    Window->ButtonPresenterView->click();
    ASSERT_TRUE(PresenterOpen());
    Press(FormPreview, Qt::Key_Escape);
    EXPECT_FALSE(PresenterOpen());
    EXPECT_FALSE(Window->ButtonPresenterView->isVisible());

    // "Stop slideshow" closes it too, and so does the presenter's own Escape, which ends the show.
    Window->ToolButtonPlaySlideshow->click();
    ASSERT_TRUE(PresenterOpen());
    Window->ToolButtonStopSlideshow->click();
    EXPECT_FALSE(PresenterOpen());
    Window->ToolButtonPlaySlideshow->click();
    ASSERT_TRUE(PresenterOpen());
    Press(Presenter(), Qt::Key_Escape);
    EXPECT_FALSE(PresenterOpen());
    EXPECT_FALSE(FormPreview->isVisible());
    EXPECT_FALSE(Window->Slideshow().TimerSlideShow.isActive());
}

TEST_F(PresenterWindowTest, PauseHoldsTheAdvanceWithoutLeavingTheShow) {
    UseSettings(true, true);
    Window->ToolButtonPlaySlideshow->click();
    Settle();
    ASSERT_TRUE(PresenterOpen());
    Press(Presenter(), Qt::Key_P);
    Settle();
    EXPECT_FALSE(Window->Slideshow().TimerSlideShow.isActive());
    EXPECT_TRUE(FormPreview->isVisible());
    EXPECT_TRUE(Presenter()->LabelCountdown->text().startsWith(QStringLiteral("Advance paused")));
    EXPECT_EQ(Presenter()->ButtonPause->text(), QStringLiteral("Resume"));
    Presenter()->ButtonPause->click();
    EXPECT_TRUE(Window->Slideshow().TimerSlideShow.isActive());
}

TEST_F(PresenterWindowTest, ClosingTheMainWindowClosesIt) {
    UseSettings(true);
    Window->ToolButtonPlaySlideshow->click();
    ASSERT_TRUE(PresenterOpen());
    Window->close();
    EXPECT_FALSE(PresenterOpen());
    EXPECT_FALSE(FormPreview->isVisible());
}

}  // namespace
