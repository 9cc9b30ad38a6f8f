#include "Preview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

#include "BusyCursor.h"
#include "ErrorBoundary.h"
#include "monitors/DisplayProfile.h"

TFormPreview* FormPreview = nullptr;

namespace {
constexpr int WheelNotch = 120;  // eighths of a degree
constexpr int PointerRestMilliseconds = 2000;
// How long after it was shown without the keyboard the window hands a keyboard it gets back.
constexpr int KeyboardReturnMilliseconds = 1000;
}  // namespace

TFormPreview::TFormPreview(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Orvalis — audience"));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    // The audience's window never keeps the program running by itself: the program ends with the main
    // window, whichever preview is still up.
    setAttribute(Qt::WA_QuitOnClose, false);

    ImgView32Preview = new TPictureSurface(this);
    ImgView32Preview->setObjectName(QStringLiteral("ImgView32Preview"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ImgView32Preview);
    ImgView32Preview->installEventFilter(this);
    // The audience sees neither a resting pointer nor the busy cursor.
    setProperty(AudienceWindowProperty, true);
    setMouseTracking(true);
    ImgView32Preview->setMouseTracking(true);
    KeyboardReturn.setSingleShot(true);
    KeyboardReturn.setInterval(KeyboardReturnMilliseconds);
    PointerRest.setSingleShot(true);
    PointerRest.setInterval(PointerRestMilliseconds);
    connect(&PointerRest, &QTimer::timeout, this,
            [this] { SwallowErrors([&] { setCursor(Qt::BlankCursor); }); });

    connect(&Placement, &TPlacementWatch::Misplaced, this, [this] {
        SwallowErrors([&] {
            if (PlacementRefused) {
                PlacementRefused(*this);
            }
        });
    });
}

// The surface's presses and wheel turns go to the window's own handlers, so that one press or one
// notch steps once wherever it lands.
bool TFormPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ImgView32Preview) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
                FormMouseDown(static_cast<QMouseEvent*>(event)->button());
                return true;
            case QEvent::Wheel:
                wheelEvent(static_cast<QWheelEvent*>(event));
                return true;
            case QEvent::MouseMove:
                PointerMoved();
                break;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFormPreview::ShowOver(const QRect& bounds, bool activate) {
    setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    QWidget* const typing = QApplication::activeWindow();
    QScreen* screen = bounds.isEmpty() ? nullptr : ScreenWithBounds(bounds);
    ShowPlaced(*this, screen, bounds.isEmpty() ? TWindowPlacement() : CoveringPlacement(bounds));
    raise();
    if (activate) {
        activateWindow();
    } else if (typing != nullptr && typing != this) {
        // A desktop may give a window the keyboard when it is shown, asked or not: for a moment, the
        // keyboard this window gets goes back to the window the operator was typing in.
        KeyboardOwner = typing;
        KeyboardReturn.start();
    }
    Placement.Watch(*this, screen);
}

void TFormPreview::ShowModal() {
    setWindowModality(Qt::ApplicationModal);
    // Not placed by the slideshow: it opens on the primary monitor, wherever the main window is.
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        setGeometry(primary->availableGeometry());
    }
    QEventLoop loop;
    ModalLoop = &loop;
    showMaximized();
    if (isVisible()) {
        loop.exec();
    }
    ModalLoop = nullptr;
}

bool TFormPreview::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && KeyboardReturn.isActive()) {
        SwallowErrors([&] {
            if (KeyboardOwner != nullptr && KeyboardOwner->isVisible()) {
                KeyboardOwner->activateWindow();
            }
        });
    }
    return QWidget::event(event);
}

void TFormPreview::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    PointerMoved();
    // The pictures' colours are the monitor's the window is on, and follow it to another.
    if (QWindow* window = windowHandle(); window != nullptr && !FollowsScreen) {
        FollowsScreen = true;
        connect(window, &QWindow::screenChanged, this, [this] {
            SwallowErrors([&] { ImgView32Preview->SetDisplayProfile(DisplayProfileOf(screen())); });
        });
    }
    ImgView32Preview->SetDisplayProfile(DisplayProfileOf(screen()));
}

void TFormPreview::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    PointerMoved();
}

void TFormPreview::PointerMoved() {
    if (testAttribute(Qt::WA_SetCursor)) {
        unsetCursor();
    }
    PointerRest.start();
}

void TFormPreview::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    PointerRest.stop();
    Placement.Stop();
    // Closing a modal instance ends its modal run.
    if (ModalLoop != nullptr) {
        ModalLoop->quit();
    }
}

void TFormPreview::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    SwallowErrors([&] {
        if (WindowClosed) {
            WindowClosed(*this);
        }
    });
}

void TFormPreview::FormKeyDown(int key) {
    if (key != Qt::Key_Escape) {
        const TShowKey action = ShowKeyAction(key);
        SwallowErrors([&] {
            if (action != TShowKey::None && ShowKey) {
                ShowKey(action);
            }
        });
        return;
    }
    SwallowErrors([&] {
        if (StopSlideshow) {
            StopSlideshow();
        }
    });
    close();
}

void TFormPreview::FormMouseDown(Qt::MouseButton button) {
    SwallowErrors([&] {
        if (button == Qt::LeftButton && NextImage) {
            NextImage(*this);
        } else if (button == Qt::RightButton && PreviousImage) {
            PreviousImage(*this);
        }
    });
}

void TFormPreview::ImgView32PreviewMouseWheel(bool up) {
    FormMouseDown(up ? Qt::RightButton : Qt::LeftButton);
}

void TFormPreview::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(event->key());
}

void TFormPreview::mousePressEvent(QMouseEvent* event) {
    FormMouseDown(event->button());
}

// The second press of a double click counts as a press of its own.
void TFormPreview::mouseDoubleClickEvent(QMouseEvent* event) {
    FormMouseDown(event->button());
}

void TFormPreview::wheelEvent(QWheelEvent* event) {
    WheelRemainder += event->angleDelta().y();
    while (WheelRemainder >= WheelNotch) {
        WheelRemainder -= WheelNotch;
        ImgView32PreviewMouseWheel(true);
    }
    while (WheelRemainder <= -WheelNotch) {
        WheelRemainder += WheelNotch;
        ImgView32PreviewMouseWheel(false);
    }
    event->accept();
}
