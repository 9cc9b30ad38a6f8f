#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "monitors/MonitorChanges.h"
#include "monitors/MonitorIdentity.h"

// What the audience monitor is doing.
enum class TShowState {
    NoShow,   // no audience window: before the first show, after Escape, at the end
    Showing,  // the audience window covers its monitor and the show runs (automatic or manual advance)
    Paused,   // the audience monitor went away, or the desktop put the window elsewhere: the window waits,
              // hidden, the advance paused
    Stopped,  // the audience window covers its monitor with its picture frozen ("Stop slideshow")
};

// The status of the show as the operator follows it: the state, the entry shown out of how many, and the
// audience monitor. It also decides what a removal and a return of monitors do to a running show:
//
//   state              audience monitor after the change   reaction   state after
//   Showing, Stopped   gone                                Withdraw   Paused
//   Showing, Stopped   there, other bounds                 Follow     unchanged
//   Paused             there again                         Return     Showing or Stopped, as before
//   any other case                                         Nothing    unchanged
//
// A show paused because the desktop did not put its window on the audience monitor (Refused) waits for
// that monitor to go and come back, or for the next "Play slideshow": the desktop would do the same again.
//
// Whether the audience monitor is still there, and where, is decided by MonitorChangeFor. Every change of
// what Text() says, or of the state, position or monitor, is signalled by Changed().
class TShowStatus : public QObject {
    Q_OBJECT
public:
    TShowState State() const { return Now; }
    // The entry shown, 1-based, or 0 when the current image is no entry of the list; and how many there are.
    int Position() const { return Entry; }
    int Count() const { return Entries; }
    // The audience monitor: the one the window covers, or waits for while paused, as last seen, with its
    // number in the system's order then.
    const TMonitorInfo& Monitor() const { return Audience; }
    int MonitorNumber() const { return Number; }
    // The automatic advance runs, or runs again when the paused show's monitor returns.
    bool Advancing() const { return Advance; }
    // The operator holds the automatic advance ("P"): the show stays, the timer waits.
    bool Held() const { return Hold; }
    // The automatic advance waits: held by the operator, or while the audience monitor is blank, so that
    // the audience comes back to the picture it left.
    bool AdvanceWaits() const { return Advance && (Hold || Black); }
    // The audience monitor shows black instead of the picture ("B").
    bool Blank() const { return Black; }
    // The presenter window is open.
    bool PresenterOpen() const { return Presenter; }
    // While a show runs (showing, or waiting for its monitor) the "Presenter view" command is offered: it
    // opens the presenter window, or brings it forward.
    bool PresenterOffered() const { return Now == TShowState::Showing || Now == TShowState::Paused; }

    // The desktop showed the audience window on another monitor than the audience monitor.
    bool PlacementRefused() const { return Refusal; }

    // "No show", "Showing 7 of 42 on 2 — HDMI-1", "Paused: the audience monitor is not connected",
    // "Paused: the desktop did not put the show on monitor 2 — HDMI-1", "Stopped"; with ", audience
    // monitor blank" and ", advance held" when so (a blank monitor holds the advance too).
    QString Text() const;

    // "Play slideshow" put the window on `monitor`, number `number` in the system's order.
    void Started(const TMonitorInfo& monitor, int number, bool advancing);
    // "Stop slideshow": the advance ends; a paused show returns stopped.
    void Stopped();
    // The audience window was closed.
    void Closed();
    // The audience window shows entry `position` (1-based, 0 for none) of `count`.
    void Moved(int position, int count);
    // The automatic advance is held or goes on; only a show that is advancing holds.
    void HoldAdvance(bool hold);
    // The audience monitor turns black or shows the picture again; only during a show.
    void SetBlank(bool blank);
    // The presenter window opened or closed.
    void PresenterShown(bool open);
    // The desktop put the audience window on another monitor: a show that is showing or stopped pauses.
    // Whether it paused.
    bool Refused();

    // The monitors there now, after one came, went or changed its bounds; see the table above.
    TMonitorReaction MonitorsChanged(const QList<TMonitorInfo>& monitors);

signals:
    void Changed();

private:
    QString StateText() const;
    // Runs `change` and signals when it changed anything.
    template <class F>
    void Change(F&& change);

    TShowState Now = TShowState::NoShow;
    TShowState Resume = TShowState::Showing;  // what a paused show becomes when its monitor returns
    int Entry = 0;
    int Entries = 0;
    TMonitorInfo Audience;
    int Number = 0;
    bool Advance = false;
    bool Hold = false;
    bool Black = false;
    bool Presenter = false;
    bool Refusal = false;
};
