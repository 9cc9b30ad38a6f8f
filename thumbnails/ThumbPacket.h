#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

// The messages between the main window and the thumbnail threads. Each is a Qt event posted with
// QCoreApplication::postEvent to an object that lives in the GUI thread, so that every one of them is
// handled there, in the order it was posted. The numbers are fixed.
inline constexpr QEvent::Type ThumbWorkerFinished = QEvent::Type(0xC02);  // worker -> control window
inline constexpr QEvent::Type ThumbResult = QEvent::Type(0xC03);          // worker -> result window
inline constexpr QEvent::Type ThumbRequest = QEvent::Type(0xC04);         // main window -> control window
inline constexpr QEvent::Type ThumbQuit = QEvent::Type(0xC05);            // main window -> control window
inline constexpr QEvent::Type ThumbCancel = QEvent::Type(0xC06);          // main window -> control window
inline constexpr QEvent::Type ThumbPrefer = QEvent::Type(0xC07);          // main window -> control window

// A request for one thumbnail: made by the main window for a placeholder it has just appended, owned by
// the thread control from the moment it is posted.
struct TThumbFileInfoData {
    QString FileName;        // full path of the picture
    qint32 ImageIndex = -1;  // the placeholder's index in the thumbnail image list, which the result replaces
    qint32 Generation = 0;   // the list generation when the request was made
    QColor BackgroundColour;  // the list's background colour; carried, the worker draws on the control's
};

// Requests to serve before the others: those for the images at these indices of the list generation,
// in this order. Made by the main window for the thumbnails that were asked for (in view) and are not at
// hand; owned by the thread control once posted.
struct TThumbPreference {
    std::vector<qint32> ImageIndices;
    qint32 Generation = 0;
};

// What one worker works from: copied from its request and from the control, owned by the worker.
struct TThumbnailThreadSettings {
    QString FileName;
    qint32 ImageIndex = -1;
    qint32 Generation = 0;
    QColor BackgroundColour;         // the request's
    QColor ControlBackgroundColour;  // the control's: the colour the thumbnail's margins are filled with
};

// The result of one request: made when its worker is made, owned by the worker until it is posted, then
// by the receiver.
struct TThumbPacket {
    QString FileName;
    qint32 ImageIndex = -1;
    qint32 Generation = 0;
    QImage Bitmap;         // the 160 x 120 thumbnail; null until the job fills it
    bool Success = false;  // set by the job when the rendering returned true
};

// Every thumbnail message is published with a release on this counter just before it is posted, and a
// receiver acquires the counter before it looks at an event. Qt's event queue already orders the two under
// a lock of its own; the counter states that order where ThreadSanitizer sees it, since Qt itself is not
// instrumented.
inline std::atomic<quint64> ThumbMessagesPosted{0};
inline void AcquireThumbMessages() {
    (void)ThumbMessagesPosted.load(std::memory_order_acquire);
}

// A posted message that carries a value (an owned object or a worker's identity) from the thread that
// posts it to the receiver's thread.
template <QEvent::Type Kind, class T>
class TThumbMessage final : public QEvent {
public:
    explicit TThumbMessage(T value) : QEvent(Kind), Value(std::move(value)) {}
    // A message that is never delivered (its receiver or the application went away first) frees what
    // it carries here.
    ~TThumbMessage() override { AcquireThumbMessages(); }

    // The value; an owned object passes to the caller and the message is left empty.
    T Take() {
        AcquireThumbMessages();
        return std::move(Value);
    }

private:
    T Value;
};

using TThumbRequestMessage = TThumbMessage<ThumbRequest, std::unique_ptr<TThumbFileInfoData>>;
using TThumbResultMessage = TThumbMessage<ThumbResult, std::unique_ptr<TThumbPacket>>;
using TThumbPreferMessage = TThumbMessage<ThumbPrefer, std::unique_ptr<TThumbPreference>>;
using TThumbWorkerFinishedMessage = TThumbMessage<ThumbWorkerFinished, quint64>;

// Posts a message to `receiver`, which must live in the GUI thread. A null receiver only frees the
// message (Qt warns and deletes it).
template <QEvent::Type Kind, class T>
void PostThumbMessage(QObject* receiver, T value) {
    auto* message = new TThumbMessage<Kind, T>(std::move(value));
    ThumbMessagesPosted.fetch_add(1, std::memory_order_release);
    QCoreApplication::postEvent(receiver, message);
}

// The main window's side: a request to the control window (the request then belongs to the control),
// and the packet of a received ThumbResult event (null for any other event; the packet then belongs to
// the caller). A receiver calls TakeThumbPacket (or AcquireThumbMessages) before it reads anything of
// the event, its type included.
inline void PostThumbRequest(QObject* controlWindow, std::unique_ptr<TThumbFileInfoData> request) {
    PostThumbMessage<ThumbRequest>(controlWindow, std::move(request));
}
inline void PostThumbPreference(QObject* controlWindow, std::unique_ptr<TThumbPreference> preference) {
    PostThumbMessage<ThumbPrefer>(controlWindow, std::move(preference));
}
inline std::unique_ptr<TThumbPacket> TakeThumbPacket(QEvent* event) {
    AcquireThumbMessages();
    auto* result = event != nullptr && event->type() == ThumbResult
                       ? dynamic_cast<TThumbResultMessage*>(event)
                       : nullptr;
    return result != nullptr ? result->Take() : nullptr;
}
