#include "ErrorReport.h"

#include <QMessageBox>

namespace {

void showMessageBox(const QString& message)
{
    // Without a widget application there is nowhere to show it.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return;
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), message,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

ErrorReporter& installedReporter()
{
    static ErrorReporter reporter = showMessageBox;
    return reporter;
}

} // namespace

void ReportError(const QString& message)
{
    // A copy, so that a reporter that replaces itself is not destroyed while it runs.
    const ErrorReporter reporter = installedReporter();
    reporter(message);
}

ErrorReporter SetErrorReporter(ErrorReporter reporter)
{
    if (!reporter)
        reporter = showMessageBox;
    return std::exchange(installedReporter(), std::move(reporter));
}

void ReportException(std::exception_ptr error)
{
    if (!error)
        return;
    QString message;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    ReportError(message);
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportException(std::current_exception());
        return false;
    }
}
