#pragma once
// The program's only top-level window: a frameless frame with the title bar,
// the tool bar of page buttons and a stack of the seventeen pages at fixed
// indices (PageIndex). It creates every page, turns the tool bar's requests
// into page switches and filter calls, hands a device double-clicked on the
// search page to the login page, and moves, resizes (a 5-pixel border) and
// maximises itself, since the window system draws no frame around it.
//
// Start-up creates one MainFrame without a parent after the settings, the
// language table, the fonts, the SDKs and the work pool are up; the first
// search starts while the window is being built. GUI thread only.
#include <QFrame>
#include <QMutex>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QVariant>
#include <functional>
#include <optional>

class AutoUpgrade;
class ChangeDevice;
class ChangePassword;
class DeveloperPage;
class DeviceInfoFrame;
class ExportExcel;
class ExtranetsearchFrame;
class ImportExportFrame;
class InitialDevice;
class LoginFrame;
class OSDConfig;
class QAbstractSlider;
class QStackedWidget;
class RebootDevice;
class RecoveryDevice;
class SearchFrame;
class StreamConfigFrame;
class TitleBarFrame;
class ToolBarFrame;
class UpgradeFrame;
class VideoFormatFrame;

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
    // once it has gone. The video-format flow reaches its page through it.
    // Take instanceMutex() to keep the answer valid while using it.
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
    QWidget* page(PageIndex index) const;
    SearchFrame* searchFrame() const { return m_pSearchFrame; }
    UpgradeFrame* upgradeFrame() const { return m_pUpgradeFrame; }
    LoginFrame* loginFrame() const { return m_pLoginFrame; }
    DeviceInfoFrame* deviceInfoFrame() const { return m_pDeviceInfoFrame; }
    ImportExportFrame* importExportFrame() const { return m_pImportExportFrame; }
    ChangePassword* changePassword() const { return m_pChangePassword; }
    ExportExcel* exportExcel() const { return m_pExportExcel; }
    ExtranetsearchFrame* extranetsearchFrame() const { return m_pExtranetsearchFrame; }
    StreamConfigFrame* streamConfigFrame() const { return m_pStreamConfigFrame; }
    OSDConfig* osdConfig() const { return m_pOSDConfig; }
    RecoveryDevice* recoveryDevice() const { return m_pRecoveryDevice; }
    InitialDevice* initialDevice() const { return m_pInitialDevice; }
    RebootDevice* rebootDevice() const { return m_pRebootDevice; }
    ChangeDevice* changeDevice() const { return m_pChangeDevice; }
    DeveloperPage* developerPage() const { return m_pDeveloperPage; }
    AutoUpgrade* autoUpgrade() const { return m_pAutoUpgrade; }
    VideoFormatFrame* videoFormatFrame() const { return m_pVideoFormatFrame; }

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
    struct FilterTarget {
        std::function<void(int)> setColumn;
        std::function<void(const QString&)> setText;
    };

    void createPages();
    template <class Page> Page* addPage(PageIndex index);
    void buildLayout(int edition);
    void connectSignals();
    // Shows a page with a filter: hides the protocol widgets, refills the
    // filter combo and passes the page the current filter.
    void showPage(PageIndex index);
    // The page the tool bar's active button stands for; -1 for none and for
    // the login page, which has no filter.
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
    SearchFrame* m_pSearchFrame = nullptr;
    UpgradeFrame* m_pUpgradeFrame = nullptr;
    DeviceInfoFrame* m_pDeviceInfoFrame = nullptr;
    ImportExportFrame* m_pImportExportFrame = nullptr;
    ChangePassword* m_pChangePassword = nullptr;
    ExportExcel* m_pExportExcel = nullptr;
    ExtranetsearchFrame* m_pExtranetsearchFrame = nullptr;
    LoginFrame* m_pLoginFrame = nullptr;
    StreamConfigFrame* m_pStreamConfigFrame = nullptr;
    OSDConfig* m_pOSDConfig = nullptr;
    RecoveryDevice* m_pRecoveryDevice = nullptr;
    InitialDevice* m_pInitialDevice = nullptr;
    RebootDevice* m_pRebootDevice = nullptr;
    ChangeDevice* m_pChangeDevice = nullptr;
    DeveloperPage* m_pDeveloperPage = nullptr;
    AutoUpgrade* m_pAutoUpgrade = nullptr;
    VideoFormatFrame* m_pVideoFormatFrame = nullptr;
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
    FilterTarget m_filterTargets[PageCount];
    QWidget* m_pages[PageCount] = {};

    static MainFrame* s_instance;
};
