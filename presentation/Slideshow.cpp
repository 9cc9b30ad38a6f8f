#include "Slideshow.h"

#include "BusyCursor.h"
#include "ChooseDisplay.h"
#include "ErrorBoundary.h"

TSlideshow::TSlideshow(TShowImage& pipeline, TShowList& list, TSlideshowHost& host, TPictureSink& preview,
                       std::function<TSettingsValues()> settings, TAdvanceCountdown::TClock clock)
    : Countdown(std::move(clock)),
      Pipeline(pipeline),
      List(list),
      Host(host),
      Preview(preview),
      Settings(std::move(settings)) {
    // Precise, so that the countdown the operator sees is the timer's own to the second.
    TimerSlideShow.setTimerType(Qt::PreciseTimer);
    // A timer's handler reports what fails and the show goes on with the next tick.
    connect(&TimerSlideShow, &QTimer::timeout, this, [this] { ReportErrors(nullptr, [&] { Tick(); }); });
}

void TSlideshow::Play() {
    if (List.Count() == 0) {
        return;
    }
    if (Host.FirstSelected() < 0) {
        Host.SelectEntry(0);
    }
    const TSettingsValues settings = Settings();
    TBusyCursor busy;
    const QList<TMonitorInfo> monitors = Host.Monitors();
    const int chosen =
        ChooseMonitor(monitors, Host.CursorPosition(), settings.Display, settings.DisplayMonitor);
    const TMonitorInfo monitor = chosen >= 0 ? monitors[chosen] : TMonitorInfo();
    Host.ShowPreviewOver(monitor.Geometry, true);
    // With neither advance setting the timer keeps the state it had.
    const bool advancing = settings.ManualAdvance      ? false
                           : settings.AutomaticAdvance ? true
                                                       : TimerSlideShow.isActive();
    Status.Started(monitor, chosen + 1, advancing);
    Host.BlankPreview(false);
    Pipeline.ShowImage(Host.FirstSelected(), settings.UseWatermarking, Preview);
    ShowPosition();
    // The first tick comes one whole interval after the first picture is on the screen.
    if (settings.AutomaticAdvance) {
        AdvanceInterval = SlideshowIntervalRange.Clamp(settings.SlideshowInterval) * 1000;
        StartTimer(AdvanceInterval);
    } else if (TimerSlideShow.isActive() && !settings.ManualAdvance) {
        // Kept running as it was: the first step comes at its next tick.
        Countdown.Start(TimerSlideShow.remainingTime());
    }
    if (settings.ManualAdvance) {
        TimerSlideShow.stop();
        Countdown.Stop();
    }
    Host.EnableStepButtons();
}

void TSlideshow::StartTimer(qint64 first) {
    TimerSlideShow.start(int(first));
    Countdown.Start(first);
}

void TSlideshow::Stop() {
    TimerSlideShow.stop();
    Countdown.Stop();
    Status.Stopped();
}

void TSlideshow::Tick() {
    // The first tick after a held advance went on came early; from then on the whole interval.
    if (AdvanceInterval > 0 && TimerSlideShow.isActive() && TimerSlideShow.interval() != AdvanceInterval) {
        TimerSlideShow.setInterval(AdvanceInterval);
    }
    Countdown.Tick();
    Next();
}

void TSlideshow::ShowEntry(int index) {
    Pipeline.ShowImage(index, Settings().UseWatermarking, Preview);
    ShowPosition();
}

void TSlideshow::Key(TShowKey key) {
    switch (key) {
        case TShowKey::Next:
            Next();
            break;
        case TShowKey::Previous:
            Previous();
            break;
        case TShowKey::First:
            ShowEntry(0);
            break;
        case TShowKey::Last:
            ShowEntry(List.Count() - 1);
            break;
        case TShowKey::Blank:
            ToggleBlank();
            break;
        case TShowKey::Pause:
            ToggleHold();
            break;
        case TShowKey::Escape:
        case TShowKey::None:
            break;
    }
}

void TSlideshow::ToggleBlank() {
    if (Status.State() == TShowState::NoShow) {
        return;
    }
    // Nothing steps unseen while the audience sees black: the advance waits, with the time it had left.
    const bool waited = Status.AdvanceWaits();
    Status.SetBlank(!Status.Blank());
    Host.BlankPreview(Status.Blank());
    AdvanceWaitChanged(waited);
}

void TSlideshow::ToggleHold() {
    const bool waited = Status.AdvanceWaits();
    if (Status.Held()) {
        Status.HoldAdvance(false);
    } else if (Status.State() == TShowState::Showing && Status.Advancing() &&
               (TimerSlideShow.isActive() || Countdown.Paused())) {
        Status.HoldAdvance(true);
    }
    AdvanceWaitChanged(waited);
}

void TSlideshow::AdvanceWaitChanged(bool waited) {
    const bool waits = Status.AdvanceWaits();
    if (waits == waited || Status.State() != TShowState::Showing) {
        return;
    }
    if (waits && TimerSlideShow.isActive()) {
        Countdown.Pause();
        TimerSlideShow.stop();
    } else if (!waits && Countdown.Paused()) {
        TimerSlideShow.start(int(Countdown.Resume()));
    } else if (!waits && Status.Advancing() && !TimerSlideShow.isActive()) {
        // It began to wait while its monitor was away: a whole interval from now.
        StartTimer(AdvanceInterval > 0 ? AdvanceInterval : TimerSlideShow.interval());
    }
}

void TSlideshow::Next() {
    Pipeline.ShowNextImage(Preview);
    ShowPosition();
}

void TSlideshow::Previous() {
    Pipeline.ShowPreviousImage(Preview);
    ShowPosition();
}

void TSlideshow::PreviewClosed() {
    Countdown.Stop();
    Status.Closed();
}

void TSlideshow::MonitorsChanged(const QList<TMonitorInfo>& monitors) {
    switch (Status.MonitorsChanged(monitors)) {
        case TMonitorReaction::Withdraw:
            Withdraw();
            break;
        case TMonitorReaction::Return:
            Host.ShowPreviewOver(Status.Monitor().Geometry, false);
            // Restarted, the first tick comes one whole interval after the picture is back.
            if (Status.Advancing() && !Status.AdvanceWaits()) {
                StartTimer(AdvanceInterval > 0 ? AdvanceInterval : TimerSlideShow.interval());
            }
            break;
        case TMonitorReaction::Follow:
            Host.ShowPreviewOver(Status.Monitor().Geometry, false);
            break;
        case TMonitorReaction::Nothing:
            break;
    }
}

void TSlideshow::PlacementRefused() {
    if (Status.Refused()) {
        Withdraw();
    }
}

void TSlideshow::Withdraw() {
    Host.HidePreview();
    TimerSlideShow.stop();
    if (!Status.AdvanceWaits()) {
        Countdown.Stop();
    }
}

void TSlideshow::ListChanged() {
    // Counted again at the next play.
    if (Status.State() != TShowState::NoShow) {
        ShowPosition();
    }
}

int TSlideshow::CurrentPosition() const {
    const QString current = List.CurrentImage();
    for (int i = 0; i < List.Count(); ++i) {
        if (List.FileName(i) == current) {
            return i + 1;
        }
    }
    return 0;
}

void TSlideshow::ShowPosition() {
    Status.Moved(CurrentPosition(), List.Count());
}
