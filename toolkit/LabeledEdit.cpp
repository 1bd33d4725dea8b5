#include "LabeledEdit.h"

#include <functional>

#include <QEvent>

namespace {

constexpr int labelGap = 3;

// A label that tells its edit when its size hint has changed with its font.
class CaptionLabel : public QLabel {
public:
    CaptionLabel(QWidget* parent, std::function<void()> onFontChange)
        : QLabel(parent), onFontChange_(std::move(onFontChange))
    {
    }

protected:
    void changeEvent(QEvent* event) override
    {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange && onFontChange_)
            onFontChange_();
    }

private:
    std::function<void()> onFontChange_;
};

} // namespace

TLabeledEdit::TLabeledEdit(QWidget* parent)
    : QLineEdit(parent), label_(new CaptionLabel(parent, [this] { placeLabel(); }))
{
    setReadOnly(true);
    QPalette p = palette();
    p.setColor(QPalette::Base, CreamColor());
    setPalette(p);
    setStyleSheet(QStringLiteral(
        "TLabeledEdit { background-color: rgb(255, 251, 240); border: 1px solid rgb(160, 160, 160);"
        " border-radius: 0px; padding: 0px 1px; }"));

    // A value reads from its start, as a form's edit shows it; a line edit would otherwise keep
    // its cursor at the end of a new text and scroll a long one's beginning out of view.
    connect(this, &QLineEdit::textChanged, this, [this] { setCursorPosition(0); });

    label_->setTextFormat(Qt::PlainText);
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
    // A hidden edit gets no move events until it is shown; place the label now for whoever asks.
    placeLabel();
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
    // The style sheet paints every pixel of the edit, so nothing behind it needs painting when
    // its text changes; without this every new figure repaints the group boxes and the page
    // beneath it. Set after each polish of the style, which clears it.
    if (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange)
        setAttribute(Qt::WA_OpaquePaintEvent);
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

void TLabeledEdit::placeLabel() const
{
    if (!label_)
        return;
    label_->adjustSize();
    label_->move(x(), y() - labelGap - label_->height());
}
