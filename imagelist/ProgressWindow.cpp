#include "ProgressWindow.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ElidedLabel.h"

bool CancelRequested = false;
TFormProgress* FormProgress = nullptr;

TFormProgress::TFormProgress(QWidget* mainWindow)
    : QDialog(mainWindow,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FormProgress"));
    setWindowTitle(QStringLiteral("Progress — Orvalis"));
    setModal(false);
    if (mainWindow != nullptr) {
        setWindowIcon(mainWindow->windowIcon());
    }

    GroupBox1 = new QGroupBox(QStringLiteral(" Progress: "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    ProgressBar = new QProgressBar(GroupBox1);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setTextVisible(false);
    ProgressBar->setFixedWidth(281);
    LabelProgressCurrent = new TElidedLabel(GroupBox1);
    LabelProgressCurrent->setObjectName(QStringLiteral("LabelProgressCurrent"));
    LabelProgressCurrent->setAlignment(Qt::AlignCenter);
    LabelProgressCurrent->setAutoFillBackground(true);
    LabelProgressCurrent->setFixedWidth(281);
    LabelProgressCurrent->SetFullText(QStringLiteral("..."));
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), GroupBox1);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormProgress::ButtonCancelClick);

    auto* inner = new QVBoxLayout(GroupBox1);
    inner->addWidget(ProgressBar, 0, Qt::AlignHCenter);
    inner->addWidget(LabelProgressCurrent, 0, Qt::AlignHCenter);
    inner->addWidget(ButtonCancel, 0, Qt::AlignHCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormProgress::Begin(int maximum) {
    ProgressBar->setRange(0, std::max(maximum, 0));
    ProgressBar->setValue(0);
    LabelProgressCurrent->SetFullText(QStringLiteral("Processing..."));
    show();
}

void TFormProgress::Step(const QString& name) {
    // The bar repaints itself when a step shows; the label paints its own background, so that a new
    // name repaints the label alone and not the group around it.
    ProgressBar->setValue(std::min(ProgressBar->value() + 1, ProgressBar->maximum()));
    LabelProgressCurrent->SetFullText(name);
}

void TFormProgress::End() {
    hide();
}

void TFormProgress::ButtonCancelClick() {
    CancelRequested = true;
}

// Escape and the window manager's close both mean Cancel: the loop hides the window when it stops.
void TFormProgress::reject() {
    ButtonCancelClick();
}

void TFormProgress::closeEvent(QCloseEvent* event) {
    event->ignore();
    ButtonCancelClick();
}

void TFormProgress::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* where = screen()) {
        move(where->availableGeometry().center() - rect().center());
    }
}
