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
    const TEntry& entry = Entries[index.row()];
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
    beginInsertRows(QModelIndex(), Count(), Count());
    Entries.push_back(std::move(entry));
    ShownRowCache = -2;
    endInsertRows();
}

void TImageListModel::SwapEntries(int a, int b) {
    std::swap(Entries[a], Entries[b]);
    ShownRowCache = -2;
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
    size_t i = 0;
    while (i < rows.size()) {
        size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] - 1) {
            ++j;
        }
        const int first = rows[j];
        const int last = rows[i];
        beginRemoveRows(QModelIndex(), first, last);
        Entries.erase(Entries.begin() + first, Entries.begin() + last + 1);
        ShownRowCache = -2;
        endRemoveRows();
        i = j + 1;
    }
}

void TImageListModel::Clear() {
    beginResetModel();
    Entries.clear();
    ShownRowCache = -2;
    endResetModel();
}

void TImageListModel::SetViewMode(TListViewMode mode) {
    Mode = mode;
    ImagesChanged();
}

void TImageListModel::ApplyListImages() {
    for (TEntry& entry : Entries) {
        entry.ImageIndex = entry.Data->SystemIconIndex;
    }
    ImagesChanged();
}

void TImageListModel::ApplyThumbnailImages() {
    for (TEntry& entry : Entries) {
        entry.ImageIndex = entry.Data->ThumbnailIndex;
    }
    ImagesChanged();
}

void TImageListModel::ImagesChanged() {
    EntriesChanged(0, Count() - 1);
}

void TImageListModel::ThumbnailReplaced(int thumbnailIndex) {
    if (Mode != TListViewMode::Thumbnails) {
        return;  // list view shows system icons; the new thumbnail shows when thumbnail view is chosen
    }
    for (int row = 0; row < Count(); ++row) {
        if (Entries[row].ImageIndex == thumbnailIndex) {
            EntriesChanged(row, row);
        }
    }
}

int TImageListModel::ShownRow() const {
    if (ShownRowCache == -2) {
        ShownRowCache = -1;
        for (int row = 0; !ShownFile.isEmpty() && row < Count(); ++row) {
            if (Entries[row].Data->FileName == ShownFile) {
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
