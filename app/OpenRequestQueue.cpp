#include "OpenRequestQueue.h"

#include <QScopeGuard>

#include <utility>

TOpenRequestQueue::TOpenRequestQueue(std::function<void(const TOpenRequests&)> open)
    : Open(std::move(open)) {}

void TOpenRequestQueue::Push(TOpenRequests requests) {
    Waiting.push_back(std::move(requests));
    Drain();
}

void TOpenRequestQueue::Release() {
    Held = false;
    Drain();
}

void TOpenRequestQueue::Drain() {
    if (Held || Opening) {
        return;
    }
    Opening = true;
    const auto done = qScopeGuard([this] { Opening = false; });
    while (!Waiting.empty()) {
        const TOpenRequests next = std::move(Waiting.front());
        Waiting.pop_front();
        Open(next);
    }
}
