#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFont>
#include <QHeaderView>
#include <QListView>
#include <QTemporaryDir>

#include <map>
#include <random>

#include "FileMaker.h"
#include "ImageList.h"
#include "Lister.h"

// Test names and messages name the view.
void PrintTo(TListViewMode mode, std::ostream* out) {
    *out << (mode == TListViewMode::List ? "Report" : "Thumbnails");
}

namespace {

using testsupport::MakeFile;

// Records what adding entries asks of the thumbnail side, and hands out a fresh thumbnail each time.
class TFakeHooks : public TImageListHooks {
public:
    void OpenThumbDatabase(const QString& databasePath) override { OpenedDatabases.append(databasePath); }
    qint32 AcquireThumbnail(const QString&) override {
        return List->ImageListThumbnails().Add(QPixmap(TThumbnailImages::ImageSize));
    }
    TImageList* List = nullptr;
    QStringList OpenedDatabases;
};

class ImageListTest : public ::testing::Test {
protected:
    ImageListTest() { Hooks.List = &List; }

    QString File(const QString& relative) { return MakeFile(Folder.filePath(relative)); }
    QString Database(const QString& folder) {
        return MakeFile(Folder.filePath(folder + QStringLiteral("/Thumbs Brackwell.db")));
    }
    void Select(std::initializer_list<int> rows) {
        std::vector<bool> flags(List.Count(), false);
        for (const int row : rows) {
            flags[row] = true;
        }
        List.SetSelectionFlags(flags);
    }
    QStringList Captions() const {
        QStringList captions;
        for (int row = 0; row < List.Count(); ++row) {
            captions.append(List.Model().data(List.Model().index(row), Qt::DisplayRole).toString());
        }
        return captions;
    }

    QTemporaryDir Folder;
    TFakeHooks Hooks;
    TImageList List{Hooks};
};

TEST_F(ImageListTest, AddsExistingFilesOnlyAndKeepsTheirRecords) {
    const QString a = File(QStringLiteral("pics/a.jpg"));
    const QString notes = File(QStringLiteral("pics/notes.txt"));
    List.AddImageFile(a);
    List.AddImageFile(Folder.filePath(QStringLiteral("pics")));  // a folder is no file
    List.AddImageFile(Folder.filePath(QStringLiteral("pics/missing.jpg")));
    List.AddImageFile(notes);  // no extension test here
    List.AddImageFile(a);      // the same file twice gives two entries

    ASSERT_EQ(List.Count(), 3);
    EXPECT_EQ(List.FileNames(), (QStringList{a, notes, a}));
    EXPECT_EQ(Captions(),
              (QStringList{QStringLiteral("a.jpg"), QStringLiteral("notes.txt"), QStringLiteral("a.jpg")}));
    EXPECT_EQ(List.Model().Record(2).ThumbnailIndex, 2);
    EXPECT_EQ(List.LastFolder, Folder.filePath(QStringLiteral("pics/")));
}

TEST_F(ImageListTest, OpensAFoldersDatabaseWhenTheFolderChanges) {
    const QString dbA = Database(QStringLiteral("A"));
    const QString dbB = Database(QStringLiteral("B"));
    for (int i = 0; i < 10; ++i) {
        List.AddImageFile(File(QStringLiteral("A/%1.jpg").arg(i)));
    }
    EXPECT_EQ(Hooks.OpenedDatabases, QStringList{dbA});

    List.AddImageFile(File(QStringLiteral("B/b.jpg")));
    List.AddImageFile(File(QStringLiteral("A/a.jpg")));
    EXPECT_EQ(Hooks.OpenedDatabases, (QStringList{dbA, dbB, dbA}));

    // A folder without a database opens nothing and leaves the last catalogue in place.
    List.AddImageFile(File(QStringLiteral("C/c.jpg")));
    EXPECT_EQ(Hooks.OpenedDatabases.size(), 3);

    // The last folder survives a clear, so the same folder is not opened again.
    List.Clear();
    List.AddImageFile(File(QStringLiteral("C/d.jpg")));
    EXPECT_EQ(Hooks.OpenedDatabases.size(), 3);
}

TEST_F(ImageListTest, ComparesFoldersIgnoringCase) {
    Database(QStringLiteral("Pics"));
    Database(QStringLiteral("PICS"));
    List.AddImageFile(File(QStringLiteral("Pics/a.jpg")));
    List.AddImageFile(File(QStringLiteral("PICS/b.jpg")));
    EXPECT_EQ(Hooks.OpenedDatabases.size(), 1);
    EXPECT_EQ(List.LastFolder, Folder.filePath(QStringLiteral("Pics/")));
}

TEST_F(ImageListTest, ClearStartsANewGenerationAndKeepsTheCurrentImage) {
    List.AddImageFile(File(QStringLiteral("a.jpg")));
    List.AddImageFile(File(QStringLiteral("b.jpg")));
    List.CurrentImage = List.FileName(1);
    const qint32 generation = List.ListGeneration;

    List.Clear();
    EXPECT_EQ(List.Count(), 0);
    EXPECT_EQ(List.ImageListThumbnails().Count(), 0);
    EXPECT_EQ(List.ListGeneration, generation + 1);
    EXPECT_EQ(List.CurrentImage, Folder.filePath(QStringLiteral("b.jpg")));
}

TEST_F(ImageListTest, DeleteRemovesSelectedEntriesButKeepsTheirThumbnails) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
        List.AddImageFile(File(QLatin1String(name)));
    }
    Select({0, 2, 3});
    List.DeleteSelected();
    EXPECT_EQ(Captions(), QStringList{QStringLiteral("b.jpg")});
    EXPECT_EQ(List.Model().Record(0).ThumbnailIndex, 1);
    EXPECT_EQ(List.ImageListThumbnails().Count(), 4);
    EXPECT_EQ(List.FirstSelected(), -1);
}

