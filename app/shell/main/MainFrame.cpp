#include "shell/main/MainFrame.h"

#include "pages/ui/LoginFrame.h"
#include "pages/ui/OSDConfig.h"
#include "search/ui/SearchFrame.h"
#include "shell/GKAppSetting.h"
#include "shell/edition/EditionProfile.h"
#include "shell/edition/ToolBarEditions.h"
#include "shell/main/PageTable.h"
#include "shell/ui/HoverButton.h"
#include "shell/ui/TitleBarFrame.h"
#include "shell/ui/ToolBarFrame.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QMutexLocker>
#include <QPainter>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <initializer_list>

// Outside any namespace: Q_INIT_RESOURCE names a global function.
static void initMainFrameQrc()
{
    Q_INIT_RESOURCE(mainframe);
}

MainFrame* MainFrame::s_instance = nullptr;

namespace
{

using B = ToolBarButton;

MainFrame::PageCallHook& pageCallHook()
{
    static MainFrame::PageCallHook hook;
    return hook;
}

void notifyHook(int page, MainFrame::PageCall call, const QVariant& argument)
{
    if (pageCallHook())
        pageCallHook()(static_cast<MainFrame::PageIndex>(page), call, argument);
}

} // namespace

// --- Construction ------------------------------------------------------------

MainFrame::MainFrame(QWidget* parent)
    : QFrame(parent)
{
    {
        QMutexLocker lock(&instanceMutex());
        if (!s_instance)
            s_instance = this;
    }
    initResources();
    setObjectName(QStringLiteral("MainFrame"));
    qApp->installEventFilter(this);

    setMouseTracking(true);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
        | Qt::WindowMaximizeButtonHint);
    m_borderPen.setColor(QColor(134, 134, 134, 255));

    m_edition = GKAppSetting::instance()->customerId();
    const EditionProfile& profile = GKAppSetting::instance()->profile();
    m_pTitleBar = new TitleBarFrame(this, true);
    m_pTitleBar->setFixedHeight(profile.mainWindow.titleBarHeight);
    m_pToolBar = new ToolBarFrame(this);
    m_pPageStack = new QStackedWidget(this);
    m_pPageStack->setObjectName(QStringLiteral("MainPageStack"));
    createPages();

    PageTable::handPagesToSearch(m_pSearchFrame, m_pages);
    applyFilterColumn(PageSearch, 1);

    for (PageBase* page : m_pages)
        m_pPageStack->addWidget(page); // in index order: the stack index is the page index
    m_pPageStack->setCurrentIndex(PageSearch);

    m_pSliderX = m_pOSDConfig->sliderX();
    m_pSliderY = m_pOSDConfig->sliderY();
    m_pSliderDateX = m_pOSDConfig->sliderDateX();
    m_pSliderDateY = m_pOSDConfig->sliderDateY();

    startSearch();

    if (profile.mainWindow.maximizeWhileBuilding)
        toggleMaximized();

    buildLayout(profile.mainWindow.sideMargin);
    connectSignals();
}

void MainFrame::createPages()
{
    for (const PageTable::Row& row : PageTable::rows()) {
        PageBase* page = row.create(this);
        m_pages[row.index] = page;
        if (row.filter != PageTable::Filter::None)
            page->setToolBar(m_pToolBar);
    }
    m_pSearchFrame = page<SearchFrame>();
    m_pLoginFrame = page<LoginFrame>();
    m_pOSDConfig = page<OSDConfig>();
}

void MainFrame::buildLayout(int sideMargin)
{
    auto* inner = new QVBoxLayout();
    inner->setSpacing(0);
    inner->setContentsMargins(sideMargin, 0, sideMargin, 10);
    inner->addWidget(m_pToolBar);
    inner->addWidget(m_pPageStack, 1);

    auto* outer = new QVBoxLayout(this);
    outer->setSpacing(0);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_pTitleBar);
    outer->addLayout(inner, 1);
}

