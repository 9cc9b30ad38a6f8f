#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

#include "PictureSurface.h"
#include "ShowImage.h"
#include "ShowKeys.h"
#include "monitors/WindowPlacement.h"

class QEventLoop;

// The full-screen picture window that shows pictures to the audience: borderless, always on top,
// black, with one picture surface filling it. The mouse pointer hides over it once it rests, and the
// busy cursor never shows there. It steps through the pictures with the mouse buttons and
// the wheel and leaves with Escape; what a step does is the main window's business, given through the
// three handlers below.
class TFormPreview : public QWidget, public TPictureSink {
    Q_OBJECT
public:
    explicit TFormPreview(QWidget* parent = nullptr);

    TPictureSurface* ImgView32Preview = nullptr;

    // Set by the main window: a step forward or back in this window, stopping the slideshow timer, and
    // this window being closed (not merely hidden).
    std::function<void(TFormPreview&)> NextImage;
    std::function<void(TFormPreview&)> PreviousImage;
    std::function<void()> StopSlideshow;
    std::function<void(TFormPreview&)> WindowClosed;
    // Set for the slideshow's window: the operator's and a remote's keys other than Escape (ShowKeys.h).
    std::function<void(TShowKey)> ShowKey;
    // Set for the slideshow's window: the desktop showed it on another monitor than the one ShowOver
    // named.
    std::function<void(TFormPreview&)> PlacementRefused;

    void SetPicture(const QImage& picture) override { ImgView32Preview->SetPicture(picture); }
    void SetOrientedPicture(const QImage& picture, int orientation) override {
        ImgView32Preview->SetOrientedPicture(picture, orientation);
    }
    QSize FittedSize(QSize upright) const override { return ImgView32Preview->FittedSize(upright); }
    void SetFittedPicture(const QImage& picture, int orientation, const QImage& fitted) override {
        ImgView32Preview->SetFittedPicture(picture, orientation, fitted);
    }

    // Covers `bounds` (a monitor's full bounds, not its work area; the window stays where it is when they
    // are empty) full screen, above the others, and, with `activate`, gives it the keyboard focus; without,
    // it is shown without taking the focus from the window that has it. Where the desktop shows it on
    // another monitor instead, PlacementRefused is called.
    void ShowOver(const QRect& bounds, bool activate = true);
    // Where the window belongs and whether the desktop put it there.
    TPlacementWatch Placement;
    // Shown without the keyboard, the window hands a keyboard the desktop gives it anyway, for a moment,
    // to the window the operator was typing in, or to `window` from now on (the presenter window that
    // opens with the show).
    void HandKeyboardTo(QWidget* window) { KeyboardOwner = window; }
    // The mouse pointer is hidden when it has rested this long over the window (2 s), and shown again
    // when it moves.
    QTimer PointerRest;
    // Shows the window maximised on the primary screen and returns when it is closed.
    void ShowModal();

    void FormKeyDown(int key);
    void FormMouseDown(Qt::MouseButton button);
    // One call per wheel notch: up is towards the previous picture.
    void ImgView32PreviewMouseWheel(bool up);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The pointer moved: it shows, and rests again from now.
    void PointerMoved();

    QEventLoop* ModalLoop = nullptr;
    // Shown without the keyboard: the window that had it, to which it goes back for a moment.
    QPointer<QWidget> KeyboardOwner;
    QTimer KeyboardReturn;
    int WheelRemainder = 0;      // eighths of a degree not yet making up a notch
    bool FollowsScreen = false;  // the window's moves to another monitor change the surface's profile
};

// The shared preview window that slideshows use; hidden until a slideshow starts.
extern TFormPreview* FormPreview;
