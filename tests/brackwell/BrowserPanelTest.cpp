// The embedded browser as the program meets it: opened through libBrackwell.so inside a host widget,
// talking back through the callback.

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileOpenEvent>
#include <QFileSystemModel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <vector>

#include "FileMaker.h"
#include "FolderMemory.h"
#include "LoadedBrackwell.h"

namespace {

// What the host saw of one callback; the names are read while the record is valid.
struct THostCall {
    uint32_t Code;
    void* Data;
    uint32_t Count = 0;
    QString FileName;
    QStringList FileNames;
};

std::vector<THostCall> HostCalls;

// Behaves as the program does: reads the names of 0x802, releases the record on 0x804.
int32_t HostCallback(void* /*reserved1*/, uint32_t code, void* data, void* /*reserved2*/) {
    THostCall call{code, data, 0, {}, {}};
    auto* results = static_cast<TOpenDialogResults*>(data);
    if (code == BRACKWELL_FILES_CHOSEN) {
        call.Count = results->Count;
        call.FileName = QString::fromUtf16(results->FileName);
        call.FileNames = ChosenNames(*results);
    } else if (code == BRACKWELL_RESULTS_DONE) {
        Brackwell()->Brackwell_FreeTOpenDialogResults(results);
    }
    HostCalls.push_back(call);
    return 0;
}

class BrowserPanel : public ::testing::Test {
protected:
    void SetUp() override {
        HostCalls.clear();
        ASSERT_NE(Brackwell(), nullptr);
        ASSERT_TRUE(Pictures.isValid());
        for (const char* name : {"a.jpg", "B.JPG", "c.txt"}) {
            QFile file(Pictures.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        ASSERT_TRUE(QDir(Pictures.path()).mkdir(QStringLiteral("sub")));
        brackwell::RememberFolder(BrowserId, Pictures.path());
        Host.resize(400, 600);
        Host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Host));
    }

    // Opens the browser as the program does and returns its window, as reported with 0x806.
    QWidget* Open(QWidget& host, const char16_t* filter = u"Pictures|*.jpg;*.jpeg") {
        TOpenDialogParams params{};
        params.Filter = filter;
        params.Options = BRACKWELL_BROWSER_OPTIONS;
        params.ActionCaption = u"Add files from";
        params.ParentWindow = &host;
        params.DialogId = BrowserId;
        params.Callback = HostCallback;
        params.ViewOptions = -1;
        const std::size_t before = HostCalls.size();
        EXPECT_EQ(Brackwell()->Brackwell_OpenDialog(params, nullptr), 0);
        if (HostCalls.size() != before + 1 || HostCalls.back().Code != BRACKWELL_WINDOW_OPENED) {
            ADD_FAILURE() << "the browser did not report its window";
            return nullptr;
        }
        return static_cast<QWidget*>(HostCalls.back().Data);
    }

    static QListView* Files(QWidget* panel) { return panel->findChild<QListView*>("ListViewFiles"); }
    static QPushButton* Button(QWidget* panel) { return panel->findChild<QPushButton*>("ButtonAddFiles"); }

    static QStringList ShownNames(QWidget* panel) {
        const QListView* list = Files(panel);
        QStringList names;
        for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) {
            names.append(list->model()->index(row, 0, list->rootIndex()).data().toString());
        }
        return names;
    }

    // Waits until the file list shows `expected`, in that order.
    static bool WaitForFiles(QWidget* panel, const QStringList& expected) {
        return QTest::qWaitFor([&] { return ShownNames(panel) == expected; });
    }

    static QModelIndex FileIndex(QWidget* panel, const QString& name) {
        const QListView* list = Files(panel);
        const auto* model = static_cast<const QFileSystemModel*>(list->model());
        return model->index(model->rootPath() + u'/' + name);
    }

    QString PathOf(const char* name) const { return Pictures.filePath(QString::fromLatin1(name)); }

    QTemporaryDir Pictures;
    QWidget Host;
};

}  // namespace