TEST_F(ImageListTest, LocateSelectsTheFirstEntryOfTheCurrentImage) {
    const QString a = File(QStringLiteral("a.jpg"));
    const QString b = File(QStringLiteral("b.jpg"));
    for (const QString& path : {a, b, a}) {
        List.AddImageFile(path);
    }
    Select({1});
    EXPECT_EQ(List.LocateCurrentImage(), -1);  // nothing shown yet
    EXPECT_EQ(List.FirstSelected(), -1);

    List.CurrentImage = a;
    EXPECT_EQ(List.LocateCurrentImage(), 0);
    EXPECT_EQ(List.SelectionFlags(), (std::vector<bool>{true, false, false}));

    Select({0, 2});
    List.DeleteSelected();
    Select({0});
    EXPECT_EQ(List.LocateCurrentImage(), -1);
    EXPECT_EQ(List.FirstSelected(), -1);
}

TEST_F(ImageListTest, MovesCarryRecordsAndSelection) {
    for (const char* name : {"A", "B", "C", "D", "E"}) {
        List.AddImageFile(File(QLatin1String(name)));
    }
    Select({1, 3});
    EXPECT_EQ(List.MoveSelectedUp(), 0);
    EXPECT_EQ(Captions().join(QString()), QStringLiteral("BADCE"));
    EXPECT_EQ(List.SelectionFlags(), (std::vector<bool>{true, false, true, false, false}));
    EXPECT_EQ(List.Model().Record(0).FileName, Folder.filePath(QStringLiteral("B")));
    EXPECT_EQ(List.Model().Record(0).ThumbnailIndex, 1);

    EXPECT_EQ(List.MoveSelectedUp(), -1);  // the first selected entry is at the top
    EXPECT_EQ(List.MoveSelectedDown(), 3);
    EXPECT_EQ(Captions().join(QString()), QStringLiteral("ABCDE"));
}

TEST_F(ImageListTest, ShuffleKeepsEntriesWithTheirRecordsAndSelectionWithPositions) {
    std::map<QString, qint32> thumbnailOf;
    for (int i = 0; i < 30; ++i) {
        const QString path = File(QStringLiteral("%1.jpg").arg(i));
        List.AddImageFile(path);
        thumbnailOf[path] = List.Model().Record(i).ThumbnailIndex;
    }
    Select({0, 29});
    List.RandomizeImageList();

    QStringList before = QStringList(thumbnailOf.size(), QString());
    std::transform(thumbnailOf.begin(), thumbnailOf.end(), before.begin(),
                   [](const auto& kv) { return kv.first; });
    QStringList after = List.FileNames();
    for (int row = 0; row < List.Count(); ++row) {
        EXPECT_EQ(List.Model().Record(row).ThumbnailIndex, thumbnailOf[List.FileName(row)]);
        EXPECT_EQ(Captions()[row], List.FileName(row).section(QLatin1Char('/'), -1));
    }
    after.sort();
    before.sort();
    EXPECT_EQ(after, before);
    std::vector<bool> expected(30, false);
    expected[0] = expected[29] = true;
    EXPECT_EQ(List.SelectionFlags(), expected);
}

