// The slideshow on a desktop of three monitors (the offscreen platform configured by ThreeScreens.json,
// which CTest passes in QT_QPA_PLATFORM): "Play slideshow" in the main window puts the shared preview
// window over the chosen monitor with the selected picture fitted on black, and the show steps on.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolButton>

#include <memory>

#include "BrowserLibrary.h"
#include "IniFile.h"
#include "Preview.h"
#include "Settings.h"
#include "SpecialFolders.h"
#include "TempHome.h"
#include "UnitMain.h"

namespace {

QImage Solid(int width, int height, QColor colour) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

class ScreensSlideshowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::screens().size(), 3)
            << "run through CTest, which starts this test with three offscreen monitors (ThreeScreens.json)";
        QDir(testsupport::UserDataFolder()).removeRecursively();
        TFormMain::CheckForUpdateAtStartUp = false;
        Window = std::make_unique<TFormMain>(NoBrowser);
        FormPreview = new TFormPreview();
        Window->ConnectPreview(*FormPreview);
        // A landscape picture and a portrait one, red and blue.
        for (const auto& [name, picture] : {std::pair{"wide.png", Solid(400, 300, Qt::red)},
                                            std::pair{"tall.png", Solid(300, 400, Qt::blue)}}) {
            const QString path = Pictures.filePath(QLatin1String(name));
            ASSERT_TRUE(picture.save(path));
            Window->AddImageFile(path);
        }
        Window->show();
    }
    void TearDown() override {
        delete FormSettings;
        FormSettings = nullptr;
        delete FormPreview;
        FormPreview = nullptr;
        Window.reset();
    }
    // The settings dialog reads the settings file when it is made, as at start-up.
    void UseSettings(int display) {
        TIniFile settings(SettingsFilePath());
        settings.WriteInteger(QStringLiteral("Display"), QStringLiteral("Use"), display);
        settings.WriteBool(QStringLiteral("Settings"), QStringLiteral("RadioButtonSlideshowManualAdvance"),
                           true);
        settings.WriteBool(QStringLiteral("Settings"), QStringLiteral("RadioButtonSlideShowAutomaticAdvance"),
                           false);
        settings.Save();
        delete FormSettings;
        FormSettings = new TFormSettings(Window.get());
    }
    static QRect Monitor(int index) { return QGuiApplication::screens().at(index)->geometry(); }
    // The preview window as the audience sees it.
    static QImage Audience() { return FormPreview->grab().toImage(); }

    TBrowserLibrary NoBrowser;
    QTemporaryDir Pictures;
    std::unique_ptr<TFormMain> Window;
};

TEST_F(ScreensSlideshowTest, PlayCoversTheChosenMonitor) {
    struct Case {
        int CursorOn;  // the operator's monitor
        int Display;   // 0 "Auto detect", k the k-th monitor
        int Expected;
    };
    for (const Case& c : {Case{0, 0, 1}, Case{1, 0, 0}, Case{2, 0, 0}, Case{0, 3, 2}, Case{2, 1, 0}}) {
        SCOPED_TRACE(testing::Message() << "cursor on " << c.CursorOn << ", display " << c.Display);
        QCursor::setPos(Monitor(c.CursorOn).center());
        UseSettings(c.Display);
        Window->ToolButtonPlaySlideshow->click();
        EXPECT_TRUE(FormPreview->isVisible());
        EXPECT_EQ(FormPreview->geometry(), Monitor(c.Expected));
        EXPECT_TRUE(Window->isVisible());
    }
}

TEST_F(ScreensSlideshowTest, ThePictureIsFittedOnBlackAndTheStepsWrapRound) {
    QCursor::setPos(Monitor(0).center());
    UseSettings(0);
    EXPECT_FALSE(Window->ToolButtonSlideshowNext->isEnabled());
    EXPECT_FALSE(Window->ToolButtonSlideshowPrevious->isEnabled());
    Window->ToolButtonPlaySlideshow->click();  // nothing selected: the first entry
    ASSERT_EQ(FormPreview->geometry(), Monitor(1));
    EXPECT_TRUE(Window->ToolButtonSlideshowNext->isEnabled());
    EXPECT_TRUE(Window->ToolButtonSlideshowPrevious->isEnabled());

    // 400 x 300 on 1920 x 1080: 1440 x 1080 in the middle, black bars left and right.
    QImage shown = Audience();
    ASSERT_EQ(shown.size(), QSize(1920, 1080));
    EXPECT_EQ(FormPreview->ImgView32Preview->FittedRect(), QRect(240, 0, 1440, 1080));
    EXPECT_EQ(shown.pixelColor(100, 540), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(960, 540), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(1800, 540), QColor(Qt::black));

    Window->ToolButtonSlideshowNextClick();
    EXPECT_EQ(FormPreview->ImgView32Preview->FittedRect(), QRect(555, 0, 810, 1080));
    EXPECT_EQ(Audience().pixelColor(960, 540), QColor(Qt::blue));
    Window->ToolButtonSlideshowNext->click();  // round to the first
    EXPECT_EQ(Audience().pixelColor(960, 540), QColor(Qt::red));
    Window->ToolButtonSlideshowPrevious->click();  // back past the start to the last
    EXPECT_EQ(Audience().pixelColor(960, 540), QColor(Qt::blue));

    // Escape gives the monitor back; the step buttons stay.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(FormPreview, &escape);
    EXPECT_FALSE(FormPreview->isVisible());
    EXPECT_TRUE(Window->ToolButtonSlideshowNext->isEnabled());
}

}  // namespace
