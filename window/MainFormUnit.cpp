#include "MainFormUnit.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabWidget>

#include "Addresses.h"
#include "DisplayText.h"
#include "ErrorReport.h"
#include "GlyphButton.h"
#include "IPHelper.h"
#include "LabeledEdit.h"
#include "TabSet.h"
#include "Timer.h"
#include "TrafficUnit.h"
#include "URLLabel.h"

// Outside any namespace, as Qt requires; the resources live in this static library.
static void initResources()
{
    Q_INIT_RESOURCE(brisvale);
}

namespace {

constexpr int ClientWidth = 491;
constexpr int ClientHeight = 381;
constexpr int BarHeight = 46;
constexpr int MainBorder = 5;
constexpr int TabStripHeight = 21;
constexpr int StatusHeight = 18;
constexpr int StatusInset = 2;
// The group box's laid-out width, from which its anchored edits keep their distances.
constexpr int GroupBoxWidth = 473;
// Where the home-page caption ends, next to its link.
constexpr int Label5RightEdge = 176;
constexpr int HomeLinkWidth = 161;
constexpr int MailLinkWidth = 119;

const QColor Cream(255, 251, 240);
const QColor Green(0, 128, 0);
const QColor Red(255, 0, 0);
const QColor Blue(0, 0, 255);

QFont pixelFont(const QString& family, int pixels, bool bold = false)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFont arial11()
{
    return pixelFont(QStringLiteral("Arial"), 11);
}

QFont sansSerif11()
{
    return pixelFont(QStringLiteral("MS Sans Serif"), 11);
}

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

template <typename W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

TLabeledEdit* valueEdit(QWidget* parent, const char* name, const QRect& place, const char* label)
{
    auto* edit = named(new TLabeledEdit(parent), name);
    edit->setGeometry(place);
    edit->SetLabelCaption(QString::fromLatin1(label));
    return edit;
}

QGroupBox* groupBox(QWidget* parent, const char* name, const QRect& place, const char* caption)
{
    auto* box = named(new QGroupBox(QString::fromLatin1(caption), parent), name);
    box->setGeometry(place);
    return box;
}

QLabel* plainLabel(QWidget* parent, const char* name, const QRect& place, const QString& caption)
{
    auto* label = named(new QLabel(parent), name);
    label->setTextFormat(Qt::PlainText);
    label->setText(caption);
    label->setGeometry(place);
    return label;
}

QPushButton* plainButton(QPushButton* button, const char* name, const QRect& place, const char* caption)
{
    named(button, name);
    button->setText(QString::fromLatin1(caption));
    button->setGeometry(place);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

TRzBitBtn* glyphButton(QWidget* parent, const char* name, const QRect& place, const char* caption,
                       const char* glyph)
{
    auto* button = new TRzBitBtn(parent);
    plainButton(button, name, place, caption);
    button->SetGlyph(QImage(QString::fromLatin1(glyph)));
    return button;
}

// Sizes the label to its text, its right edge staying at x = right.
void sizeToTextFromRight(QLabel* label, int right)
{
    label->adjustSize();
    label->move(right - label->width(), label->y());
}

// A link shows its whole address: it keeps its laid-out width unless the address needs more.
void fitLinkToText(TRzURLLabel* link, int laidOutWidth)
{
    link->resize(std::max(laidOutWidth, link->sizeHint().width()), link->height());
}

// The width inside the edit's border, as the style draws it.
int clientWidth(const QLineEdit* edit)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.features = QStyleOptionFrame::None;
    const int border = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    return edit->width() - 2 * border;
}

// A value equal to the one on show is no change and is not written again: a line edit given its
// own text anew would move its cursor to the end, scrolling a long value's start out of view and
// dropping what the user has selected to copy.
void writeValue(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text)
        edit->setText(text);
}

}  // namespace

// The pages' area of the page control: 4 px in from the frame's sides and bottom edge and 3 px
// below the top of its frame, where the form library puts it.
class TPageControlStyle : public QProxyStyle {
public:
    QRect subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const override
    {
        if (element != SE_TabWidgetTabContents)
            return QProxyStyle::subElementRect(element, option, widget);
        const QRect pane = QProxyStyle::subElementRect(SE_TabWidgetTabPane, option, widget);
        return QRect(QPoint(pane.left() + 4, pane.top() + 3), QPoint(pane.right() - 4, pane.bottom() - 4));
    }
};

