#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>
#include <QToolButton>

#include "TabSet.h"
#include "TestSupport.h"

namespace {

// Logs its release, so that every release can be counted.
struct Counted {
    Counted(int id, std::vector<int>* released) : id(id), released(released) {}
    ~Counted() { released->push_back(id); }
    int id;
    std::vector<int>* released;
};

struct Change {
    int newTab;
    bool allowOnEntry;
    int indexOnEntry;
    friend bool operator==(const Change&, const Change&) = default;
};

class TabSetTest : public testing::Test {
protected:
    void SetUp() override
    {
        tabs.OnChange = [this](QObject* sender, int newTab, bool& allow) {
            EXPECT_EQ(sender, &tabs);
            changes.push_back({newTab, allow, tabs.TabIndex()});
            if (refuse)
                allow = false;
        };
    }

    void fill(int count)
    {
        for (int i = 0; i < count; ++i)
            tabs.Append(QStringLiteral("10.0.0.%1").arg(i), std::make_unique<Counted>(i, &released));
    }

    // Selects without leaving a trace of the change in the log.
    void select(int index)
    {
        tabs.SetTabIndex(index);
        ASSERT_EQ(tabs.TabIndex(), index);
        changes.clear();
    }

    std::vector<int> ids() const
    {
        std::vector<int> result;
        for (int i = 0; i < tabs.Count(); ++i) {
            const Counted* object = tabs.Object<Counted>(i);
            result.push_back(object != nullptr ? object->id : -1);
        }
        return result;
    }

