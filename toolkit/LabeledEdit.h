#pragma once
// A read-only value edit with its own caption label above it.

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QString>

class TLabeledEdit : public QLineEdit {
    Q_OBJECT
public:
    // A value edit: read-only (text selectable and copyable), cream background, flat border.
    // Its look comes from its own style sheet: set text colours and fonts through the palette
    // and setFont(), which it honours.
    explicit TLabeledEdit(QWidget* parent);
    ~TLabeledEdit() override;

    // Its label, a sibling in the same parent, 3 px above the edit and left-aligned with it.
    QLabel* EditLabel() const;
    // The label sizes itself to its text.
    void SetLabelCaption(const QString& text);

    static QColor CreamColor();

protected:
    bool event(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeLabel() const;

    QPointer<QLabel> label_;
};
