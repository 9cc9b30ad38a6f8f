#pragma once

#include <QImage>
#include <QString>

#include <chrono>
#include <functional>

// The generic decoder as the show uses it on the GUI thread. The decode runs in its decoder process
// while the GUI's events go on, so that Exit, Escape and Stop act at once however long the file takes;
// the show gives up on the file after ShowDecodeDeadline, and at once when the decode is abandoned or
// the program is closing. The pipeline makes sure that no second show step starts meanwhile.
inline constexpr std::chrono::milliseconds ShowDecodeDeadline{5000};

bool LoadWhileEventsRun(const QString& path, QImage& picture);

// What LoadWhileEventsRun does with the program's generic decoder, for any such decode: `decode` runs on
// a thread of its own with a TGenericDecode of `deadline`, which AbandonShowDecode abandons, while the
// GUI thread's events go on. `picture` is set only when `decode` succeeded and was not abandoned.
class TGenericDecode;
using TEventfulDecode = std::function<bool(TGenericDecode& call, QImage& picture)>;
bool DecodeWhileEventsRun(const TEventfulDecode& decode, QImage& picture,
                          std::chrono::milliseconds deadline = ShowDecodeDeadline);

// Gives up on the decode LoadWhileEventsRun waits for now, if any: it returns false at once.
void AbandonShowDecode();