    std::vector<int> released;
    std::vector<Change> changes;
    bool refuse = false;
    TTabSet tabs;
};

TEST_F(TabSetTest, AppendAddsTabsAtTheEndWithoutSelectingOrNotifying)
{
    fill(3);
    tabs.Append(QStringLiteral("placeholder"));

    ASSERT_EQ(tabs.Count(), 4);
    EXPECT_EQ(tabs.Caption(0), QStringLiteral("10.0.0.0"));
    EXPECT_EQ(tabs.Caption(2), QStringLiteral("10.0.0.2"));
    EXPECT_EQ(tabs.Caption(3), QStringLiteral("placeholder"));
    EXPECT_EQ(ids(), (std::vector<int>{0, 1, 2, -1}));
    EXPECT_EQ(tabs.TabIndex(), -1);
    EXPECT_TRUE(changes.empty());
    EXPECT_TRUE(released.empty());

    select(1);
    tabs.Append(QStringLiteral("10.0.0.9"), std::make_unique<Counted>(9, &released));
    EXPECT_EQ(tabs.TabIndex(), 1);
    EXPECT_TRUE(changes.empty());
}

TEST_F(TabSetTest, ObjectIsNullWithoutAnObjectOfThatTypeAtThatIndex)
{
    fill(1);
    tabs.Append(QStringLiteral("none"));
    EXPECT_NE(tabs.Object<Counted>(0), nullptr);
    EXPECT_EQ(tabs.Object<std::string>(0), nullptr);
    EXPECT_EQ(tabs.Object<Counted>(1), nullptr);
    EXPECT_EQ(tabs.Object<Counted>(-1), nullptr);
    EXPECT_EQ(tabs.Object<Counted>(2), nullptr);
    EXPECT_EQ(tabs.Caption(2), QString());
}

TEST_F(TabSetTest, SettingTheCurrentIndexDoesNothingAtAll)
{
    tabs.SetTabIndex(-1);
    EXPECT_TRUE(changes.empty());

    fill(3);
    select(2);
    tabs.SetTabIndex(2);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(tabs.TabIndex(), 2);
}

TEST_F(TabSetTest, ChangeIsNotifiedBeforeTheTabIsSelected)
{
    fill(3);
    tabs.SetTabIndex(0);
    tabs.SetTabIndex(2);

    EXPECT_EQ(changes, (std::vector<Change>{{0, true, -1}, {2, true, 0}}));
    EXPECT_EQ(tabs.TabIndex(), 2);
}

TEST_F(TabSetTest, AHandlerThatClearsAllowChangeKeepsTheSelection)
{
    fill(3);
    select(1);
    refuse = true;

    tabs.SetTabIndex(0);

    EXPECT_EQ(changes, (std::vector<Change>{{0, true, 1}}));
    EXPECT_EQ(tabs.TabIndex(), 1);
}

TEST_F(TabSetTest, IndexesOutOfRangeAreIgnored)
{
    fill(2);
    tabs.SetTabIndex(2);
    tabs.SetTabIndex(-2);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(tabs.TabIndex(), -1);

    tabs.Delete(2);
    tabs.Delete(-1);
    EXPECT_EQ(tabs.Count(), 2);
    EXPECT_TRUE(released.empty());
}

TEST_F(TabSetTest, AHandlerThatEmptiesTheStripLeavesNothingSelected)
{
    fill(3);
    tabs.OnChange = [this](QObject*, int, bool&) { tabs.Clear(); };

    tabs.SetTabIndex(2);

    EXPECT_EQ(tabs.Count(), 0);
    EXPECT_EQ(tabs.TabIndex(), -1);
    EXPECT_EQ(released, (std::vector<int>{0, 1, 2}));
}

TEST_F(TabSetTest, AHandlerMayReplaceItselfWhileItRuns)
{
    fill(2);
    int calls = 0;
    tabs.OnChange = [this, &calls](QObject*, int, bool&) {
        ++calls;
        tabs.OnChange = nullptr;
    };
    tabs.SetTabIndex(1);
    tabs.SetTabIndex(0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(tabs.TabIndex(), 0);
}

struct DeleteCase {
    const char* name;
    int count;
    int selected;
    int deleted;
    int expectedIndex;
};

TEST_F(TabSetTest, DeleteReleasesTheTabsObjectAndKeepsOrFallsBackTheIndex)
{
    const DeleteCase cases[] = {
        {"first of three, selected", 3, 0, 0, 0},
        {"middle of three, selected", 3, 1, 1, 1},
        {"last of three, selected", 3, 2, 2, 1},
        {"first of three, last selected", 3, 2, 0, 1},
        {"last of three, first selected", 3, 0, 2, 0},
        {"before the selected one", 3, 1, 0, 1},
        {"the only tab", 1, 0, 0, -1},
        {"none selected", 3, -1, 1, -1},
    };
    for (const DeleteCase& c : cases) {
        SCOPED_TRACE(c.name);
        tabs.Clear();
        released.clear();
        changes.clear();
        fill(c.count);
        if (c.selected >= 0)
            select(c.selected);
        std::vector<int> expectedIds = ids();
        expectedIds.erase(expectedIds.begin() + c.deleted);

        tabs.Delete(c.deleted);

        EXPECT_EQ(released, std::vector<int>{c.deleted});
        EXPECT_EQ(ids(), expectedIds);
        EXPECT_EQ(tabs.TabIndex(), c.expectedIndex);
        EXPECT_TRUE(changes.empty());
    }
}

struct PreviousCase {
    const char* name;
    int count;
    int selected;
    int expectedIndex;
};

TEST_F(TabSetTest, SelectPreviousStepsBackAndWrapsToTheLastTab)
{
    const PreviousCase cases[] = {
        {"no tabs", 0, -1, -1},
        {"one tab", 1, 0, 0},
        {"two tabs, second selected", 2, 1, 0},
        {"two tabs, first selected", 2, 0, 1},
        {"three tabs, first selected", 3, 0, 2},
        {"three tabs, last selected", 3, 2, 1},
        {"three tabs, none selected", 3, -1, 2},
    };
    for (const PreviousCase& c : cases) {
        SCOPED_TRACE(c.name);
        tabs.Clear();
        changes.clear();
        fill(c.count);
        if (c.selected >= 0)
            select(c.selected);

        tabs.SelectPrevious();

        EXPECT_EQ(tabs.TabIndex(), c.expectedIndex);
        if (c.expectedIndex == c.selected)
            EXPECT_TRUE(changes.empty());
        else
            EXPECT_EQ(changes, (std::vector<Change>{{c.expectedIndex, true, c.selected}}));
    }
}

TEST_F(TabSetTest, SelectPreviousGoesThroughTheChangeNotification)
{
    fill(3);
    select(2);
    refuse = true;
    tabs.SelectPrevious();
    EXPECT_EQ(changes, (std::vector<Change>{{1, true, 2}}));
    EXPECT_EQ(tabs.TabIndex(), 2);
}

TEST_F(TabSetTest, ClearReleasesEveryObjectOnceInTabOrder)
{
    fill(4);
    select(3);

    tabs.Clear();

    EXPECT_EQ(released, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(tabs.Count(), 0);
    EXPECT_EQ(tabs.TabIndex(), -1);
    EXPECT_TRUE(changes.empty());

    tabs.Clear();
    EXPECT_EQ(released.size(), 4u);
}

TEST_F(TabSetTest, AssistiveToolsSeeEachTabAndCanSelectIt)
{
    fill(3);
    select(1);
    QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(&tabs);
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->role(), QAccessible::PageTabList);
    ASSERT_EQ(strip->childCount(), 3);
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface* tab = strip->child(i);
        ASSERT_NE(tab, nullptr);
        EXPECT_EQ(tab->role(), QAccessible::PageTab);
        EXPECT_EQ(tab->text(QAccessible::Name), tabs.Caption(i));
        EXPECT_EQ(tab->state().selected, i == 1);
        EXPECT_EQ(strip->indexOfChild(tab), i);
        EXPECT_EQ(tab->parent(), strip);
    }

    QAccessibleInterface* last = strip->child(2);
    last->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(changes, (std::vector<Change>{{2, true, 1}})) << "the same path as a click";
    EXPECT_EQ(tabs.TabIndex(), 2);

    tabs.Delete(2);
    EXPECT_EQ(strip->childCount(), 2);
    EXPECT_FALSE(last->isValid());
    EXPECT_EQ(last->text(QAccessible::Name), QString());
}

TEST(TabSetLifetime, DestructorReleasesWhatIsLeftOnce)
{
    std::vector<int> released;
    {
        TTabSet tabs;
        for (int i = 0; i < 4; ++i)
            tabs.Append(QString::number(i), std::make_unique<Counted>(i, &released));
        tabs.Delete(1);
        EXPECT_EQ(released, std::vector<int>{1});
    }
    EXPECT_EQ(released, (std::vector<int>{1, 0, 2, 3}));
}

TEST(TabSetLifetime, AnObjectMayLookAtTheStripWhileItIsReleased)
{
    struct Inspector {
        Inspector(TTabSet* tabs, std::vector<int>* countsSeen) : tabs(tabs), countsSeen(countsSeen) {}
        ~Inspector() { countsSeen->push_back(tabs->Count()); }
        TTabSet* tabs;
        std::vector<int>* countsSeen;
    };
    std::vector<int> countsSeen;
    TTabSet tabs;
    for (int i = 0; i < 3; ++i)
        tabs.Append(QString::number(i), std::make_unique<Inspector>(&tabs, &countsSeen));
    tabs.Delete(0);
    tabs.Clear();
    EXPECT_EQ(countsSeen, (std::vector<int>{2, 0, 0}));
}

// The strip as the user sees it: shown, 21 px high at the foot of a page.
class ShownTabSetTest : public TabSetTest {
protected:
    void SetUp() override
    {
        TabSetTest::SetUp();
        tabs.resize(400, 21);
        tabs.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&tabs));
    }

    QToolButton* arrow(const char* name) { return tabs.findChild<QToolButton*>(QLatin1String(name)); }
};

