#pragma once

// Shows the busy cursor for its lifetime and restores the previous cursor on every way out of the
// scope, errors included. Nested guards stack.
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    // Whether this guard pushed a cursor, so that it pops only its own.
    bool Active;
};
