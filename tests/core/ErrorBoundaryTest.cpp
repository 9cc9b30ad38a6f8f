#include "ErrorBoundary.h"

#include "Exceptions.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

template <class Throw>
QString MessageOf(Throw&& raise) {
    try {
        raise();
    } catch (...) {
        return CurrentExceptionMessage();
    }
    return {};
}

TEST(ErrorBoundaryTest, CurrentExceptionMessageByKind) {
    EXPECT_EQ(MessageOf([] { throw EFileError(QStringLiteral("Cannot write file \"Grüße.ini\".")); }),
              QStringLiteral("Cannot write file \"Grüße.ini\"."));
    EXPECT_EQ(MessageOf([] { throw std::runtime_error("caf\xC3\xA9"); }), QStringLiteral("café"));
    EXPECT_EQ(MessageOf([] { throw 42; }), QStringLiteral("Unknown error"));
}

class ErrorReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetErrorReportSink([this](const QString& message) { Reports.append(message); });
    }
    void TearDown() override { SetErrorReportSink({}); }

    QStringList Reports;
};

TEST_F(ErrorReportTest, ReportErrorsShowsTheFailureAndGoesOn) {
    bool ran = false;
    ReportErrors(nullptr, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(Reports.isEmpty());

    ReportErrors(nullptr, [] { throw EAppError(QStringLiteral("The list file is damaged.")); });
    EXPECT_EQ(Reports, QStringList{QStringLiteral("The list file is damaged.")});
}

TEST_F(ErrorReportTest, SwallowErrorsEndsSilently) {
    SwallowErrors([] { throw std::runtime_error("ignored"); });
    EXPECT_TRUE(Reports.isEmpty());
}

// Without a sink the report is a critical message box titled with the program's name.
TEST(ErrorBoundaryTest, DefaultReportIsAMessageBox) {
    const QString savedName = QGuiApplication::applicationDisplayName();
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Orvalis"));
    QString title;
    QString text;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->reject();
        }
    });
    closer.start(10);
    ShowErrorReport(nullptr, QStringLiteral("Disk full"));
    QGuiApplication::setApplicationDisplayName(savedName);

    EXPECT_EQ(title, QStringLiteral("Orvalis"));
    EXPECT_EQ(text, QStringLiteral("Disk full"));
}

}  // namespace
