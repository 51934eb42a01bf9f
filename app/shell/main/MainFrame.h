#pragma once
// The program's only top-level window: a frameless frame with the title bar,
// the tool bar of page buttons and a stack of the seventeen pages at fixed
// indices (PageIndex). It creates every page, turns the tool bar's requests
// into page switches and filter calls, hands a device double-clicked on the
// search page to the login page, and moves, resizes (a 5-pixel border) and
// maximises itself, since the window system draws no frame around it.
//
// The pages come from the page table (PageTable.h): one row per page with its
// index, tool-bar button, class and tool-bar request. The window builds the
// pages, connects the requests and routes the filter from that table, and
// reaches every page through PageBase.
//
// Start-up creates one MainFrame without a parent after the settings, the
// language table, the fonts, the SDKs and the work pool are up; the first
// search starts while the window is being built. GUI thread only. Nothing but
// start-up (and its tests) includes this header.
#include "shell/edition/ToolBarEditions.h"
#include "shell/ui/PageBase.h"

#include <QFrame>
#include <QMutex>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QVariant>
#include <functional>
#include <optional>

class LoginFrame;
class OSDConfig;
class QAbstractSlider;
class QStackedWidget;
class SearchFrame;
class TitleBarFrame;
class ToolBarFrame;

class MainFrame : public QFrame
{
    Q_OBJECT

public:
    // The pages' fixed places in the page stack.
    enum PageIndex : int {
        PageSearch = 0,
        PageUpgrade = 1,
        PageLogin = 2,
        PageDeviceInfo = 3,
        PageImportExport = 4,
        PageExportExcel = 5,
        PageExtranetSearch = 6,
        PageChangePassword = 7,
        PageStreamConfig = 8,
        PageOSDConfig = 9,
        PageRecoveryDevice = 10,
        PageInitialDevice = 11,
        PageRebootDevice = 12,
        PageChangeDevice = 13,
        PageDeveloper = 14,
        PageAutoUpgrade = 15,
        PageVideoFormat = 16,
        PageCount = 17,
    };

    // The part of the border under the pointer while it is not pressed.
    enum ResizeEdge : int {
        EdgeNone = 0,
        EdgeTop = 1,
        EdgeTopRight = 2,
        EdgeRight = 3,
        EdgeBottomRight = 4,
        EdgeBottom = 5,
        EdgeBottomLeft = 6,
        EdgeLeft = 7,
        EdgeTopLeft = 8,
    };

    static constexpr int kMinimumWidth = 1048;
    static constexpr int kMinimumHeight = 636;
    // Width of the border that resizes the window.
    static constexpr int kBorder = 5;
    // A resize by an upper edge or the bottom edge keeps the window taller
    // than this; the bottom corners never make it lower.
    static constexpr int kResizeHeightLimit = 736;

    explicit MainFrame(QWidget* parent = nullptr);
    ~MainFrame() override;

    // The first window built while no other existed; null before that and
    // once it has gone. Take instanceMutex() to keep the answer valid while
    // using it. Code outside shell/main never includes this header: the
    // video-format flow reaches its page through the device's watcher slot
    // (DeviceInfo::videoFormatPage), not through the window.
    static MainFrame* instance();
    static QMutex& instanceMutex();

    // Registers the window's style sheet part (":/style/40-mainframe.qss")
    // with Qt's resource system. It registers by itself when the program
    // starts; calling this again does no harm.
    static void initResources();

    // Maximises the window over the available area of the screen it is on,
    // or restores the geometry it had before and centres it on that screen.
    void toggleMaximized();
    bool isMaximizedByFrame() const { return m_maximized; }

    TitleBarFrame* titleBar() const { return m_pTitleBar; }
    ToolBarFrame* toolBar() const { return m_pToolBar; }
    QStackedWidget* pageStack() const { return m_pPageStack; }
    // The page at `index`; null outside the table.
    PageBase* page(PageIndex index) const;
    // The page of class `Page` (a page class the caller includes), such as
    // page<LoginFrame>(); null when no page has that class.
    template <class Page> Page* page() const
    {
        for (PageBase* p : m_pages) {
            if (auto* typed = qobject_cast<Page*>(p))
                return typed;
        }
        return nullptr;
    }

    // --- The window's rules as pure functions (any thread) ----------------