TEST_F(ImageListTest, ViewModesRepointEveryEntrysImage) {
    List.AddImageFile(File(QStringLiteral("a.jpg")));
    List.AddImageFile(File(QStringLiteral("b.png")));
    const auto shown = [this] {
        std::vector<qint32> indices;
        for (int row = 0; row < List.Count(); ++row) {
            indices.push_back(List.Model().ImageIndex(row));
        }
        return indices;
    };
    const auto field = [this](qint32 TFileData::*member) {
        std::vector<qint32> indices;
        for (int row = 0; row < List.Count(); ++row) {
            indices.push_back(List.Model().Record(row).*member);
        }
        return indices;
    };
    EXPECT_EQ(shown(), field(&TFileData::ThumbnailIndex));
    List.SetViewMode(TListViewMode::List);
    List.ApplyListImages();
    EXPECT_EQ(shown(), field(&TFileData::SystemIconIndex));
    List.SetViewMode(TListViewMode::Thumbnails);
    List.ApplyThumbnailImages();
    EXPECT_EQ(shown(), field(&TFileData::ThumbnailIndex));
}

TEST_F(ImageListTest, TheReportHeaderKeepsItsHeightAndColumnWidth) {
    List.AddImageFile(File(QStringLiteral("a.jpg")));
    TLister lister(List.Model(), List.Selection());
    lister.SetViewMode(TListViewMode::List);
    lister.resize(800, 2000);
    lister.show();
    QCoreApplication::processEvents();
    const QHeaderView* header = lister.findChild<QHeaderView*>();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->height(), header->sizeHint().height());
    EXPECT_EQ(header->sectionSize(0), 500);
    EXPECT_EQ(header->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Image File Name"));
    EXPECT_EQ(lister.CurrentView(), lister.ReportView());
}

// The hint's ink in the current view's area below the first rows: pixels other than the background,
// and how far they reach up and down.
struct THintInk {
    int Pixels = 0;
    int Top = -1;
    int Bottom = -1;
    bool InHintColour = true;  // every one of them a shade of the placeholder colour over the background
};

THintInk HintInk(const TLister& lister, int fromY) {
    QWidget* viewport = static_cast<TListerView*>(lister.CurrentView())->viewport();
    const QImage shot = viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb background = lister.CurrentView()->palette().color(QPalette::Base).rgb();
    THintInk ink;
    for (int y = fromY; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb pixel = shot.pixel(x, y);
            if (pixel == background) {
                continue;
            }
            ++ink.Pixels;
            ink.Top = ink.Top < 0 ? y : ink.Top;
            ink.Bottom = y;
            // The placeholder colour below is red: its shades over white keep more red than green or blue.
            ink.InHintColour = ink.InHintColour && qRed(pixel) > qGreen(pixel) && qRed(pixel) > qBlue(pixel);
        }
    }
    return ink;
}

class EmptyListHintTest : public ImageListTest, public ::testing::WithParamInterface<TListViewMode> {
protected:
    void SetUp() override {
        Lister.SetViewMode(GetParam());
        for (TListerView* view : {Lister.ReportView(), Lister.IconView()}) {
            QPalette colours = view->palette();
            colours.setColor(QPalette::PlaceholderText, QColor(200, 0, 0));
            colours.setColor(QPalette::Base, Qt::white);
            view->setPalette(colours);
        }
        Lister.resize(600, 500);
        Lister.show();
        QCoreApplication::processEvents();
    }
    TListerView& View() { return *static_cast<TListerView*>(Lister.CurrentView()); }

    TLister Lister{List.Model(), List.Selection()};
};

// Below the first entries, where a thumbnail with its caption never reaches.
constexpr int BelowTheEntries = 200;

