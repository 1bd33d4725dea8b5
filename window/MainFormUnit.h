#pragma once
// The main window: its layout and start-up, the one-second poll cycle over the interface table,
// the adapter list held by the tab strip, the detail view of the selected adapter, its commands,
// and the Chinese captions.

#include <memory>
#include <unordered_map>

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QWidget>

#include "GlyphButton.h"
#include "IPHLPAPI.h"
#include "LabeledEdit.h"
#include "TabSet.h"
#include "Timer.h"
#include "TrafficUnit.h"
#include "URLLabel.h"

class TPageControlStyle;

class TMainForm : public QWidget {
    Q_OBJECT
public:
    // Builds every component from the layout and runs the start-up sequence (FormCreate).
    explicit TMainForm(QWidget* parent = nullptr);
    // Runs FormDestroy first, so no tick and no handler of the window runs once destruction
    // has begun.
    ~TMainForm() override;

    // Frame and pages.
    QFrame* pnlMain;
    QTabWidget* pc;
    QWidget* tsTraffic;
    QWidget* tsAbout;
    QFrame* pnlBottom;

    // Traffic page.
    TTabSet* TrafficTabs;
    QGroupBox* GroupBox;
    TLabeledEdit* ledAdapterDescription;
    TLabeledEdit* ledMACAddress;
    TLabeledEdit* ledSpeed;
    QGroupBox* gbTime;
    TLabeledEdit* ledStartedAt;
    TLabeledEdit* ledActiveFor;
    QGroupBox* gbIN;
    TLabeledEdit* ledOctInSec;
    TLabeledEdit* ledPeakINSec;
    TLabeledEdit* ledAvgINSec;
    TLabeledEdit* ledTotalIN;
    QGroupBox* gbOUT;
    TLabeledEdit* ledOctOUTSec;
    TLabeledEdit* ledPeakOUTSec;
    TLabeledEdit* ledAvgOUTSec;
    TLabeledEdit* ledTotalOUT;
    QLabel* StatusText;

    // About page.
    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label5;
    TRzURLLabel* RzURLLabel4;
    QLabel* Label6;
    TRzURLLabel* RzURLLabel1;

    // Bottom bar.
    TRzBitBtn* BTNFreeze;
    TRzBitBtn* BTNUnFreeze;
    QCheckBox* cbOnTop;
    TRzBitBtn* BTNExit;
    QPushButton* ClearCountersButton;
    QPushButton* RemoveInactiveButton;

    // Without a place on screen.
    TTimer* Timer;
    // Stands for the visual-style manifest: Qt draws in the platform's style by itself.
    QObject* XPManifest1;

    // The record on show, or none; it refers into the adapter list and owns nothing.
    TTraffic* CurrentTraffic = nullptr;

    // Start-up and pages.
    void FormCreate(QObject* Sender);
    void FormDestroy(QObject* Sender);
    void pcChange(QObject* Sender);
    void cbOnTopClick(QObject* Sender);

    // Poll cycle and adapter list.
    void TimerTimer(QObject* Sender);
    void PollAdapters();
    TTraffic* FindTraffic(DWORD index);
    // Hands a record that has just been made to the adapter list: appends its tab and selects
    // the first tab. Returns the record, which the list now owns.
    TTraffic* TrafficCreated(std::unique_ptr<TTraffic> record);

    // Detail view.
    void RefreshDisplay();
    void ClearDisplay();
    void ledAdapterDescriptionChange(QObject* Sender);

    // Selection and commands.
    void TrafficTabsChange(QObject* Sender, int NewTab, bool& AllowChange);
    void BTNFreezeClick(QObject* Sender);
    void BTNUnFreezeClick(QObject* Sender);
    void ClearCountersButtonClick(QObject* Sender);
    void RemoveInactiveButtonClick(QObject* Sender);
    void BTNExitClick(QObject* Sender);
    void TrafficFrozen(TTraffic* Sender);
    void TrafficUnFrozen(TTraffic* Sender);

    // Chinese captions.
    void LocalizeCaptions();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildFrame();
    void buildTrafficPage();
    void buildAboutPage();
    void buildBottomBar();
    void setFocusOrder();
    void connectHandlers();
    void alignPanels();
    void alignTrafficPage();
    void alignGroupBox();
    void rebuildIndex();

    // Interface index -> tab position, an index over the adapter list kept only as a shortcut:
    // every hit is checked against the list itself, and a mismatch rebuilds it.
    std::unordered_map<DWORD, int> tabOfIndex;
    bool indexValid = false;
    std::unique_ptr<TPageControlStyle> pageStyle;
    bool centred = false;
};