void MainFrame::connectSignals()
{
    connect(this, &MainFrame::Doubleclicked, m_pTitleBar, &TitleBarFrame::RestoreOrMax);
    connect(m_pTitleBar, &TitleBarFrame::CloseRequest, this, &MainFrame::OnCloseReponse);
    connect(m_pTitleBar, &TitleBarFrame::MinReqest, this, &MainFrame::OnMinResponse);
    connect(m_pTitleBar, &TitleBarFrame::Restore, this, &MainFrame::OnRestoreResponse);

    ToolBarFrame* bar = m_pToolBar;
    for (const PageTable::Row& row : PageTable::rows())
        connect(bar, ToolBarFrame::requestSignal(row.button), this, row.slot);
    for (const PageTable::HoverRow& row : PageTable::hoverRows())
        connect(bar, row.request, this, row.slot);

    connect(bar, &ToolBarFrame::FilterIndexChangedRequest, this, &MainFrame::OnFilterIndexChangedResponse);
    connect(bar, &ToolBarFrame::FilterTextChangedRequest, this, &MainFrame::OnFilterTextChangedResponse);
    connect(
        bar, &ToolBarFrame::ProtocolIndexChangedRequest, this, &MainFrame::OnProtocolIndexChangedResponse);
    connect(m_pSearchFrame, &SearchFrame::SearchFrameDoubleClick, this, &MainFrame::OnSearchFrameDoubleClick);
    connect(bar, &ToolBarFrame::HideProtocolBtn, this, [this](bool hide) {
        if (m_pTitleBar)
            m_pTitleBar->setProtocolActionVisible(hide);
    });
}

MainFrame::~MainFrame()
{
    // The children go after this body; nothing they do on the way may reach
    // a slot or the event filter of a window that is already half gone.
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
    for (QObject* sender : std::initializer_list<QObject*> { m_pToolBar, m_pTitleBar, m_pSearchFrame })
        disconnect(sender, nullptr, this, nullptr);
    m_pSliderX = m_pSliderY = m_pSliderDateX = m_pSliderDateY = nullptr;

    // A later caller must find no window rather than a dangling one.
    QMutexLocker lock(&instanceMutex());
    if (s_instance == this)
        s_instance = nullptr;
}

MainFrame* MainFrame::instance()
{
    QMutexLocker lock(&instanceMutex());
    return s_instance;
}

QMutex& MainFrame::instanceMutex()
{
    static QMutex mutex;
    return mutex;
}

void MainFrame::initResources()
{
    initMainFrameQrc();
}

PageBase* MainFrame::page(PageIndex index) const
{
    return index >= 0 && index < PageCount ? m_pages[index] : nullptr;
}

void MainFrame::setPageCallHook(PageCallHook hook)
{
    pageCallHook() = std::move(hook);
}

// --- Page calls ----------------------------------------------------------------

void MainFrame::applyFilterColumn(int index, int column)
{
    const PageTable::Row* row = PageTable::rowOf(static_cast<PageIndex>(index));
    if (!row || row->filter == PageTable::Filter::None)
        return;
    m_pages[index]->setFilterColumn(column);
    notifyHook(index, PageCall::FilterColumn, column);
}

void MainFrame::applyFilterText(int index, const QString& text)
{
    const PageTable::Row* row = PageTable::rowOf(static_cast<PageIndex>(index));
    if (!row || row->filter == PageTable::Filter::None)
        return;
    m_pages[index]->setFilterText(text);
    notifyHook(index, PageCall::FilterText, text);
}

void MainFrame::setSearchMode(int mode)
{
    m_pSearchFrame->setSearchMode(mode);
    notifyHook(PageSearch, PageCall::SearchMode, mode);
}

void MainFrame::startSearch()
{
    m_pSearchFrame->startSearch();
    notifyHook(PageSearch, PageCall::StartSearch, QVariant());
}

// --- Page switching --------------------------------------------------------------

void MainFrame::showPage(PageIndex index)
{
    m_pPageStack->setCurrentIndex(index);
    m_pToolBar->setProtocolWidgetsVisible(false);
    const PageTable::Row* row = PageTable::rowOf(index);
    m_pToolBar->refillFilterCombo(row && row->filter == PageTable::Filter::Stream);
    applyFilterColumn(index, m_pToolBar->filterColumn());
    applyFilterText(index, m_pToolBar->filterText());
}

void MainFrame::OnSearchponse()
{
    // A search request from elsewhere (the button hidden, say) searches
    // without changing the page.
    if (m_pToolBar->isActive(B::Search)) {
        m_pPageStack->setCurrentIndex(PageSearch);
        if (ToolBarEditions::hasProtocolCombo(m_edition))
            m_pToolBar->setProtocolWidgetsVisible(true);
        m_pToolBar->refillFilterCombo(false);
        applyFilterColumn(PageSearch, m_pToolBar->filterColumn());
        applyFilterText(PageSearch, m_pToolBar->filterText());
    }
    startSearch();
}

void MainFrame::OnConfigRequest()
{
    m_pPageStack->setCurrentIndex(PageLogin);
    m_pToolBar->setProtocolWidgetsVisible(false);
    emit m_pLoginFrame->IsLoginFrame();
}