TEST_F(BrowserPanel, OpensInsideTheHostInTheRememberedFolder) {
    QWidget* panel = Open(Host);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->parentWidget(), &Host);
    ASSERT_NE(Host.layout(), nullptr);
    EXPECT_GE(Host.layout()->indexOf(panel), 0);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->findChild<QLineEdit*>("LineEditFolder")->text(),
              QDir::toNativeSeparators(Pictures.path()));
    EXPECT_EQ(Button(panel)->text(), "Add files from " + QDir(Pictures.path()).dirName());
    EXPECT_FALSE(Button(panel)->isEnabled()) << "nothing is chosen yet";
}

TEST_F(BrowserPanel, ListsOnlyTheFilesMatchingThePatternsWhateverTheirCaseByName) {
    QWidget* panel = Open(Host);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(WaitForFiles(panel, {"a.jpg", "B.JPG"})) << ShownNames(panel).join(", ").toStdString();
}

TEST_F(BrowserPanel, ListsEveryFileWithoutAFilter) {
    QWidget* panel = Open(Host, nullptr);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(WaitForFiles(panel, {"a.jpg", "B.JPG", "c.txt"}))
        << ShownNames(panel).join(", ").toStdString();
}

namespace {

// One way for the operator to hand the chosen file `index` to the host.
struct TTrigger {
    const char* Name;
    std::function<void(QListView*, QPushButton*, const QModelIndex&)> Run;
};

void Select(QListView* list, const QModelIndex& index) {
    list->setCurrentIndex(index);
    list->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
}

void PrintTo(const TTrigger& trigger, std::ostream* out) {
    *out << trigger.Name;
}

class BrowserPanelAction : public BrowserPanel, public ::testing::WithParamInterface<TTrigger> {};

}  // namespace

TEST_P(BrowserPanelAction, ReportsTheChosenFileThenHandsTheRecordBack) {
    QWidget* panel = Open(Host);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(WaitForFiles(panel, {"a.jpg", "B.JPG"}));
    HostCalls.clear();

    GetParam().Run(Files(panel), Button(panel), FileIndex(panel, "B.JPG"));

    ASSERT_EQ(HostCalls.size(), 2u);
    EXPECT_EQ(HostCalls[0].Code, BRACKWELL_FILES_CHOSEN);
    EXPECT_EQ(HostCalls[0].Count, 1u);
    EXPECT_EQ(HostCalls[0].FileName, PathOf("B.JPG"));
    EXPECT_EQ(HostCalls[0].FileNames, QStringList{PathOf("B.JPG")});
    EXPECT_EQ(HostCalls[1].Code, BRACKWELL_RESULTS_DONE);
    EXPECT_EQ(HostCalls[1].Data, HostCalls[0].Data);
    const auto* released = static_cast<const TOpenDialogResults*>(HostCalls[1].Data);
    EXPECT_EQ(released->FileName, nullptr);
    EXPECT_EQ(released->FileNames, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Triggers, BrowserPanelAction,
    ::testing::Values(TTrigger{"Button",
                               [](QListView* list, QPushButton* button, const QModelIndex& index) {
                                   Select(list, index);
                                   QTest::mouseClick(button, Qt::LeftButton);
                               }},
                      TTrigger{"DoubleClick",
                               [](QListView* list, QPushButton*, const QModelIndex& index) {
                                   // The sequence a real double click makes: a click, then the
                                   // second press as double click, then its release.
                                   const QPoint centre = list->visualRect(index).center();
                                   QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
                                   QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
                                   QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, centre);
                               }},
                      TTrigger{"EnterKey",
                               [](QListView* list, QPushButton*, const QModelIndex& index) {
                                   Select(list, index);
                                   QTest::keyClick(list, Qt::Key_Return);
                               }}),
    [](const ::testing::TestParamInfo<TTrigger>& info) { return std::string(info.param.Name); });

