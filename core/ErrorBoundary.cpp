#include "ErrorBoundary.h"

#include "Exceptions.h"

#include <QApplication>
#include <QMessageBox>

#include <utility>

namespace {

std::function<void(const QString&)>& ErrorReportSink() {
    static std::function<void(const QString&)> sink;
    return sink;
}

}  // namespace

QString CurrentExceptionMessage() {
    if (!std::current_exception()) {
        return QStringLiteral("Unknown error");
    }
    try {
        throw;
    } catch (const EAppError& error) {
        return error.Message;
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void ShowErrorReport(QWidget* parent, const QString& message) {
    if (const auto& sink = ErrorReportSink()) {
        sink(message);
        return;
    }
    // A message box needs the widget application; without one the report goes to the log instead.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        qCritical("%s", qUtf8Printable(message));
        return;
    }
    QMessageBox::critical(parent, QGuiApplication::applicationDisplayName(), message);
}

void SetErrorReportSink(std::function<void(const QString&)> sink) {
    ErrorReportSink() = std::move(sink);
}
