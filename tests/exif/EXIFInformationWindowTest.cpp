#include "EXIFInformation.h"
#include "ErrorBoundary.h"
#include "ExifBlockBuilder.h"
#include "FileMaker.h"
#include "TempHome.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

using exiftest::Dir;
using exiftest::ExifBlockBuilder;

namespace {

QStringList Captions(const QTreeWidget* list) {
    QStringList captions;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        captions << list->topLevelItem(i)->text(0);
    }
    return captions;
}

class EXIFInformationWindow : public testing::Test {
protected:
    void SetUp() override {
        SetErrorReportSink([this](const QString& message) { Reports << message; });
        ExifBlockBuilder b;
        b.Ascii(Dir::Main, 0x010F, "Canon").Ascii(Dir::Main, 0x0110, "EOS 80D");
        Camera = testsupport::MakeFile(testsupport::TempHome() + "/window/camera.jpg", b.Jpeg());
    }
    void TearDown() override { SetErrorReportSink({}); }

    TFormEXIFInformation Form;
    QStringList Reports;
    QString Camera;
};

TEST_F(EXIFInformationWindow, ListIsRebuiltOnEveryShowing) {
    Form.FileName = Camera;
    Form.FormShow();
    Form.FormShow();
    const QStringList expected{"General",           "   Byte order",  "Main IFD",
                               "   Loaded cleanly", "   Camera make", "   Camera model"};
    EXPECT_EQ(Captions(Form.ListViewEXIFTags), expected);
    EXPECT_EQ(Form.ListViewEXIFTags->topLevelItem(4)->text(1), "Canon");
    EXPECT_TRUE(Reports.isEmpty());
}

TEST_F(EXIFInformationWindow, FileThatIsNotAJpegIsReportedAndLeavesTheListEmpty) {
    Form.FileName = Camera;
    Form.FormShow();
    Form.FileName = testsupport::MakeFile(testsupport::TempHome() + "/window/picture.png", "\x89PNG\r\n");
    Form.FormShow();
    EXPECT_EQ(Form.ListViewEXIFTags->topLevelItemCount(), 0);
    EXPECT_EQ(Reports, QStringList{"JPEG header is not valid"});
}

TEST_F(EXIFInformationWindow, CopiesOnlyAValue) {
    Form.FileName = Camera;
    Form.FormShow();
    QGuiApplication::clipboard()->setText("before");
    Form.CopyValuetoClipboard1Click();  // nothing selected
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
    Form.ListViewEXIFTags->setCurrentItem(Form.ListViewEXIFTags->topLevelItem(2));  // "Main IFD"
    Form.CopyValuetoClipboard1->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
    Form.ListViewEXIFTags->setCurrentItem(Form.ListViewEXIFTags->topLevelItem(4));  // "   Camera make"
    Form.CopyValuetoClipboard1->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Canon");
}

TEST_F(EXIFInformationWindow, ShowsModallyUntilClosedAndIgnoresEscape) {
    bool sawList = false, escapeKeptItOpen = false;
    QTimer::singleShot(0, &Form, [&] {
        sawList = Form.isVisible() && Form.isModal() && Form.ListViewEXIFTags->topLevelItemCount() == 6;
        QTest::keyClick(&Form, Qt::Key_Escape);
        escapeKeptItOpen = Form.isVisible();
        Form.ButtonClose->click();
    });
    Form.ShowFile(Camera);
    EXPECT_TRUE(sawList);
    EXPECT_TRUE(escapeKeptItOpen);
    EXPECT_FALSE(Form.isVisible());
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("EXIF Information — Orvalis"));
}

// A file whose rows were scrolled to the bottom does not leave the next showing scrolled down.
TEST_F(EXIFInformationWindow, EveryShowingStartsAtTheTop) {
    Form.resize(300, 150);  // room for a few of the six rows only
    int bottom = 0, top = -1;
    const QTreeWidgetItem* firstInSight = nullptr;
    QTimer::singleShot(0, &Form, [&] {
        Form.ListViewEXIFTags->scrollToBottom();
        bottom = Form.ListViewEXIFTags->verticalScrollBar()->value();
        Form.ButtonClose->click();
    });
    Form.ShowFile(Camera);
    ASSERT_GT(bottom, 0);
    QTimer::singleShot(0, &Form, [&] {
        top = Form.ListViewEXIFTags->verticalScrollBar()->value();
        firstInSight = Form.ListViewEXIFTags->itemAt(1, 1);
        Form.ButtonClose->click();
    });
    Form.ShowFile(Camera);
    EXPECT_EQ(top, 0);
    EXPECT_EQ(firstInSight, Form.ListViewEXIFTags->topLevelItem(0));
}

}  // namespace
