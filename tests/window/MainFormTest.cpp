// The main window driven as a user drives it, on the scripted interface table.
#include <chrono>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>

#include "DisplayText.h"
#include "ErrorReport.h"
#include "GlyphButton.h"
#include "IPHelper.h"
#include "LabeledEdit.h"
#include "LocalClock.h"
#include "MainFormUnit.h"
#include "PlatformDouble.h"
#include "TabSet.h"
#include "Timer.h"
#include "TrafficUnit.h"
#include "URLLabel.h"

namespace {

using namespace std::chrono;
using brisvale::testing::addrTable;
using brisvale::testing::ifTable;

QString zh(const char* text)
{
    return QString::fromUtf8(text);
}

QString bytes(DWORD amount)
{
    return QString::fromStdString(FormatBytes(amount));
}

struct Adapter {
    DWORD index;
    const char* description;
    BYTE lastOctet;  // of 10.0.0.x; 0 for an adapter without an IPv4 address
};

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousClock = SetLocalClock([this] { return clock; });
        previousReporter = SetErrorReporter([this](const QString& message) { reports << message; });
        start();
    }

    void TearDown() override
    {
        stop();
        SetErrorReporter(previousReporter);
        SetLocalClock(previousClock);
    }

    // A fresh window on an empty interface table.
    void start()
    {
        brisvale::testing::resetPlatform();
        changes.clear();
        reports.clear();
        form = std::make_unique<TMainForm>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    void stop()
    {
        form.reset();
        brisvale::testing::resetPlatform();
    }

    static MIB_IFROW& row(DWORD index)
    {
        for (MIB_IFROW& row : ifTable().rows)
            if (row.dwIndex == index)
                return row;
        throw std::logic_error("no such row");
    }

    static void plug(const Adapter& adapter, DWORD in = 0, DWORD out = 0, DWORD speed = 100000000)
    {
        MIB_IFROW row = brisvale::testing::makeIfRow(adapter.index, in, out, speed);
        brisvale::testing::setDescription(row, adapter.description);
        ifTable().rows.push_back(row);
        if (adapter.lastOctet != 0)
            addrTable().rows.push_back(brisvale::testing::makeAddrRow(adapter.index, 10, 0, 0, adapter.lastOctet));
    }

    static void unplug(DWORD index)
    {
        std::erase_if(ifTable().rows, [index](const MIB_IFROW& row) { return row.dwIndex == index; });
    }

    static QString caption(BYTE lastOctet)
    {
        return QString::fromStdString(IPAddrToStr(brisvale::testing::makeAddrRow(0, 10, 0, 0, lastOctet).dwAddr));
    }

    void cycle() { form->TimerTimer(form->Timer); }

    QStringList tabCaptions() const
    {
        QStringList captions;
        for (int i = 0; i < form->TrafficTabs->Count(); ++i)
            captions << form->TrafficTabs->Caption(i);
        return captions;
    }

    void clickTab(int index)
    {
        const QRect place = form->TrafficTabs->TabRect(index);
        ASSERT_FALSE(place.isEmpty()) << "tab " << index << " is not on show";
        QTest::mouseClick(form->TrafficTabs, Qt::LeftButton, {}, place.center());
    }

    // The way a user reaches the two buttons below the bar: back from the check box.
    void pressFromKeyboard(QPushButton* button)
    {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->cbOnTop->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 3 && QApplication::focusWidget() != button; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        ASSERT_EQ(QApplication::focusWidget(), button) << "not reachable from the keyboard";
        QTest::keyClick(button, Qt::Key_Space);
    }

    // Counts the strip's change notifications and the tabs they were for.
    void watchChanges()
    {
        TTabChangeEvent original = form->TrafficTabs->OnChange;
        form->TrafficTabs->OnChange = [this, original](QObject* sender, int newTab, bool& allow) {
            changes.push_back(newTab);
            original(sender, newTab, allow);
        };
    }

    // Puts a probe into every record in the list: its use count tells how many records live.
    void probeRecords()
    {
        for (int i = 0; i < form->TrafficTabs->Count(); ++i) {
            TTraffic* record = form->TrafficTabs->Object<TTraffic>(i);
            record->OnUnFreeze = [probe = probe, handler = record->OnUnFreeze](TTraffic* sender) { handler(sender); };
        }
    }
    long liveRecords() const { return probe.use_count() - 1; }

    QList<TLabeledEdit*> valueEdits() const
    {
        return {form->ledAdapterDescription, form->ledMACAddress, form->ledSpeed,    form->ledStartedAt,
                form->ledActiveFor,          form->ledOctInSec,   form->ledPeakINSec, form->ledAvgINSec,
                form->ledTotalIN,            form->ledOctOUTSec,  form->ledPeakOUTSec, form->ledAvgOUTSec,
                form->ledTotalOUT};
    }

    static bool shown(const QWidget* widget) { return !widget->isHidden(); }

    TDateTime clock = local_days{2024y / March / 5} + 10h + 20min + 30s;
    std::unique_ptr<TMainForm> form;
    QStringList reports;
    std::vector<int> changes;
    std::shared_ptr<int> probe = std::make_shared<int>(0);

private:
    LocalClockSource previousClock;
    ErrorReporter previousReporter;
};