TMainForm::TMainForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    initResources();
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Brisvale"));
    setFixedSize(ClientWidth, ClientHeight);
    setFont(arial11());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    setPalette(palette);
    setAutoFillBackground(true);
    QIcon icon;
    icon.addFile(QStringLiteral(":/brisvale/icon16.xpm"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/brisvale/icon32.xpm"), QSize(32, 32));
    setWindowIcon(icon);

    buildFrame();
    buildTrafficPage();
    buildAboutPage();
    buildBottomBar();
    Timer = named(new TTimer(this), "Timer");
    XPManifest1 = named(new QObject(this), "XPManifest1");
    setFocusOrder();
    alignPanels();
    connectHandlers();

    FormCreate(this);
}

TMainForm::~TMainForm()
{
    FormDestroy(this);
    pc->setStyle(nullptr);
    // Children are destroyed after this; none of their signals may reach a handler of a window
    // that is half gone.
    for (QObject* sender : std::initializer_list<QObject*>{pc, cbOnTop, ledAdapterDescription, BTNFreeze,
                                                           BTNUnFreeze, BTNExit, ClearCountersButton,
                                                           RemoveInactiveButton})
        sender->disconnect(this);
    TrafficTabs->OnChange = nullptr;
}

void TMainForm::buildFrame()
{
    pnlMain = named(new QFrame(this), "pnlMain");
    pnlMain->setFrameShape(QFrame::NoFrame);
    pnlMain->setGeometry(0, 0, ClientWidth, ClientHeight - BarHeight);

    pc = named(new QTabWidget(pnlMain), "pc");
    pc->setFont(arial11());
    pageStyle = std::make_unique<TPageControlStyle>();
    pc->setStyle(pageStyle.get());
    pc->setGeometry(MainBorder, MainBorder, ClientWidth - 2 * MainBorder, ClientHeight - BarHeight - 2 * MainBorder);
    tsTraffic = named(new QWidget(pc), "tsTraffic");
    tsAbout = named(new QWidget(pc), "tsAbout");
    pc->addTab(tsTraffic, QStringLiteral("Traffic monitor"));
    pc->addTab(tsAbout, QStringLiteral("About..."));
    pc->setCurrentWidget(tsTraffic);

    pnlBottom = named(new QFrame(this), "pnlBottom");
    pnlBottom->setFrameShape(QFrame::Panel);
    pnlBottom->setFrameShadow(QFrame::Sunken);
    pnlBottom->setLineWidth(1);
    pnlBottom->setGeometry(0, ClientHeight - BarHeight, ClientWidth, BarHeight);
}

void TMainForm::buildTrafficPage()
{
    TrafficTabs = named(new TTabSet(tsTraffic), "TrafficTabs");
    TrafficTabs->setFont(sansSerif11());
    TrafficTabs->setGeometry(0, 275, 473, TabStripHeight);
    // Placeholders of the layout; the start-up sequence removes them before anyone sees them.
    for (const char* caption : {"1", "2", "3"})
        TrafficTabs->Append(QString::fromLatin1(caption));
    TrafficTabs->SetTabIndex(0);

    GroupBox = groupBox(tsTraffic, "GroupBox", QRect(0, 0, 473, 275), "");

    ledAdapterDescription = valueEdit(GroupBox, "ledAdapterDescription", QRect(8, 32, 272, 20), "Adapter description");
    ledMACAddress = valueEdit(GroupBox, "ledMACAddress", QRect(286, 32, 103, 20), "MAC Address");
    ledSpeed = valueEdit(GroupBox, "ledSpeed", QRect(393, 32, 73, 19), "Speed");
    ledSpeed->setFont(sansSerif11());
    setTextColor(ledSpeed, palette().color(QPalette::WindowText));

    gbTime = groupBox(GroupBox, "gbTime", QRect(8, 60, 457, 61), "Time:");
    ledStartedAt = valueEdit(gbTime, "ledStartedAt", QRect(8, 32, 141, 19), "Started at");
    ledActiveFor = valueEdit(gbTime, "ledActiveFor", QRect(156, 32, 113, 19), "Duration");
    for (TLabeledEdit* edit : {ledStartedAt, ledActiveFor}) {
        edit->setFont(sansSerif11());
        setTextColor(edit, Green);
    }

    gbIN = groupBox(GroupBox, "gbIN", QRect(8, 124, 457, 61), "IN (download)");
    ledOctInSec = valueEdit(gbIN, "ledOctInSec", QRect(8, 32, 85, 19), "Traffic / second");
    ledPeakINSec = valueEdit(gbIN, "ledPeakINSec", QRect(96, 32, 85, 19), "Peak / second");
    ledAvgINSec = valueEdit(gbIN, "ledAvgINSec", QRect(184, 32, 85, 19), "Average / second");
    ledTotalIN = valueEdit(gbIN, "ledTotalIN", QRect(276, 32, 65, 19), "TOTAL");

    gbOUT = groupBox(GroupBox, "gbOUT", QRect(8, 188, 457, 61), "OUT (upload)");
    ledOctOUTSec = valueEdit(gbOUT, "ledOctOUTSec", QRect(8, 32, 85, 19), "Traffic / second");
    ledPeakOUTSec = valueEdit(gbOUT, "ledPeakOUTSec", QRect(96, 32, 85, 19), "Peak / second");
    ledAvgOUTSec = valueEdit(gbOUT, "ledAvgOUTSec", QRect(184, 32, 85, 19), "Average / second");
    ledTotalOUT = valueEdit(gbOUT, "ledTotalOUT", QRect(276, 32, 65, 19), "TOTAL");
    for (TLabeledEdit* edit : {ledOctInSec, ledPeakINSec, ledAvgINSec, ledTotalIN}) {
        edit->setFont(sansSerif11());
        setTextColor(edit, Red);
    }
    for (TLabeledEdit* edit : {ledOctOUTSec, ledPeakOUTSec, ledAvgOUTSec, ledTotalOUT}) {
        edit->setFont(sansSerif11());
        setTextColor(edit, Blue);
    }

    StatusText = plainLabel(GroupBox, "StatusText", QRect(2, 255, 469, 18), QStringLiteral("StatusText"));
    StatusText->setAutoFillBackground(true);
    QPalette status = StatusText->palette();
    status.setColor(QPalette::Window, Cream);
    StatusText->setPalette(status);

    tsTraffic->installEventFilter(this);
    GroupBox->installEventFilter(this);
}

void TMainForm::buildAboutPage()
{
    Image1 = plainLabel(tsAbout, "Image1", QRect(216, 32, 32, 32), QString());
    Image1->setPixmap(QPixmap(QStringLiteral(":/brisvale/icon32.xpm")));
    Image1->resize(Image1->pixmap().size());

    Label1 = plainLabel(tsAbout, "Label1", QRect(152, 74, 199, 16), QStringLiteral("Brisvale"));
    Label1->setFont(pixelFont(QStringLiteral("Arial"), 13, true));
    QPalette title = Label1->palette();
    title.setColor(QPalette::WindowText, title.color(QPalette::ButtonText));
    Label1->setPalette(title);
    Label1->adjustSize();

    Label2 = plainLabel(tsAbout, "Label2", QRect(207, 94, 44, 14), QStringLiteral("(Ver 2.4)"));

    Label5 = plainLabel(tsAbout, "Label5", QRect(122, 114, 54, 14), QStringLiteral("HomePage:"));
    Label5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    sizeToTextFromRight(Label5, Label5RightEdge);

    RzURLLabel4 = named(new TRzURLLabel(tsAbout), "RzURLLabel4");
    RzURLLabel4->setGeometry(181, 113, HomeLinkWidth, 13);
    RzURLLabel4->setText(QString::fromLatin1(HomePageAddress));
    RzURLLabel4->SetTarget(QString::fromLatin1(HomePageAddress));
    fitLinkToText(RzURLLabel4, HomeLinkWidth);

    Label6 = plainLabel(tsAbout, "Label6", QRect(88, 138, 88, 13), QStringLiteral("EMail:"));
    Label6->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    RzURLLabel1 = named(new TRzURLLabel(tsAbout), "RzURLLabel1");
    RzURLLabel1->setGeometry(180, 137, MailLinkWidth, 13);
    RzURLLabel1->setText(QString::fromLatin1(MailAddress));
    RzURLLabel1->SetTarget(QString::fromLatin1(MailScheme) + QString::fromLatin1(MailAddress));
    fitLinkToText(RzURLLabel1, MailLinkWidth);
}

void TMainForm::buildBottomBar()
{
    BTNFreeze = glyphButton(pnlBottom, "BTNFreeze", QRect(9, 6, 80, 32), "Freeze", ":/brisvale/freeze.xpm");
    BTNUnFreeze = glyphButton(pnlBottom, "BTNUnFreeze", QRect(97, 6, 88, 32), "UnFreeze", ":/brisvale/unfreeze.xpm");
    cbOnTop = named(new QCheckBox(QStringLiteral("Stay On Top"), pnlBottom), "cbOnTop");
    cbOnTop->setGeometry(259, 8, 134, 30);
    BTNExit = glyphButton(pnlBottom, "BTNExit", QRect(404, 6, 81, 32), "Exit", ":/brisvale/exit.xpm");
    // Below the bar's visible area: never on screen, reached only through the keyboard.
    ClearCountersButton = plainButton(new QPushButton(pnlBottom), "ClearCountersButton", QRect(152, 46, 89, 35),
                                      "Clear counters");
    RemoveInactiveButton = plainButton(new QPushButton(pnlBottom), "RemoveInactiveButton", QRect(244, 46, 65, 35),
                                       "Remove");
}

void TMainForm::setFocusOrder()
{
    const std::vector<QWidget*> order = {
        pc,
        ledAdapterDescription, ledMACAddress,
        ledOctInSec, ledAvgINSec, ledPeakINSec, ledTotalIN,
        ledOctOUTSec, ledAvgOUTSec, ledPeakOUTSec, ledTotalOUT,
        ledStartedAt, ledActiveFor,
        ledSpeed,
        TrafficTabs,
        ClearCountersButton, RemoveInactiveButton, cbOnTop, BTNFreeze, BTNExit, BTNUnFreeze,
    };
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TMainForm::connectHandlers()
{
    connect(pc, &QTabWidget::currentChanged, this, Guarded([this] { pcChange(pc); }));
    connect(cbOnTop, &QCheckBox::toggled, this, Guarded([this] { cbOnTopClick(cbOnTop); }));
    connect(ledAdapterDescription, &QLineEdit::textChanged, this,
            Guarded([this] { ledAdapterDescriptionChange(ledAdapterDescription); }));
    connect(BTNFreeze, &QPushButton::clicked, this, Guarded([this] { BTNFreezeClick(BTNFreeze); }));
    connect(BTNUnFreeze, &QPushButton::clicked, this, Guarded([this] { BTNUnFreezeClick(BTNUnFreeze); }));
    connect(BTNExit, &QPushButton::clicked, this, Guarded([this] { BTNExitClick(BTNExit); }));
    connect(ClearCountersButton, &QPushButton::clicked, this,
            Guarded([this] { ClearCountersButtonClick(ClearCountersButton); }));
    connect(RemoveInactiveButton, &QPushButton::clicked, this,
            Guarded([this] { RemoveInactiveButtonClick(RemoveInactiveButton); }));
    TrafficTabs->OnChange = Guarded(
        [this](QObject* Sender, int NewTab, bool& AllowChange) { TrafficTabsChange(Sender, NewTab, AllowChange); });
    Timer->OnTimer = Guarded([this](QObject* Sender) { TimerTimer(Sender); });
}

// ---- Start-up, pages, stay on top ----

void TMainForm::FormCreate(QObject* Sender)
{
    LocalizeCaptions();
    Timer->SetInterval(1000);
    ClearDisplay();
    CurrentTraffic = nullptr;
    pcChange(Sender);
    Timer->SetEnabled(true);
}

void TMainForm::FormDestroy(QObject*)
{
    Timer->OnTimer = nullptr;
    Timer->SetEnabled(false);
    CurrentTraffic = nullptr;
    TrafficTabs->Clear();
    tabOfIndex.clear();
    indexValid = false;
}

void TMainForm::pcChange(QObject*)
{
    pnlBottom->setVisible(pc->currentWidget() == tsTraffic);
    alignPanels();
}

void TMainForm::cbOnTopClick(QObject*)
{
    const bool onTop = cbOnTop->isChecked();
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    // Changing a window's flags hides it; it comes back where it was.
    const bool shown = isVisible();
    const QPoint place = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (shown) {
        move(place);
        show();
    }
}

void TMainForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!centred && screen() != nullptr) {
        centred = true;
        const QRect area = screen()->availableGeometry();
        const QRect frame = frameGeometry();
        move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == tsTraffic)
            alignTrafficPage();
        else if (watched == GroupBox)
            alignGroupBox();
    }
    return QWidget::eventFilter(watched, event);
}

