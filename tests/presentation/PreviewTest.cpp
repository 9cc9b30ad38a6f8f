#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>

#include <functional>
#include <new>
#include <vector>

#include "FileMaker.h"
#include "PictureSurface.h"
#include "Preview.h"
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

// A fit that fails (no memory for the copy) changes nothing on the screen: the window keeps its picture,
// and the pipeline reports that nothing was shown and keeps the current image.
TEST(PictureSurfaceTest, AFailedFitKeepsTheShownPicture) {
    QTemporaryDir folder;
    showfakes::TFakeList list;
    for (const char* name : {"red.png", "blue.png"}) {
        list.Names << testsupport::MakeFile(folder.filePath(QLatin1String(name)));
    }
    TShowDecoders decoders;
    decoders.Jpeg2000 = [](const QString&) { return QImage(); };
    decoders.Registry = [](const QString& path) {
        return Solid(64, 48, path.endsWith(QLatin1String("red.png")) ? Qt::red : Qt::blue);
    };
    decoders.Generic = [](const QString&, QImage&) { return false; };
    decoders.Orientation = [](const QString&) { return 0; };
    TShowImage pipeline(
        list, [] { return TSettingsValues(); }, decoders);

    const std::vector<std::pair<const char*, std::function<QImage(const QImage&, int, int)>>> failures = {
        {"raises", [](const QImage&, int, int) -> QImage { throw std::bad_alloc(); }},
        {"comes back empty", [](const QImage&, int, int) { return QImage(); }},
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
    EXPECT_EQ(Window.windowTitle(), QStringLiteral("FormPreview"));
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
