#pragma once

// What a key does to a running show, in the presenter window and in the audience window alike, so that
// the operator's keyboard and a presentation remote (which sends Page Down / Page Up, arrows, "B" or
// ".") drive the show from either.
enum class TShowKey {
    None,
    Next,      // Page Down, Right, Down, Space
    Previous,  // Page Up, Left, Up, Backspace
    First,     // Home
    Last,      // End
    Blank,     // "B", ".": the audience monitor turns black, and back
    Pause,     // "P": the automatic advance holds, and goes on
    Escape,    // Escape: each window has its own meaning for it
};

// The action of a key (a Qt::Key); modifiers play no part.
TShowKey ShowKeyAction(int key);
