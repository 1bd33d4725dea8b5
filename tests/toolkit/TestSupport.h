#pragma once
// Helpers of the toolkit's tests.

#include <QDeadlineTimer>
#include <QStringList>
#include <QTest>

#include "ErrorReport.h"

// Waits for a condition while the event loop runs, instead of sleeping a fixed time.
template <typename Predicate>
bool waitUntil(Predicate done, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(2);
    }
    return true;
}

// Collects the error reports made while it lives, in place of the message box.
class ReportCapture {
public:
    ReportCapture()
        : previous_(SetErrorReporter([this](const QString& message) { messages.append(message); }))
    {
    }
    ~ReportCapture() { SetErrorReporter(previous_); }
    ReportCapture(const ReportCapture&) = delete;
    ReportCapture& operator=(const ReportCapture&) = delete;

    QStringList messages;

private:
    ErrorReporter previous_;
};
