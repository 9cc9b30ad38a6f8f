#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>

#include <set>

#include "FileMaker.h"
#include "ImageList.h"
#include "Lister.h"
#include "ThumbnailsInView.h"

namespace {

// Every entry gets a thumbnail of its own, and the store keeps 40 of them: the others are given up.
class TOwnThumbnails : public TImageListHooks {
public:
    void OpenThumbDatabase(const QString&) override {}
    qint32 AcquireThumbnail(const QString&) override {
        QPixmap image(TThumbnailImages::ImageSize);
        image.fill(QColor::fromRgb(QRgb(0xFF000000u | quint32(List->Count() * 7919))));
        return List->ImageListThumbnails().Add(image);
    }
    TImageList* List = nullptr;
};

TEST(ThumbnailsInViewTest, TheScreenInViewAndOneEachSideAreAskedForTheOnesInViewFirst) {
    QTemporaryDir folder;
    TOwnThumbnails hooks;
    TImageList list(hooks);
    hooks.List = &list;
    constexpr qint64 image = 160 * 120 * 4;
    list.ImageListThumbnails().SetBudget(40 * image, 40 * image);
    const QString file = testsupport::MakeFile(folder.filePath(QStringLiteral("a.jpg")));
    for (int i = 0; i < 2000; ++i) {
        list.AddImageFile(file);
    }
    TLister lister(list.Model(), list.Selection());
    QListView& view = *lister.IconView();
    TThumbnailsInView around(view, list);
    lister.resize(800, 600);
    lister.show();
    QCoreApplication::processEvents();
    list.ImageListThumbnails().TakeWanted();

    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
    const auto [first, last] = around.RowsAround();
    std::set<int> inView;
    for (int y = 5; y < view.viewport()->height(); y += 10) {
        for (int x = 5; x < view.viewport()->width(); x += 10) {
            const QModelIndex index = view.indexAt(QPoint(x, y));
            if (index.isValid()) {
                inView.insert(index.row());
            }
        }
    }
    ASSERT_FALSE(inView.empty());
    EXPECT_GT(*inView.begin(), first);
    EXPECT_LT(*inView.rbegin(), last);
    EXPECT_GE(last - first + 1, 3 * 4 * 5);  // three screens of at least four columns and five rows

    // Each entry shows its own image, so a row's image is the row's index.
    const std::vector<int> wanted = list.ImageListThumbnails().TakeWanted();
    EXPECT_EQ(int(wanted.size()), last - first + 1);
    EXPECT_EQ(std::set<int>(wanted.begin(), wanted.end()).size(), wanted.size());
    EXPECT_EQ(std::set<int>(wanted.begin(), wanted.begin() + qsizetype(inView.size())), inView);
    for (int index : wanted) {
        EXPECT_GE(index, first);
        EXPECT_LE(index, last);
    }
}

}  // namespace
