#include "ImageList.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>

#include "BusyCursor.h"
#include "FileUtils.h"
#include "ListOperations.h"

TImageList::TImageList(TImageListHooks& hooks)
    : Hooks(hooks), ListModel(Icons, Thumbnails), SelectionModel(&ListModel) {}

QStringList TImageList::FileNames() const {
    QStringList names;
    names.reserve(Count());
    for (int row = 0; row < Count(); ++row) {
        names.append(FileName(row));
    }
    return names;
}

void TImageList::AddImageFile(const QString& path) {
    if (!FileExists(path)) {
        return;
    }
    // A run of files from one folder opens that folder's database once; the folder keeps the letter
    // case of the first file of the run.
    const QString folder = FolderOf(path);
    if (folder.toUpper() != LastFolder.toUpper()) {
        LastFolder = folder;
        const QString database = folder + QLatin1String(ThumbDatabaseFileName);
        if (FileExists(database)) {
            Hooks.OpenThumbDatabase(database);
        }
    }
    auto record = std::make_unique<TFileData>();
    record->FileName = path;
    record->SystemIconIndex = Icons.IndexOf(path);
    record->ThumbnailIndex = Hooks.AcquireThumbnail(path);
    ListModel.Append(std::move(record));
}

void TImageList::Clear() {
    ListModel.Clear();
    Thumbnails.Clear();
    ++ListGeneration;
}

void TImageList::ReplaceThumbnail(int index, const QPixmap& image) {
    if (index >= 0 && index < Thumbnails.Count()) {
        Thumbnails.Replace(index, image);
        ListModel.ThumbnailReplaced(index);
    }
}

void TImageList::DeleteSelected() {
    const std::vector<bool> selected = SelectionFlags();
    std::vector<int> rows;
    for (int row = Count() - 1; row >= 0; --row) {
        if (selected[row]) {
            rows.push_back(row);
        }
    }
    if (rows.empty()) {
        return;
    }
    // The selection goes first, in one change. Left in place, it would be cut run by run as the rows
    // go, and each cut has the views measure what it covered on a list that is half laid out.
    SelectionModel.clearSelection();
    ListModel.RemoveRows(std::move(rows));
}

// Read from the selection's ranges: asking the selection model row by row costs a search of every range
// for each selected row.
std::vector<bool> TImageList::SelectionFlags() const {
    std::vector<bool> selected(Count(), false);
    for (const QItemSelectionRange& range : SelectionModel.selection()) {
        const int top = std::max(range.top(), 0);
        const int bottom = std::min(range.bottom(), Count() - 1);
        if (!range.parent().isValid() && top <= bottom) {
            std::fill(selected.begin() + top, selected.begin() + bottom + 1, true);
        }
    }
    return selected;
}

void TImageList::SetSelectionFlags(const std::vector<bool>& selected) {
    QItemSelection selection;
    const int count = static_cast<int>(selected.size());
    for (int row = 0; row < count;) {
        if (!selected[row]) {
            ++row;
            continue;
        }
        const int first = row;
        while (row < count && selected[row]) {
            ++row;
        }
        selection.select(ListModel.index(first), ListModel.index(row - 1));
    }
    // Cleared first, then selected: replacing one selection of many ranges by another in one step
    // compares every old range with every new one. The ranges are whole rows already (the model has
    // one column); widening them to rows would compare every range with the ones before it.
    SelectionModel.clearSelection();
    SelectionModel.select(selection, QItemSelectionModel::Select);
}

int TImageList::FirstSelected() const {
    int first = -1;
    for (const QItemSelectionRange& range : SelectionModel.selection()) {
        if (!range.parent().isValid() && range.top() >= 0 && (first < 0 || range.top() < first)) {
            first = range.top();
        }
    }
    return first;
}

namespace {

// Applies the swaps to the entries in one change notification over the rows they touch.
void ApplySwaps(TImageListModel& model, const TSwapList& swaps) {
    if (swaps.empty()) {
        return;
    }
    int first = model.Count();
    int last = -1;
    for (const auto& [a, b] : swaps) {
        model.SwapEntries(a, b);
        first = std::min({first, a, b});
        last = std::max({last, a, b});
    }
    model.EntriesChanged(first, last);
}

int MoveSelected(TImageList& list, TSwapList (*swapsFor)(std::vector<bool>&), bool scrollToFirst) {
    std::vector<bool> selected = list.SelectionFlags();
    const TSwapList swaps = swapsFor(selected);
    if (swaps.empty()) {
        return -1;
    }
    ApplySwaps(list.Model(), swaps);
    list.SetSelectionFlags(selected);
    const auto it = scrollToFirst ? std::find(selected.begin(), selected.end(), true)
                                  : std::find(selected.rbegin(), selected.rend(), true).base() - 1;
    return static_cast<int>(it - selected.begin());
}

}  // namespace

int TImageList::MoveSelectedUp() {
    return MoveSelected(*this, MoveSelectedUpSwaps, true);
}

int TImageList::MoveSelectedDown() {
    return MoveSelected(*this, MoveSelectedDownSwaps, false);
}

void TImageList::RandomizeImageList() {
    if (Count() == 0) {
        return;
    }
    TBusyCursor busy;
    std::mt19937 random(static_cast<std::mt19937::result_type>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    ApplySwaps(ListModel, ShuffleSwaps(Count(), random));
}

int TImageList::LocateCurrentImage() {
    SelectionModel.clearSelection();
    if (CurrentImage.isEmpty()) {
        return -1;
    }
    for (int row = 0; row < Count(); ++row) {
        if (FileName(row) == CurrentImage) {
            SelectionModel.select(ListModel.index(row),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            return row;
        }
    }
    return -1;
}