void MainFrame::OnUpgradeResponse()
{
    showPage(PageUpgrade);
}
void MainFrame::OnDeviceInfoRequest()
{
    showPage(PageDeviceInfo);
}
void MainFrame::OnImportExportRequest()
{
    showPage(PageImportExport);
}
void MainFrame::OnChangePasswordRequest()
{
    showPage(PageChangePassword);
}
void MainFrame::OnExportExcelRequest()
{
    showPage(PageExportExcel);
}
void MainFrame::OnExtranetsearchRequest()
{
    showPage(PageExtranetSearch);
}
void MainFrame::OnStreamConfigRequest()
{
    showPage(PageStreamConfig);
}
void MainFrame::OnOSDConfigRequest()
{
    showPage(PageOSDConfig);
}
void MainFrame::OnRecoveryDeviceRequest()
{
    showPage(PageRecoveryDevice);
}
void MainFrame::OnInitialDeviceRequest()
{
    showPage(PageInitialDevice);
}
void MainFrame::OnRebootDeviceRequest()
{
    showPage(PageRebootDevice);
}
void MainFrame::OnChangeDeviceRequest()
{
    showPage(PageChangeDevice);
}
void MainFrame::OnDeveloperPageRequest()
{
    showPage(PageDeveloper);
}
void MainFrame::OnAutoUpgradePageRequest()
{
    showPage(PageAutoUpgrade);
}
void MainFrame::OnVideoFormatRequest()
{
    showPage(PageVideoFormat);
}
void MainFrame::OnClickHoverFirstResponse()
{
    showButtonPage(ToolBarEditions::hoverChoice(0));
}
void MainFrame::OnClickHoverSecondResponse()
{
    showButtonPage(ToolBarEditions::hoverChoice(1));
}
void MainFrame::OnClickHoverThirdResponse()
{
    showButtonPage(ToolBarEditions::hoverChoice(2));
}

void MainFrame::showButtonPage(ToolBarButton button)
{
    if (const PageTable::Row* row = PageTable::rowOf(button))
        (this->*row->slot)();
}

// --- Filter and protocol -------------------------------------------------------------

int MainFrame::filterPage() const
{
    ToolBarButton active = m_pToolBar->activeButton();
    if (active == B::Hover)
        active = ToolBarEditions::hoverChoice(m_pToolBar->hoverButton()->currentChoice());
    const PageTable::Row* row = PageTable::rowOf(active);
    if (!row || row->filter == PageTable::Filter::None)
        return -1;
    return row->index;
}

void MainFrame::OnFilterIndexChangedResponse()
{
    applyFilterColumn(filterPage(), m_pToolBar->filterColumn());
}

void MainFrame::OnFilterTextChangedResponse()
{
    applyFilterText(filterPage(), m_pToolBar->filterText());
}

void MainFrame::OnProtocolIndexChangedResponse()
{
    const int protocol = m_pToolBar->protocolCombo()->currentIndex();
    if (m_pToolBar->isActive(B::Search))
        m_pToolBar->applyProtocolVisibility(protocol == 0);
    setSearchMode(protocol);
    applyFilterColumn(PageSearch, m_pToolBar->filterColumn());
    applyFilterText(PageSearch, m_pToolBar->filterText());
}

void MainFrame::OnSearchFrameDoubleClick()
{
    if (!m_pSearchFrame || !m_pToolBar)
        return;
    QString user;
    QString password;
    m_pSearchFrame->userAndPassword(user, password);
    DeviceInfo* device = m_pSearchFrame->currentDevice();
    if (!device)
        return;
    if (ToolBarEditions::loginButton(m_edition) == B::Hover)
        m_pToolBar->checkHoverButton();
    else
        m_pToolBar->checkConfigButton();
    m_pLoginFrame->setDevice(device);
    m_pLoginFrame->setUserPassword(user, password);
    emit m_pToolBar->ConfigRequest();
}

// --- Title-bar requests ----------------------------------------------------------------

void MainFrame::OnCloseReponse(int)
{
    close();
}

void MainFrame::OnMinResponse()
{
    showMinimized();
}

void MainFrame::OnRestoreResponse()
{
    toggleMaximized();
}

// --- Maximising --------------------------------------------------------------------------

