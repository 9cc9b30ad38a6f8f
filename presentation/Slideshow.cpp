#include "Slideshow.h"

#include "BusyCursor.h"
#include "ChooseDisplay.h"
#include "ErrorBoundary.h"

TSlideshow::TSlideshow(TShowImage& pipeline, TShowList& list, TSlideshowHost& host, TPictureSink& preview,
                       std::function<TSettingsValues()> settings)
    : Pipeline(pipeline), List(list), Host(host), Preview(preview), Settings(std::move(settings)) {
    TimerSlideShow.setTimerType(Qt::CoarseTimer);
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
    Pipeline.ShowImage(Host.FirstSelected(), settings.UseWatermarking, Preview);
    ShowPosition();
    // The first tick comes one whole interval after the first picture is on the screen.
    if (settings.AutomaticAdvance) {
        TimerSlideShow.start(SlideshowIntervalRange.Clamp(settings.SlideshowInterval) * 1000);
    }
    if (settings.ManualAdvance) {
        TimerSlideShow.stop();
    }
    Host.EnableStepButtons();
}

void TSlideshow::Stop() {
    TimerSlideShow.stop();
    Status.Stopped();
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
    Status.Closed();
}

void TSlideshow::MonitorsChanged(const QList<TMonitorInfo>& monitors) {
    switch (Status.MonitorsChanged(monitors)) {
        case TMonitorReaction::Withdraw:
            Host.HidePreview();
            TimerSlideShow.stop();
            break;
        case TMonitorReaction::Return:
            Host.ShowPreviewOver(Status.Monitor().Geometry, false);
            // Restarted, the first tick comes one whole interval after the picture is back.
            if (Status.Advancing()) {
                TimerSlideShow.start();
            }
            break;
        case TMonitorReaction::Follow:
            Host.ShowPreviewOver(Status.Monitor().Geometry, false);
            break;
        case TMonitorReaction::Nothing:
            break;
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