TEST_F(ShownTabSetTest, AClickOnATabGoesThroughTheChangeNotification)
{
    fill(3);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(tabs.TabRect(i).isEmpty()) << i;

    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.TabRect(2).center());
    EXPECT_EQ(changes, (std::vector<Change>{{2, true, -1}}));
    EXPECT_EQ(tabs.TabIndex(), 2);

    changes.clear();
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.TabRect(2).center());
    EXPECT_TRUE(changes.empty());

    refuse = true;
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.TabRect(0).center());
    EXPECT_EQ(changes, (std::vector<Change>{{0, true, 2}}));
    EXPECT_EQ(tabs.TabIndex(), 2);

    refuse = false;
    changes.clear();
    QTest::mouseClick(&tabs, Qt::RightButton, {}, tabs.TabRect(1).center());
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, QPoint(395, 10));
    EXPECT_TRUE(changes.empty()) << "a right click, and a click beside the tabs, select nothing";
}

TEST_F(ShownTabSetTest, AnErrorFromTheHandlerOfAClickIsReported)
{
    fill(2);
    ReportCapture reports;
    tabs.OnChange = [](QObject*, int, bool&) { throw std::runtime_error("no record"); };
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.TabRect(1).center());
    EXPECT_EQ(reports.messages, QStringList{QStringLiteral("no record")});
    EXPECT_EQ(tabs.TabIndex(), -1);
}

TEST_F(ShownTabSetTest, TabsFollowAFontChange)
{
    fill(3);
    const int before = tabs.TabRect(1).width();
    QFont larger = tabs.font();
    larger.setPixelSize(2 * QFontInfo(larger).pixelSize());
    tabs.setFont(larger);
    EXPECT_GT(tabs.TabRect(1).width(), before);
    EXPECT_GT(tabs.TabRect(1).left(), 0);
}