const Adapter A{5, "Adapter A", 1};
const Adapter B{2, "Adapter B", 2};
const Adapter C{9, "Adapter C", 3};
const Adapter D{7, "Adapter D", 4};

// ---- Layout and start-up ----

TEST_F(MainFormTest, ComponentsStandWhereTheLayoutPutsThem)
{
    struct Place {
        const char* name;
        const char* parent;
        QRect geometry;
    };
    const Place places[] = {
        {"pnlMain", "MainForm", {0, 0, 491, 335}},
        {"pc", "pnlMain", {5, 5, 481, 325}},
        {"pnlBottom", "MainForm", {0, 335, 491, 46}},
        {"TrafficTabs", "tsTraffic", {0, 275, 473, 21}},
        {"GroupBox", "tsTraffic", {0, 0, 473, 275}},
        {"ledAdapterDescription", "GroupBox", {8, 32, 272, 20}},
        {"ledMACAddress", "GroupBox", {286, 32, 103, 20}},
        {"ledSpeed", "GroupBox", {393, 32, 73, 19}},
        {"gbTime", "GroupBox", {8, 60, 457, 61}},
        {"ledStartedAt", "gbTime", {8, 32, 141, 19}},
        {"ledActiveFor", "gbTime", {156, 32, 113, 19}},
        {"gbIN", "GroupBox", {8, 124, 457, 61}},
        {"ledOctInSec", "gbIN", {8, 32, 85, 19}},
        {"ledPeakINSec", "gbIN", {96, 32, 85, 19}},
        {"ledAvgINSec", "gbIN", {184, 32, 85, 19}},
        {"ledTotalIN", "gbIN", {276, 32, 65, 19}},
        {"gbOUT", "GroupBox", {8, 188, 457, 61}},
        {"ledOctOUTSec", "gbOUT", {8, 32, 85, 19}},
        {"ledPeakOUTSec", "gbOUT", {96, 32, 85, 19}},
        {"ledAvgOUTSec", "gbOUT", {184, 32, 85, 19}},
        {"ledTotalOUT", "gbOUT", {276, 32, 65, 19}},
        {"StatusText", "GroupBox", {2, 255, 469, 18}},
        {"Image1", "tsAbout", {216, 32, 32, 32}},
        {"Label2", "tsAbout", {207, 94, 44, 14}},
        {"RzURLLabel4", "tsAbout", {181, 113, 161, 13}},
        {"Label6", "tsAbout", {88, 138, 88, 13}},
        {"BTNFreeze", "pnlBottom", {9, 6, 80, 32}},
        {"BTNUnFreeze", "pnlBottom", {97, 6, 88, 32}},
        {"cbOnTop", "pnlBottom", {259, 8, 134, 30}},
        {"BTNExit", "pnlBottom", {404, 6, 81, 32}},
        {"ClearCountersButton", "pnlBottom", {152, 46, 89, 35}},
        {"RemoveInactiveButton", "pnlBottom", {244, 46, 65, 35}},
    };
    for (const Place& place : places) {
        SCOPED_TRACE(place.name);
        auto* widget = form->findChild<QWidget*>(QString::fromLatin1(place.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(place.parent));
        EXPECT_EQ(widget->geometry(), place.geometry);
    }
    EXPECT_EQ(form->size(), QSize(491, 381));
    EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "the window must not be resizable";
    EXPECT_EQ(form->tsTraffic->size(), QSize(473, 296));
    EXPECT_EQ(form->Label5->geometry().right() + 1, 176);
    // The mail link grows from its laid-out width when its address needs more.
    EXPECT_EQ(form->RzURLLabel1->pos(), QPoint(180, 137));
    EXPECT_EQ(form->RzURLLabel1->width(), std::max(119, form->RzURLLabel1->sizeHint().width()));
    EXPECT_EQ(form->Label1->pos(), QPoint(152, 74));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMinMaxButtonsHint));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Brisvale"));
    const QList<QSize> iconSizes = form->windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(16, 16)) && iconSizes.contains(QSize(32, 32)));
    EXPECT_EQ(form->Image1->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(form->RzURLLabel1->Target(), QStringLiteral("mailto:brisvale@brisvale.example"));
    for (TRzBitBtn* button : {form->BTNFreeze, form->BTNUnFreeze, form->BTNExit}) {
        EXPECT_EQ(button->EnabledPicture().size(), QSize(16, 16));
        EXPECT_EQ(button->DisabledPicture().size(), QSize(16, 16));
    }
}