// A first start shows an empty list: it says how pictures get in, until the first one is there, and
// again once the list is emptied.
TEST_P(EmptyListHintTest, ShownWhileTheListIsEmptyGoneWithTheFirstEntryBackAfterClear) {
    EXPECT_TRUE(View().ShowsEmptyListHint());
    const THintInk empty = HintInk(Lister, BelowTheEntries);
    EXPECT_GT(empty.Pixels, 100);
    EXPECT_TRUE(empty.InHintColour) << "drawn in the palette's placeholder colour";
    const int middle = View().viewport()->height() / 2;
    EXPECT_LT(empty.Top, middle);
    EXPECT_GT(empty.Bottom, middle);

    List.AddImageFile(File(QStringLiteral("a.jpg")));
    EXPECT_FALSE(View().ShowsEmptyListHint());
    EXPECT_EQ(HintInk(Lister, BelowTheEntries).Pixels, 0);

    List.Clear();
    EXPECT_TRUE(View().ShowsEmptyListHint());
    EXPECT_EQ(HintInk(Lister, BelowTheEntries).Pixels, empty.Pixels);
}

// In a narrow list the hint takes several lines rather than running past the edges.
TEST_P(EmptyListHintTest, WrapsToTheViewsWidth) {
    Lister.resize(180, 500);
    QCoreApplication::processEvents();
    const THintInk ink = HintInk(Lister, 0);
    EXPECT_GT(ink.Bottom - ink.Top, 2 * View().fontMetrics().height());
}

INSTANTIATE_TEST_SUITE_P(Views, EmptyListHintTest,
                         ::testing::Values(TListViewMode::List, TListViewMode::Thumbnails),
                         [](const auto& info) { return ::testing::PrintToString(info.param); });

}  // namespace

namespace {

TEST_F(ImageListTest, TheShownEntryIsMarkedNotSelectedAndTheMarkFollowsItsEntry) {
    const QString a = File(QStringLiteral("a.jpg"));
    const QString b = File(QStringLiteral("b.jpg"));
    const QString c = File(QStringLiteral("c.jpg"));
    for (const QString& path : {a, b, c, b}) {
        List.AddImageFile(path);
    }
    Select({0});
    const auto bold = [&](int row) {
        return List.Model().data(List.Model().index(row), Qt::FontRole).value<QFont>().bold();
    };
    EXPECT_EQ(List.Model().ShownRow(), -1);
    List.Model().MarkShownFile(b);
    EXPECT_EQ(List.Model().ShownRow(), 1);  // the first entry holding it
    EXPECT_TRUE(bold(1));
    EXPECT_FALSE(bold(3));
    EXPECT_TRUE(List.Model().data(List.Model().index(1), Qt::BackgroundRole).isValid());
    EXPECT_FALSE(List.Model().data(List.Model().index(0), Qt::BackgroundRole).isValid());
    EXPECT_EQ(List.FirstSelected(), 0);  // the operator's selection stays

    List.MoveSelectedDown();  // a moves below b: b is now row 0
    EXPECT_EQ(List.Model().ShownRow(), 0);
    Select({0});
    List.DeleteSelected();
    EXPECT_EQ(List.Model().ShownRow(), 2);  // the other b
    List.Model().MarkShownFile(QString());
    EXPECT_EQ(List.Model().ShownRow(), -1);
    EXPECT_FALSE(bold(2));
}

}  // namespace

