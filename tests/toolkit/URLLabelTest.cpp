#include <vector>

#include <gtest/gtest.h>

#include <QTest>

#include "URLLabel.h"

namespace {

class URLLabelTest : public testing::Test {
protected:
    void SetUp() override
    {
        previous = TRzURLLabel::SetOpener([this](const QUrl& url) {
            opened.push_back(url);
            return openSucceeds;
        });
        label.setText(QStringLiteral("maker@example.org"));
        label.SetTarget(QStringLiteral("mailto:maker@example.org"));
        label.resize(label.sizeHint());
    }
    void TearDown() override { TRzURLLabel::SetOpener(previous); }

    QColor textColor() const { return label.palette().color(QPalette::WindowText); }
    void click(Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(&label, button, {}, label.rect().center());
    }

    UrlOpener previous;
    std::vector<QUrl> opened;
    bool openSucceeds = true;
    TRzURLLabel label{nullptr};
};

TEST_F(URLLabelTest, ASuccessfulOpenTurnsTheLinkToTheVisitedColour)
{
    EXPECT_EQ(textColor(), QColor(60, 60, 120));
    EXPECT_FALSE(label.Visited());

    click();

    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("mailto:maker@example.org")));
    EXPECT_TRUE(label.Visited());
    EXPECT_EQ(textColor(), QColor(130, 95, 70));

    openSucceeds = false;
    click();
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(textColor(), QColor(130, 95, 70)) << "once visited, stays visited";
}

TEST_F(URLLabelTest, AFailedOpenLeavesTheColourAsItWas)
{
    openSucceeds = false;
    click();
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_FALSE(label.Visited());
    EXPECT_EQ(textColor(), QColor(60, 60, 120));
}

TEST_F(URLLabelTest, OnlyALeftClickOnATargetOpensIt)
{
    click(Qt::RightButton);
    EXPECT_TRUE(opened.empty());

    label.SetTarget(QString());
    click();
    EXPECT_TRUE(opened.empty());
}

TEST_F(URLLabelTest, LooksLikeALink)
{
    EXPECT_EQ(label.font().family(), QStringLiteral("Verdana"));
    EXPECT_EQ(label.font().pixelSize(), 11);
    EXPECT_TRUE(label.font().underline());
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(label.autoFillBackground());
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    EXPECT_EQ(label.Target(), QStringLiteral("mailto:maker@example.org"));
}

TEST(URLLabelOpener, SetOpenerReturnsTheOneItReplaces)
{
    const UrlOpener original = TRzURLLabel::SetOpener([](const QUrl&) { return true; });
    EXPECT_TRUE(original);
    const UrlOpener mine = TRzURLLabel::SetOpener(original);
    ASSERT_TRUE(mine);
    EXPECT_TRUE(mine(QUrl()));
}

} // namespace