TEST_F(MainFormTest, StartsEmptyWithTheBarShownAndTheTimerRunning)
{
    EXPECT_EQ(form->TrafficTabs->Count(), 0);
    EXPECT_EQ(form->TrafficTabs->TabIndex(), -1);
    EXPECT_EQ(form->CurrentTraffic, nullptr);
    for (TLabeledEdit* edit : valueEdits())
        EXPECT_TRUE(edit->text().isEmpty()) << edit->objectName().toStdString();
    EXPECT_TRUE(form->StatusText->text().isEmpty());
    EXPECT_TRUE(form->pnlBottom->isVisible());
    EXPECT_EQ(form->pc->currentWidget(), form->tsTraffic);
    EXPECT_TRUE(form->Timer->Enabled());
    EXPECT_EQ(form->Timer->Interval(), 1000);
    EXPECT_FALSE(form->cbOnTop->isChecked());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    for (QPushButton* button :
         {static_cast<QPushButton*>(form->BTNFreeze), static_cast<QPushButton*>(form->BTNUnFreeze),
          form->ClearCountersButton, form->RemoveInactiveButton}) {
        EXPECT_TRUE(button->isVisible()) << button->objectName().toStdString();
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    }
    // Present, but wholly below what the bar shows.
    for (QPushButton* button : {form->ClearCountersButton, form->RemoveInactiveButton})
        EXPECT_GE(button->y(), form->pnlBottom->height());
    EXPECT_TRUE(ifTable().calls.empty()) << "no cycle before the first tick";
    for (QWidget* widget : form->findChildren<QWidget*>())
        EXPECT_TRUE(widget->toolTip().isEmpty()) << widget->objectName().toStdString() << " has a hint";
}

TEST_F(MainFormTest, ShowsChineseCaptionsAndNoEnglishLayoutText)
{
    struct Caption {
        QString shown;
        const char* expected;
    };
    const Caption captions[] = {
        {form->BTNFreeze->text(), "暂停"},
        {form->BTNUnFreeze->text(), "继续"},
        {form->BTNExit->text(), "退出"},
        {form->cbOnTop->text(), "总在最前"},
        {form->pc->tabText(0), "流量监控"},
        {form->pc->tabText(1), "关于"},
        {form->ledAdapterDescription->EditLabel()->text(), "适配器描述"},
        {form->ledMACAddress->EditLabel()->text(), "MAC地址"},
        {form->ledSpeed->EditLabel()->text(), "速度"},
        {form->gbTime->title(), "时间"},
        {form->ledStartedAt->EditLabel()->text(), "开始时间:"},
        {form->ledActiveFor->EditLabel()->text(), "持续时间:"},
        {form->gbIN->title(), "下载"},
        {form->gbOUT->title(), "上传"},
        {form->ledOctInSec->EditLabel()->text(), "当前流量/秒"},
        {form->ledPeakINSec->EditLabel()->text(), "峰值流量/秒"},
        {form->ledAvgINSec->EditLabel()->text(), "平均流量/秒"},
        {form->ledTotalIN->EditLabel()->text(), "累计"},
        {form->ledOctOUTSec->EditLabel()->text(), "当前流量/秒"},
        {form->ledPeakOUTSec->EditLabel()->text(), "峰值流量/秒"},
        {form->ledAvgOUTSec->EditLabel()->text(), "平均流量/秒"},
        {form->ledTotalOUT->EditLabel()->text(), "累计"},
        {form->Label1->text(), "Brisvale"},
        {form->Label2->text(), "(Ver 2.4)"},
        {form->Label5->text(), "主页:"},
        {form->Label6->text(), "邮箱:"},
        {form->RzURLLabel4->text(), "https://brisvale.example/zh/"},
        {form->RzURLLabel4->Target(), "https://brisvale.example/zh/"},
        {form->RzURLLabel1->text(), "brisvale@brisvale.example"},
        {form->ClearCountersButton->text(), "Clear counters"},
        {form->RemoveInactiveButton->text(), "Remove"},
        {form->windowTitle(), "Brisvale"},
    };
    for (const Caption& caption : captions)
        EXPECT_EQ(caption.shown, zh(caption.expected));

    // Every text the window holds, wherever it is.
    QStringList texts;
    for (auto* label : form->findChildren<QLabel*>())
        texts << label->text();
    for (auto* button : form->findChildren<QAbstractButton*>())
        texts << button->text();
    for (auto* box : form->findChildren<QGroupBox*>())
        texts << box->title();
    for (int i = 0; i < form->pc->count(); ++i)
        texts << form->pc->tabText(i);
    texts << tabCaptions();
    const char* layoutTexts[] = {"Freeze",         "UnFreeze",        "Exit",          "Stay On Top",
                                 "Traffic monitor", "About...",       "Adapter description", "MAC Address",
                                 "Speed",          "Time:",           "Started at",    "Duration",
                                 "IN (download)",  "OUT (upload)",    "Traffic / second", "Peak / second",
                                 "Average / second", "TOTAL",         "HomePage:",     "EMail:",
                                 "StatusText",     "https://brisvale.example/", "1", "2", "3"};
    for (const char* english : layoutTexts)
        EXPECT_FALSE(texts.contains(QString::fromLatin1(english))) << english;
}

TEST_F(MainFormTest, AboutPageHidesTheBarAndGrowsThePages)
{
    QTabBar* pages = form->pc->tabBar();
    QTest::mouseClick(pages, Qt::LeftButton, {}, pages->tabRect(1).center());
    ASSERT_EQ(form->pc->currentWidget(), form->tsAbout);
    EXPECT_FALSE(form->pnlBottom->isVisible());
    EXPECT_EQ(form->pnlMain->geometry(), QRect(0, 0, 491, 381));
    EXPECT_EQ(form->pc->geometry(), QRect(5, 5, 481, 371));
    EXPECT_EQ(form->tsAbout->size(), QSize(473, 296 + 46));

    QTest::mouseClick(pages, Qt::LeftButton, {}, pages->tabRect(0).center());
    ASSERT_EQ(form->pc->currentWidget(), form->tsTraffic);
    EXPECT_TRUE(form->pnlBottom->isVisible());
    EXPECT_EQ(form->pc->geometry(), QRect(5, 5, 481, 325));
    EXPECT_EQ(form->tsTraffic->size(), QSize(473, 296));
    EXPECT_EQ(form->TrafficTabs->geometry(), QRect(0, 275, 473, 21));
}

