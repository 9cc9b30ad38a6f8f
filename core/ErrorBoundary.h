#pragma once

#include <QString>

#include <exception>
#include <functional>

class QWidget;

// Every event handler is a boundary that no exception crosses. A handler wraps its body in one of the
// two helpers below, so that the rule for that handler can be read where it is written:
//   ReportErrors  - the command's failure is shown in a message box with the exception's text and the
//                   program goes on (toolbar buttons, the image list, its popup menu, timers);
//   SwallowErrors - the failure ends the handler silently (the main window's own messages: main-menu
//                   commands, dropped files, thumbnail results, resizing, closing).

// The text of the exception in flight; only valid inside a catch block.
QString CurrentExceptionMessage();

// Shows `message` in the application's default error report. Tests replace the report with a sink so
// that no modal box blocks them; passing an empty function restores the message box.
void ShowErrorReport(QWidget* parent, const QString& message);
void SetErrorReportSink(std::function<void(const QString&)> sink);

template <class Body>
void ReportErrors(QWidget* parent, Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        try {
            ShowErrorReport(parent, CurrentExceptionMessage());
        } catch (...) {
            // The report itself failed (out of memory, no GUI): nothing more can be done here.
        }
    }
}

template <class Body>
void SwallowErrors(Body&& body) noexcept {
    try {
        body();
    } catch (...) {
    }
}
