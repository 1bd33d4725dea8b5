#include "LabeledEdit.h"

#include <QEvent>

namespace {

constexpr int labelGap = 3;

} // namespace

TLabeledEdit::TLabeledEdit(QWidget* parent) : QLineEdit(parent), label_(new QLabel(parent))
{
    setReadOnly(true);
    QPalette p = palette();
    p.setColor(QPalette::Base, CreamColor());
    setPalette(p);
    setStyleSheet(QStringLiteral(
        "TLabeledEdit { background-color: rgb(255, 251, 240); border: 1px solid rgb(160, 160, 160);"
        " border-radius: 0px; padding: 0px 1px; }"));

    label_->setTextFormat(Qt::PlainText);
    label_->installEventFilter(this);
    connect(this, &QObject::objectNameChanged, label_,
            [label = label_.data()](const QString& name) { label->setObjectName(name + QStringLiteral("Label")); });
    placeLabel();
}

TLabeledEdit::~TLabeledEdit()
{
    delete label_.data();
}

QLabel* TLabeledEdit::EditLabel() const
{
    return label_.data();
}

void TLabeledEdit::SetLabelCaption(const QString& text)
{
    if (!label_)
        return;
    label_->setText(text);
    placeLabel();
}

QColor TLabeledEdit::CreamColor()
{
    return QColor(255, 251, 240);
}

bool TLabeledEdit::event(QEvent* event)
{
    const bool result = QLineEdit::event(event);
    if (label_) {
        switch (event->type()) {
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
            label_->setVisible(!isHidden());
            break;
        case QEvent::ParentChange:
            label_->setParent(parentWidget());
            label_->setVisible(!isHidden());
            placeLabel();
            break;
        default:
            break;
        }
    }
    return result;
}

bool TLabeledEdit::eventFilter(QObject* watched, QEvent* event)
{
    // The label takes its parent's font; it must size itself again when that changes.
    if (watched == label_ && event->type() == QEvent::FontChange)
        placeLabel();
    return QLineEdit::eventFilter(watched, event);
}

void TLabeledEdit::moveEvent(QMoveEvent* event)
{
    QLineEdit::moveEvent(event);
    placeLabel();
}

void TLabeledEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    placeLabel();
}

void TLabeledEdit::placeLabel()
{
    if (!label_)
        return;
    label_->adjustSize();
    label_->move(x(), y() - labelGap - label_->height());
}
