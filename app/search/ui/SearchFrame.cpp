#include "search/ui/SearchFrame.h"

#include "devices/DeviceInfo.h"
#include "devices/DeviceInfoMng.h"
#include "devices/WorkPool.h"
#include "pages/ui/ChangeDevice.h"
#include "pages/ui/ChangePassword.h"
#include "pages/ui/DeveloperPage.h"
#include "pages/ui/DeviceInfoFrame.h"
#include "pages/ui/ExportExcel.h"
#include "pages/ui/ImportExportFrame.h"
#include "pages/ui/InitialDevice.h"
#include "pages/ui/OSDConfig.h"
#include "pages/ui/RebootDevice.h"
#include "pages/ui/RecoveryDevice.h"
#include "pages/ui/StreamConfigFrame.h"
#include "pages/ui/VideoFormatFrame.h"
#include "search/MulticastSearch.h"
#include "search/NetworkInput.h"
#include "search/table/CheckBoxTableModel.h"
#include "search/table/TableViewSortProxy.h"
#include "search/table/ui/CheckBoxTableView.h"
#include "shell/GKAppSetting.h"
#include "shell/TextTable.h"
#include "shell/edition/SearchPageEditions.h"
#include "shell/ui/LineEdit.h"
#include "shell/ui/ToolBarFrame.h"
#include "shell/ui/WidgetUtilities.h"
#include "shell/ui/vlclientmsgpopup.h"
#include "sys/open_url.h"
#include "upgrade/ui/AutoUpgrade.h"
#include "upgrade/ui/UpgradeFrame.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegExp>
#include <QResizeEvent>
#include <QSpacerItem>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <mutex>

// Outside any namespace: Q_INIT_RESOURCE names a global function.
static void initSearchPageQrc()
{
    Q_INIT_RESOURCE(searchpage);
}

namespace
{

// Language-table numbers of the page's texts.
enum Text {
    UserText = 12,
    PasswordText = 13,
    IpText = 32,
    MediaPortText = 33,
    MaskText = 37,
    GatewayText = 38,
    WebPortText = 42,
    BatchIpText = 45,
    UserGroupText = 46,
    DeviceGroupText = 47,
    ModeText = 54,
    DhcpText = 56,
    StaticText = 58,
    ModifyText = 59,
    QueryText = 139,
    BadIpText = 326,
    BadGatewayText = 327,
    BadDnsText = 328,
    BadMaskText = 329,
};

constexpr int kCredentialBytes = 16;
constexpr int kLinkColumn = 1;
constexpr int kNarrowEditWidth = 100;
constexpr quint8 kNoticeSeconds = 6;

void initResources()
{
    static std::once_flag once;
    std::call_once(once, initSearchPageQrc);
}

} // namespace

// --- PortValidator ---------------------------------------------------------------

PortValidator::PortValidator(QObject* parent)
    : QValidator(parent)
{
}

QValidator::State PortValidator::validate(QString& input, int&) const
{
    if (input.isEmpty())
        return Acceptable;
    for (QChar c : input) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return Invalid;
    }
    if (input.size() >= 2 && input.at(0) == QLatin1Char('0'))
        return Invalid;
    bool ok = false;
    const int port = input.toInt(&ok);
    return ok && port >= 1 && port <= 65535 ? Acceptable : Invalid;
}

// --- Construction ------------------------------------------------------------------

SearchFrame::SearchFrame(QWidget* parent)
    : PageBase(parent)
    , m_searcher(
          [this](quint64 run) {
              // On the thread of the last marker: the model and the views belong
              // to the GUI thread.
              QMetaObject::invokeMethod(
                  this, [this, run] { publishSearchResults(run); }, Qt::QueuedConnection);
          },
          [this] { return isOnvifViewFromCallback(); })
{
    initResources();
    m_edition = GKAppSetting::instance()->customerId();
    setupUi();
    init();
    for (CheckBoxTableView* view : { m_pNormalView, m_pOnvifView }) {
        connect(view, &QAbstractItemView::clicked, this, &SearchFrame::onClickTableView);
        connect(view, &QAbstractItemView::doubleClicked, this, &SearchFrame::OnDoubleClickTableView);
        connect(view, &CheckBoxTableView::headCheckChanged, this, &SearchFrame::onHeadCheckChanged);
    }
    connect(m_pBtnModify, &QPushButton::clicked, this, &SearchFrame::OnBtnModifyClicked);
    connect(m_pBtnQuery, &QPushButton::clicked, this, &SearchFrame::on_m_pBtnQuery_clicked);
    connect(m_pComNetMode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &SearchFrame::OnNetModeChanged);
    retranslate();
}

SearchFrame::~SearchFrame()
{
    // Before any widget goes: no answer reaches the page from here on. The
    // found devices published belong to DeviceInfoMng.
    m_searcher.stop();
}

