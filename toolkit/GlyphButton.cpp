#include "GlyphButton.h"

#include <QIcon>

namespace {

// A white face; while the mouse is over the button its frame takes tints of cream.
constexpr auto buttonStyle = R"(
TRzBitBtn {
    background-color: rgb(255, 255, 255);
    border: 1px solid rgb(160, 160, 160);
    border-radius: 2px;
    padding: 2px 6px;
}
TRzBitBtn:hover {
    border: 2px solid rgb(230, 214, 170);
    background-color: rgb(255, 251, 240);
}
TRzBitBtn:pressed {
    border: 2px solid rgb(214, 190, 130);
    background-color: rgb(248, 240, 220);
}
TRzBitBtn:disabled {
    color: rgb(160, 160, 160);
}
)";

constexpr int glyphSide = 16;

QImage greyCopy(const QImage& image)
{
    QImage grey = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int g = qGray(line[x]);
            line[x] = qRgba(g, g, g, qAlpha(line[x]));
        }
    }
    return grey;
}

} // namespace

TRzBitBtn::TRzBitBtn(QWidget* parent) : QPushButton(parent)
{
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(11);
    setFont(f);
    setStyleSheet(QString::fromLatin1(buttonStyle));
    setIconSize(QSize(glyphSide, glyphSide));
}

void TRzBitBtn::SetGlyph(const QImage& glyph)
{
    if (glyph.isNull()) {
        enabled_ = QPixmap();
        disabled_ = QPixmap();
        setIcon(QIcon());
        return;
    }
    QImage image = glyph.convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == transparent)
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
    // Two pictures side by side; a picture that holds only one gets a grey copy for disabled.
    const int side = image.height();
    QImage first = image;
    QImage second;
    if (image.width() >= 2 * side) {
        first = image.copy(0, 0, side, side);
        second = image.copy(side, 0, side, side);
    } else {
        second = greyCopy(image);
    }
    enabled_ = QPixmap::fromImage(first);
    disabled_ = QPixmap::fromImage(second);
    QIcon icon;
    icon.addPixmap(enabled_, QIcon::Normal);
    icon.addPixmap(enabled_, QIcon::Active);
    icon.addPixmap(disabled_, QIcon::Disabled);
    setIcon(icon);
    setIconSize(first.size());
}

QPixmap TRzBitBtn::EnabledPicture() const
{
    return enabled_;
}

QPixmap TRzBitBtn::DisabledPicture() const
{
    return disabled_;
}