// pnlMain fills what the bar leaves; the page control fills pnlMain inside its border.
void TMainForm::alignPanels()
{
    const int bar = pnlBottom->isHidden() ? 0 : BarHeight;
    pnlBottom->setGeometry(0, height() - BarHeight, width(), BarHeight);
    pnlMain->setGeometry(0, 0, width(), height() - bar);
    pc->setGeometry(pnlMain->rect().adjusted(MainBorder, MainBorder, -MainBorder, -MainBorder));
}

// The tab strip is docked to the page's bottom edge, the group box fills the rest.
void TMainForm::alignTrafficPage()
{
    const int width = tsTraffic->width();
    const int height = tsTraffic->height();
    TrafficTabs->setGeometry(0, height - TabStripHeight, width, TabStripHeight);
    GroupBox->setGeometry(0, 0, width, height - TabStripHeight);
}

void TMainForm::alignGroupBox()
{
    const int width = GroupBox->width();
    const int height = GroupBox->height();
    StatusText->setGeometry(StatusInset, height - StatusInset - StatusHeight, width - 2 * StatusInset, StatusHeight);
    const int grown = width - GroupBoxWidth;
    ledAdapterDescription->resize(272 + grown, ledAdapterDescription->height());
    ledMACAddress->move(286 + grown, ledMACAddress->y());
    ledSpeed->move(393 + grown, ledSpeed->y());
}

