#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class TElidedLabel;
class TElidedLabel;
class QProgressBar;
class QPushButton;

// Set by the progress window's Cancel; each adding loop clears it when it starts and tests it once per
// file. It stays set after a cancelled loop until the next loop starts.
extern bool CancelRequested;

// What the adding loops show of their progress.
class TProgressDisplay {
public:
    virtual ~TProgressDisplay() = default;
    // Bar at 0 with the given maximum, label "Processing...", window shown.
    virtual void Begin(int maximum) = 0;
    // Bar one step on, the label showing `name`, both repainted at once.
    virtual void Step(const QString& name) = 0;
    virtual void End() = 0;
};

// The progress window of the long adding loops; one instance for the whole run. It is shown without
// being modal, stays on top, and cannot be closed by the user: closing it asks the loop to cancel.
class TFormProgress : public QDialog, public TProgressDisplay {
    Q_OBJECT
public:
    // Takes the main window's icon.
    explicit TFormProgress(QWidget* mainWindow);

    void Begin(int maximum) override;
    void Step(const QString& name) override;
    void End() override;

    void ButtonCancelClick();

    QGroupBox* GroupBox1 = nullptr;
    QProgressBar* ProgressBar = nullptr;
    TElidedLabel* LabelProgressCurrent = nullptr;  // the name of the file at hand, shortened to fit
    QPushButton* ButtonCancel = nullptr;

public Q_SLOTS:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

extern TFormProgress* FormProgress;