TEST_F(MainFormTest, StayOnTopFollowsTheCheckBox)
{
    for (bool expected : {true, false, true}) {
        // On the box itself.
        QTest::mouseClick(form->cbOnTop, Qt::LeftButton, {}, QPoint(8, form->cbOnTop->height() / 2));
        EXPECT_EQ(form->cbOnTop->isChecked(), expected);
        EXPECT_EQ(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint), expected);
        EXPECT_TRUE(form->windowFlags().testFlag(Qt::Tool));
        EXPECT_TRUE(form->isVisible());
    }
}

TEST_F(MainFormTest, HomePageLinkOpensTheChinesePage)
{
    QList<QUrl> opened;
    const UrlOpener previous = TRzURLLabel::SetOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    QTest::mouseClick(form->pc->tabBar(), Qt::LeftButton, {}, form->pc->tabBar()->tabRect(1).center());
    QTest::mouseClick(form->RzURLLabel4, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(form->RzURLLabel1, Qt::LeftButton, {}, QPoint(5, 5));
    TRzURLLabel::SetOpener(previous);
    EXPECT_EQ(opened, (QList<QUrl>{QUrl(QStringLiteral("https://brisvale.example/zh/")),
                                   QUrl(QStringLiteral("mailto:brisvale@brisvale.example"))}));
}

TEST_F(MainFormTest, KeyboardFocusFollowsTheLaidOutOrder)
{
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    std::vector<QWidget*> order = {
        form->ledAdapterDescription, form->ledMACAddress, form->ledOctInSec,  form->ledAvgINSec,
        form->ledPeakINSec,          form->ledTotalIN,    form->ledOctOUTSec, form->ledAvgOUTSec,
        form->ledPeakOUTSec,         form->ledTotalOUT,   form->ledStartedAt, form->ledActiveFor,
        form->ledSpeed};
    if (form->TrafficTabs->focusPolicy() & Qt::TabFocus)
        order.push_back(form->TrafficTabs);
    order.insert(order.end(), {form->ClearCountersButton, form->RemoveInactiveButton, form->cbOnTop,
                               form->BTNFreeze, form->BTNExit, form->BTNUnFreeze});
    const auto walk = [&](const std::vector<QWidget*>& expected) {
        expected.front()->setFocus(Qt::TabFocusReason);
        for (std::size_t i = 1; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), expected[i]) << "after " << expected[i - 1]->objectName().toStdString();
        }
    };
    walk(order);

    // With a connected, running record on show the Remove button is hidden and the resume
    // button disabled: both drop out of the order.
    plug(A);
    cycle();
    std::erase(order, form->RemoveInactiveButton);
    std::erase(order, form->BTNUnFreeze);
    walk(order);
}

// ---- Poll cycle and adapter list ----

TEST_F(MainFormTest, FirstCycleAddsOneTabPerAdapterInRowOrder)
{
    plug(A, 1000, 2000);
    plug(B);
    plug(C);
    watchChanges();
    cycle();

    EXPECT_EQ(tabCaptions(), (QStringList{caption(1), caption(2), caption(3)}));
    EXPECT_EQ(form->TrafficTabs->TabIndex(), 0);
    EXPECT_EQ(changes, std::vector<int>{0});
    EXPECT_EQ(form->CurrentTraffic, form->TrafficTabs->Object<TTraffic>(0));
    EXPECT_EQ(form->ledAdapterDescription->text(), QStringLiteral("Adapter A"));
    EXPECT_EQ(form->ledOctInSec->text(), bytes(0));
    EXPECT_EQ(form->ledTotalOUT->text(), bytes(0));
    EXPECT_EQ(form->ledSpeed->text(), QString::fromStdString(FormatBitRate(100000000)));
    EXPECT_EQ(form->ledActiveFor->text(), QStringLiteral("00:00:00"));
    EXPECT_EQ(form->StatusText->text(), zh("连接, 运行"));
    EXPECT_TRUE(form->Timer->Enabled());
    // The view never shows the address; only the tab does.
    for (TLabeledEdit* edit : valueEdits())
        EXPECT_FALSE(edit->text().contains(QStringLiteral("10.")));

    row(A.index).dwInOctets += 1500;
    cycle();
    EXPECT_EQ(form->ledOctInSec->text(), bytes(1500));
    EXPECT_EQ(form->ledTotalIN->text(), bytes(1500));
    EXPECT_EQ(tabCaptions().size(), 3) << "no second record for a known index";
}

TEST_F(MainFormTest, TheTimerRunsCyclesByItself)
{
    plug(A);
    form->Timer->SetInterval(5);
    form->Timer->SetEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->TrafficTabs->Count() == 1; }, 2000));
    EXPECT_TRUE(form->Timer->Enabled());
}

