#pragma once
// The strip under the main window's title bar: a row of checkable page
// buttons (one per page of the main window, wrapping into further rows when
// the window is narrow), a hover button with three further pages, and on the
// right the protocol selector and the filter (label, text, column). Which
// buttons exist, their order, widths and texts depend on the customer edition
// (ToolBarEditions). The tool bar only emits requests; the main window turns
// them into page switches and filter calls.
//
// GUI thread only, with one exception: search callbacks may read
// protocolIndex() from their own threads while they hold GKAppSetting's
// tool-bar guard (GKAppSetting::ToolBarAccess) and toolBarDestroyed() is
// false.
#include "shell/edition/ToolBarEditions.h"

#include <QFrame>
#include <QString>
#include <atomic>

class FlowLayout;
class HoverButton;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

class ToolBarFrame : public QFrame
{
    Q_OBJECT

public:
    explicit ToolBarFrame(QWidget* parent = nullptr);
    // Marks the tool bar destroyed under GKAppSetting's tool-bar guard before
    // any widget goes.
    ~ToolBarFrame() override;

    // Enables or disables the page buttons, the hover and video-format
    // buttons, the filter edit and combo and the protocol combo (pages call
    // it around batch operations). The auto-refresh box stays usable.
    void setButtonsEnabled(bool enabled);
    // The model column for the filter combo's current entry on the page of
    // the active button.
    int filterColumn() const;
    // true: refills the filter combo in the stream form; false: in the normal
    // form (FilterItemChangedRequest). Either way the combo ends at its first
    // entry and FilterIndexChangedRequest() is emitted once.
    void refillFilterCombo(bool streamForm);
    // Shows or hides page buttons for the protocol combo's choice (true: the
    // normal search, false: ONVIF). Editions without a protocol combo: no
    // change.
    void applyProtocolVisibility(bool normalProtocol);
    // Checks the configuration button (no signal).
    void checkConfigButton();
    // Checks the hover button and its pop-up's first choice (no signal).
    void checkHoverButton();
    // Fetches every text again from the language table; keeps both combos'
    // current entries.
    void retranslate();

    // The request a click on a page button raises (SearchRequest for the
    // search button, ...); null for the hover button and None.
    using RequestSignal = void (ToolBarFrame::*)();
    static RequestSignal requestSignal(ToolBarButton button);

    // A button by name (the hover button too); null for ToolBarButton::None.
    QPushButton* button(ToolBarButton which) const;
    HoverButton* hoverButton() const { return m_pBtnHover; }
    // A button is active when it is shown and checked: the main window's
    // current page follows it.
    bool isActive(ToolBarButton which) const;
    // The first active button; ToolBarButton::None when none is.
    ToolBarButton activeButton() const;
    // The page button that was current before the hover button was pressed
    // (the hover button itself once a pop-up choice was made).
    QAbstractButton* currentButton() const { return m_currentButton; }

    QLabel* filterLabel() const { return m_pFilterLabel; }
    QLineEdit* filterEdit() const { return m_pFilterEdit; }
    QComboBox* filterCombo() const { return m_pFilterCombo; }
    QString filterText() const;
    QLabel* protocolLabel() const { return m_pProtocolLabel; }
    QComboBox* protocolCombo() const { return m_pProtocolCombo; }
    // Shows or hides the protocol label and combo together.
    void setProtocolWidgetsVisible(bool visible);
    // The protocol combo's current index (0 normal search, 1 ONVIF). Any
    // thread; see the class comment.
    int protocolIndex() const { return m_protocolIndex.load(); }
    // Edition 47 only; null otherwise.
    QLabel* autoRefreshLabel() const { return m_pAutoRefreshLabel; }
    QCheckBox* autoRefreshBox() const { return m_pAutoRefreshBox; }

    // Registers the tool bar's icons and style sheet (":/style/30-toolbar.qss")
    // with Qt's resource system. They register by themselves when the program
    // starts; calling this again does no harm.
    static void initResources();

signals:
    void SearchRequest();
    void UpgradeRequest();
    void ConfigRequest();
    void DeviceInfoRequest();
    void ImportExportRequest();
    void ChangePasswordRequest();
    void ExportExcelRequest();
    void ExtranetSearchRequest();
    void StreamConfigRequest();
    void OSDConfigRequest();
    void FilterIndexChangedRequest();
    void FilterTextChangedRequest();
    void ProtocolIndexChangedRequest();
    void RecoveryDeviceRequest();
    void InitialDeviceRequest();
    void RebootDeviceRequest();
    void ChangeDeviceRequest();
    void DeveloperPageRequest();
    void AutoUpgradePageRequest();
    void OnClickHoverFirstRequest();
    void OnClickHoverSecondRequest();
    void OnClickHoverThirdRequest();
    // Edition 34: false when the search page becomes current, true for any
    // other page (the title bar hides its protocol menu then).
    void HideProtocolBtn(bool hide);
    void VideoFormatRequest();

public slots:
    // Refills the filter combo in the normal form (see refillFilterCombo).
    void FilterItemChangedRequest();
    void OnAutoRefresh(bool checked);
    // Opens the hover button's pop-up after a click on it.
    void ShowExtraButton();
    void CheckCurrentButton(QAbstractButton* button);
    // The hover pop-up closed: with a choice, the hover button becomes
    // current; without one, the previous page button is checked again.
    void CheckHoverBtnClicked(bool chosen);

protected:
    void customEvent(QEvent* event) override;

private:
    void createWidgets();
    void buildLayout();
    void connectSignals();
    void applyButtonSizes();
    void updateIcons();
    void fillFilterCombo(bool streamForm);
    bool wideTexts() const;
    ToolBarButton pageOfActiveButton() const;

    int m_edition = 0;
    QPushButton* m_buttons[ToolBarEditions::kButtonCount] = {};
    HoverButton* m_pBtnHover = nullptr;
    QButtonGroup* m_pButtonGroup = nullptr;
    QLabel* m_pFilterLabel = nullptr;
    QLineEdit* m_pFilterEdit = nullptr;
    QComboBox* m_pFilterCombo = nullptr;
    QLabel* m_pProtocolLabel = nullptr;
    QComboBox* m_pProtocolCombo = nullptr;
    QLabel* m_pAutoRefreshLabel = nullptr;
    QCheckBox* m_pAutoRefreshBox = nullptr;
    FlowLayout* m_pFlowLayout = nullptr;
    QHBoxLayout* m_pOuterLayout = nullptr;
    QHBoxLayout* m_pRightLayout = nullptr;
    QAbstractButton* m_currentButton = nullptr;
    std::atomic<int> m_protocolIndex { -1 };
};
