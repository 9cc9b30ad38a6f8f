#include "AdvanceCountdown.h"

#include <algorithm>
#include <chrono>
#include <utility>

qint64 TAdvanceCountdown::SteadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

TAdvanceCountdown::TAdvanceCountdown(TClock clock) : Clock(std::move(clock)) {}

void TAdvanceCountdown::Start(qint64 interval) {
    Period = std::max<qint64>(interval, 0);
    Due = Clock() + Period;
    State = TState::Running;
}

void TAdvanceCountdown::Tick() {
    if (State == TState::Running) {
        Due = Clock() + Period;
    }
}

void TAdvanceCountdown::Stop() {
    State = TState::Stopped;
}

void TAdvanceCountdown::Pause() {
    if (State == TState::Running) {
        Left = Remaining();
        State = TState::Held;
    }
}

qint64 TAdvanceCountdown::Resume() {
    if (State != TState::Held) {
        return Remaining();
    }
    Due = Clock() + Left;
    State = TState::Running;
    return Left;
}

qint64 TAdvanceCountdown::Remaining() const {
    switch (State) {
        case TState::Running:
            return std::max<qint64>(Due - Clock(), 0);
        case TState::Held:
            return Left;
        case TState::Stopped:
            break;
    }
    return 0;
}
