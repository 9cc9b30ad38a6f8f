#include "ShowStatus.h"

#include <tuple>

template <class F>
void TShowStatus::Change(F&& change) {
    const auto before =
        std::tuple(Now, Resume, Entry, Entries, Audience, Number, Advance, Hold, Black, Presenter, Refusal);
    change();
    if (std::tuple(Now, Resume, Entry, Entries, Audience, Number, Advance, Hold, Black, Presenter, Refusal) !=
        before) {
        emit Changed();
    }
}

QString TShowStatus::Text() const {
    QString text = StateText();
    if (Black) {
        text += QStringLiteral(", audience monitor blank");
    }
    if (AdvanceWaits()) {
        text += QStringLiteral(", advance held");
    }
    return text;
}

QString TShowStatus::StateText() const {
    switch (Now) {
        case TShowState::Showing: {
            const QString monitor = MonitorName(Number, Audience.Identity);
            return Entry > 0 ? QStringLiteral("Showing %1 of %2 on %3").arg(Entry).arg(Entries).arg(monitor)
                             : QStringLiteral("Showing on %1").arg(monitor);
        }
        case TShowState::Paused:
            return Refusal ? QStringLiteral("Paused: the desktop did not put the show on monitor %1")
                                 .arg(MonitorName(Number, Audience.Identity))
                           : QStringLiteral("Paused: the audience monitor is not connected");
        case TShowState::Stopped:
            return QStringLiteral("Stopped");
        case TShowState::NoShow:
            break;
    }
    return QStringLiteral("No show");
}

void TShowStatus::Started(const TMonitorInfo& monitor, int number, bool advancing) {
    Change([&] {
        Now = TShowState::Showing;
        Audience = monitor;
        Number = number;
        Advance = advancing;
        Hold = false;
        Black = false;
        Refusal = false;
    });
}

void TShowStatus::Stopped() {
    Change([&] {
        Advance = false;
        Hold = false;
        if (Now == TShowState::Showing) {
            Now = TShowState::Stopped;
        } else if (Now == TShowState::Paused) {
            Resume = TShowState::Stopped;
        }
    });
}

void TShowStatus::Closed() {
    Change([&] {
        Now = TShowState::NoShow;
        Refusal = false;
        Advance = false;
        Hold = false;
        Black = false;
    });
}

void TShowStatus::HoldAdvance(bool hold) {
    Change([&] { Hold = hold && Advance && Now != TShowState::NoShow; });
}

void TShowStatus::SetBlank(bool blank) {
    Change([&] { Black = blank && Now != TShowState::NoShow; });
}

void TShowStatus::PresenterShown(bool open) {
    Change([&] { Presenter = open; });
}

bool TShowStatus::Refused() {
    if (Now != TShowState::Showing && Now != TShowState::Stopped) {
        return false;
    }
    Change([&] {
        Resume = Now;
        Now = TShowState::Paused;
        Refusal = true;
    });
    return true;
}

void TShowStatus::Moved(int position, int count) {
    Change([&] {
        Entry = position;
        Entries = count;
    });
}

TMonitorReaction TShowStatus::MonitorsChanged(const QList<TMonitorInfo>& monitors) {
    if (Now == TShowState::NoShow) {
        return TMonitorReaction::Nothing;
    }
    TMonitorChange change = MonitorChangeFor(monitors, Audience, Now == TShowState::Paused);
    Change([&] {
        if (Refusal) {
            // Waits for its monitor to go; from then on it waits for its return like any other.
            if (change.Index < 0) {
                Refusal = false;
            }
            change.Reaction = TMonitorReaction::Nothing;
        }
        switch (change.Reaction) {
            case TMonitorReaction::Withdraw:
                Resume = Now;
                Now = TShowState::Paused;
                return;
            case TMonitorReaction::Return:
                Now = Resume;
                break;
            case TMonitorReaction::Follow:
            case TMonitorReaction::Nothing:
                break;
        }
        if (change.Index >= 0) {
            Audience = monitors[change.Index];
            Number = change.Index + 1;
        }
    });
    return change.Reaction;
}