// ---- Poll cycle and adapter list ----

void TMainForm::TimerTimer(QObject*)
{
    Timer->SetEnabled(false);
    PollAdapters();
    // Not reached when the cycle fails: the timer then stays stopped for good.
    Timer->SetEnabled(true);
}

void TMainForm::PollAdapters()
{
    // Released on every way out of the cycle.
    TMIBIfArray snapshot;
    GetIfTableArray(snapshot);

    for (int i = 0; i < TrafficTabs->Count(); ++i) {
        TTraffic* record = TrafficTabs->Object<TTraffic>(i);
        if (record != nullptr && record->Connected)
            record->Found = false;
    }

    for (const MIB_IFROW& row : snapshot) {
        if (TTraffic* record = FindTraffic(row.dwIndex)) {
            record->NewValues(row.dwInOctets, row.dwOutOctets, row.dwSpeed);
            continue;
        }
        // The creation callback runs once the record is whole; only then is it marked found and
        // its freeze events bound, as for any record its owner receives from the constructor.
        TTraffic* record = TrafficCreated(std::make_unique<TTraffic>(row, TTrafficEvent{}));
        record->Found = true;
        record->OnFreeze = [this](TTraffic* Sender) { TrafficFrozen(Sender); };
        record->OnUnFreeze = [this](TTraffic* Sender) { TrafficUnFrozen(Sender); };
    }

    for (int i = 0; i < TrafficTabs->Count(); ++i) {
        TTraffic* record = TrafficTabs->Object<TTraffic>(i);
        if (record != nullptr && !record->Found)
            record->SetDisconnected();
    }

    RefreshDisplay();
}

