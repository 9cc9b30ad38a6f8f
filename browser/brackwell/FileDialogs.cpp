#include "FileDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

#include "DialogResults.h"
#include "FileFilter.h"
#include "FolderMemory.h"

namespace brackwell {

namespace {

QString Title(TDialogKind kind) {
    switch (kind) {
        case TDialogKind::Open:
            return QStringLiteral("Open");
        case TDialogKind::Save:
            return QStringLiteral("Save As");
        case TDialogKind::Folder:
            break;
    }
    return QStringLiteral("Choose Folder");
}

void Configure(QFileDialog& dialog, TDialogKind kind, const TOpenDialogParams& params) {
    // Qt's own dialog: the platform's may hand over to a desktop portal, which a bare Linux session
    // (or a test run) does not have.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    switch (kind) {
        case TDialogKind::Open:
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::ExistingFile);
            break;
        case TDialogKind::Save:
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            break;
        case TDialogKind::Folder:
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly);
            return;
    }
    const QString filter = QtNameFilter(ParseFileFilter(params.Filter));
    if (!filter.isEmpty()) {
        dialog.setNameFilter(filter);
    }
}

}  // namespace

void RunFileDialog(TDialogKind kind, const TOpenDialogParams& params, TOpenDialogResults& results) {
    ReleaseResults(results);
    QWidget* parent = params.ParentWindow != nullptr ? static_cast<QWidget*>(params.ParentWindow)
                                                     : QApplication::activeWindow();
    QFileDialog dialog(parent, Title(kind), StartFolder(params.DialogId));
    Configure(dialog, kind, params);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().constFirst();
    StoreResults(results, {path});
    RememberFolder(params.DialogId, kind == TDialogKind::Folder ? path : QFileInfo(path).absolutePath());
}

}  // namespace brackwell