TEST_F(BrowserPanel, ReportsSeveralFilesInTheOrderTheListShowsThem) {
    QWidget* panel = Open(Host);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(WaitForFiles(panel, {"a.jpg", "B.JPG"}));
    const QStringList shown = ShownNames(panel);
    QListView* list = Files(panel);
    // Picked bottom first.
    Select(list, list->model()->index(1, 0, list->rootIndex()));
    list->selectionModel()->select(list->model()->index(0, 0, list->rootIndex()),
                                   QItemSelectionModel::Select);
    HostCalls.clear();

    QTest::mouseClick(Button(panel), Qt::LeftButton);

    ASSERT_EQ(HostCalls.size(), 2u);
    const QStringList expected{Pictures.filePath(shown.at(0)), Pictures.filePath(shown.at(1))};
    EXPECT_EQ(HostCalls[0].Count, 2u);
    EXPECT_EQ(HostCalls[0].FileNames, expected);
    EXPECT_EQ(HostCalls[0].FileName, expected.at(0));
}

TEST_F(BrowserPanel, CloseRemembersTheFolderAndTellsTheHostOnce) {
    QPointer<QWidget> panel = Open(Host);
    ASSERT_NE(panel, nullptr);
    const QString sub = Pictures.filePath("sub");
    auto* tree = panel->findChild<QTreeView*>("TreeViewFolders");
    tree->setCurrentIndex(static_cast<QFileSystemModel*>(tree->model())->index(sub));
    HostCalls.clear();

    QCloseEvent close;
    QCoreApplication::sendEvent(panel, &close);
    ASSERT_EQ(HostCalls.size(), 1u);
    EXPECT_EQ(HostCalls[0].Code, BRACKWELL_CLOSED);
    EXPECT_FALSE(panel->isVisible());

    // Nothing more reaches the host: a second request, posted as the hidden menu command does, or the
    // action once more.
    QCoreApplication::sendEvent(panel, &close);
    QCoreApplication::postEvent(panel, new QCloseEvent);
    QTest::mouseClick(Button(panel), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel.isNull(); })) << "the browser is deleted later";
    EXPECT_EQ(HostCalls.size(), 1u);

    EXPECT_EQ(brackwell::StartFolder(BrowserId), sub);
    QWidget* reopened = Open(Host);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->findChild<QLineEdit*>("LineEditFolder")->text(), QDir::toNativeSeparators(sub));
}

TEST_F(BrowserPanel, RelayoutFillsTheResizedHost) {
    // A hidden host does not lay itself out on resizing: only the re-layout notice does.
    QWidget hidden;
    QWidget* panel = Open(hidden);
    ASSERT_NE(panel, nullptr);
    hidden.resize(520, 310);

    QEvent relayout(static_cast<QEvent::Type>(BRACKWELL_RELAYOUT_EVENT));
    EXPECT_TRUE(QCoreApplication::sendEvent(panel, &relayout));
    EXPECT_EQ(panel->geometry(), hidden.rect());
}

// The host points the browser at a folder (the one named on the program's command line); a path that is
// no folder leaves it where it is.
TEST_F(BrowserPanel, ShowsTheFolderTheHostAsksFor) {
    QWidget* panel = Open(Host);
    ASSERT_NE(panel, nullptr);
    const QString sub = Pictures.filePath(QStringLiteral("sub"));
    testsupport::MakeFile(sub + QStringLiteral("/d.jpg"));
    const auto* folder = panel->findChild<QLineEdit*>("LineEditFolder");

    QFileOpenEvent show(sub);
    EXPECT_TRUE(QCoreApplication::sendEvent(panel, &show));
    EXPECT_EQ(folder->text(), QDir::toNativeSeparators(sub));
    EXPECT_EQ(Button(panel)->text(), QStringLiteral("Add files from sub"));
    EXPECT_TRUE(WaitForFiles(panel, {"d.jpg"})) << ShownNames(panel).join(", ").toStdString();
    const auto* tree = panel->findChild<QTreeView*>("TreeViewFolders");
    EXPECT_EQ(static_cast<const QFileSystemModel*>(tree->model())->filePath(tree->currentIndex()), sub);

    for (const QString& notAFolder : {PathOf("a.jpg"), PathOf("missing")}) {
        QFileOpenEvent ignored(notAFolder);
        QCoreApplication::sendEvent(panel, &ignored);
        EXPECT_EQ(folder->text(), QDir::toNativeSeparators(sub)) << notAFolder.toStdString();
    }
}
