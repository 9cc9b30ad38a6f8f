#pragma once

#include <QtGlobal>

#include <functional>

// The time left until the automatic advance's next step, kept beside the slideshow's timer: started
// when the timer starts, begun again at every tick, held with its remaining time while the advance is
// paused and carried on from there when it resumes. The clock is injectable (milliseconds on a steady
// clock), so that the countdown can be followed without waiting.
class TAdvanceCountdown {
public:
    using TClock = std::function<qint64()>;
    static qint64 SteadyMilliseconds();

    explicit TAdvanceCountdown(TClock clock = &SteadyMilliseconds);

    // The timer starts: the next step is `interval` ms from now (also from a held countdown).
    void Start(qint64 interval);
    // The timer fired: the next step is a whole interval from now.
    void Tick();
    // The timer ends: no step is due.
    void Stop();
    // The timer is held: the time left stays as it is until Resume. Nothing happens when not running.
    void Pause();
    // The held timer goes on: the next step is the time that was left from now; returns that time.
    qint64 Resume();

    bool Running() const { return State == TState::Running; }
    bool Paused() const { return State == TState::Held; }
    qint64 Interval() const { return Period; }
    // The time left until the next step, never below 0; 0 when no step is due.
    qint64 Remaining() const;

private:
    enum class TState { Stopped, Running, Held };
    TClock Clock;
    TState State = TState::Stopped;
    qint64 Period = 0;
    qint64 Due = 0;   // when running: the clock's time of the next step
    qint64 Left = 0;  // when held: the time that was left
};
