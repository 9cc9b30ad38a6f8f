#include "IdentifyMonitors.h"

#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <utility>

#include "ErrorBoundary.h"
#include "MonitorWatch.h"
#include "WindowPlacement.h"

namespace {

constexpr int IdentifyMilliseconds = 3000;
constexpr int NumberPixels = 200;  // the height of the number's type
constexpr int NamePixels = 40;
// The window's size where the monitor is large enough (CentredPlacement).
constexpr QSize WindowSize(560, 360);

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text, int pixels, bool bold) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    QFont font = label->font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(colours);
    return label;
}

}  // namespace

TFormIdentifyMonitor::TFormIdentifyMonitor(int number, const TMonitorInfo& monitor, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("FormIdentifyMonitor"));
    setWindowTitle(QStringLiteral("Monitor %1 — Orvalis").arg(number));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);

    LabelNumber = NewLabel(this, "LabelNumber", QString::number(number), NumberPixels, true);
    LabelName = NewLabel(this, "LabelName", monitor.Identity.Name, NamePixels, false);
    auto* column = new QVBoxLayout(this);
    column->addWidget(LabelNumber, 1);
    column->addWidget(LabelName);
}

void TFormIdentifyMonitor::mousePressEvent(QMouseEvent* event) {
    event->accept();
    SwallowErrors([&] {
        if (Clicked) {
            Clicked();
        }
    });
}

TMonitorIdentification::TMonitorIdentification(QWidget* owner) : QObject(owner), Owner(owner) {
    TimerIdentify.setSingleShot(true);
    TimerIdentify.setInterval(IdentifyMilliseconds);
    connect(&TimerIdentify, &QTimer::timeout, this, [this] { SwallowErrors([&] { Close(); }); });
}

TMonitorIdentification::~TMonitorIdentification() {
    Close();
}

void TMonitorIdentification::Show() {
    Close();
    const QList<TMonitorInfo> monitors = TMonitorWatch::Monitors();
    for (int i = 0; i < monitors.size(); ++i) {
        auto* window = new TFormIdentifyMonitor(i + 1, monitors[i], Owner);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->Clicked = [this] { Close(); };
        Shown.append(window);
        ShowPlaced(*window, ScreenWithBounds(monitors[i].Geometry),
                   CentredPlacement(CurrentPlatformTraits(), monitors[i].Geometry, WindowSize));
    }
    TimerIdentify.start();
}

void TMonitorIdentification::Close() {
    TimerIdentify.stop();
    const QList<TFormIdentifyMonitor*> windows = std::exchange(Shown, {});
    for (TFormIdentifyMonitor* window : windows) {
        window->close();
    }
}
