#pragma once

#include <QByteArray>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <functional>
#include <vector>

// ImageListThumbnails: the 160 x 120 images that the list shows in thumbnail view, kept within a memory
// budget whatever the length of the list. Indices handed out stay valid until the list is cleared;
// deleting entries leaves their images in place.
//
// An image is in one of three states:
//  - ready: a pixmap to paint, among the most recently used ones, within ReadyBudget;
//  - packed: given up as ready and kept as a JPEG of a few KB, unpacked when asked for again;
//  - not at hand: not made yet (a rendering is on its way) or given up altogether when ready and packed
//    images together would pass the Budget. It shows the placeholder, and asking for it marks it
//    wanted: the owner takes the wanted indices (TakeWanted), makes them again from their source and
//    puts them back with Replace.
// The least recently used images are the first to be packed, and the packed ones the first to go.
class TThumbnailImages {
public:
    static constexpr QSize ImageSize{160, 120};
    // What the thumbnails of one list may take in all, and of that, what may be ready to paint: the
    // thumbnails of the screen in view and of one before and after it, at about 77 KB each, even on a
    // large monitor (1,250 of them).
    static constexpr qint64 DefaultBudget = qint64(256) << 20;
    static constexpr qint64 DefaultReadyBudget = qint64(96) << 20;

    explicit TThumbnailImages(qint64 budget = DefaultBudget, qint64 readyBudget = DefaultReadyBudget);
    // Another budget, kept from the next image added or looked up on.
    void SetBudget(qint64 budget, qint64 readyBudget);

    // Appends a ready image (copies of one pixmap share their pixels) made from the picture file
    // `source`, and returns its index.
    int Add(const QPixmap& image, const QString& source = QString());
    // Appends an image that is not at hand yet: it shows `placeholder` (shared, and not counted against
    // the budget) until Replace.
    int AddPlaceholder(const QPixmap& placeholder, const QString& source = QString());
    // Replaces the image at `index` with a ready one; an index that is no longer valid is ignored.
    void Replace(int index, const QPixmap& image);
    void Clear();
    // What images that were given up show until they are back.
    void SetPlaceholder(const QPixmap& placeholder) { LastPlaceholder = placeholder; }

    int Count() const { return static_cast<int>(Slots.size()); }
    // The image to show at `index`: the ready one, the packed one unpacked, or the placeholder (marking
    // the index wanted); a null pixmap for an index that is not valid.
    QPixmap At(int index) const;
    // True when At(index) gives the image itself, not the placeholder.
    bool AtHand(int index) const;
    // The picture file the image at `index` was made from.
    QString Source(int index) const;
    // True when the image at `index` was made and given up, and nobody is making it again yet.
    bool GivenUp(int index) const;
    // The image at `index` is being made again: it is not reported as given up until it was replaced
    // and given up once more.
    void Await(int index);

    // The wanted indices, most recently asked for first (an index asked for again counts from the last
    // time); they are no longer wanted afterwards.
    std::vector<int> TakeWanted();
    // Called when the first index becomes wanted after the wanted ones were taken, so that the owner can
    // arrange to take them. Must not change the store.
    std::function<void()> WantedChanged;

    qint64 ReadyBytes() const { return ReadyBytes_; }
    qint64 PackedBytes() const { return PackedBytes_; }
    int ReadyCount() const { return Ready.Count; }

private:
    enum class TState : quint8 { Placeholder, Ready, Packed };
    struct TSlot {
        QPixmap Image;      // ready: the image; placeholder: the shared placeholder; packed: null
        QByteArray Packed;  // the JPEG of the image, once it was packed (kept while it is ready again)
        QString Source;
        int Previous = -1;  // neighbours in the use order of its state (ready or packed)
        int Next = -1;
        TState State = TState::Placeholder;
        bool Wanted = false;
        bool GivenUp = false;
    };
    // Slots in order of use, most recent first, linked through the slots themselves.
    struct TUseOrder {
        int First = -1;
        int Last = -1;
        int Count = 0;
    };

    void Link(TUseOrder& order, int index) const;
    void Unlink(TUseOrder& order, int index) const;
    void MakeReady(int index, const QPixmap& image) const;
    void Forget(int index) const;  // to a placeholder, its memory freed
    void KeepWithinBudgets(int keep) const;
    void MarkWanted(int index) const;

    qint64 Budget;
    qint64 ReadyBudget;
    QPixmap LastPlaceholder;
    // Looking an image up changes its place in the use order and may unpack it: the store's state, not
    // the images it hands out.
    mutable std::vector<TSlot> Slots;
    mutable TUseOrder Ready;
    mutable TUseOrder Packed;
    mutable qint64 ReadyBytes_ = 0;
    mutable qint64 PackedBytes_ = 0;
    mutable std::vector<int> Wanted;
};