TEST_F(ShownTabSetTest, TabsThatDoNotFitGetScrollArrows)
{
    fill(3);
    EXPECT_FALSE(arrow("ScrollRight")->isVisible());

    fill(60);
    ASSERT_TRUE(arrow("ScrollRight")->isVisible());
    ASSERT_TRUE(arrow("ScrollLeft")->isVisible());
    EXPECT_TRUE(tabs.TabRect(62).isEmpty());
    const QRect arrowArea = arrow("ScrollLeft")->geometry();
    int lastShown = 0;
    while (!tabs.TabRect(lastShown + 1).isEmpty())
        ++lastShown;
    EXPECT_LE(tabs.TabRect(lastShown).right(), arrowArea.left()) << "tabs stay clear of the arrows";
    EXPECT_FALSE(arrow("ScrollLeft")->isEnabled());

    QTest::mouseClick(arrow("ScrollRight"), Qt::LeftButton);
    QTest::mouseClick(arrow("ScrollRight"), Qt::LeftButton);
    EXPECT_EQ(tabs.FirstVisibleTab(), 2);
    EXPECT_TRUE(tabs.TabRect(1).isEmpty());
    EXPECT_EQ(tabs.TabRect(2).left(), 0);
    EXPECT_FALSE(tabs.TabRect(lastShown + 1).isEmpty());
    EXPECT_TRUE(arrow("ScrollLeft")->isEnabled());

    QTest::mouseClick(arrow("ScrollLeft"), Qt::LeftButton);
    EXPECT_EQ(tabs.FirstVisibleTab(), 1);
    EXPECT_TRUE(changes.empty()) << "scrolling selects nothing";

    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.TabRect(3).center());
    EXPECT_EQ(tabs.TabIndex(), 3) << "a click on a scrolled tab selects that tab";
}

TEST_F(ShownTabSetTest, ScrollingStopsAtTheLastTab)
{
    fill(60);
    for (int i = 0; i < 100; ++i)
        QTest::mouseClick(arrow("ScrollRight"), Qt::LeftButton);
    EXPECT_FALSE(tabs.TabRect(59).isEmpty());
    EXPECT_FALSE(arrow("ScrollRight")->isEnabled());
    EXPECT_GT(tabs.FirstVisibleTab(), 0);
    EXPECT_LT(tabs.FirstVisibleTab(), 59) << "the last view still fills the strip";
}

TEST_F(ShownTabSetTest, ASelectedTabIsScrolledIntoView)
{
    fill(60);
    tabs.SetTabIndex(50);
    EXPECT_FALSE(tabs.TabRect(50).isEmpty());
    tabs.SetTabIndex(0);
    EXPECT_EQ(tabs.FirstVisibleTab(), 0);
}

TEST_F(ShownTabSetTest, ArrowsGoWhenTheTabsFitAgain)
{
    fill(60);
    QTest::mouseClick(arrow("ScrollRight"), Qt::LeftButton);
    tabs.Clear();
    EXPECT_FALSE(arrow("ScrollRight")->isVisible());
    EXPECT_EQ(tabs.FirstVisibleTab(), 0);
    fill(2);
    EXPECT_FALSE(tabs.TabRect(0).isEmpty());
}

TEST_F(ShownTabSetTest, SelectedTabIsGreenOthersButtonFaceOnACheckerboard)
{
    fill(3);
    select(1);
    const QImage image = tabs.grab().toImage();
    const QColor face = tabs.palette().color(QPalette::Button);
    // Near the top left of a tab, inside its slanted edge and clear of the caption.
    const auto fillOf = [&](int index) {
        const QRect r = tabs.TabRect(index);
        return image.pixelColor(r.left() + 8, r.top() + 3);
    };
    EXPECT_EQ(fillOf(1), QColor(0, 128, 0));
    EXPECT_EQ(fillOf(0), face);
    EXPECT_EQ(fillOf(2), face);

    // Soft top edge: the top row of a tab is its fill, not a dark line.
    EXPECT_EQ(image.pixelColor(tabs.TabRect(0).center().x(), 0), face);
    EXPECT_EQ(image.pixelColor(tabs.TabRect(1).center().x(), 0), QColor(0, 128, 0));

    // The caption of the selected tab is drawn in white.
    bool white = false;
    const QRect selected = tabs.TabRect(1);
    for (int y = selected.top(); y < selected.bottom(); ++y)
        for (int x = selected.left() + 6; x < selected.right() - 6; ++x)
            white = white || image.pixelColor(x, y) == QColor(Qt::white);
    EXPECT_TRUE(white);

    // Beside the tabs: button face and white pixels alternate.
    const int x = 300, y = 10;
    const QColor a = image.pixelColor(x, y), b = image.pixelColor(x + 1, y), c = image.pixelColor(x, y + 1);
    EXPECT_TRUE((a == face && b == QColor(Qt::white)) || (a == QColor(Qt::white) && b == face));
    EXPECT_EQ(b, c);
}

} // namespace
