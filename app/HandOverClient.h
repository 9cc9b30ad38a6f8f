#pragma once

#include <QDeadlineTimer>
#include <QString>

#include "OpenRequest.h"

enum class THandOverResult {
    Accepted,   // the running program took the requests
    NoProgram,  // nothing listens under that name (none runs, or one that crashed left its socket)
    OtherUser,  // the program listening there belongs to another user: nothing was sent
    NoAnswer,   // connected, but the requests were refused or not confirmed in time
};

// Sends `requests` to the program listening at `socketPath` and waits for its confirmation until
// `deadline`.
THandOverResult HandOver(const QString& socketPath, const TOpenRequests& requests, QDeadlineTimer deadline);
