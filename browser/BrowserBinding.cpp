#include "BrowserBinding.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileOpenEvent>
#include <QLabel>
#include <QPointer>
#include <QScopeGuard>
#include <QVBoxLayout>
#include <QWidget>

#include <string>

#include "BrowserLibrary.h"
#include "ErrorBoundary.h"

namespace {

// The records and texts handed to the library must outlive the browser, which keeps pointers to them
// for the whole run.
struct TBrowserState {
    TBrowserLibrary* Library = nullptr;
    TBrowserHost* Host = nullptr;
    TOpenDialogParams Params{};
    TOpenDialogResults Results{};
    std::u16string Filter;
    std::u16string ActionCaption = u"Add files from";
    QPointer<QWidget> Window;
};

TBrowserState& State() {
    static TBrowserState state;
    return state;
}

// {1421B16D-DC34-4B24-B32D-6F95D0F0BF56}: the embedded browser's identifier, under which the library
// remembers its last folder.
constexpr TBrackwellGuid EmbeddedBrowserId = {
    0x1421B16D, 0xDC34, 0x4B24, {0xB3, 0x2D, 0x6F, 0x95, 0xD0, 0xF0, 0xBF, 0x56}};

void ShowUnavailable(QWidget* panel) {
    auto* label = new QLabel(QStringLiteral("The file browser is unavailable."), panel);
    label->setObjectName(QStringLiteral("LabelBrowserUnavailable"));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(label);
}

void SendToBrowser(QEvent& event) {
    if (QWidget* window = BrowserWindow()) {
        QCoreApplication::sendEvent(window, &event);
    }
}

}  // namespace

bool OpenBrowserPanel(TBrowserLibrary& library, QWidget* panel, const QString& filter, TBrowserHost& host) {
    TBrowserState& state = State();
    if (!library.Complete()) {
        ShowUnavailable(panel);
        return false;
    }
    state.Library = &library;
    state.Host = &host;
    state.Filter = filter.toStdU16String();
    state.Params = TOpenDialogParams{};
    state.Params.Filter = state.Filter.c_str();
    state.Params.FilterIndex = 0;
    state.Params.Options = BRACKWELL_BROWSER_OPTIONS;
    state.Params.ActionCaption = state.ActionCaption.c_str();
    state.Params.ParentWindow = panel;
    state.Params.DialogId = EmbeddedBrowserId;
    state.Params.Callback = &BrowserCallback;
    state.Params.SaveDialog = 0;
    state.Params.ViewOptions = -1;
    state.Results = TOpenDialogResults{};
    library.Brackwell_InitTOpenDialogResults(&state.Results, 1000, 0);
    library.Brackwell_OpenDialog(state.Params, &state.Results);
    return true;
}

void CloseBrowserPanel() {
    TBrowserState& state = State();
    if (state.Library != nullptr && state.Library->Complete()) {
        state.Library->Brackwell_FreeTOpenDialogResults(&state.Results);
    }
    state.Host = nullptr;
    state.Library = nullptr;
}

QWidget* BrowserWindow() {
    return State().Window.data();
}

void SendBrowserRelayout() {
    QEvent relayout(static_cast<QEvent::Type>(BRACKWELL_RELAYOUT_EVENT));
    SendToBrowser(relayout);
}

void SendBrowserClose() {
    QCloseEvent close;
    SendToBrowser(close);
}

void SendBrowserShowFolder(const QString& folder) {
    QFileOpenEvent show(folder);
    SendToBrowser(show);
}

void PostBrowserClose() {
    if (QWidget* window = BrowserWindow()) {
        QCoreApplication::postEvent(window, new QCloseEvent());
    }
}

namespace {

// "Text files|*.txt;*.lst" as the platform dialog writes it: "Text files (*.txt *.lst)".
QString PlatformFilter(const QString& filter) {
    const QString description = filter.section(QLatin1Char('|'), 0, 0);
    QString patterns = filter.section(QLatin1Char('|'), 1, 1);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    return description + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

std::optional<QString> RunPlatformFileDialog(QWidget* parent, const QString& filter, bool save) {
    const QString name =
        save ? QFileDialog::getSaveFileName(parent, QString(), QString(), PlatformFilter(filter))
             : QFileDialog::getOpenFileName(parent, QString(), QString(), PlatformFilter(filter));
    return name.isEmpty() ? std::nullopt : std::optional<QString>(name);
}

}  // namespace

std::optional<QString> RunFileDialog(TBrowserLibrary& library, QWidget* parent, const QString& filter,
                                     const TBrackwellGuid& dialogId, bool save) {
    if (!library.Complete()) {
        return RunPlatformFileDialog(parent, filter, save);
    }
    const std::u16string filterText = filter.toStdU16String();
    TOpenDialogParams params{};
    params.Filter = filterText.c_str();
    params.FilterIndex = 1;
    params.DialogId = dialogId;
    params.SaveDialog = save ? 1 : 0;
    TOpenDialogResults results{};
    library.Brackwell_InitTOpenDialogResults(&results, 1000, 0);
    const auto release = qScopeGuard([&] { library.Brackwell_FreeTOpenDialogResults(&results); });
    if (save) {
        library.Brackwell_SaveDialog(params, &results);
    } else {
        library.Brackwell_OpenDialog(params, &results);
    }
    if (results.Accepted == 0 || results.FileName == nullptr) {
        return std::nullopt;
    }
    return QString::fromUtf16(results.FileName);
}

QStringList ChosenFileNames(const TOpenDialogResults& results) {
    QStringList names;
    const char16_t* name = results.FileNames;
    if (name == nullptr) {
        return names;
    }
    while (*name != 0) {
        const std::u16string_view view(name);
        names.append(QString::fromUtf16(view.data(), static_cast<qsizetype>(view.size())));
        name += view.size() + 1;
    }
    return names;
}

int32_t BrowserCallback(void* /*reserved1*/, uint32_t code, void* data, void* /*reserved2*/) {
    // Called from inside the library: nothing may escape back into it.
    SwallowErrors([&] {
        TBrowserState& state = State();
        switch (code) {
            case BRACKWELL_FILES_CHOSEN:
                if (data != nullptr && state.Host != nullptr) {
                    state.Host->BrowserFilesChosen(ChosenFileNames(*static_cast<TOpenDialogResults*>(data)));
                }
                break;
            case BRACKWELL_RESULTS_DONE:
                if (data != nullptr && state.Library != nullptr && state.Library->Complete()) {
                    state.Library->Brackwell_FreeTOpenDialogResults(static_cast<TOpenDialogResults*>(data));
                }
                break;
            case BRACKWELL_CLOSED:
                state.Window = nullptr;
                if (state.Host != nullptr) {
                    state.Host->BrowserClosed();
                }
                break;
            case BRACKWELL_WINDOW_OPENED:
                state.Window = static_cast<QWidget*>(data);
                break;
            default:
                break;
        }
    });
    return 0;
}