namespace {

// Deleting a scattered selection: exactly the selected entries go, nothing stays selected, the current
// entry moves as it does when its rows are removed (to the entry above its run of deleted rows, or
// below it at the top), and both views lay out what remains.
struct TDeleteCase {
    const char* Name;
    std::vector<int> Selected;
    int Current;                  // -1: none
    const char* ExpectedCurrent;  // the name of the current entry afterwards, "" for none
};

void PrintTo(const TDeleteCase& c, std::ostream* out) {
    *out << c.Name;
}

class DeleteSelectedTest : public ImageListTest, public ::testing::WithParamInterface<TDeleteCase> {};

TEST_P(DeleteSelectedTest, RemovesExactlyTheSelectionAndKeepsSelectionAndViewsConsistent) {
    const TDeleteCase& c = GetParam();
    for (int i = 0; i < 10; ++i) {
        List.AddImageFile(File(QStringLiteral("%1").arg(i)));
    }
    TLister lister(List.Model(), List.Selection());
    lister.SetViewMode(TListViewMode::List);
    List.SetViewMode(TListViewMode::List);
    List.ApplyListImages();
    lister.resize(900, 2000);
    lister.show();
    QCoreApplication::processEvents();

    std::vector<bool> flags(List.Count(), false);
    QStringList expected = Captions();
    for (const int row : c.Selected) {
        flags[row] = true;
        expected.removeOne(QString::number(row));
    }
    List.SetSelectionFlags(flags);
    List.Selection().setCurrentIndex(List.Model().index(c.Current), QItemSelectionModel::NoUpdate);
    List.DeleteSelected();
    QCoreApplication::processEvents();

    EXPECT_EQ(Captions(), expected);
    EXPECT_FALSE(List.Selection().hasSelection());
    EXPECT_EQ(List.FirstSelected(), -1);
    EXPECT_EQ(List.SelectionFlags(), std::vector<bool>(List.Count(), false));
    const QModelIndex current = List.Selection().currentIndex();
    EXPECT_EQ(current.isValid() ? current.data().toString() : QString(), QLatin1String(c.ExpectedCurrent));

    for (const TListViewMode mode : {TListViewMode::List, TListViewMode::Thumbnails}) {
        lister.SetViewMode(mode);
        List.SetViewMode(mode);
        QCoreApplication::processEvents();
        const QAbstractItemView& view = *lister.CurrentView();
        for (int row = 0; row < List.Count(); ++row) {
            SCOPED_TRACE(row);
            const QModelIndex index = List.Model().index(row);
            const QRect item = view.visualRect(index);
            ASSERT_TRUE(view.viewport()->rect().contains(item.center()));
            EXPECT_EQ(view.indexAt(item.center()), index);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, DeleteSelectedTest,
                         ::testing::Values(TDeleteCase{"CurrentInAMiddleRun", {0, 1, 5, 6, 9}, 6, "4"},
                                           TDeleteCase{"CurrentInTheTopRun", {0, 1, 5}, 1, "2"},
                                           TDeleteCase{"CurrentInTheBottomRun", {3, 8, 9}, 9, "7"},
                                           TDeleteCase{"CurrentNotSelected", {2, 4, 7}, 6, "6"},
                                           TDeleteCase{"NoCurrent", {1, 2, 8}, -1, ""},
                                           TDeleteCase{"Everything", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 4, ""}),
                         [](const auto& info) { return std::string(info.param.Name); });

// The selection flags and the first selected entry read what the views select, however they select it:
// ranges, rows taken out of them, toggles still being dragged; and setting flags selects exactly them.
TEST_F(ImageListTest, SelectionFlagsFollowEverySelectionCommand) {
    for (int i = 0; i < 40; ++i) {
        List.AddImageFile(File(QStringLiteral("%1").arg(i)));
    }
    QItemSelectionModel& selection = List.Selection();
    const auto index = [this](int row) { return List.Model().index(row); };
    const auto check = [&](int step) {
        std::vector<bool> expected(List.Count());
        int first = -1;
        for (int row = 0; row < List.Count(); ++row) {
            expected[row] = selection.isRowSelected(row);
            first = first < 0 && expected[row] ? row : first;
        }
        EXPECT_EQ(List.SelectionFlags(), expected) << "step " << step;
        EXPECT_EQ(List.FirstSelected(), first) << "step " << step;
    };
    std::mt19937 random(4711);
    const auto draw = [&](int last) { return std::uniform_int_distribution<int>(0, last)(random); };
    using Flags = QItemSelectionModel::SelectionFlags;
    const Flags commands[] = {QItemSelectionModel::Select, QItemSelectionModel::Deselect,
                              QItemSelectionModel::Toggle, QItemSelectionModel::ClearAndSelect};
    for (int step = 0; step < 200; ++step) {
        const int top = draw(List.Count() - 1);
        const int bottom = std::min(List.Count() - 1, top + draw(8));
        Flags command = commands[draw(3)] | QItemSelectionModel::Rows;
        if (draw(1) == 0) {
            command |= QItemSelectionModel::Current;  // as while the mouse drags
        }
        selection.select(QItemSelection(index(top), index(bottom)), command);
        check(step);
        if (draw(9) == 0) {
            std::vector<bool> flags(List.Count());
            for (int row = 0; row < List.Count(); ++row) {
                flags[row] = draw(2) == 0;
            }
            List.SetSelectionFlags(flags);
            EXPECT_EQ(List.SelectionFlags(), flags) << "step " << step;
            check(step);
        }
    }
    selection.clearSelection();
    check(-1);
}

}  // namespace