TTraffic* TMainForm::FindTraffic(DWORD index)
{
    if (!indexValid || tabOfIndex.size() > static_cast<std::size_t>(TrafficTabs->Count()))
        rebuildIndex();
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto hit = tabOfIndex.find(index);
        if (hit == tabOfIndex.end())
            return nullptr;
        TTraffic* record = TrafficTabs->Object<TTraffic>(hit->second);
        if (record != nullptr && record->InterfaceIndex == index) {
            record->Found = true;
            return record;
        }
        // The list changed behind the index's back.
        rebuildIndex();
    }
    return nullptr;
}

// The first tab of each interface index wins, as a scan from the first tab would find it.
void TMainForm::rebuildIndex()
{
    tabOfIndex.clear();
    for (int i = 0; i < TrafficTabs->Count(); ++i)
        if (const TTraffic* record = TrafficTabs->Object<TTraffic>(i))
            tabOfIndex.emplace(record->InterfaceIndex, i);
    indexValid = true;
}

// The record is built before it joins the list: ownership passes only to a whole record, so a
// failure on the way can never leave the list holding one that was freed.
TTraffic* TMainForm::TrafficCreated(std::unique_ptr<TTraffic> record)
{
    TTraffic* created = record.get();
    const QString caption = SystemText(created->IPAddress);
    const DWORD index = created->InterfaceIndex;
    TrafficTabs->Append(caption, std::move(record));
    if (indexValid)
        tabOfIndex.emplace(index, TrafficTabs->Count() - 1);
    TrafficTabs->SetTabIndex(0);
    return created;
}

