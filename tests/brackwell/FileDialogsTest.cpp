// The modal dialogs through libBrackwell.so, driven by a timer that finds the dialog once it shows.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include "FolderMemory.h"
#include "LoadedBrackwell.h"

namespace {

// Runs `act` on the file dialog as soon as it is the modal window. A dialog that `act` leaves open
// fails the test and is cancelled, so that the test does not hang.
void WhenDialogShows(std::function<void(QFileDialog&)> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(*dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the dialog stayed open";
                dialog->reject();
            }
        }
    });
    timer->start(10);
}

// Types `name` into the dialog's file name field and confirms it, as the operator does. (selectFile
// leaves the field alone once it has the focus.)
void TypeAndAccept(QFileDialog& dialog, const QString& name) {
    auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(field, nullptr);
    field->setText(name);
    static_cast<QDialog&>(dialog).accept();  // QFileDialog::accept checks the name first
}

TOpenDialogParams ListDialogParams(const TBrackwellGuid& id, uint8_t save) {
    TOpenDialogParams params{};
    params.Filter = u"Text files|*.txt";
    params.FilterIndex = 1;
    params.DialogId = id;
    params.SaveDialog = save;
    return params;
}

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(Brackwell(), nullptr);
        ASSERT_TRUE(QDir(Folder.path()).mkdir("sub"));
        Brackwell()->Brackwell_InitTOpenDialogResults(&Results, 1000, 0);
    }
    void TearDown() override { Brackwell()->Brackwell_FreeTOpenDialogResults(&Results); }

    QTemporaryDir Folder;
    TOpenDialogResults Results{};
    QString ShownFolder;
    QStringList ShownFilters;
};

}  // namespace

TEST_F(FileDialogs, OpenReturnsTheChosenFileAndRemembersItsFolder) {
    const QString path = Folder.filePath("list.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    brackwell::RememberFolder(OpenListId, Folder.filePath("sub"));
    WhenDialogShows([&](QFileDialog& dialog) {
        ShownFolder = dialog.directory().absolutePath();
        ShownFilters = dialog.nameFilters();
        TypeAndAccept(dialog, path);
    });

    EXPECT_EQ(Brackwell()->Brackwell_OpenDialog(ListDialogParams(OpenListId, 0), &Results), 0);

    EXPECT_EQ(ShownFolder, Folder.filePath("sub"));
    EXPECT_EQ(ShownFilters, QStringList{"Text files (*.txt)"});
    EXPECT_EQ(Results.Accepted, 1u);
    EXPECT_EQ(Results.Count, 1u);
    EXPECT_EQ(QString::fromUtf16(Results.FileName), path);
    EXPECT_EQ(ChosenNames(Results), QStringList{path});
    EXPECT_EQ(brackwell::StartFolder(OpenListId), Folder.path());
}

TEST_F(FileDialogs, SaveReturnsTheNameAsTypedWithoutAddingASuffix) {
    brackwell::RememberFolder(SaveListId, Folder.path());
    WhenDialogShows([&](QFileDialog& dialog) { TypeAndAccept(dialog, "show"); });

    EXPECT_EQ(Brackwell()->Brackwell_SaveDialog(ListDialogParams(SaveListId, 1), &Results), 0);

    EXPECT_EQ(Results.Accepted, 1u);
    EXPECT_EQ(QString::fromUtf16(Results.FileName), Folder.filePath("show"));
}

TEST_F(FileDialogs, CancelLeavesNothingChosen) {
    WhenDialogShows([](QFileDialog& dialog) { dialog.reject(); });

    EXPECT_EQ(Brackwell()->Brackwell_OpenDialog(ListDialogParams(OpenListId, 0), &Results), 0);

    EXPECT_EQ(Results.Accepted, 0u);
    EXPECT_EQ(Results.FileName, nullptr);
    EXPECT_EQ(Results.Count, 0u);
}

TEST_F(FileDialogs, FolderDialogReturnsTheChosenFolder) {
    WhenDialogShows([&](QFileDialog& dialog) { TypeAndAccept(dialog, Folder.filePath("sub")); });

    EXPECT_EQ(Brackwell()->Brackwell_FolderDialog(ListDialogParams(OpenListId, 0), &Results), 0);

    EXPECT_EQ(Results.Accepted, 1u);
    EXPECT_EQ(QString::fromUtf16(Results.FileName), Folder.filePath("sub"));
}