    // The edge under `position` (window coordinates) of a window of `size`;
    // EdgeNone inside the border.
    static ResizeEdge edgeAt(const QPoint& position, const QSize& size);
    // The geometry a border drag gives: `restored` is the geometry when the
    // drag started, `current` the geometry now, `pressGlobal` and `global`
    // the pointer's screen positions at the press and now. Empty when the
    // drag would make the window too small on an edge that refuses it.
    static std::optional<QRect> resizedGeometry(ResizeEdge edge, const QRect& restored, const QRect& current,
        const QPoint& pressGlobal, const QPoint& global, int minimumWidth);
    // Maximising: the minimum size to set and the geometry to take.
    // `screenIndex` is the position in the screen list of the screen that
    // holds the window (the first is the default screen).
    struct MaximizePlan {
        QSize minimumSize;
        QRect geometry;
    };
    static MaximizePlan maximizePlan(
        int screenCount, int screenIndex, const QRect& defaultAvailable, const QRect& ownAvailable);
    // The top-left corner that centres a window of `size` in `area`.
    static QPoint centredPosition(const QRect& area, const QSize& size);
    // The value a left-button press at `x` on a horizontal slider `width`
    // pixels wide jumps to; empty when the slider has no width.
    static std::optional<int> sliderClickValue(int x, int width, int minimum, int maximum);

    // --- For tests --------------------------------------------------------

    // The window's calls on pages that have no visible effect yet.
    enum class PageCall { FilterColumn, FilterText, SearchMode, StartSearch };
    using PageCallHook = std::function<void(PageIndex page, PageCall call, const QVariant& argument)>;
    // Sees every such call of every window, after the page has had it. An
    // empty hook removes it.
    static void setPageCallHook(PageCallHook hook);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void Doubleclicked();

public slots:
    void OnCloseReponse(int code);
    void OnMinResponse();
    void OnRestoreResponse();
    void OnSearchponse();
    void OnUpgradeResponse();
    void OnConfigRequest();
    void OnDeviceInfoRequest();
    void OnImportExportRequest();
    void OnChangePasswordRequest();
    void OnExportExcelRequest();
    void OnExtranetsearchRequest();
    void OnStreamConfigRequest();
    void OnOSDConfigRequest();
    void OnSearchFrameDoubleClick();
    void OnFilterIndexChangedResponse();
    void OnFilterTextChangedResponse();
    void OnProtocolIndexChangedResponse();
    void OnRecoveryDeviceRequest();
    void OnInitialDeviceRequest();
    void OnRebootDeviceRequest();
    void OnChangeDeviceRequest();
    void OnDeveloperPageRequest();
    void OnAutoUpgradePageRequest();
    void OnVideoFormatRequest();
    void OnClickHoverFirstResponse();
    void OnClickHoverSecondResponse();
    void OnClickHoverThirdResponse();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createPages();
    void buildLayout(int sideMargin);
    void connectSignals();
    // Shows a page with a filter: hides the protocol widgets, refills the
    // filter combo and passes the page the current filter.
    void showPage(PageIndex index);
    // Runs the slot of the page that `button` shows (none for a button
    // without a page).
    void showButtonPage(ToolBarButton button);
    // The page the tool bar's active button stands for; -1 for none and for
    // a page without a filter (the login page).
    int filterPage() const;
    void applyFilterColumn(int index, int column);
    void applyFilterText(int index, const QString& text);
    void setSearchMode(int mode);
    void startSearch();
    bool isOsdSlider(const QObject* object) const;
    void setArrowCursor();

    TitleBarFrame* m_pTitleBar = nullptr;
    ToolBarFrame* m_pToolBar = nullptr;
    QStackedWidget* m_pPageStack = nullptr;
    PageBase* m_pages[PageCount] = {};
    // The pages the window itself calls beyond PageBase.
    SearchFrame* m_pSearchFrame = nullptr;
    LoginFrame* m_pLoginFrame = nullptr;
    OSDConfig* m_pOSDConfig = nullptr;
    // The OSD page's sliders (its children, not owned here).
    QAbstractSlider* m_pSliderX = nullptr;
    QAbstractSlider* m_pSliderY = nullptr;
    QAbstractSlider* m_pSliderDateX = nullptr;
    QAbstractSlider* m_pSliderDateY = nullptr;
    QPen m_borderPen;
    bool m_maximized = false;
    QRect m_restoredGeometry;
    bool m_firstShowPending = true;
    bool m_buttonPressed = false;
    bool m_resizing = false;
    bool m_moving = false;
    QPoint m_pressPosition;
    QPoint m_pressGlobalPosition;
    ResizeEdge m_resizeEdge = EdgeNone;
    bool m_edgeCursorShown = false;

    int m_edition = 0;

    static MainFrame* s_instance;
};
