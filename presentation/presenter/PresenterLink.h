#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>

#include <functional>
#include <limits>
#include <utility>

#include "Presenter.h"
#include "SettingsValues.h"

class QWidget;
class TImageList;
class TSlideshow;

// Keeps the presenter window in step with the show. It opens with a show on a monitor other than the
// main window's (when the setting asks for it) on the main window's monitor, mirrors the audience window,
// shows the picture that comes next, where the show is and the countdown, and hands the window's
// commands to the slideshow. Closing it stops nothing; a stopped or ended show closes it. It also marks
// the entry the audience sees in the image list, with or without the window. A step of the show updates
// it at once, so that it always shows the entry the audience sees; changes of the list and of the
// audience window's picture wait for the event loop.
class TPresenterLink : public QObject {
    Q_OBJECT
public:
    TPresenterLink(TSlideshow& show, TImageList& images, std::function<TSettingsValues()> settings,
                   QWidget* mainWindow);
    ~TPresenterLink() override;

    // The window will open when "Play slideshow" puts the audience window over `audience` (a monitor's
    // bounds): the setting asks for it and that monitor is not the main window's. The audience window
    // then leaves the keyboard to it.
    bool OpensWithShowOver(const QRect& audience) const;
    // "Play slideshow" put the audience window on its monitor.
    void ShowStarted();
    // The "Presenter view" command can open the window: a show runs on a monitor that is not the main
    // window's.
    bool CanOpen() const;
    // The "Presenter view" command: opens the window (or raises it) on the operator's monitor and gives
    // it the keyboard focus.
    void Open();
    // Closes the window, keeping its place in the settings file.
    void Close();
    // The window, while it exists (it is made at its first opening).
    TFormPresenter* Window() const { return Presenter; }
    // The audience window's picture changed.
    void AudienceChanged();
    // Brings the window and the list's mark up to date now (the deferred update).
    void Update();

    // Ends the show (the presenter's Stop and Escape).
    std::function<void()> StopShow;

private:
    void ScheduleUpdate();
    void UpdateCountdown();
    // Keeps the window's place in the settings file.
    void SavePlace();
    // The main window's monitor's work area.
    QRect OperatorArea() const;
    // The audience monitor (of bounds `audience`) is not the main window's.
    bool AudienceElsewhere(const QRect& audience) const;

    TSlideshow& Show;
    TImageList& Images;
    std::function<TSettingsValues()> Settings;
    QWidget* Main;
    QPointer<TFormPresenter> Presenter;
    QTimer UpdateSoon;
    QTimer CountdownTimer;
    // The rows whose thumbnails the window shows, first and last; all of them while it is closed, so
    // that it is brought up to date when it opens.
    std::pair<int, int> ShownRows{0, std::numeric_limits<int>::max()};
    QString DetailsFor;  // the file whose details are shown
    QString Details;
};