TEST_F(MainFormTest, NewAdapterSendsTheSelectionBackToTheFirstTab)
{
    struct Case {
        int selected;
        std::vector<int> expectedChanges;
    };
    for (const Case& test : {Case{2, {0}}, Case{0, {}}}) {
        SCOPED_TRACE(test.selected);
        start();
        plug(A);
        plug(B);
        plug(C);
        cycle();
        clickTab(test.selected);
        ASSERT_EQ(form->ledAdapterDescription->text(),
                  QString::fromLatin1(std::vector<Adapter>{A, B, C}[test.selected].description));
        watchChanges();
        plug(D);
        cycle();
        EXPECT_EQ(tabCaptions(), (QStringList{caption(1), caption(2), caption(3), caption(4)}));
        EXPECT_EQ(form->TrafficTabs->TabIndex(), 0);
        EXPECT_EQ(changes, test.expectedChanges);
        EXPECT_EQ(form->ledAdapterDescription->text(), QStringLiteral("Adapter A"));
        stop();
    }
}

TEST_F(MainFormTest, ClickingTabsChoosesTheRecordOnShow)
{
    plug(A);
    plug(B);
    cycle();
    watchChanges();
    clickTab(1);
    EXPECT_EQ(form->ledAdapterDescription->text(), QStringLiteral("Adapter B"));
    EXPECT_EQ(form->CurrentTraffic, form->TrafficTabs->Object<TTraffic>(1));
    clickTab(1);
    EXPECT_EQ(changes, std::vector<int>{1}) << "the selected tab sends no notification";
}

TEST_F(MainFormTest, ValuesShowTheirStartAndKeepTheUsersSelectionFromCycleToCycle)
{
    const Adapter wide{3, "Red Hat, Inc. Virtio 1.0 network device with a long name (eth0)", 5};
    plug(wide);
    row(wide.index).dwPhysAddrLen = 8;  // 23 characters: wider than the MAC edit
    cycle();
    cycle();
    for (const QLineEdit* edit : {static_cast<QLineEdit*>(form->ledAdapterDescription),
                                  static_cast<QLineEdit*>(form->ledMACAddress)})
        EXPECT_EQ(edit->cursorPosition(), 0) << edit->objectName().toStdString() << " shows its start";

    form->ledMACAddress->selectAll();
    cycle();
    EXPECT_EQ(form->ledMACAddress->selectedText(), form->ledMACAddress->text()) << "selection survives";
}

TEST_F(MainFormTest, VanishedAdapterStaysDisconnectedEvenWhenItComesBack)
{
    plug(A);
    plug(B, 5000, 6000);
    cycle();
    row(B.index).dwInOctets += 700;
    cycle();
    clickTab(1);
    const QString figures = form->ledTotalIN->text();
    ASSERT_EQ(figures, bytes(700));

    unplug(B.index);
    cycle();
    EXPECT_EQ(tabCaptions().size(), 2);
    EXPECT_EQ(form->StatusText->text(), zh("不连接, 不运行"));
    EXPECT_FALSE(shown(form->BTNFreeze));
    EXPECT_FALSE(shown(form->BTNUnFreeze));
    EXPECT_FALSE(shown(form->ClearCountersButton));
    EXPECT_TRUE(shown(form->RemoveInactiveButton));
    const QString activeWhenGone = form->ledActiveFor->text();
    cycle();
    EXPECT_EQ(form->ledActiveFor->text(), activeWhenGone) << "a vanished adapter takes no samples";

    plug(B, 9000, 9000);
    cycle();
    EXPECT_EQ(tabCaptions().size(), 2) << "no second record for an index that comes back";
    EXPECT_EQ(form->StatusText->text(), zh("不连接, 不运行"));
    const QString activeBack = form->ledActiveFor->text();
    EXPECT_NE(activeBack, activeWhenGone);
    row(B.index).dwInOctets += 800;
    cycle();
    EXPECT_NE(form->ledActiveFor->text(), activeBack);
    EXPECT_EQ(form->ledTotalIN->text(), figures);
    EXPECT_EQ(form->ledOctInSec->text(), bytes(700));
}

