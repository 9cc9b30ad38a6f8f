#include <gtest/gtest.h>

#include <QApplication>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <functional>
#include <map>
#include <new>
#include <vector>

#include "ColourConversion.h"
#include "FileMaker.h"
#include "PictureSurface.h"
#include "Preview.h"
#include "Resampler.h"
#include "ShowFakes.h"

namespace {

struct TFitCase {
    QSize Picture;
    QSize Surface;
    QRect Expected;
};

class FitPictureRectTest : public ::testing::TestWithParam<TFitCase> {};

TEST_P(FitPictureRectTest, FitsKeepingTheAspectAndCentres) {
    const TFitCase& c = GetParam();
    EXPECT_EQ(FitPictureRect(c.Picture, c.Surface), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Table, FitPictureRectTest,
                         ::testing::Values(TFitCase{{6000, 4000}, {1920, 1080}, {150, 0, 1620, 1080}},
                                           TFitCase{{1920, 1080}, {1920, 1080}, {0, 0, 1920, 1080}},
                                           TFitCase{{100, 50}, {1920, 1080}, {0, 60, 1920, 960}},
                                           TFitCase{{4000, 6000}, {1920, 1080}, {600, 0, 720, 1080}},
                                           TFitCase{{1080, 1920}, {1920, 1080}, {656, 0, 608, 1080}},
                                           TFitCase{{1, 1}, {1920, 1080}, {420, 0, 1080, 1080}},
                                           TFitCase{{10000, 1}, {1920, 1080}, {0, 539, 1920, 1}},
                                           TFitCase{{0, 0}, {1920, 1080}, {}},
                                           TFitCase{{100, 100}, {0, 0}, {}}));

using showfakes::Solid;

TEST(PictureSurfaceTest, PaintsTheFittedCopyOpaqueOnBlackAndMakesItOncePerSize) {
    TPictureSurface surface;
    surface.resize(200, 100);
    surface.show();  // a hidden widget gets its resize events only when shown
    // Straight alpha 0: the alpha byte must not reach the screen.
    surface.SetPicture(Solid(50, 50, QColor(255, 0, 0, 0), QImage::Format_ARGB32));
    EXPECT_EQ(surface.FittedRect(), QRect(50, 0, 100, 100));
    const qint64 made = surface.FittedPicture().cacheKey();

    const QImage shot = surface.grab().toImage();
    EXPECT_EQ(shot.pixel(100, 50) | 0xFF000000u, 0xFFFF0000u);
    EXPECT_EQ(shot.pixel(10, 50) | 0xFF000000u, 0xFF000000u);
    EXPECT_EQ(surface.FittedPicture().cacheKey(), made);  // painting made no new copy

    surface.resize(200, 100);
    EXPECT_EQ(surface.FittedPicture().cacheKey(), made);
    surface.resize(100, 200);  // the same fitted size, moved
    EXPECT_EQ(surface.FittedRect(), QRect(0, 50, 100, 100));
    EXPECT_EQ(surface.FittedPicture().cacheKey(), made);
    surface.resize(300, 400);
    EXPECT_EQ(surface.FittedRect(), QRect(0, 50, 300, 300));
    EXPECT_NE(surface.FittedPicture().cacheKey(), made);

    surface.SetPicture(QImage());
    EXPECT_TRUE(surface.FittedPicture().isNull());
    EXPECT_EQ(surface.grab().toImage().pixel(50, 100) | 0xFF000000u, 0xFF000000u);
}

// Decoders that read the files "<name>.png" of the list as the pictures given for their names.
TShowDecoders PicturesByName(std::map<QString, QImage> pictures) {
    TShowDecoders decoders;
    decoders.Jpeg2000 = [](const QString&) { return QImage(); };
    decoders.Registry = [pictures](const QString& path, const TRowsDecoded&) {
        return pictures.at(QFileInfo(path).completeBaseName());
    };
    decoders.Generic = [](const QString&, QImage&) { return false; };
    decoders.Orientation = [](const QString&) { return 0; };
    return decoders;
}

// A list of empty files named "<name>.png" in `folder`.
showfakes::TFakeList ListOf(const QTemporaryDir& folder, std::initializer_list<const char*> names) {
    showfakes::TFakeList list;
    for (const char* name : names) {
        list.Names << testsupport::MakeFile(folder.filePath(QLatin1String(name) + QStringLiteral(".png")));
    }
    return list;
}

// A fit that fails (no memory for the copy) changes nothing on the screen: the window keeps its picture,
// and the pipeline reports that nothing was shown and keeps the current image.
TEST(PictureSurfaceTest, AFailedFitKeepsTheShownPicture) {
    QTemporaryDir folder;
    showfakes::TFakeList list = ListOf(folder, {"red", "blue"});
    TShowImage pipeline(
        list, [] { return TSettingsValues(); },
        PicturesByName({{"red", Solid(64, 48, Qt::red)}, {"blue", Solid(64, 48, Qt::blue)}}));

    const std::vector<std::pair<const char*, std::function<QImage(const QImage&, int, int, bool)>>> failures =
        {
            {"raises", [](const QImage&, int, int, bool) -> QImage { throw std::bad_alloc(); }},
            {"comes back empty", [](const QImage&, int, int, bool) { return QImage(); }},
        };
    for (const auto& [name, failing] : failures) {
        SCOPED_TRACE(name);
        TFormPreview window;
        window.resize(200, 100);
        window.show();
        ASSERT_TRUE(pipeline.ShowImage(0, false, window));
        const QRect shownAt = window.ImgView32Preview->FittedRect();
        window.ImgView32Preview->Resample = failing;

        EXPECT_FALSE(pipeline.ShowImage(1, false, window));
        EXPECT_EQ(list.Current, list.Names[0]);
        EXPECT_EQ(window.ImgView32Preview->Picture().pixelColor(0, 0), QColor(Qt::red));
        EXPECT_EQ(window.ImgView32Preview->FittedRect(), shownAt);
        const QImage screen = window.grab().toImage();
        EXPECT_EQ(screen.pixelColor(shownAt.center()), QColor(Qt::red));
    }
}

// Each picture is fitted once, at the size it is shown: a "View Picture" window is given its picture
// before it has its size and is shown, and a slideshow's window is moved to another monitor just before
// the next picture comes; neither fits a picture at a size nobody sees.
// The fitted copy shows the picture's colours as the monitor's profile makes them: an Adobe RGB red is
// converted for an sRGB monitor, and not for an Adobe RGB one; a new profile makes the copy again.
TEST(PictureSurfaceTest, TheFittedCopyIsInTheMonitorsColours) {
    QFile file(QStringLiteral("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc"));
    if (!file.open(QIODevice::ReadOnly)) {
        GTEST_SKIP() << "icc-profiles-free is not installed";
    }
    const QByteArray adobe = file.readAll();
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(qRgb(250, 30, 30));
    picture.setColorSpace(QColorSpace::fromIccProfile(adobe));
    QImage converted = picture;
    ConvertToDisplay(converted);
    ASSERT_NE(converted.pixel(0, 0), picture.pixel(0, 0));

    TPictureSurface surface;
    surface.resize(80, 60);
    surface.show();
    surface.SetPicture(picture);
    EXPECT_EQ(surface.FittedPicture().pixel(40, 30), converted.pixel(0, 0));
    surface.SetDisplayProfile(adobe);
    EXPECT_EQ(surface.FittedPicture().pixel(40, 30), picture.pixel(0, 0));
    surface.SetDisplayProfile({});
    EXPECT_EQ(surface.FittedPicture().pixel(40, 30), converted.pixel(0, 0));
}

TEST(PictureSurfaceTest, EachPictureIsFittedOnceAtTheSizeItIsShown) {
    QTemporaryDir folder;
    showfakes::TFakeList list = ListOf(folder, {"wide", "tall"});
    TShowImage pipeline(
        list, [] { return TSettingsValues(); },
        PicturesByName({{"wide", Solid(400, 100, Qt::red)}, {"tall", Solid(100, 400, Qt::blue)}}));

    TFormPreview window;
    std::vector<QSize> fits;
    window.ImgView32Preview->Resample = [&](const QImage& picture, int width, int height, bool turned) {
        fits.emplace_back(width, height);
        return ResampleLanczos(picture, width, height, turned);
    };
    const auto painted = [&] {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::processEvents();
        return window.grab().toImage();
    };

    ASSERT_TRUE(pipeline.ShowImage(0, false, window));
    EXPECT_TRUE(fits.empty()) << "fitted before the window had its size";
    window.setGeometry(0, 0, 320, 200);
    window.show();
    EXPECT_EQ(painted().pixelColor(160, 100), QColor(Qt::red));
    EXPECT_EQ(fits, std::vector<QSize>{QSize(320, 80)});

    fits.clear();
    window.setGeometry(0, 0, 500, 400);
    ASSERT_TRUE(pipeline.ShowImage(1, false, window));
    EXPECT_EQ(painted().pixelColor(250, 200), QColor(Qt::blue));
    EXPECT_EQ(fits, std::vector<QSize>{QSize(100, 400)}) << "the old picture fitted again for the new size";

    // A new size alone fits the shown picture again, once.
    fits.clear();
    window.resize(200, 200);
    painted();
    EXPECT_EQ(fits, std::vector<QSize>{QSize(50, 200)});
}

class PreviewWindow : public ::testing::Test {
protected:
    TFormPreview Window;
    int Next = 0, Previous = 0, Stops = 0;

    void SetUp() override {
        Window.NextImage = [this](TFormPreview& window) {
            EXPECT_EQ(&window, &Window);
            ++Next;
        };
        Window.PreviousImage = [this](TFormPreview&) { ++Previous; };
        Window.StopSlideshow = [this] { ++Stops; };
    }

    void Send(QWidget* target, QEvent::Type type, Qt::MouseButton button) {
        QMouseEvent event(type, QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    void Wheel(int delta) {
        QWheelEvent event(QPointF(5, 5), QPointF(5, 5), {}, QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(Window.ImgView32Preview, &event);
    }
    void Key(int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&Window, &event);
    }
};

TEST_F(PreviewWindow, IsABorderlessBlackWindowOnTop) {
    EXPECT_EQ(Window.windowTitle(), QStringLiteral("Orvalis — audience"));
    EXPECT_TRUE(Window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(Window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(Window.palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(Window.ImgView32Preview->focusPolicy(), Qt::NoFocus);
}

TEST_F(PreviewWindow, EveryPressAndNotchStepsOnce) {
    QWidget* surface = Window.ImgView32Preview;
    Window.resize(100, 100);
    Send(surface, QEvent::MouseButtonPress, Qt::LeftButton);
    Send(surface, QEvent::MouseButtonRelease, Qt::LeftButton);
    Send(surface, QEvent::MouseButtonDblClick, Qt::LeftButton);  // the double click's second press
    Send(surface, QEvent::MouseButtonRelease, Qt::LeftButton);
    Send(&Window, QEvent::MouseButtonPress, Qt::RightButton);
    Send(surface, QEvent::MouseButtonPress, Qt::MiddleButton);
    EXPECT_EQ(Next, 2);
    EXPECT_EQ(Previous, 1);

    Wheel(-120);  // down
    Wheel(240);   // up, two notches
    Wheel(60);
    Wheel(60);  // two halves make one notch
    EXPECT_EQ(Next, 3);
    EXPECT_EQ(Previous, 4);
    EXPECT_EQ(Stops, 0);
}

TEST_F(PreviewWindow, EscapeStopsTheSlideshowAndHidesOtherKeysDoNothing) {
    Window.ShowOver(QGuiApplication::primaryScreen()->geometry());
    EXPECT_EQ(Window.geometry(), QGuiApplication::primaryScreen()->geometry());
    Key(Qt::Key_Space);
    EXPECT_TRUE(Window.isVisible());
    EXPECT_EQ(Stops, 0);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Window.isVisible());
    EXPECT_EQ(Stops, 1);
    Window.ShowOver(QGuiApplication::primaryScreen()->geometry());
    EXPECT_TRUE(Window.isVisible());  // shown again by the next play
}

TEST_F(PreviewWindow, ModalRunEndsWithEscape) {
    QTimer::singleShot(0, &Window, [this] {
        EXPECT_TRUE(Window.isModal());
        Key(Qt::Key_Escape);
    });
    Window.ShowModal();
    EXPECT_FALSE(Window.isVisible());
    EXPECT_EQ(Stops, 1);
}

}  // namespace
