#pragma once

#include <deque>
#include <functional>

#include "OpenRequest.h"

// Opens command lines one after the other. The adding loops let events run between files, so a
// hand-over may arrive while an earlier one is still being added: it waits for that one instead of
// running inside it. Until Release the queue only collects (the main window is not there yet).
class TOpenRequestQueue {
public:
    explicit TOpenRequestQueue(std::function<void(const TOpenRequests&)> open);

    void Push(TOpenRequests requests);
    void Release();

private:
    void Drain();

    std::function<void(const TOpenRequests&)> Open;
    std::deque<TOpenRequests> Waiting;
    bool Held = true;
    bool Opening = false;
};