TEST_F(MainFormTest, EmptyTableDisconnectsEveryRecordAndKeepsTheTabs)
{
    plug(A);
    plug(B);
    cycle();
    ifTable().script.push_back({ERROR_NOT_SUPPORTED, {}, {}, {}});
    cycle();
    EXPECT_EQ(tabCaptions().size(), 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_FALSE(form->TrafficTabs->Object<TTraffic>(i)->Connected);
    EXPECT_EQ(form->StatusText->text(), zh("不连接, 不运行"));
}

TEST_F(MainFormTest, AdapterWithoutAddressKeepsItsFirstCaption)
{
    plug({3, "No address", 0});
    cycle();
    EXPECT_EQ(tabCaptions(), QStringList{QStringLiteral("!not_found!")});
    addrTable().rows.push_back(brisvale::testing::makeAddrRow(3, 10, 0, 0, 9));
    cycle();
    EXPECT_EQ(tabCaptions(), QStringList{QStringLiteral("!not_found!")});
}

TEST_F(MainFormTest, ManyAdaptersGetOneTabEachInRowOrder)
{
    constexpr DWORD count = 2000;
    for (DWORD i = 0; i < count; ++i) {
        MIB_IFROW row = brisvale::testing::makeIfRow(count - i, i, i);
        ifTable().rows.push_back(row);
        addrTable().rows.push_back(
            brisvale::testing::makeAddrRow(count - i, 10, 1, static_cast<BYTE>(i / 250), static_cast<BYTE>(i % 250 + 1)));
    }
    cycle();
    ASSERT_EQ(form->TrafficTabs->Count(), static_cast<int>(count));
    for (DWORD i = 0; i < count; i += 199)
        EXPECT_EQ(form->TrafficTabs->Object<TTraffic>(static_cast<int>(i))->InterfaceIndex, count - i);
    unplug(1000);
    cycle();
    EXPECT_EQ(form->TrafficTabs->Count(), static_cast<int>(count));
    EXPECT_FALSE(form->TrafficTabs->Object<TTraffic>(static_cast<int>(count - 1000))->Connected);
    EXPECT_TRUE(form->TrafficTabs->Object<TTraffic>(0)->Connected);
}

TEST_F(MainFormTest, CyclesStayRightWhenATabGoesBehindTheWindowsBack)
{
    for (const Adapter& adapter : {A, B, C})
        plug(adapter);
    cycle();
    form->TrafficTabs->Delete(1);
    cycle();
    EXPECT_EQ(tabCaptions(), (QStringList{caption(1), caption(3), caption(2)}));
    cycle();
    EXPECT_EQ(tabCaptions().size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(form->TrafficTabs->Object<TTraffic>(i)->Connected);
}

// ---- Commands ----

TEST_F(MainFormTest, CommandsBeforeTheFirstCycleDoNothing)
{
    QTest::mouseClick(form->BTNFreeze, Qt::LeftButton);
    QTest::mouseClick(form->BTNUnFreeze, Qt::LeftButton);
    pressFromKeyboard(form->ClearCountersButton);
    pressFromKeyboard(form->RemoveInactiveButton);
    EXPECT_EQ(form->TrafficTabs->Count(), 0);
    EXPECT_TRUE(form->StatusText->text().isEmpty());
    for (QPushButton* button :
         {static_cast<QPushButton*>(form->BTNFreeze), static_cast<QPushButton*>(form->BTNUnFreeze),
          form->ClearCountersButton, form->RemoveInactiveButton}) {
        EXPECT_TRUE(shown(button));
        EXPECT_TRUE(button->isEnabled());
    }
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(MainFormTest, FreezeAndResumeSwitchTheButtonsAtOnceAndTheStatusAtTheNextCycle)
{
    plug(A);
    cycle();
    row(A.index).dwInOctets += 100;
    cycle();
    ASSERT_TRUE(form->BTNFreeze->isEnabled());
    ASSERT_FALSE(form->BTNUnFreeze->isEnabled());
    EXPECT_TRUE(shown(form->ClearCountersButton));
    EXPECT_FALSE(shown(form->RemoveInactiveButton));

    QTest::mouseClick(form->BTNFreeze, Qt::LeftButton);
    EXPECT_FALSE(form->BTNFreeze->isEnabled());
    EXPECT_TRUE(form->BTNUnFreeze->isEnabled());
    EXPECT_EQ(form->StatusText->text(), zh("连接, 运行"));
    row(A.index).dwInOctets += 5000;
    cycle();
    EXPECT_EQ(form->StatusText->text(), zh("连接, 不运行"));
    EXPECT_EQ(form->ledTotalIN->text(), bytes(100));
    EXPECT_TRUE(shown(form->BTNFreeze));
    EXPECT_TRUE(shown(form->BTNUnFreeze));

    QTest::mouseClick(form->BTNUnFreeze, Qt::LeftButton);
    EXPECT_TRUE(form->BTNFreeze->isEnabled());
    EXPECT_FALSE(form->BTNUnFreeze->isEnabled());
    EXPECT_EQ(form->StatusText->text(), zh("连接, 不运行"));
    cycle();
    EXPECT_EQ(form->StatusText->text(), zh("连接, 运行"));
}

TEST_F(MainFormTest, ClearCountersShowsZerosAndTheNewStartAtOnce)
{
    plug(A);
    cycle();
    row(A.index).dwInOctets += 4000;
    row(A.index).dwOutOctets += 3000;
    cycle();
    ASSERT_EQ(form->ledTotalIN->text(), bytes(4000));
    clock += 1h;
    pressFromKeyboard(form->ClearCountersButton);
    EXPECT_EQ(form->ledTotalIN->text(), bytes(0));
    EXPECT_EQ(form->ledTotalOUT->text(), bytes(0));
    EXPECT_EQ(form->ledPeakINSec->text(), bytes(0));
    EXPECT_EQ(form->ledStartedAt->text(), DateTimeText(clock));
    EXPECT_EQ(form->ledActiveFor->text(), QStringLiteral("00:00:00"));
}

TEST_F(MainFormTest, RemoveSelectsAsTheTableSays)
{
    struct Case {
        int removed;
        QStringList left;
        int selected;
    };
    const Case cases[] = {
        {1, {caption(1), caption(3), caption(4)}, 0},  // B: the tab before it
        {0, {caption(2), caption(3), caption(4)}, 2},  // A: the last tab
        {3, {caption(1), caption(2), caption(3)}, 1},  // D: two places before it
        {2, {caption(1), caption(2), caption(4)}, 1},  // C: the tab before it
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.removed);
        start();
        for (const Adapter& adapter : {A, B, C, D})
            plug(adapter);
        cycle();
        probeRecords();
        ifTable().rows.clear();
        cycle();
        if (test.removed != 0)
            clickTab(test.removed);
        pressFromKeyboard(form->RemoveInactiveButton);
        EXPECT_EQ(tabCaptions(), test.left);
        EXPECT_EQ(form->TrafficTabs->TabIndex(), test.selected);
        EXPECT_EQ(form->CurrentTraffic, form->TrafficTabs->Object<TTraffic>(test.selected));
        EXPECT_EQ(SystemText(form->CurrentTraffic->IPAddress), test.left[test.selected]);
        EXPECT_EQ(liveRecords(), 3);
        EXPECT_EQ(form->StatusText->text(), zh("不连接, 不运行"));
        stop();
        EXPECT_EQ(liveRecords(), 0);
    }
}

TEST_F(MainFormTest, RemoveLeavingFewerThanTwoTabsEmptiesTheList)
{
    for (int adapters : {2, 1}) {
        SCOPED_TRACE(adapters);
        start();
        plug(A);
        if (adapters == 2)
            plug(B);
        cycle();
        probeRecords();
        ifTable().rows.clear();
        cycle();
        if (adapters == 2)
            clickTab(1);
        pressFromKeyboard(form->RemoveInactiveButton);
        EXPECT_EQ(form->TrafficTabs->Count(), 0);
        EXPECT_EQ(form->TrafficTabs->TabIndex(), -1);
        EXPECT_EQ(form->CurrentTraffic, nullptr);
        EXPECT_EQ(liveRecords(), 0);
        for (TLabeledEdit* edit : valueEdits())
            EXPECT_TRUE(edit->text().isEmpty()) << edit->objectName().toStdString();
        EXPECT_TRUE(form->StatusText->text().isEmpty());
        EXPECT_TRUE(shown(form->RemoveInactiveButton)) << "the buttons keep their last states";
        pressFromKeyboard(form->RemoveInactiveButton);  // nothing selected: nothing happens

        // The adapters come back as fresh records.
        plug(A, 777, 0);
        plug(B, 888, 0);
        watchChanges();
        cycle();
        EXPECT_EQ(tabCaptions(), (QStringList{caption(1), caption(2)}));
        EXPECT_EQ(form->TrafficTabs->TabIndex(), 0);
        EXPECT_EQ(changes, std::vector<int>{0});
        EXPECT_EQ(form->StatusText->text(), zh("连接, 运行"));
        EXPECT_EQ(form->ledTotalIN->text(), bytes(0));
        stop();
    }
}

TEST_F(MainFormTest, RemovedAdapterComesBackAsANewLastTab)
{
    for (const Adapter& adapter : {A, B, C})
        plug(adapter);
    cycle();
    unplug(B.index);
    cycle();
    clickTab(1);
    pressFromKeyboard(form->RemoveInactiveButton);
    plug(B);
    cycle();
    EXPECT_EQ(tabCaptions(), (QStringList{caption(1), caption(3), caption(2)}));
    EXPECT_EQ(form->TrafficTabs->TabIndex(), 0);
    EXPECT_TRUE(form->TrafficTabs->Object<TTraffic>(2)->Connected);
}

TEST_F(MainFormTest, RemoveOnAConnectedRecordOnlyRedraws)
{
    plug(A);
    plug(B);
    cycle();
    // While the record shows as connected the Remove button is hidden: press it as a program would.
    QTest::mouseClick(form->RemoveInactiveButton, Qt::LeftButton);
    form->RemoveInactiveButtonClick(form->RemoveInactiveButton);
    EXPECT_EQ(tabCaptions().size(), 2);
    EXPECT_EQ(form->TrafficTabs->TabIndex(), 0);
    EXPECT_EQ(form->ledAdapterDescription->text(), QStringLiteral("Adapter A"));
}

// ---- Detail view ----

// A text exactly `width` pixels wide in the font, made of printable ASCII without blanks.
QString textOfWidth(const QFont& font, int width)
{
    const QFontMetrics metrics(font);
    QString base;
    while (metrics.horizontalAdvance(base + QStringLiteral("mm")) < width)
        base += QLatin1Char('m');
    for (char first = 33; first < 127; ++first)
        for (char second = 33; second < 127; ++second) {
            const QString text = base + QLatin1Char(first) + QLatin1Char(second);
            if (metrics.horizontalAdvance(text) == width)
                return text;
        }
    return {};
}

QString plainTextOf(const QString& toolTip)
{
    QTextDocument document;
    document.setHtml(toolTip);
    return document.toPlainText();
}

TEST_F(MainFormTest, DescriptionGetsATooltipOnlyWhenWiderThanItsEdit)
{
    TLabeledEdit* edit = form->ledAdapterDescription;
    // A flat one-pixel border on each side.
    const int client = edit->width() - 2;
    struct Case {
        QString text;
        bool hint;
    };
    const Case cases[] = {
        {textOfWidth(form->font(), client), false},
        {textOfWidth(form->font(), client + 1), true},
        {QStringLiteral("<b>x</b> &amp; ") + textOfWidth(form->font(), client), true},
        {QString(), false},
    };
    DWORD index = 100;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.text.toStdString());
        ASSERT_TRUE(test.text.isEmpty() == (&test == &cases[3]));
        const QByteArray description = test.text.toUtf8();
        plug({++index, description.constData(), 0});
        cycle();
        clickTab(form->TrafficTabs->Count() - 1);
        ASSERT_EQ(edit->text(), test.text);
        EXPECT_EQ(edit->property("Hint").toString(), test.text);
        EXPECT_EQ(edit->toolTip().isEmpty(), !test.hint);
        if (!test.hint)
            continue;
        EXPECT_EQ(plainTextOf(edit->toolTip()), test.text);
        // What the tooltip itself shows when the mouse rests on the edit.
        QHelpEvent rest(QEvent::ToolTip, QPoint(5, 5), edit->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(edit, &rest);
        auto* tip = qobject_cast<QLabel*>(
            [] {
                for (QWidget* widget : QApplication::topLevelWidgets())
                    if (widget->inherits("QTipLabel"))
                        return widget;
                return static_cast<QWidget*>(nullptr);
            }());
        ASSERT_NE(tip, nullptr);
        EXPECT_EQ(plainTextOf(tip->text()), test.text);
        QToolTip::hideText();
    }
}

TEST_F(MainFormTest, StartTimeShowsTheDateAloneAtMidnight)
{
    const local_days day = local_days{2024y / March / 5};
    clock = day + 500ms;
    plug(A);
    cycle();
    const QString date = QLocale::system().toString(QDate(2024, 3, 5), QLocale::ShortFormat);
    EXPECT_EQ(form->ledStartedAt->text(), date);

    clock = day + 1s + 500ms;
    pressFromKeyboard(form->ClearCountersButton);
    const QString withTime = form->ledStartedAt->text();
    EXPECT_TRUE(withTime.startsWith(date + QLatin1Char(' '))) << withTime.toStdString();
    EXPECT_TRUE(withTime.contains(QStringLiteral("0:00:01"))) << withTime.toStdString();
}

// ---- Closing and failures ----

TEST_F(MainFormTest, ClosingReleasesEveryRecordOnceAndStopsTheTicks)
{
    for (const Adapter& adapter : {A, B, C})
        plug(adapter);
    cycle();
    probeRecords();
    ASSERT_EQ(liveRecords(), 3);

    QPointer<TMainForm> window = form.release();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Timer->SetInterval(1);
    QTest::mouseClick(window->BTNExit, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 2000));
    EXPECT_EQ(liveRecords(), 0);
}

