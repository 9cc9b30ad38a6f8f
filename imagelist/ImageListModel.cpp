#include "ImageListModel.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include <algorithm>

#include "FileUtils.h"
#include "SystemIcons.h"
#include "ThumbnailImages.h"

TImageListModel::TImageListModel(const TSystemIcons& systemIcons, const TThumbnailImages& thumbnails,
                                 QObject* parent)
    : QAbstractListModel(parent), SystemIcons(systemIcons), Thumbnails(thumbnails) {}

TImageListModel::~TImageListModel() = default;

int TImageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant TImageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count()) {
        return {};
    }
    const TEntry& entry = Entry(index.row());
    switch (role) {
        case Qt::DisplayRole:
            return entry.Caption;
        case Qt::DecorationRole:
            if (Mode == TListViewMode::Thumbnails) {
                return Thumbnails.At(entry.ImageIndex);
            }
            return SystemIcons.SmallPixmap(entry.ImageIndex);
        case Qt::ToolTipRole:
            return entry.Data->FileName;
        case Qt::FontRole:
            if (index.row() == ShownRow()) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        case Qt::BackgroundRole:
            return index.row() == ShownRow() ? QBrush(QColor(255, 214, 102)) : QVariant();
        default:
            return {};
    }
}

QVariant TImageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return QStringLiteral("Image File Name");
    }
    return {};
}

Qt::ItemFlags TImageListModel::flags(const QModelIndex& index) const {
    // Captions are not editable in place.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TImageListModel::Append(std::unique_ptr<TFileData> record) {
    TEntry entry;
    entry.Caption = FileNameOf(record->FileName);
    entry.ImageIndex = Mode == TListViewMode::Thumbnails ? record->ThumbnailIndex : record->SystemIconIndex;
    entry.Data = std::move(record);
    const int row = Count();
    beginInsertRows(QModelIndex(), row, row);
    Entries.push_back(std::move(entry));
    // The entries above keep their places: a marked row stays, and only the new entry can be the first
    // one holding a file not found so far.
    if (ShownRowCache == -1 && !ShownFile.isEmpty() && Entries.back().Data->FileName == ShownFile) {
        ShownRowCache = row;
    }
    if (RowsByImageValid) {
        NoteRowByImage(row, Entries.back().ImageIndex);
    }
    endInsertRows();
}

void TImageListModel::SwapEntries(int a, int b) {
    std::swap(Entry(a), Entry(b));
    ShownRowCache = -2;
    DropRowsByImage();
}

void TImageListModel::EntriesChanged(int first, int last) {
    if (first <= last) {
        Q_EMIT dataChanged(index(first), index(last));
    }
}

void TImageListModel::RemoveRows(std::vector<int> rows) {
    // Remove runs of neighbouring rows from the bottom up, so that the rows still to go keep their
    // positions and each run costs one notification.
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [this](int row) { return row < 0 || row >= Count(); });
    if (rows.empty()) {
        return;
    }
    // Erasing each run from the vector would move every entry below it, once per run. Instead the
    // removed entries gather in a gap that starts at the end and grows upwards: the entries between a
    // run and the gap move across it, and the gap closes once all runs are gone.
    struct TGapCloser {
        TImageListModel& Model;
        ~TGapCloser() { Model.CloseGap(); }
    } closer{*this};
    GapStart = Count();
    size_t i = 0;
    while (i < rows.size()) {
        size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] - 1) {
            ++j;
        }
        const int first = rows[j];
        const int last = rows[i];
        beginRemoveRows(QModelIndex(), first, last);
        for (int row = GapStart - 1; row > last; --row) {
            Entries[row + GapLength] = std::move(Entries[row]);
        }
        for (int row = first; row <= last; ++row) {
            Entries[row] = TEntry();
        }
        GapLength += last - first + 1;
        GapStart = first;
        ShownRowCache = -2;
        DropRowsByImage();
        endRemoveRows();
        i = j + 1;
    }
}

