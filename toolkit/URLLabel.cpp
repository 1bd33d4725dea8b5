#include "URLLabel.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPalette>

namespace {

bool openWithDesktop(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

UrlOpener& installedOpener()
{
    static UrlOpener opener = openWithDesktop;
    return opener;
}

} // namespace

TRzURLLabel::TRzURLLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(false);
    setCursor(Qt::PointingHandCursor);
    QFont f(QStringLiteral("Verdana"));
    f.setPixelSize(11);
    f.setUnderline(true);
    setFont(f);
    applyColor();
}

void TRzURLLabel::SetTarget(const QString& target)
{
    target_ = target;
}

QString TRzURLLabel::Target() const
{
    return target_;
}

bool TRzURLLabel::Visited() const
{
    return visited_;
}

UrlOpener TRzURLLabel::SetOpener(UrlOpener opener)
{
    if (!opener)
        opener = openWithDesktop;
    return std::exchange(installedOpener(), std::move(opener));
}

QColor TRzURLLabel::LinkColor()
{
    return QColor(60, 60, 120);
}

QColor TRzURLLabel::VisitedColor()
{
    return QColor(130, 95, 70);
}

void TRzURLLabel::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void TRzURLLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = pressed_ && event->button() == Qt::LeftButton
                       && rect().contains(event->position().toPoint());
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (!click || target_.isEmpty())
        return;
    const UrlOpener opener = installedOpener();
    if (opener(QUrl(target_)) && !visited_) {
        visited_ = true;
        applyColor();
    }
}

void TRzURLLabel::applyColor()
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, visited_ ? VisitedColor() : LinkColor());
    setPalette(p);
}
