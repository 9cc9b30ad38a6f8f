#include "Slideshow.h"

#include "BusyCursor.h"
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
    Host.ShowPreviewOn(settings.Display);
    Pipeline.ShowImage(Host.FirstSelected(), settings.UseWatermarking, Preview);
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
}

void TSlideshow::Next() {
    Pipeline.ShowNextImage(Preview);
}

void TSlideshow::Previous() {
    Pipeline.ShowPreviousImage(Preview);
}
