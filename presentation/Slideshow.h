#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>

#include <functional>

#include "AdvanceCountdown.h"
#include "SettingsValues.h"
#include "ShowImage.h"
#include "ShowKeys.h"
#include "ShowStatus.h"
#include "monitors/MonitorIdentity.h"

// What the slideshow asks of the main window: the list's selection, the monitors and the mouse cursor,
// the shared preview window's placement and the toolbar's step buttons.
class TSlideshowHost {
public:
    virtual ~TSlideshowHost() = default;
    virtual int FirstSelected() const = 0;  // -1 when nothing is selected
    virtual void SelectEntry(int index) = 0;
    // The monitors there now, in the system's order, and the mouse cursor's position on the desktop.
    virtual QList<TMonitorInfo> Monitors() const = 0;
    virtual QPoint CursorPosition() const = 0;
    // Puts the shared preview window over `bounds` (a monitor's full bounds; left as it is when empty) and
    // shows it, not modal, above the other windows; with `activate` it also takes the keyboard focus.
    virtual void ShowPreviewOver(const QRect& bounds, bool activate) = 0;
    // Hides the shared preview window; it keeps its picture.
    virtual void HidePreview() = 0;
    virtual void EnableStepButtons() = 0;
    // Turns the shared preview window black (the picture stays behind it) or shows the picture again.
    virtual void BlankPreview(bool blank) { Q_UNUSED(blank); }
};

// The slideshow: the image list shown in the shared preview window, by itself at a fixed interval or
// stepped by the operator. There is no slideshow position of its own: it steps from the current image.
// The audience window stays with the monitor it was put on: when that monitor goes away the window hides
// and the automatic advance pauses, and when it comes back the show goes on there as it was (Status).
class TSlideshow : public QObject {
    Q_OBJECT
public:
    // `settings` is read at each command: the interval, advance mode and display choice at play, the
    // watermark switch at every step.
    TSlideshow(TShowImage& pipeline, TShowList& list, TSlideshowHost& host, TPictureSink& preview,
               std::function<TSettingsValues()> settings,
               TAdvanceCountdown::TClock clock = &TAdvanceCountdown::SteadyMilliseconds);

    // Starts or restarts the show from the first selected entry (entry 0, selected, when none is), on the
    // monitor the display choice names among those there now (ChooseMonitor). Automatic advance starts
    // the timer, manual advance stops it; with neither set it stays as it was.
    void Play();
    // Stops the timer; the preview window and the step buttons stay as they are.
    void Stop();
    void Next();
    void Previous();
    // One tick of the timer: a step forward.
    void Tick();
    // Shows entry `index` (0-based) as a step does; an entry that cannot be shown changes nothing.
    void ShowEntry(int index);
    // The operator's keys in the presenter and the audience window (Escape is each window's own).
    void Key(TShowKey key);
    // "B": the audience monitor turns black, and back. Only during a show. While it is black the
    // automatic advance waits, as held, and goes on with the time it had left when the picture is back.
    void ToggleBlank();
    // "P": the automatic advance holds, keeping the time left until its next step, and goes on from
    // there (once the audience monitor is not blank). Only while it advances.
    void ToggleHold();

    // The shared preview window was closed (Escape, the end of the program).
    void PreviewClosed();
    // The monitors there now, after one came, went or changed its bounds.
    void MonitorsChanged(const QList<TMonitorInfo>& monitors);
    // The desktop showed the audience window on another monitor than the one it was put on: it goes, so
    // that it never covers the operator's monitor, and the show pauses as for a monitor that went away.
    void PlacementRefused();
    // The image list changed: the entry shown is counted again.
    void ListChanged();

    // Periodic, one step forward per tick; ticks due while a picture is decoded are merged into one.
    QTimer TimerSlideShow;
    // What the audience monitor is doing.
    TShowStatus Status;
    // The time left until the timer's next step, kept with the timer.
    TAdvanceCountdown Countdown;

private:
    // The audience window goes and the automatic advance pauses (a held advance keeps its time left).
    void Withdraw();
    // The advance began or ceased to wait (AdvanceWaits; `waited` before the change): the timer stops
    // with the time left kept, or goes on with it.
    void AdvanceWaitChanged(bool waited);
    // Starts the timer with its whole interval, its first step `first` ms from now.
    void StartTimer(qint64 first);
    // The current image's entry, 1-based; 0 when it is in none.
    int CurrentPosition() const;
    void ShowPosition();

    TShowImage& Pipeline;
    TShowList& List;
    TSlideshowHost& Host;
    TPictureSink& Preview;
    std::function<TSettingsValues()> Settings;
    int AdvanceInterval = 0;  // ms, the timer's interval while it advances
};