void SearchFrame::setupUi()
{
    setObjectName(QStringLiteral("SearchFrame"));
    m_pHBoxLayout = new QVBoxLayout(this);
    m_pHBoxLayout->setObjectName(QStringLiteral("m_pHBoxLayout"));
    m_pHBoxLayout->setContentsMargins(0, 0, 0, 0);
    m_pHBoxLayout->setSpacing(6);

    stackedWidget = new QStackedWidget(this);
    stackedWidget->setObjectName(QStringLiteral("stackedWidget"));
    page = new QWidget();
    page->setObjectName(QStringLiteral("page"));
    auto* horizontalLayout = new QHBoxLayout(page);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setContentsMargins(0, 0, 0, 0);
    m_pNormalView = new CheckBoxTableView(page);
    m_pNormalView->setObjectName(QStringLiteral("m_pNormalView"));
    horizontalLayout->addWidget(m_pNormalView);
    stackedWidget->addWidget(page);
    page_2 = new QWidget();
    page_2->setObjectName(QStringLiteral("page_2"));
    auto* horizontalLayout_2 = new QHBoxLayout(page_2);
    horizontalLayout_2->setObjectName(QStringLiteral("horizontalLayout_2"));
    horizontalLayout_2->setContentsMargins(0, 0, 0, 0);
    m_pOnvifView = new CheckBoxTableView(page_2);
    m_pOnvifView->setObjectName(QStringLiteral("m_pOnvifView"));
    horizontalLayout_2->addWidget(m_pOnvifView);
    stackedWidget->addWidget(page_2);
    m_pHBoxLayout->addWidget(stackedWidget, 1);

    auto* bottom = new QFrame(this);
    SearchFrameBottom = bottom;
    bottom->setObjectName(QStringLiteral("SearchFrameBottom"));
    horizontalLayout_3 = new QHBoxLayout(bottom);
    horizontalLayout_3->setObjectName(QStringLiteral("horizontalLayout_3"));
    horizontalLayout_3->setContentsMargins(0, 0, 0, 0);

    auto label = [](QWidget* parent, const char* name) {
        auto* l = new QLabel(parent);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    auto sized = [](QWidget* w, const char* name, int minWidth, int maxWidth) {
        w->setObjectName(QLatin1String(name));
        w->setMinimumSize(minWidth, 25);
        w->setMaximumSize(maxWidth, 25);
    };

    m_pGroupUserInfo = new QGroupBox(bottom);
    m_pGroupUserInfo->setObjectName(QStringLiteral("m_pGroupUserInfo"));
    m_pLabelUserName = label(m_pGroupUserInfo, "m_pLabelUserName");
    m_pLabelPassword = label(m_pGroupUserInfo, "m_pLabelPassword");
    m_pEditUserName = new LineEdit(m_pGroupUserInfo, kCredentialBytes);
    sized(m_pEditUserName, "m_pEditUserName", 60, 60);
    m_pEditPassword = new LineEdit(m_pGroupUserInfo, kCredentialBytes);
    sized(m_pEditPassword, "m_pEditPassword", 60, 60);
    m_pEditPassword->setEchoMode(QLineEdit::Password);

    m_pGroupDevInfo = new QGroupBox(bottom);
    m_pGroupDevInfo->setObjectName(QStringLiteral("m_pGroupDevInfo"));
    QWidget* g = m_pGroupDevInfo;
    m_pLableIP = label(g, "m_pLableIP");
    m_pEditIP = new IPLineEdit(g);
    sized(m_pEditIP, "m_pEditIP", 100, 100);
    m_pLabelMediaPort = label(g, "m_pLabelMediaPort");
    m_pEditPort = new QLineEdit(g);
    sized(m_pEditPort, "m_pEditPort", 90, 90);
    m_pLabelWebPort = label(g, "m_pLabelWebPort");
    m_pEditWebPort = new QLineEdit(g);
    sized(m_pEditWebPort, "m_pEditWebPort", 60, 70);
    m_pLabelGateway = label(g, "m_pLabelGateway");
    m_pEditGateway = new IPLineEdit(g);
    sized(m_pEditGateway, "m_pEditGateway", 100, 100);
    m_pLabelNetMask = label(g, "m_pLabelNetMask");
    m_pEditNetMask = new QLineEdit(g);
    sized(m_pEditNetMask, "m_pEditNetMask", 90, 90);
    m_pLabelNetWorkMode = label(g, "m_pLabelNetWorkMode");
    m_pComNetMode = new QComboBox(g);
    sized(m_pComNetMode, "m_pComNetMode", 60, 70);
    m_pLabelDNS1 = label(g, "m_pLabelDNS1");
    m_pEditDNS1 = new IPLineEdit(g);
    sized(m_pEditDNS1, "m_pEditDNS1", 90, 90);
    m_pLabelDNS2 = label(g, "m_pLabelDNS2");
    m_pEditDNS2 = new IPLineEdit(g);
    sized(m_pEditDNS2, "m_pEditDNS2", 90, 90);
    m_pLabelDNS1->setText(QStringLiteral("DNS1"));
    m_pLabelDNS2->setText(QStringLiteral("DNS2"));

    m_pBtnActivate = new QPushButton(bottom);
    m_pBtnActivate->setObjectName(QStringLiteral("m_pBtnActivate"));
    m_pBtnQuery = new QPushButton(bottom);
    m_pBtnQuery->setObjectName(QStringLiteral("m_pBtnQuery"));
    m_pBtnModify = new QPushButton(bottom);
    m_pBtnModify->setObjectName(QStringLiteral("m_pBtnModify"));
    for (QPushButton* b : { m_pBtnQuery, m_pBtnModify })
        b->setMinimumSize(72, 25);

    auto* verticalLayout_2 = new QVBoxLayout();
    verticalLayout_2->setObjectName(QStringLiteral("verticalLayout_2"));
    verticalLayout_2->addWidget(m_pBtnActivate);
    auto* verticalLayout = new QVBoxLayout();
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->addWidget(m_pBtnQuery);
    verticalLayout->addWidget(m_pBtnModify);
    horizontalLayout_3->addWidget(m_pGroupUserInfo);
    horizontalLayout_3->addWidget(m_pGroupDevInfo);
    horizontalLayout_3->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    horizontalLayout_3->addLayout(verticalLayout_2);
    horizontalLayout_3->addLayout(verticalLayout);
    m_pHBoxLayout->addWidget(bottom);

    // A row and a grid per group; resizeEvent fills one of them.
    auto* userBox = new QVBoxLayout(m_pGroupUserInfo);
    m_pUserRow = new QHBoxLayout();
    m_pUserGrid = new QGridLayout();
    userBox->addLayout(m_pUserRow);
    userBox->addLayout(m_pUserGrid);
    auto* devBox = new QVBoxLayout(m_pGroupDevInfo);
    m_pDevRow = new QHBoxLayout();
    m_pDevGrid = new QGridLayout();
    devBox->addLayout(m_pDevRow);
    devBox->addLayout(m_pDevGrid);
}

void SearchFrame::init()
{
    GKAppSetting* settings = GKAppSetting::instance();
    const SearchPageEditions::Rules& rules = SearchPageEditions::rules(m_edition);

    m_pEditUserName->setText(settings->defaultUser());
    m_pEditPassword->setText(settings->defaultPassword());
    auto* ports = new PortValidator(this);
    m_pEditPort->setValidator(ports);
    m_pEditWebPort->setValidator(ports);

    if (!rules.dnsWidgets) {
        for (QWidget* w :
            std::initializer_list<QWidget*> { m_pLabelDNS1, m_pEditDNS1, m_pLabelDNS2, m_pEditDNS2 })
            w->hide();
        for (QWidget* w :
            std::initializer_list<QWidget*> { m_pEditPort, m_pEditWebPort, m_pEditNetMask, m_pComNetMode })
            w->setFixedWidth(kNarrowEditWidth);
    }

    m_pNormalModel = new CheckBoxTableModel(m_pNormalView, CheckBoxTableModel::SearchTable, 0);
    if (rules.httpsColumn)
        m_pNormalView->setCheckModelWithHttps(m_pNormalModel->sortProxy(), 0, 2);
    else
        m_pNormalView->setCheckModel(m_pNormalModel->sortProxy(), 0);
    for (const auto& w : SearchPageEditions::normalColumnWidths(m_edition, settings->languageIndex()))
        m_pNormalView->setColumnWidth(w.first, w.second);
    for (int c : SearchPageEditions::hiddenNormalColumns(m_edition))
        m_pNormalView->setColumnHidden(c, true);

    m_pOnvifModel = new CheckBoxTableModel(m_pOnvifView, CheckBoxTableModel::SearchTable, -1);
    m_pOnvifView->setCheckModel(m_pOnvifModel->sortProxy(), -1);
    for (const auto& w : SearchPageEditions::onvifColumnWidths(m_edition))
        m_pOnvifView->setColumnWidth(w.first, w.second);

    m_pBtnQuery->hide();
    stackedWidget->setCurrentIndex(0);
    m_pCurrentView = m_pNormalView;
    m_pCurrentModel = m_pNormalModel;

    if (!rules.groupBoxName.isEmpty()) {
        m_pGroupUserInfo->setObjectName(rules.groupBoxName);
        m_pGroupDevInfo->setObjectName(rules.groupBoxName);
    }
    m_pBtnActivate->setEnabled(false);
    m_pBtnActivate->hide();
    setBottomPanelVisible(false);
}

void SearchFrame::retranslate()
{
    GKAppSetting::instance()->addEventReceiver(this);
    const SearchPageEditions::Rules& rules = SearchPageEditions::rules(m_edition);
    m_pLableIP->setText(TextTable::text(m_batch ? BatchIpText : IpText));
    m_pLabelMediaPort->setText(TextTable::text(MediaPortText));
    m_pLabelGateway->setText(TextTable::text(GatewayText));
    m_pLabelNetMask->setText(TextTable::text(MaskText));
    m_pLabelUserName->setText(
        rules.userLabelText >= 0 ? TextTable::text(rules.userLabelText) : rules.userLabel);
    m_pLabelPassword->setText(TextTable::text(PasswordText));
    m_pLabelWebPort->setText(TextTable::text(WebPortText));
    m_pLabelNetWorkMode->setText(TextTable::text(ModeText));
    m_pBtnModify->setText(TextTable::text(ModifyText));
    m_pBtnQuery->setText(TextTable::text(QueryText));
    m_pGroupUserInfo->setTitle(TextTable::text(UserGroupText));
    m_pGroupDevInfo->setTitle(TextTable::text(DeviceGroupText));

    {
        const QSignalBlocker block(m_pComNetMode);
        m_pComNetMode->clear();
        m_pComNetMode->addItem(TextTable::text(DhcpText), 0);
        m_pComNetMode->addItem(TextTable::text(StaticText), 1);
    }
    m_pComNetMode->setCurrentIndex(rules.staticMode ? 1 : 0);
    OnNetModeChanged(m_pComNetMode->currentIndex());
    fitComboBoxWidth(m_pComNetMode);

    if (!rules.labelVariant.isEmpty())
        setStyleVariant(this, "labels", rules.labelVariant);
    if (!rules.comboName.isEmpty())
        m_pComNetMode->setObjectName(rules.comboName);
    if (!rules.editName.isEmpty()) {
        for (QLineEdit* e : std::initializer_list<QLineEdit*> { m_pEditIP, m_pEditPort, m_pEditWebPort,
                 m_pEditNetMask, m_pEditGateway, m_pEditUserName, m_pEditPassword })
            e->setObjectName(rules.editName);
    }
    if (rules.groupMinimumHeight > 0) {
        m_pGroupUserInfo->setMinimumHeight(rules.groupMinimumHeight);
        m_pGroupDevInfo->setMinimumHeight(rules.groupMinimumHeight);
    }
    m_pLabelMediaPort->setEnabled(!rules.mediaPortHidden);
    m_pLabelMediaPort->setVisible(!rules.mediaPortHidden);
    m_pEditPort->setEnabled(!rules.mediaPortHidden);
    m_pEditPort->setVisible(!rules.mediaPortHidden);
    setBottomPanelVisible(false);
}

QWidget* SearchFrame::bottomPanel() const
{
    return SearchFrameBottom;
}

void SearchFrame::setBottomPanelVisible(bool show)
{
    if (m_bottomShown == show)
        return;
    m_bottomShown = show;
    GKAppSetting::instance()->addEventReceiver(this);
    if (show) {
        m_pHBoxLayout->addWidget(SearchFrameBottom);
        SearchFrameBottom->show();
        const bool noMediaPort = isOnvifView() || SearchPageEditions::rules(m_edition).mediaPortHidden;
        m_pEditPort->setEnabled(!noMediaPort);
        m_pEditPort->setVisible(!noMediaPort);
        m_pLabelMediaPort->setEnabled(!noMediaPort);
        m_pLabelMediaPort->setVisible(!noMediaPort);
    } else {
        m_pHBoxLayout->removeWidget(SearchFrameBottom);
        SearchFrameBottom->hide();
    }
}

void SearchFrame::resizeEvent(QResizeEvent* event)
{
    PageBase::resizeEvent(event);
    const int mode = event->size().width() >= kWideLayoutWidth ? 0 : 1;
    if (mode != m_layoutMode)
        applyLayout(mode);
}

void SearchFrame::applyLayout(int mode)
{
    m_layoutMode = mode;
    const bool dns = SearchPageEditions::rules(m_edition).dnsWidgets;
    // Every widget leaves the layout it is in; addWidget below reparents
    // nothing (all are children of their group already).
    const QList<QWidget*> userWidgets { m_pLabelUserName, m_pEditUserName, m_pLabelPassword,
        m_pEditPassword };
    QList<QWidget*> devWidgets { m_pLableIP, m_pEditIP, m_pLabelMediaPort, m_pEditPort, m_pLabelWebPort,
        m_pEditWebPort, m_pLabelGateway, m_pEditGateway, m_pLabelNetMask, m_pEditNetMask, m_pLabelNetWorkMode,
        m_pComNetMode, m_pLabelDNS1, m_pEditDNS1, m_pLabelDNS2, m_pEditDNS2 };
    for (QWidget* w : userWidgets + devWidgets) {
        m_pUserRow->removeWidget(w);
        m_pUserGrid->removeWidget(w);
        m_pDevRow->removeWidget(w);
        m_pDevGrid->removeWidget(w);
    }
    if (mode == 0) {
        for (QWidget* w : userWidgets)
            m_pUserRow->addWidget(w);
        for (int i = 0; i < (dns ? 16 : 12); ++i)
            m_pDevRow->addWidget(devWidgets.at(i), 0);
        return;
    }
    m_pUserGrid->addWidget(m_pLabelUserName, 0, 0);
    m_pUserGrid->addWidget(m_pEditUserName, 0, 1);
    m_pUserGrid->addWidget(m_pLabelPassword, 1, 0);
    m_pUserGrid->addWidget(m_pEditPassword, 1, 1);
    const QList<QWidget*> first { m_pLableIP, m_pEditIP, m_pLabelMediaPort, m_pEditPort, m_pLabelWebPort,
        m_pEditWebPort, m_pLabelDNS1, m_pEditDNS1 };
    const QList<QWidget*> second { m_pLabelGateway, m_pEditGateway, m_pLabelNetMask, m_pEditNetMask,
        m_pLabelNetWorkMode, m_pComNetMode, m_pLabelDNS2, m_pEditDNS2 };
    for (int i = 0; i < (dns ? 8 : 6); ++i) {
        m_pDevGrid->addWidget(first.at(i), 0, i);
        m_pDevGrid->addWidget(second.at(i), 1, i);
    }
}

// --- Pages, filter, view ---------------------------------------------------------------

void SearchFrame::setPages(UpgradeFrame* upgrade, DeviceInfoFrame* deviceInfo,
    ImportExportFrame* importExport, ChangePassword* changePassword, ExportExcel* exportExcel,
    StreamConfigFrame* streamConfig, OSDConfig* osdConfig, RecoveryDevice* recovery,
    InitialDevice* initialDevice, RebootDevice* reboot, ChangeDevice* changeDevice, DeveloperPage* developer,
    AutoUpgrade* autoUpgrade, VideoFormatFrame* videoFormat)
{
    m_pUpgradeFrame = upgrade;
    m_pDeviceInfoFrame = deviceInfo;
    m_pImportExportFrame = importExport;
    m_pChangePassword = changePassword;
    m_pExportExcel = exportExcel;
    m_pStreamConfigFrame = streamConfig;
    m_pOSDConfig = osdConfig;
    m_pRecoveryDevice = recovery;
    m_pInitialDevice = initialDevice;
    m_pRebootDevice = reboot;
    m_pChangeDevice = changeDevice;
    m_pDeveloperPage = developer;
    m_pAutoUpgrade = autoUpgrade;
    m_pVideoFormatFrame = videoFormat;
}

QList<PageBase*> SearchFrame::otherPages() const
{
    QList<PageBase*> pages;
    for (PageBase* p : std::initializer_list<PageBase*> { m_pUpgradeFrame, m_pDeviceInfoFrame,
             m_pImportExportFrame, m_pChangePassword, m_pExportExcel, m_pStreamConfigFrame, m_pOSDConfig,
             m_pRecoveryDevice, m_pInitialDevice, m_pRebootDevice, m_pChangeDevice, m_pDeveloperPage,
             m_pAutoUpgrade, m_pVideoFormatFrame }) {
        if (p)
            pages.append(p);
    }
    return pages;
}

void SearchFrame::refreshOtherPages()
{
    // The automatic-upgrade page too: nothing else fills its table.
    for (PageBase* p : otherPages())
        p->refreshDeviceTable();
}

void SearchFrame::setFilterColumn(int column)
{
    CheckBoxTableModel* model = m_pCurrentModel;
    if (!model || column == model->filterColumn() || !model->hasSortProxy())
        return;
    model->setFilterColumn(column);
    model->sortProxy()->setFilterKeyColumn(SearchPageEditions::filterColumn(m_edition, column));
    model->refreshShownList();
}

void SearchFrame::setFilterText(const QString& text)
{
    CheckBoxTableModel* model = m_pCurrentModel;
    if (!model || text == model->filterText() || !model->hasSortProxy())
        return;
    model->setFilterText(text);
    model->sortProxy()->setFilterRegExp(QRegExp(text, Qt::CaseInsensitive, QRegExp::RegExp));
    model->refreshShownList();
}

void SearchFrame::setSearchMode(int mode)
{
    stackedWidget->setCurrentIndex(mode);
    if (mode == 0) {
        m_pCurrentView = m_pNormalView;
        m_pCurrentModel = m_pNormalModel;
        m_pBtnQuery->hide();
    } else {
        m_pCurrentView = m_pOnvifView;
        m_pCurrentModel = m_pOnvifModel;
        for (int c : SearchPageEditions::hiddenOnvifColumns(m_edition))
            m_pOnvifView->setColumnHidden(c, true);
        m_pBtnQuery->show();
    }
    startSearch();
}

bool SearchFrame::isOnvifView() const
{
    ToolBarFrame* bar = toolBar();
    if (!bar || !bar->protocolCombo())
        return false;
    return bar->protocolCombo()->isVisibleTo(bar) && bar->protocolCombo()->currentIndex() == 1;
}

bool SearchFrame::isOnvifViewFromCallback() const
{
    // The combo's visibility belongs to the GUI thread: the run keeps what
    // it was when the run started; the index is read under the guard.
    GKAppSetting::ToolBarAccess access(GKAppSetting::instance());
    if (access.toolBarDestroyed() || !toolBar())
        return false;
    return m_runInOnvifView.load() && toolBar()->protocolIndex() == 1;
}

// --- Searches ----------------------------------------------------------------------------

void SearchFrame::startSearch()
{
    GKAppSetting* settings = GKAppSetting::instance();
    // Deleting the listed devices under a session or a pool task would pull
    // them away from the work on them.
    for (DeviceInfo* d : DeviceInfoMng::instance()->devices()) {
        if (d->isBusy()) {
            settings->log(QStringLiteral("SearchFrame::startSearch"), __LINE__,
                QStringLiteral("search refused: device %1 is busy").arg(d->ip()));
            return;
        }
    }

    if (toolBar())
        toolBar()->setButtonsEnabled(false);
    m_pNormalModel->clearDevices();
    m_pOnvifModel->clearDevices();
    {
        QMutexLocker lock(&m_mutex);
        m_workList.clear();
    }
    DeviceInfoMng::instance()->setDevices({});
    // No page may keep showing a deleted device until the next publication.
    refreshOtherPages();
    if (m_bottomShown)
        setBottomPanelVisible(false);

    const bool onvif = isOnvifView();
    m_runInOnvifView.store(onvif);
    const EditionProfile& profile = settings->profile();
    PageSearcher::Plan plan;
    plan.deviceType = profile.devices.searchDeviceType;
    plan.multicastReplacesLan = SearchPageEditions::rules(m_edition).multicastReplacesLan;
    if (onvif) {
        plan.onvifSearch = true;
    } else {
        const SearchPageEditions::Searches s
            = SearchPageEditions::normalSearches(m_edition, settings->protocol());
        if (s.multicast)
            plan.multicastRequests = multicastSearchRequests(profile);
        plan.lanSearch = s.lanSearch;
    }
    m_searcher.start(plan);
}

void SearchFrame::publishSearchResults(quint64 run)
{
    QList<DeviceInfo*> found;
    if (!m_searcher.takeResults(run, found))
        return; // a later run has begun
    DeviceInfoMng::instance()->appendDevices(found);
    m_pCurrentModel->setDevices(found);
    QCoreApplication::postEvent(this, new QEvent(SearchListChangedEvent));
}

void SearchFrame::customEvent(QEvent* event)
{
    switch (static_cast<int>(event->type())) {
    case SearchListChangedEvent:
        if (toolBar())
            toolBar()->setButtonsEnabled(true);
        refreshOtherPages();
        m_pNormalModel->setAllCheckState(Qt::Checked);
        m_pNormalModel->setAllCheckState(Qt::Unchecked);
        m_pNormalModel->setAllHttpsState(Qt::Checked);
        m_pNormalModel->setAllHttpsState(Qt::Unchecked);
        break;
    case SearchWorkListEmptyEvent:
        setControlsEnabled(true);
        break;
    case LanguageChangedEvent:
    case ProtocolChangedEvent:
        retranslate();
        break;
    case AutoRefreshEvent:
        startSearch();
        break;
    case PasswordChangedEvent:
        m_pEditPassword->setText(GKAppSetting::instance()->defaultPassword());
        break;
    default:
        break;
    }
}

// --- Device actions ----------------------------------------------------------------------------

DeviceInfo* SearchFrame::currentDevice() const
{
    return m_pCurrentModel ? m_pCurrentModel->deviceAt(m_pCurrentView->currentIndex()) : nullptr;
}

void SearchFrame::userAndPassword(QString& user, QString& password) const
{
    user = m_pEditUserName->text();
    password = m_pEditPassword->text();
}

QList<DeviceInfo*> SearchFrame::workList() const
{
    QMutexLocker lock(&m_mutex);
    return m_workList;
}

void SearchFrame::onClickTableView(const QModelIndex& index)
{
    const SearchPageEditions::Rules& rules = SearchPageEditions::rules(m_edition);
    if (m_pCurrentView->currentIndex() != index)
        m_pCurrentView->selectRow(index.row());
    if (rules.noPanelInOnvifView && isOnvifView())
        setBottomPanelVisible(false);
    else
        setBottomPanelVisible(true);

    DeviceInfo* device = m_pCurrentModel->deviceAt(index);
    if (m_pCurrentView->headCheckState() == Qt::Unchecked) {
        if (m_batch) {
            m_pLableIP->setText(TextTable::text(IpText));
            m_batch = false;
        }
        if (device) {
            m_pEditIP->setText(device->ip());
            if (rules.mediaPortHidden) {
                m_pEditPort->setEnabled(false);
                m_pEditPort->hide();
            } else if (device->mediaPort() == 0) {
                m_pEditPort->setText(rules.notAvailablePort ? QStringLiteral("N/A") : QString());
            } else {
                m_pEditPort->setText(QString::number(device->mediaPort()));
            }
            m_pEditWebPort->setText(QString::number(device->webPort()));
            if (rules.paddedAddresses) {
                m_pEditGateway->setText(CheckBoxTableModel::padIpAddress(device->gateway()));
                m_pEditNetMask->setText(CheckBoxTableModel::padIpAddress(device->netmask()));
            } else {
                m_pEditGateway->setText(device->gateway());
                m_pEditNetMask->setText(device->netmask());
            }
            m_pEditDNS1->setText(device->dns1());
            m_pEditDNS2->setText(device->dns2());
            const int target = rules.staticMode ? 1 : (device->networkMode() == 0 ? 0 : 1);
            if (m_pComNetMode->currentIndex() == target)
                OnNetModeChanged(target);
            else
                m_pComNetMode->setCurrentIndex(target);
        }
    } else {
        if (!m_batch) {
            m_batch = true;
            m_pLableIP->setText(TextTable::text(BatchIpText));
        }
        for (QLineEdit* e : std::initializer_list<QLineEdit*> { m_pEditIP, m_pEditPort, m_pEditWebPort,
                 m_pEditGateway, m_pEditNetMask, m_pEditDNS1, m_pEditDNS2 })
            e->clear();
        if (m_pComNetMode->currentIndex() == 1)
            OnNetModeChanged(1);
        else
            m_pComNetMode->setCurrentIndex(1);
    }

    if (index.column() == kLinkColumn && device)
        openWebPage(device);
}

void SearchFrame::openWebPage(DeviceInfo* device)
{
    const QString text = device->httpsCheck == Qt::Checked
        ? QStringLiteral("https://%1:%2").arg(device->ip()).arg(443)
        : QStringLiteral("http://%1:%2").arg(device->ip()).arg(device->webPort());
    const QByteArray url = QUrl(text).toEncoded();
    // The opener returns at once; a browser that does not start is not
    // reported.
    vlsys::openUrl(url.toStdString(), SearchPageEditions::rules(m_edition).elevatedWebPage);
}

void SearchFrame::onHeadCheckChanged(Qt::CheckState state)
{
    if (state != Qt::Unchecked) {
        setBottomPanelVisible(true);
        if (!m_batch) {
            m_batch = true;
            m_pLableIP->setText(TextTable::text(BatchIpText));
        }
    } else if (m_batch) {
        m_batch = false;
        m_pLableIP->setText(TextTable::text(IpText));
    }
    for (QLineEdit* e : std::initializer_list<QLineEdit*> { m_pEditIP, m_pEditPort, m_pEditWebPort,
             m_pEditGateway, m_pEditNetMask, m_pEditDNS1, m_pEditDNS2 })
        e->clear();
    const bool dns = m_pComNetMode->currentIndex() != 0;
    m_pEditDNS1->setEnabled(dns);
    m_pEditDNS2->setEnabled(dns);
}

void SearchFrame::OnNetModeChanged(int index)
{
    if (index == -1)
        return;
    const bool manual = index != 0;
    for (QWidget* w : std::initializer_list<QWidget*> {
             m_pEditIP, m_pEditGateway, m_pEditNetMask, m_pEditDNS1, m_pEditDNS2 })
        w->setEnabled(manual);
    DeviceInfo* device = currentDevice();
    if (device && !m_batch) {
        m_pEditDNS1->setEnabled(device->dns1Editable && manual);
        m_pEditDNS2->setEnabled(device->dns2Editable && manual);
    }
}

void SearchFrame::takeWorkList()
{
    QList<DeviceInfo*> list;
    if (m_batch) {
        m_pCurrentModel->checkedDevices(list);
    } else if (DeviceInfo* d = m_pCurrentModel->deviceAt(m_pCurrentView->currentIndex())) {
        list.append(d);
    }
    QMutexLocker lock(&m_mutex);
    m_workList = list;
}

void SearchFrame::markWorkList()
{
    const QList<DeviceInfo*> list = workList();
    if (!list.isEmpty())
        setControlsEnabled(false);
    for (DeviceInfo* d : list) {
        d->setFamilyStatus(DeviceInfo::NetworkFamily, 4);
        if (!d->searchPage)
            d->searchPage = this;
        m_pCurrentModel->updateDevice(d->statusCellIndex[CheckBoxTableModel::SearchTable], false);
    }
}

void SearchFrame::OnBtnModifyClicked()
{
    const SearchPageEditions::Rules& rules = SearchPageEditions::rules(m_edition);
    takeWorkList();
    const QString ip = m_pEditIP->text();
    const quint16 mediaPort = m_pEditPort->text().toUShort();
    const quint16 webPort = m_pEditWebPort->text().toUShort();
    const QString user = m_pEditUserName->text();
    const QString password = m_pEditPassword->text();
    const QString gateway = m_pEditGateway->text();
    const QString mask = m_pEditNetMask->text();
    const QString dns1 = m_pEditDNS1->text();
    const QString dns2 = m_pEditDNS2->text();
    const int mode
        = rules.modeFromComboIndex ? m_pComNetMode->currentIndex() : m_pComNetMode->currentData().toInt();
    const bool onvif = isOnvifView();

    if (mode == 1 && !validateNetworkInput(ip, gateway, mask, dns1, dns2)) {
        QMutexLocker lock(&m_mutex);
        m_workList.clear();
        return;
    }
    markWorkList();

    const QList<DeviceInfo*> list = workList();
    const QStringList addresses = consecutiveAddresses(ip, list.size());
    for (int i = 0; i < list.size(); ++i) {
        DeviceInfo* d = list.at(i);
        d->setWorkParams(
            user, password, QString(), QString(), QString(), QString(), QString(), 0, 0, 0, 0, 0);
        m_pEditPort->setText(QString::number(mediaPort != 0 ? mediaPort : d->mediaPort()));
        m_pEditWebPort->setText(QString::number(webPort != 0 ? webPort : d->webPort()));
        if (mode == 1)
            d->setModifyParams(addresses.at(i), mediaPort, webPort, gateway, mask, mode, dns1, dns2);
        else
            d->setModifyParams(
                QString(), mediaPort, webPort, QString(), QString(), mode, QString(), QString());
        WorkPool::instance()->submit(
            onvif ? &DeviceInfo::doOnvifParamWork : &DeviceInfo::doModifyWork, d, WorkPool::NormalQueue);
    }
}

void SearchFrame::on_m_pBtnQuery_clicked()
{
    takeWorkList();
    markWorkList();
    const QString user = m_pEditUserName->text();
    const QString password = m_pEditPassword->text();
    for (DeviceInfo* d : workList()) {
        d->setWorkParams(
            user, password, QString(), QString(), QString(), QString(), QString(), 0, 0, 0, 0, 0);
        WorkPool::instance()->submit(&DeviceInfo::doOnvifQueryWork, d, WorkPool::NormalQueue);
    }
}

void SearchFrame::OnDoubleClickTableView(const QModelIndex&)
{
    if (!isOnvifView())
        emit SearchFrameDoubleClick();
}

void SearchFrame::removeWorkDevice(DeviceInfo* device, bool wholeRow, bool remove)
{
    (void)wholeRow; // the row is refreshed whole in any case
    bool emptied = false;
    if (remove) {
        QMutexLocker lock(&m_mutex);
        if (m_workList.removeOne(device))
            emptied = m_workList.isEmpty();
    }
    QMetaObject::invokeMethod(
        this,
        [this, device] {
            // The device may have left the table meanwhile (a new search).
            if (m_pCurrentModel->devices().contains(device))
                m_pCurrentModel->updateDevice(device->statusCellIndex[CheckBoxTableModel::SearchTable], true);
        },
        Qt::QueuedConnection);
    if (emptied)
        QCoreApplication::postEvent(this, new QEvent(SearchWorkListEmptyEvent));
}

void SearchFrame::setControlsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*> {
             m_pEditIP, m_pEditGateway, m_pEditNetMask, m_pEditWebPort, m_pBtnModify, m_pBtnQuery })
        w->setEnabled(enabled);
    m_pEditPort->setEnabled(enabled && !isOnvifView());
    if (toolBar())
        toolBar()->setButtonsEnabled(enabled);
    if (enabled && m_pComNetMode->currentIndex() == 0)
        OnNetModeChanged(0);
}