// ---- Detail view ----

void TMainForm::RefreshDisplay()
{
    if (CurrentTraffic == nullptr) {
        ClearDisplay();
        return;
    }
    const TTraffic& record = *CurrentTraffic;
    BTNFreeze->setVisible(record.Connected);
    BTNUnFreeze->setVisible(record.Connected);
    ClearCountersButton->setVisible(record.Connected);
    RemoveInactiveButton->setVisible(!record.Connected);
    BTNFreeze->setEnabled(record.Running);
    BTNUnFreeze->setEnabled(!record.Running);

    writeValue(ledAdapterDescription, SystemText(record.Description));
    writeValue(ledMACAddress, SystemText(record.MACAddress));
    writeValue(ledSpeed, SystemText(FormatBitRate(record.Speed)));
    writeValue(ledOctInSec, SystemText(FormatBytes(record.InPerSec)));
    writeValue(ledPeakINSec, SystemText(FormatBytes(record.PeakInSec)));
    writeValue(ledAvgINSec, SystemText(FormatBytes(record.AvgInSec)));
    writeValue(ledTotalIN, SystemText(FormatBytes(record.TotalIn)));
    writeValue(ledOctOUTSec, SystemText(FormatBytes(record.OutPerSec)));
    writeValue(ledPeakOUTSec, SystemText(FormatBytes(record.PeakOutSec)));
    writeValue(ledAvgOUTSec, SystemText(FormatBytes(record.AvgOutSec)));
    writeValue(ledTotalOUT, SystemText(FormatBytes(record.TotalOut)));
    writeValue(ledStartedAt, DateTimeText(record.StartedAt));
    writeValue(ledActiveFor, SystemText(record.GetActiveTime()));

    StatusText->setText(ChineseStatus(record.GetStatus()));
}

void TMainForm::ClearDisplay()
{
    // Emptying the list releases every record, so nothing may still refer to one.
    CurrentTraffic = nullptr;
    TrafficTabs->Clear();
    tabOfIndex.clear();
    indexValid = true;

    StatusText->clear();
    for (TLabeledEdit* edit : {ledAdapterDescription, ledMACAddress, ledSpeed, ledStartedAt, ledActiveFor,
                               ledOctInSec, ledPeakINSec, ledAvgINSec, ledTotalIN, ledOctOUTSec, ledPeakOUTSec,
                               ledAvgOUTSec, ledTotalOUT})
        edit->clear();
}

void TMainForm::ledAdapterDescriptionChange(QObject*)
{
    const QString text = ledAdapterDescription->text();
    ledAdapterDescription->setProperty("Hint", text);
    // The edit draws in the window's font; what does not fit inside its border gets the tooltip.
    const bool showHint =
        QFontMetrics(ledAdapterDescription->font()).horizontalAdvance(text) > clientWidth(ledAdapterDescription);
    ledAdapterDescription->setProperty("ShowHint", showHint);
    // Tooltips take markup; the description is data and must show as written.
    ledAdapterDescription->setToolTip(showHint ? Qt::convertFromPlainText(text, Qt::WhiteSpacePre) : QString());
}

// ---- Selection and commands ----

