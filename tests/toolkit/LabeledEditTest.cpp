#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QTest>

#include "LabeledEdit.h"
#include "TestSupport.h"

namespace {

class LabeledEditTest : public testing::Test {
protected:
    void SetUp() override
    {
        parent.resize(300, 200);
        edit = new TLabeledEdit(&parent);
        edit->setGeometry(8, 32, 272, 20);
        edit->SetLabelCaption(QStringLiteral("Adapter description"));
    }

    void expectLabelAboveEdit()
    {
        const QLabel* label = edit->EditLabel();
        EXPECT_EQ(label->geometry().bottom() + 1, edit->y() - 3) << "3 px above the edit";
        EXPECT_EQ(label->x(), edit->x());
        EXPECT_EQ(label->size(), label->sizeHint()) << "sized to its text";
    }

    QWidget parent;
    TLabeledEdit* edit = nullptr;
};

TEST_F(LabeledEditTest, LabelSitsThreePixelsAboveLeftAlignedAndSizedToItsText)
{
    QLabel* label = edit->EditLabel();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->parentWidget(), &parent);
    EXPECT_EQ(label->text(), QStringLiteral("Adapter description"));
    expectLabelAboveEdit();

    const int shortWidth = label->width();
    edit->SetLabelCaption(QStringLiteral("Adapter description, a longer one"));
    EXPECT_GT(label->width(), shortWidth);
    expectLabelAboveEdit();
}

TEST_F(LabeledEditTest, LabelFollowsTheEditWhenItMovesOrResizes)
{
    edit->move(40, 90);
    expectLabelAboveEdit();
    edit->setGeometry(12, 60, 100, 30);
    expectLabelAboveEdit();
}

TEST_F(LabeledEditTest, LabelTakesTheParentsFontNotTheEdits)
{
    QFont editFont(QStringLiteral("MS Sans Serif"));
    editFont.setPixelSize(11);
    edit->setFont(editFont);
    QFont parentFont(QStringLiteral("Arial"));
    parentFont.setPixelSize(20);
    parent.setFont(parentFont);

    EXPECT_EQ(edit->EditLabel()->font().pixelSize(), 20);
    expectLabelAboveEdit();
}

TEST_F(LabeledEditTest, LabelShowsAndHidesWithTheEdit)
{
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    EXPECT_TRUE(edit->EditLabel()->isVisible());
    edit->hide();
    EXPECT_FALSE(edit->EditLabel()->isVisible());
    edit->show();
    EXPECT_TRUE(edit->EditLabel()->isVisible());
}

TEST_F(LabeledEditTest, LabelIsNamedAfterTheEditAndShowsPlainText)
{
    edit->setObjectName(QStringLiteral("ledMACAddress"));
    EXPECT_EQ(edit->EditLabel()->objectName(), QStringLiteral("ledMACAddressLabel"));
    EXPECT_EQ(parent.findChild<QLabel*>(QStringLiteral("ledMACAddressLabel")), edit->EditLabel());
    EXPECT_EQ(edit->EditLabel()->textFormat(), Qt::PlainText);
}

TEST_F(LabeledEditTest, LabelGoesWithTheEdit)
{
    const QPointer<QLabel> label = edit->EditLabel();
    delete edit;
    EXPECT_TRUE(label.isNull());
}

TEST_F(LabeledEditTest, ValueIsReadOnlyButSelectableAndCopyable)
{
    edit->setText(QStringLiteral("00-1A-2B-3C-4D-5E"));
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("xyz"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QStringLiteral("00-1A-2B-3C-4D-5E"));

    edit->selectAll();
    EXPECT_EQ(edit->selectedText(), QStringLiteral("00-1A-2B-3C-4D-5E"));
    edit->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("00-1A-2B-3C-4D-5E"));
}

TEST_F(LabeledEditTest, TextWiderThanTheEditShowsItsBeginning)
{
    edit->resize(60, 20);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    for (const QString& text : {QStringLiteral("02-0A-BC-3D-EF-01-22-33"),
                                QStringLiteral("Red Hat, Inc. Virtio 1.0 network device (eth0)")}) {
        edit->setText(text);
        // The line edit scrolls to keep its cursor in view: at 0, the text's start shows.
        EXPECT_EQ(edit->cursorPosition(), 0) << text.toStdString();
    }
}

TEST_F(LabeledEditTest, BackgroundIsCream)
{
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    const QImage image = edit->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2), QColor(255, 251, 240));
    EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(255, 251, 240));
}

TEST_F(LabeledEditTest, TextColourAndFontSetByTheWindowShow)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    edit->setFont(font);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, QColor(255, 0, 0));
    edit->setPalette(palette);
    edit->setText(QStringLiteral("MMMMMMMM"));
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));

    const QImage image = edit->grab().toImage();
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            red += image.pixelColor(x, y) == QColor(255, 0, 0) ? 1 : 0;
    EXPECT_GT(red, 0);
    EXPECT_EQ(edit->font().pixelSize(), 11);
    EXPECT_EQ(image.pixelColor(image.width() - 4, image.height() / 2), QColor(255, 251, 240));
}

// Counts the paint events of the widgets it watches.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// A new figure every second must not repaint what lies beneath the edit: the edit covers its
// whole place itself, so nothing behind it shows through.
TEST_F(LabeledEditTest, NewTextRepaintsTheEditAloneWhichCoversItsWholePlace)
{
    QPalette magenta = parent.palette();
    magenta.setColor(QPalette::Window, Qt::magenta);
    parent.setPalette(magenta);
    parent.setAutoFillBackground(true);
    edit->setText(QStringLiteral("1.00 KB"));
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));

    QImage drawn(edit->size(), QImage::Format_RGB32);
    drawn.fill(Qt::magenta);
    edit->render(&drawn, QPoint(), QRegion(), QWidget::RenderFlags());
    int uncovered = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            uncovered += drawn.pixelColor(x, y) == QColor(Qt::magenta) ? 1 : 0;
    EXPECT_EQ(uncovered, 0) << "pixels of the edit that it leaves to its parent";

    PaintCounter parentPaints;
    PaintCounter editPaints;
    parent.installEventFilter(&parentPaints);
    edit->installEventFilter(&editPaints);
    edit->setText(QStringLiteral("2.00 KB"));
    ASSERT_TRUE(waitUntil([&] { return editPaints.paints > 0; }));
    QApplication::processEvents();
    EXPECT_EQ(parentPaints.paints, 0);
}

} // namespace