MainFrame::MaximizePlan MainFrame::maximizePlan(
    int screenCount, int screenIndex, const QRect& defaultAvailable, const QRect& ownAvailable)
{
    if (screenCount == 1 || (screenCount > 1 && screenIndex == 0)) {
        return { QSize(static_cast<int>(defaultAvailable.width() * 0.6),
                     static_cast<int>(defaultAvailable.height() * 0.6)),
            defaultAvailable };
    }
    return { QSize(static_cast<int>(defaultAvailable.width() * 0.5),
                 static_cast<int>(defaultAvailable.height() * 0.5)),
        ownAvailable };
}

QPoint MainFrame::centredPosition(const QRect& area, const QSize& size)
{
    return QPoint(
        area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
}

void MainFrame::toggleMaximized()
{
    const bool wasMaximized = m_maximized;
    m_maximized = !m_maximized;
    QScreen* primary = QGuiApplication::primaryScreen();
    QScreen* own = screen();
    if (!primary || !own)
        return; // no screen at all: nothing to fill or centre on
    if (!wasMaximized) {
        const QList<QScreen*> screens = QGuiApplication::screens();
        const MaximizePlan plan = maximizePlan(
            screens.size(), screens.indexOf(own), primary->availableGeometry(), own->availableGeometry());
        setMinimumSize(plan.minimumSize);
        m_restoredGeometry = geometry();
        setGeometry(plan.geometry);
    } else {
        // Centred on the screen the window was maximised on: the middle of
        // the whole desktop would split it across two screens.
        const QRect area = own->geometry();
        setGeometry(m_restoredGeometry);
        move(centredPosition(area, size()));
    }
}

void MainFrame::showEvent(QShowEvent* event)
{
    // The window itself (it has no parent): activating a null window would
    // take the focus from it each time it is shown again.
    QApplication::setActiveWindow(parentWidget() ? parentWidget() : this);
    if (m_firstShowPending) {
        toggleMaximized();
        m_firstShowPending = false;
    }
    QFrame::showEvent(event);
}

// --- Frameless moving and resizing ----------------------------------------------------------

MainFrame::ResizeEdge MainFrame::edgeAt(const QPoint& position, const QSize& size)
{
    const QRect inner = QRect(QPoint(0, 0), size).adjusted(kBorder, kBorder, -kBorder, -kBorder);
    if (inner.contains(position))
        return EdgeNone;
    const int x = position.x();
    const int y = position.y();
    const int w = size.width();
    if (y <= kBorder)
        return x <= kBorder ? EdgeTopLeft : (x < w - kBorder ? EdgeTop : EdgeTopRight);
    if (y >= size.height() - kBorder)
        return x <= kBorder ? EdgeBottomLeft : (x < w - kBorder ? EdgeBottom : EdgeBottomRight);
    return x <= kBorder ? EdgeLeft : EdgeRight;
}

std::optional<QRect> MainFrame::resizedGeometry(ResizeEdge edge, const QRect& restored, const QRect& current,
    const QPoint& pressGlobal, const QPoint& global, int minimumWidth)
{
    const int dx = global.x() - pressGlobal.x();
    const int dy = global.y() - pressGlobal.y();
    const int H = kResizeHeightLimit;
    const QRect& R = restored;
    switch (edge) {
    case EdgeTop: {
        const int h = R.height() - dy;
        if (h > H)
            return QRect(current.x(), pressGlobal.y() + dy, current.width(), h);
        return std::nullopt;
    }
    case EdgeTopRight: {
        const int w = qMax(R.width() + dx, minimumWidth);
        const int h = R.height() - dy;
        if (h > H)
            return QRect(current.x(), pressGlobal.y() + dy, w, h);
        return std::nullopt;
    }
    case EdgeRight:
        return QRect(current.topLeft(), QSize(R.width() + dx, current.height()));
    case EdgeBottomRight:
        return QRect(current.topLeft(), QSize(qMax(R.width() + dx, minimumWidth), qMax(R.height() + dy, H)));
    case EdgeBottom:
        if (R.height() + dy > H)
            return QRect(current.topLeft(), QSize(current.width(), R.height() + dy));
        return std::nullopt;
    case EdgeBottomLeft: {
        const int w = R.width() - dx;
        if (w > minimumWidth)
            return QRect(pressGlobal.x() + dx, current.y(), w, qMax(R.height() + dy, H));
        return std::nullopt;
    }
    case EdgeLeft: {
        const int w = R.width() - dx;
        if (w > minimumWidth)
            return QRect(global.x(), current.y(), w, current.height());
        // Held at the minimum width with the right edge where it was.
        return QRect(global.x() + w - minimumWidth, current.y(), minimumWidth, current.height());
    }
    case EdgeTopLeft: {
        const int w = R.width() - dx;
        const int h = R.height() - dy;
        if (w > minimumWidth && h > H)
            return QRect(pressGlobal.x() + dx, pressGlobal.y() + dy, w, h);
        return std::nullopt;
    }
    case EdgeNone:
        break;
    }
    return std::nullopt;
}

void MainFrame::setArrowCursor()
{
    setCursor(Qt::ArrowCursor);
    m_edgeCursorShown = false;
}

void MainFrame::mousePressEvent(QMouseEvent* event)
{
    m_buttonPressed = true;
    m_pressPosition = event->pos();
    m_pressGlobalPosition = event->globalPos();
}

void MainFrame::mouseReleaseEvent(QMouseEvent*)
{
    m_buttonPressed = false;
    m_resizing = false;
    m_moving = false;
    setArrowCursor();
}

void MainFrame::mouseMoveEvent(QMouseEvent* event)
{
    if (m_resizing) {
        if (const std::optional<QRect> g = resizedGeometry(m_resizeEdge, m_restoredGeometry, geometry(),
                m_pressGlobalPosition, event->globalPos(), minimumWidth()))
            setGeometry(*g);
        return;
    }
    if (m_moving) {
        move(event->globalPos() - m_pressPosition);
        return;
    }
    QRect inner = rect().adjusted(kBorder, kBorder, -kBorder, -kBorder);
    const QPoint pos = event->pos();
    if (m_buttonPressed) {
        if (inner.contains(pos)) {
            // Only the title area drags the window.
            inner.setBottom(m_pTitleBar->geometry().bottom());
            if (inner.contains(pos))
                m_moving = true;
        } else {
            m_resizing = true;
            m_restoredGeometry = geometry();
        }
        return;
    }
    const ResizeEdge edge = edgeAt(pos, size());
    if (edge == EdgeNone) {
        setArrowCursor();
        return;
    }
    switch (edge) {
    case EdgeTopLeft:
    case EdgeBottomRight:
        setCursor(Qt::SizeFDiagCursor);
        break;
    case EdgeTop:
    case EdgeBottom:
        setCursor(Qt::SizeVerCursor);
        break;
    case EdgeTopRight:
    case EdgeBottomLeft:
        setCursor(Qt::SizeBDiagCursor);
        break;
    default:
        setCursor(Qt::SizeHorCursor);
        break;
    }
    m_resizeEdge = edge;
    m_edgeCursorShown = true;
}

void MainFrame::leaveEvent(QEvent* event)
{
    if (!m_resizing)
        setArrowCursor();
    QFrame::leaveEvent(event);
}

void MainFrame::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QRect titleArea = m_pTitleBar->rect().adjusted(kBorder, kBorder, -kBorder, 0);
        if (titleArea.contains(event->pos())) {
            if (GKAppSetting::instance()->profile().titleBar.restoreAndMaximize)
                emit Doubleclicked();
            toggleMaximized();
        }
    }
    event->ignore();
}

