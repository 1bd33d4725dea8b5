#include <gtest/gtest.h>

#include <QTest>
#include <QWindow>

#include "GlyphButton.h"

namespace {

const QColor background(236, 233, 216);

// Two 16 x 16 pictures on the background colour: a red square, and its grey copy.
QImage lampGlyph()
{
    QImage glyph(32, 16, QImage::Format_Indexed8);
    glyph.setColorTable({background.rgb(), qRgb(255, 0, 0), qRgb(128, 128, 128)});
    glyph.fill(0);
    for (int y = 4; y < 12; ++y) {
        for (int x = 4; x < 12; ++x) {
            glyph.setPixel(x, y, 1);
            glyph.setPixel(x + 16, y, 2);
        }
    }
    return glyph;
}

TEST(GlyphButtonTest, SplitsTheGlyphIntoEnabledAndDisabledPictures)
{
    TRzBitBtn button(nullptr);
    button.SetGlyph(lampGlyph());

    const QImage enabled = button.EnabledPicture().toImage();
    const QImage disabled = button.DisabledPicture().toImage();
    ASSERT_EQ(enabled.size(), QSize(16, 16));
    ASSERT_EQ(disabled.size(), QSize(16, 16));
    EXPECT_EQ(enabled.pixelColor(8, 8), QColor(255, 0, 0));
    EXPECT_EQ(disabled.pixelColor(8, 8), QColor(128, 128, 128));
    EXPECT_EQ(button.iconSize(), QSize(16, 16));
}

TEST(GlyphButtonTest, TheBottomLeftColourIsTransparentInBothPictures)
{
    TRzBitBtn button(nullptr);
    button.SetGlyph(lampGlyph());

    for (const QImage& picture : {button.EnabledPicture().toImage(), button.DisabledPicture().toImage()}) {
        EXPECT_EQ(picture.pixelColor(0, 15).alpha(), 0);
        EXPECT_EQ(picture.pixelColor(15, 0).alpha(), 0) << "every pixel of that colour, not only the corner";
        EXPECT_EQ(picture.pixelColor(8, 8).alpha(), 255);
    }
}

TEST(GlyphButtonTest, TheIconShowsThePictureOfTheButtonsState)
{
    TRzBitBtn button(nullptr);
    button.SetGlyph(lampGlyph());
    EXPECT_EQ(button.icon().pixmap(QSize(16, 16), QIcon::Normal).toImage().pixelColor(8, 8), QColor(255, 0, 0));
    EXPECT_EQ(button.icon().pixmap(QSize(16, 16), QIcon::Disabled).toImage().pixelColor(8, 8),
              QColor(128, 128, 128));
}

TEST(GlyphButtonTest, UsesArialElevenPixels)
{
    TRzBitBtn button(nullptr);
    EXPECT_EQ(button.font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(button.font().pixelSize(), 11);
}

TEST(GlyphButtonTest, TheFrameTurnsCreamWhileTheMouseIsOverIt)
{
    QWidget window;
    window.resize(200, 100);
    auto* button = new TRzBitBtn(&window);
    button->setGeometry(10, 10, 80, 32);
    button->setText(QStringLiteral("Freeze"));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto frameColour = [&] { return button->grab().toImage().pixelColor(0, 16); };

    // Through the window system, which tracks entering and leaving; away from the button first,
    // as the pointer may still rest where an earlier test left it.
    QWindow* handle = window.windowHandle();
    QTest::mouseMove(handle, QPoint(150, 80));
    ASSERT_FALSE(button->underMouse());
    const QColor away = frameColour();
    QTest::mouseMove(handle, QPoint(50, 26));
    ASSERT_TRUE(button->underMouse());
    const QColor over = frameColour();

    EXPECT_NE(over, away);
    // A cream tint: warm, light, red above blue.
    EXPECT_GT(over.red(), 200);
    EXPECT_GT(over.red(), over.blue());
}

} // namespace
