#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

#include "SettingsValues.h"
#include "ShowImage.h"

// What the slideshow asks of the main window: the list's selection, the shared preview window's
// placement and the toolbar's step buttons.
class TSlideshowHost {
public:
    virtual ~TSlideshowHost() = default;
    virtual int FirstSelected() const = 0;  // -1 when nothing is selected
    virtual void SelectEntry(int index) = 0;
    // Puts the shared preview window over the whole monitor that the display choice names (see
    // ChooseDisplay) and shows it, not modal.
    virtual void ShowPreviewOn(int displayChoice) = 0;
    virtual void EnableStepButtons() = 0;
};

// The slideshow: the image list shown in the shared preview window, by itself at a fixed interval or
// stepped by the operator. There is no slideshow position of its own: it steps from the current image.
class TSlideshow : public QObject {
    Q_OBJECT
public:
    // `settings` is read at each command: the interval, advance mode and display choice at play, the
    // watermark switch at every step.
    TSlideshow(TShowImage& pipeline, TShowList& list, TSlideshowHost& host, TPictureSink& preview,
               std::function<TSettingsValues()> settings);

    // Starts or restarts the show from the first selected entry (entry 0, selected, when none is).
    // Automatic advance starts the timer, manual advance stops it; with neither set it stays as it was.
    void Play();
    // Stops the timer; the preview window and the step buttons stay as they are.
    void Stop();
    void Next();
    void Previous();
    // One tick of the timer: a step forward.
    void Tick() { Next(); }

    // Periodic, one step forward per tick; ticks due while a picture is decoded are merged into one.
    QTimer TimerSlideShow;

private:
    TShowImage& Pipeline;
    TShowList& List;
    TSlideshowHost& Host;
    TPictureSink& Preview;
    std::function<TSettingsValues()> Settings;
};