void TImageListModel::CloseGap() {
    const auto start = Entries.begin() + GapStart;
    Entries.erase(start, start + GapLength);
    GapStart = 0;
    GapLength = 0;
}

void TImageListModel::Clear() {
    beginResetModel();
    Entries.clear();
    GapStart = 0;
    GapLength = 0;
    ShownRowCache = -2;
    DropRowsByImage();
    endResetModel();
}

void TImageListModel::SetViewMode(TListViewMode mode) {
    Mode = mode;
    DropRowsByImage();
    ImagesChanged();
}

void TImageListModel::ApplyListImages() {
    for (int row = 0; row < Count(); ++row) {
        TEntry& entry = Entry(row);
        entry.ImageIndex = entry.Data->SystemIconIndex;
    }
    DropRowsByImage();
    ImagesChanged();
}

void TImageListModel::ApplyThumbnailImages() {
    for (int row = 0; row < Count(); ++row) {
        TEntry& entry = Entry(row);
        entry.ImageIndex = entry.Data->ThumbnailIndex;
    }
    DropRowsByImage();
    ImagesChanged();
}

void TImageListModel::ImagesChanged() {
    EntriesChanged(0, Count() - 1);
}

void TImageListModel::ThumbnailReplaced(int thumbnailIndex) {
    if (Mode != TListViewMode::Thumbnails) {
        return;  // list view shows system icons; the new thumbnail shows when thumbnail view is chosen
    }
    if (!RowsByImageValid) {
        MakeRowsByImage();
    }
    const int first = thumbnailIndex >= 0 && thumbnailIndex < static_cast<int>(RowByImage.size())
                          ? RowByImage[thumbnailIndex]
                          : -1;
    if (MoreRowsByImage.empty()) {
        if (first >= 0) {
            ImageChanged(first);
        }
        return;
    }
    // Rows gathered before any is announced: a receiver may change the entries.
    std::vector<int> rows;
    if (first >= 0) {
        rows.push_back(first);
    }
    const auto [begin, end] = MoreRowsByImage.equal_range(thumbnailIndex);
    for (auto it = begin; it != end; ++it) {
        rows.push_back(it->second);
    }
    std::sort(rows.begin(), rows.end());
    for (const int row : rows) {
        ImageChanged(row);
    }
}

void TImageListModel::ImageChanged(int row) {
    Q_EMIT dataChanged(index(row), index(row), {Qt::DecorationRole});
}

void TImageListModel::NoteRowByImage(int row, qint32 image) {
    // Thumbnail indices run below the store's count; the vector grows with the store.
    if (image >= 0 && image < Thumbnails.Count()) {
        if (image >= static_cast<int>(RowByImage.size())) {
            RowByImage.resize(Thumbnails.Count(), -1);
        }
        if (RowByImage[image] < 0) {
            RowByImage[image] = row;
            return;
        }
    }
    MoreRowsByImage.emplace(image, row);
}

void TImageListModel::MakeRowsByImage() {
    RowByImage.assign(Thumbnails.Count(), -1);
    MoreRowsByImage.clear();
    for (int row = 0; row < Count(); ++row) {
        NoteRowByImage(row, Entry(row).ImageIndex);
    }
    RowsByImageValid = true;
}

int TImageListModel::ShownRow() const {
    if (ShownRowCache == -2) {
        ShownRowCache = -1;
        for (int row = 0; !ShownFile.isEmpty() && row < Count(); ++row) {
            if (Entry(row).Data->FileName == ShownFile) {
                ShownRowCache = row;
                break;
            }
        }
    }
    return ShownRowCache;
}

void TImageListModel::MarkShownFile(const QString& path) {
    if (path == ShownFile) {
        return;
    }
    const int before = ShownRow();
    ShownFile = path;
    ShownRowCache = -2;
    const int after = ShownRow();
    for (int row : {before, after}) {
        if (row >= 0) {
            Q_EMIT dataChanged(index(row), index(row), {Qt::FontRole, Qt::BackgroundRole});
        }
    }
}
