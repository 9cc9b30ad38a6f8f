#pragma once

// The property that marks a window the audience sees: the busy cursor never shows over it.
inline constexpr char AudienceWindowProperty[] = "AudienceWindow";

// Shows the busy cursor over the program's windows for its lifetime and restores their cursors on
// every way out of the scope, errors included. Nested guards stack. A window the audience sees (its
// AudienceWindowProperty set) keeps its own cursor: the audience never sees the operator's hourglass.
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    // Whether this guard counts among the guards alive, so that it undoes only its own.
    bool Active;
};
