#include "ThumbnailImages.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <algorithm>

namespace {

// Packed thumbnails are JPEGs of this quality: 5 to 10 KB for a photograph's thumbnail, without
// visible loss at 160 x 120.
constexpr int PackQuality = 90;

qint64 BytesOf(const QPixmap& image) {
    return qint64(image.width()) * image.height() * std::max(image.depth(), 8) / 8;
}

QByteArray Pack(const QPixmap& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(PackQuality);
    // The image is opaque; a picture with alpha would be flattened on black by the writer anyway.
    if (!writer.write(image.toImage().convertToFormat(QImage::Format_RGB32))) {
        return {};
    }
    return bytes;
}

QPixmap Unpack(const QByteArray& bytes) {
    QImage image;
    if (!image.loadFromData(bytes, "jpg")) {
        return {};
    }
    return QPixmap::fromImage(image.convertToFormat(QImage::Format_RGB32));
}

}  // namespace

TThumbnailImages::TThumbnailImages(qint64 budget, qint64 readyBudget)
    : Budget(budget), ReadyBudget(std::min(readyBudget, budget)) {}

void TThumbnailImages::SetBudget(qint64 budget, qint64 readyBudget) {
    Budget = budget;
    ReadyBudget = std::min(readyBudget, budget);
}

int TThumbnailImages::Add(const QPixmap& image, const QString& source) {
    TSlot slot;
    slot.Source = source;
    Slots.push_back(std::move(slot));
    const int index = Count() - 1;
    MakeReady(index, image);
    KeepWithinBudgets(index);
    return index;
}

int TThumbnailImages::AddPlaceholder(const QPixmap& placeholder, const QString& source) {
    LastPlaceholder = placeholder;
    TSlot slot;
    slot.Image = placeholder;
    slot.Source = source;
    Slots.push_back(std::move(slot));
    return Count() - 1;
}

void TThumbnailImages::Replace(int index, const QPixmap& image) {
    if (index < 0 || index >= Count()) {
        return;
    }
    Forget(index);
    MakeReady(index, image);
    KeepWithinBudgets(index);
}

void TThumbnailImages::Clear() {
    Slots.clear();
    Ready = {};
    Packed = {};
    ReadyBytes_ = 0;
    PackedBytes_ = 0;
    Wanted.clear();
}

QPixmap TThumbnailImages::At(int index) const {
    if (index < 0 || index >= Count()) {
        return {};
    }
    TSlot& slot = Slots[index];
    switch (slot.State) {
        case TState::Ready:
            if (Ready.First != index) {
                Unlink(Ready, index);
                Link(Ready, index);
            }
            break;
        case TState::Packed: {
            const QPixmap image = Unpack(slot.Packed);
            if (image.isNull()) {
                Forget(index);  // its packing is damaged: it is made again
                slot.GivenUp = true;
                MarkWanted(index);
                break;
            }
            Unlink(Packed, index);
            slot.State = TState::Ready;
            slot.Image = image;
            ReadyBytes_ += BytesOf(image);
            Link(Ready, index);
            KeepWithinBudgets(index);
            break;
        }
        case TState::Placeholder:
            MarkWanted(index);
            break;
    }
    return slot.Image;
}

bool TThumbnailImages::AtHand(int index) const {
    return index >= 0 && index < Count() && Slots[index].State != TState::Placeholder;
}

QString TThumbnailImages::Source(int index) const {
    return index >= 0 && index < Count() ? Slots[index].Source : QString();
}

bool TThumbnailImages::GivenUp(int index) const {
    return index >= 0 && index < Count() && Slots[index].GivenUp;
}

void TThumbnailImages::Await(int index) {
    if (index >= 0 && index < Count()) {
        Slots[index].GivenUp = false;
    }
}

std::vector<int> TThumbnailImages::TakeWanted() {
    std::vector<int> taken(Wanted.rbegin(), Wanted.rend());
    Wanted.clear();
    for (int index : taken) {
        Slots[index].Wanted = false;
    }
    return taken;
}

void TThumbnailImages::MarkWanted(int index) const {
    TSlot& slot = Slots[index];
    if (slot.Wanted) {
        // Asked for again: it goes to the front of the wishes. They are a few screens' worth at most.
        Wanted.erase(std::find(Wanted.begin(), Wanted.end(), index));
        Wanted.push_back(index);
        return;
    }
    slot.Wanted = true;
    Wanted.push_back(index);
    if (Wanted.size() == 1 && WantedChanged) {
        WantedChanged();
    }
}

void TThumbnailImages::Link(TUseOrder& order, int index) const {
    TSlot& slot = Slots[index];
    slot.Previous = -1;
    slot.Next = order.First;
    if (order.First >= 0) {
        Slots[order.First].Previous = index;
    } else {
        order.Last = index;
    }
    order.First = index;
    ++order.Count;
}

void TThumbnailImages::Unlink(TUseOrder& order, int index) const {
    TSlot& slot = Slots[index];
    (slot.Previous >= 0 ? Slots[slot.Previous].Next : order.First) = slot.Next;
    (slot.Next >= 0 ? Slots[slot.Next].Previous : order.Last) = slot.Previous;
    slot.Previous = slot.Next = -1;
    --order.Count;
}

void TThumbnailImages::MakeReady(int index, const QPixmap& image) const {
    TSlot& slot = Slots[index];
    slot.State = TState::Ready;
    slot.Image = image;
    slot.GivenUp = false;
    ReadyBytes_ += BytesOf(image);
    Link(Ready, index);
}

void TThumbnailImages::Forget(int index) const {
    TSlot& slot = Slots[index];
    if (slot.State == TState::Ready) {
        Unlink(Ready, index);
        ReadyBytes_ -= BytesOf(slot.Image);
    } else if (slot.State == TState::Packed) {
        Unlink(Packed, index);
    }
    PackedBytes_ -= slot.Packed.size();
    slot.Packed = QByteArray();
    slot.Image = LastPlaceholder;
    slot.State = TState::Placeholder;
}

// Packs the least recently used ready images while they take more than their share, then gives up the
// least recently used packed ones while everything takes more than the budget. The image at `keep`,
// just looked up or added, stays ready.
void TThumbnailImages::KeepWithinBudgets(int keep) const {
    while (ReadyBytes_ > ReadyBudget && Ready.Last >= 0 && Ready.Last != keep) {
        const int index = Ready.Last;
        TSlot& slot = Slots[index];
        if (slot.Packed.isEmpty()) {
            slot.Packed = Pack(slot.Image);
            PackedBytes_ += slot.Packed.size();
        }
        if (slot.Packed.isEmpty()) {
            Forget(index);  // no JPEG writer: it is made again from its source when it is asked for
            slot.GivenUp = true;
            continue;
        }
        Unlink(Ready, index);
        ReadyBytes_ -= BytesOf(slot.Image);
        slot.Image = QPixmap();
        slot.State = TState::Packed;
        Link(Packed, index);
    }
    while (ReadyBytes_ + PackedBytes_ > Budget && Packed.Last >= 0) {
        const int index = Packed.Last;
        Forget(index);
        Slots[index].GivenUp = true;
    }
}