void TMainForm::TrafficTabsChange(QObject*, int NewTab, bool&)
{
    CurrentTraffic = NewTab == -1 ? nullptr : TrafficTabs->Object<TTraffic>(NewTab);
    RefreshDisplay();
}

void TMainForm::BTNFreezeClick(QObject*)
{
    if (CurrentTraffic != nullptr)
        CurrentTraffic->Freeze();
}

void TMainForm::BTNUnFreezeClick(QObject*)
{
    if (CurrentTraffic != nullptr)
        CurrentTraffic->UnFreeze();
}

void TMainForm::ClearCountersButtonClick(QObject*)
{
    if (CurrentTraffic == nullptr)
        return;
    CurrentTraffic->ClearCounters();
    RefreshDisplay();
}

void TMainForm::RemoveInactiveButtonClick(QObject*)
{
    if (CurrentTraffic == nullptr)
        return;
    if (CurrentTraffic->Connected) {
        RefreshDisplay();
        return;
    }
    // The selected tab carries CurrentTraffic; deleting it releases the record.
    CurrentTraffic = nullptr;
    TrafficTabs->Delete(TrafficTabs->TabIndex());
    indexValid = false;
    TrafficTabs->SelectPrevious();
    RefreshDisplay();
}

void TMainForm::BTNExitClick(QObject*)
{
    close();
}

void TMainForm::TrafficFrozen(TTraffic* Sender)
{
    BTNFreeze->setEnabled(Sender->Running);
    BTNUnFreeze->setEnabled(!Sender->Running);
}

void TMainForm::TrafficUnFrozen(TTraffic* Sender)
{
    BTNFreeze->setEnabled(Sender->Running);
    BTNUnFreeze->setEnabled(!Sender->Running);
}

// ---- Chinese captions ----

void TMainForm::LocalizeCaptions()
{
    const auto zh = [](const char* text) { return QString::fromUtf8(text); };
    setWindowTitle(QStringLiteral("Brisvale"));                       // 1
    BTNFreeze->setText(zh("暂停"));                                     // 2
    BTNUnFreeze->setText(zh("继续"));                                   // 3
    BTNExit->setText(zh("退出"));                                       // 4
    cbOnTop->setText(zh("总在最前"));                                   // 5
    pc->setTabText(pc->indexOf(tsTraffic), zh("流量监控"));             // 6
    ledAdapterDescription->SetLabelCaption(zh("适配器描述"));           // 7
    ledMACAddress->SetLabelCaption(zh("MAC地址"));                      // 8
    ledSpeed->SetLabelCaption(zh("速度"));                              // 9
    gbTime->setTitle(zh("时间"));                                       // 10
    ledStartedAt->SetLabelCaption(zh("开始时间:"));                     // 11
    ledActiveFor->SetLabelCaption(zh("持续时间:"));                     // 12
    gbIN->setTitle(zh("下载"));                                         // 13
    ledOctInSec->SetLabelCaption(zh("当前流量/秒"));                    // 14
    ledPeakINSec->SetLabelCaption(zh("峰值流量/秒"));                   // 15
    ledAvgINSec->SetLabelCaption(zh("平均流量/秒"));                    // 16
    ledTotalIN->SetLabelCaption(zh("累计"));                            // 17
    gbOUT->setTitle(zh("上传"));                                        // 18
    ledOctOUTSec->SetLabelCaption(zh("当前流量/秒"));                   // 19
    ledPeakOUTSec->SetLabelCaption(zh("峰值流量/秒"));                  // 20
    ledAvgOUTSec->SetLabelCaption(zh("平均流量/秒"));                   // 21
    ledTotalOUT->SetLabelCaption(zh("累计"));                           // 22
    pc->setTabText(pc->indexOf(tsAbout), zh("关于"));                   // 23
    Label1->setText(QStringLiteral("Brisvale"));                        // 24
    Label1->adjustSize();
    Label5->setText(zh("主页:"));                                       // 25
    sizeToTextFromRight(Label5, Label5RightEdge);
    Label6->setText(zh("邮箱:"));                                       // 26
    RzURLLabel4->setText(QString::fromLatin1(ChineseHomePageAddress));  // 27
    RzURLLabel4->SetTarget(QString::fromLatin1(ChineseHomePageAddress)); // 28
    fitLinkToText(RzURLLabel4, HomeLinkWidth);
}