// --- Application-wide event filter ------------------------------------------------------------

std::optional<int> MainFrame::sliderClickValue(int x, int width, int minimum, int maximum)
{
    if (width <= 0)
        return std::nullopt; // a slider not laid out yet has no position to map
    const double value = minimum + (static_cast<double>(x) / width) * (maximum - minimum);
    return static_cast<int>(value);
}

bool MainFrame::isOsdSlider(const QObject* object) const
{
    return object
        && (object == m_pSliderX || object == m_pSliderY || object == m_pSliderDateX
            || object == m_pSliderDateY);
}

bool MainFrame::eventFilter(QObject* watched, QEvent* event)
{
    // The pointer left the border over a child: the edge cursor must not
    // stay behind.
    if (event->type() == QEvent::MouseMove && m_edgeCursorShown && !m_resizing) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (rect().adjusted(kBorder, kBorder, -kBorder, -kBorder).contains(mouse->pos()))
            setArrowCursor();
    }
    // A click on an OSD slider's groove jumps straight to that value; the
    // slider then takes the press on its handle as usual.
    if (event->type() == QEvent::MouseButtonPress && isOsdSlider(watched)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            auto* slider = static_cast<QAbstractSlider*>(watched);
            const std::optional<int> value
                = sliderClickValue(mouse->pos().x(), slider->width(), slider->minimum(), slider->maximum());
            if (value && *value != slider->sliderPosition())
                slider->setValue(*value);
        }
    }
    return QFrame::eventFilter(watched, event);
}

// --- Painting ------------------------------------------------------------------------------

void MainFrame::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(m_borderPen);
    painter.drawRoundedRect(QRect(0, 0, width() - 1, height() - 1), 0, 0);
}
