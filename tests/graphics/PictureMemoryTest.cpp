#include <gtest/gtest.h>

#include <QImage>

#include "PictureMemory.h"

namespace {

// A show steps from photograph to photograph: the memory of the picture that went away is written
// again by the next one of its size, and no more of it is kept than SparePictureBytes.
TEST(PictureMemoryTest, TheMemoryOfAPictureThatWentAwayServesTheNextOne) {
    const uchar* first = nullptr;
    {
        QImage picture = NewPicture(3000, 2000, QImage::Format_RGB32);
        ASSERT_FALSE(picture.isNull());
        first = picture.constBits();
        picture.fill(Qt::red);
    }
    EXPECT_GT(SparePictureMemory(), 0);
    QImage next = NewPicture(3000, 2000, QImage::Format_RGB32);
    EXPECT_EQ(next.constBits(), first);
    EXPECT_EQ(next.size(), QSize(3000, 2000));
    next.fill(Qt::blue);
    EXPECT_EQ(next.pixel(2999, 1999), qRgb(0, 0, 255));

    // Far smaller pictures get memory of their own; small ones never touch the kept memory.
    EXPECT_NE(NewPicture(1000, 1000, QImage::Format_RGB32).constBits(), first);
    next = QImage();
    const qsizetype kept = SparePictureMemory();
    EXPECT_FALSE(NewPicture(100, 100, QImage::Format_RGB32).isNull());
    EXPECT_EQ(SparePictureMemory(), kept);

    {
        std::vector<QImage> many;
        for (int i = 0; i < 6; ++i) {
            many.push_back(NewPicture(3000, 2000, QImage::Format_RGB32));
        }
    }
    EXPECT_LE(SparePictureMemory(), SparePictureBytes);
    ReleaseSparePictureMemory();
    EXPECT_EQ(SparePictureMemory(), 0);
}

}  // namespace