// --- Input checks ----------------------------------------------------------------------------

bool SearchFrame::isValidIpAddress(const QString& text)
{
    return isValidHostAddress(text);
}

bool SearchFrame::isValidNetMask(const QString& text)
{
    return ::isValidNetMask(text);
}

bool SearchFrame::validateNetworkInput(
    const QString& ip, const QString& gateway, const QString& mask, const QString& dns1, const QString& dns2)
{
    QString text;
    const QString lineEnd = QStringLiteral("\r\n");
    if (!isValidIpAddress(ip))
        text += TextTable::text(BadIpText) + lineEnd;
    if (!isValidIpAddress(gateway))
        text += TextTable::text(BadGatewayText) + lineEnd;
    QString badDns;
    if (m_pEditDNS1->isVisibleTo(this) && m_pEditDNS1->isEnabled() && !isValidIpAddress(dns1))
        badDns += QStringLiteral("DNS1 ");
    if (m_pEditDNS2->isVisibleTo(this) && m_pEditDNS2->isEnabled() && !isValidIpAddress(dns2))
        badDns += QStringLiteral("DNS2 ");
    if (!badDns.isEmpty())
        text += TextTable::text(BadDnsText).arg(badDns) + lineEnd;
    if (!isValidNetMask(mask))
        text += TextTable::text(BadMaskText) + lineEnd;
    if (text.isEmpty())
        return true;
    vlclientmsgpopup::instance()->showMessage(text, kNoticeSeconds);
    return false;
}
