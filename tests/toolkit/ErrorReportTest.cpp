#include <stdexcept>

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "ErrorReport.h"
#include "TestSupport.h"

namespace {

TEST(ErrorReportTest, ExceptionsBecomeTheirMessageOrUnknownError)
{
    ReportCapture reports;
    ReportException(std::make_exception_ptr(std::runtime_error("table too large")));
    ReportException(std::make_exception_ptr(std::bad_alloc()));
    ReportException(std::make_exception_ptr(42));
    ReportException(nullptr);
    EXPECT_EQ(reports.messages,
              (QStringList{QStringLiteral("table too large"), QString::fromLocal8Bit(std::bad_alloc().what()),
                           QStringLiteral("Unknown error")}));
}

TEST(ErrorReportTest, SetErrorReporterReturnsTheOneItReplaces)
{
    QStringList first, second;
    const ErrorReporter original = SetErrorReporter([&](const QString& m) { first.append(m); });
    const ErrorReporter mine = SetErrorReporter([&](const QString& m) { second.append(m); });
    ReportError(QStringLiteral("a"));
    mine(QStringLiteral("b"));
    SetErrorReporter(original);
    EXPECT_EQ(first, QStringList{QStringLiteral("b")});
    EXPECT_EQ(second, QStringList{QStringLiteral("a")});
}

TEST(ErrorReportTest, GuardedReportsWhatEscapesTheHandler)
{
    ReportCapture reports;
    int sum = 0;
    auto handler = Guarded([&](int a, int b) {
        sum = a + b;
        if (sum > 10)
            throw std::runtime_error("too much");
    });
    handler(2, 3);
    EXPECT_EQ(sum, 5);
    EXPECT_TRUE(reports.messages.isEmpty());
    EXPECT_NO_THROW(handler(7, 8));
    EXPECT_EQ(reports.messages, QStringList{QStringLiteral("too much")});
}

TEST(ErrorReportTest, GuardedHandlersConnectToSignalsWithMoreArguments)
{
    ReportCapture reports;
    QPushButton button;
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, &button, Guarded([&] {
                         ++clicks;
                         throw std::logic_error("click failed");
                     }));
    button.click();
    button.click();
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(reports.messages.size(), 2);
}

TEST(ErrorReportTest, TheDefaultReportIsACriticalMessageBoxInPlainText)
{
    const QString message = QStringLiteral("<b>eth0</b> & more");
    QString shownText;
    Qt::TextFormat shownFormat = Qt::AutoText;
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shownText = box->text();
        shownFormat = box->textFormat();
        shownIcon = box->icon();
        box->accept();
    });
    ReportError(message);
    EXPECT_EQ(shownText, message);
    EXPECT_EQ(shownFormat, Qt::PlainText);
    EXPECT_EQ(shownIcon, QMessageBox::Critical);
}

} // namespace
