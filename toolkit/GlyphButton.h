#pragma once
// A push button with a two-state glyph and hot tracking.

#include <QImage>
#include <QPixmap>
#include <QPushButton>

class TRzBitBtn : public QPushButton {
    Q_OBJECT
public:
    explicit TRzBitBtn(QWidget* parent);

    // A 32 x 16 picture holding two 16 x 16 pictures side by side: the first shown while enabled,
    // the second (a grey copy) while disabled. The colour of the bottom-left pixel is drawn
    // transparent.
    void SetGlyph(const QImage& glyph);
    QPixmap EnabledPicture() const;
    QPixmap DisabledPicture() const;

private:
    QPixmap enabled_;
    QPixmap disabled_;
};

// A plain push button without glyph.
using TBitBtn = QPushButton;