TEST_F(MainFormTest, NoTickRunsOnceDestructionHasBegun)
{
    plug(A);
    cycle();
    probeRecords();
    const std::size_t calls = ifTable().calls.size();
    form->FormDestroy(form.get());
    EXPECT_EQ(liveRecords(), 0);
    EXPECT_EQ(form->CurrentTraffic, nullptr);
    form->Timer->SetInterval(1);
    form->Timer->SetEnabled(true);
    QTest::qWait(30);
    EXPECT_EQ(ifTable().calls.size(), calls);
}

TEST_F(MainFormTest, ErrorInACycleReachesTheReportAndStopsTheTimer)
{
    struct Case {
        int failingAddressCall;  // GetIpAddrTable call that runs out of memory
        int tabsLeft;
    };
    // The first record's address lookup, or the second's once the first is in the list.
    for (const Case& test : {Case{0, 0}, Case{2, 1}}) {
        SCOPED_TRACE(test.failingAddressCall);
        start();
        plug(A);
        plug(B);
        addrTable().beforeCall = [&](std::size_t call) {
            if (call == static_cast<std::size_t>(test.failingAddressCall))
                throw std::bad_alloc();
        };
        form->Timer->OnTimer(form->Timer);
        EXPECT_EQ(reports, QStringList{QString::fromLatin1(std::bad_alloc().what())});
        EXPECT_FALSE(form->Timer->Enabled());
        EXPECT_EQ(form->TrafficTabs->Count(), test.tabsLeft);
        probeRecords();
        addrTable().beforeCall = nullptr;
        stop();
        EXPECT_EQ(liveRecords(), 0);
        reports.clear();
    }
}

TEST_F(MainFormTest, ErrorFromTheRealTickIsReportedAndNoFurtherCycleRuns)
{
    plug(A);
    ifTable().beforeCall = [](std::size_t) { throw std::runtime_error("table gone"); };
    form->Timer->SetInterval(1);
    form->Timer->SetEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !reports.isEmpty(); }, 2000));
    QTest::qWait(20);
    EXPECT_EQ(reports, QStringList{QStringLiteral("table gone")});
    EXPECT_EQ(ifTable().calls.size(), 0u);
    EXPECT_FALSE(form->Timer->Enabled());
}

}  // namespace
