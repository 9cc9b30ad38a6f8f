#pragma once

#include <QList>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>

#include "MonitorIdentity.h"

class QLabel;

// One monitor's part of "Identify": a borderless, always-on-top window in the middle of that monitor
// (covering it where the platform does not place windows) with its number in large type and its name
// below. A click on it asks for the end of the
// identification (Clicked).
class TFormIdentifyMonitor : public QWidget {
    Q_OBJECT
public:
    TFormIdentifyMonitor(int number, const TMonitorInfo& monitor, QWidget* owner);

    QLabel* LabelNumber = nullptr;
    QLabel* LabelName = nullptr;
    std::function<void()> Clicked;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// Shows every monitor its number and name at once, each on a TFormIdentifyMonitor of its own, until the
// time is up or any of them is clicked; then they all close.
class TMonitorIdentification : public QObject {
    Q_OBJECT
public:
    // The windows belong to `owner`'s window, so that a modal dialog there does not shut them off from
    // the mouse.
    explicit TMonitorIdentification(QWidget* owner);
    ~TMonitorIdentification() override;

    // Shows the windows on the monitors there now; showing them again starts over.
    void Show();
    void Close();
    const QList<TFormIdentifyMonitor*>& Windows() const { return Shown; }

    // Single-shot, 3 seconds: the windows close when it fires.
    QTimer TimerIdentify;

private:
    QWidget* Owner;
    QList<TFormIdentifyMonitor*> Shown;
};
