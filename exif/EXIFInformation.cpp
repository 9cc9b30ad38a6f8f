#include "EXIFInformation.h"

#include "ErrorBoundary.h"
#include "ExifInformationRows.h"
#include "ExifReader.h"

#include <QAction>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TFormEXIFInformation* FormEXIFInformation = nullptr;

namespace {

QFont TahomaFont(bool bold) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    font.setBold(bold);
    return font;
}

}  // namespace

TFormEXIFInformation::TFormEXIFInformation(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("EXIF Information — Orvalis"));
    setModal(true);
    resize(592, 468);

    GroupBox1 = new QGroupBox(QStringLiteral(" EXIF Information: "), this);
    GroupBox1->setFont(TahomaFont(true));
    ListViewEXIFTags = new QTreeWidget(GroupBox1);
    ListViewEXIFTags->setFont(TahomaFont(false));
    ListViewEXIFTags->setRootIsDecorated(false);
    ListViewEXIFTags->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewEXIFTags->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewEXIFTags->setHeaderLabels({QStringLiteral("Data ID"), QStringLiteral("Value")});
    ListViewEXIFTags->header()->resizeSection(0, 250);
    ListViewEXIFTags->header()->resizeSection(1, 300);
    ListViewEXIFTags->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* groupLayout = new QVBoxLayout(GroupBox1);
    groupLayout->addWidget(ListViewEXIFTags);

    PopupMenuEXIFInformation = new QMenu(this);
    CopyValuetoClipboard1 = PopupMenuEXIFInformation->addAction(QStringLiteral("Copy Value to Clipboard"));
    connect(CopyValuetoClipboard1, &QAction::triggered, this,
            &TFormEXIFInformation::CopyValuetoClipboard1Click);
    connect(ListViewEXIFTags, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenuEXIFInformation->popup(ListViewEXIFTags->viewport()->mapToGlobal(at));
    });

    // Close is not a cancel button: Escape does not close the window (see keyPressEvent).
    ButtonClose = new QPushButton(QStringLiteral("Close"), this);
    ButtonClose->setAutoDefault(false);
    ButtonClose->setFixedSize(75, 25);
    connect(ButtonClose, &QPushButton::clicked, this, &TFormEXIFInformation::ButtonCloseClick);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 8, 8);
    layout->addWidget(GroupBox1, 1);
    layout->addWidget(ButtonClose, 0, Qt::AlignRight | Qt::AlignBottom);
}

void TFormEXIFInformation::ShowFile(const QString& fileName) {
    FileName = fileName;
    FormShow();
    if (parentWidget()) {
        move(parentWidget()->geometry().center() - rect().center());
    }
    exec();
}

void TFormEXIFInformation::FormShow() {
    ListViewEXIFTags->clear();
    QList<TExifRow> rows;
    // The reader lives only while the list is filled; a file it cannot read is reported and leaves
    // the list empty.
    ReportErrors(parentWidget() ? parentWidget() : this, [&] {
        ExifReader reader;
        reader.LoadFromFile(FileName);
        rows = ExifInformationRows(reader);
    });
    for (const TExifRow& row : rows) {
        new QTreeWidgetItem(ListViewEXIFTags, {row.Caption, row.Value});
    }
    // Each showing starts with the first rows in sight, wherever the last file's rows were scrolled to.
    ListViewEXIFTags->scrollToTop();
}

void TFormEXIFInformation::CopyValuetoClipboard1Click() {
    const QTreeWidgetItem* item = ListViewEXIFTags->currentItem();
    if (!item || !item->isSelected() || item->text(1).isEmpty()) {
        return;
    }
    QGuiApplication::clipboard()->setText(item->text(1));
}

void TFormEXIFInformation::ButtonCloseClick() {
    accept();
}

void TFormEXIFInformation::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}
