#include "search/ui/ExtranetsearchFrame.h"

#include "devices/DeviceInfo.h"
#include "devices/DeviceInfoMng.h"
#include "devices/DeviceTexts.h"
#include "search/table/CheckBoxTableModel.h"
#include "search/table/TableViewSortProxy.h"
#include "search/table/ui/CheckBoxTableView.h"
#include "shell/Clock.h"
#include "shell/GKAppSetting.h"
#include "shell/TextTable.h"
#include "shell/edition/DeviceTableEditions.h"
#include "sys/open_url.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QPushButton>
#include <QRegExp>
#include <QSet>
#include <QSpacerItem>
#include <QUrl>
#include <QVBoxLayout>
#include <cstring>
#include <exception>

namespace
{

constexpr int kStartText = 45;
constexpr int kStopText = 160;
constexpr int kQueryText = 10;
constexpr int kRefreshMs = 1000;
constexpr int kAddressChars = 16;
constexpr int kHttpsPort = 443;

// The pages alive, by the user pointer their searches carry. A callback
// holds the lock while it hands a result to its page, and a page leaves
// the set under it before it goes: a search that outlives its page (the
// window closed during a search) ends without touching freed memory.
QMutex& registryLock()
{
    static QMutex lock;
    return lock;
}
QSet<const void*>& livePages()
{
    static QSet<const void*> pages;
    return pages;
}

int VLNET_CALL vlnetSearch(const VLNET_SEARCH_DEV_POINT2POINT* search)
{
    return VLNetSearchDevPoint2Point(search);
}

bool openUrl(const std::string& url)
{
    return vlsys::openUrl(url);
}

ExtranetsearchFrame::WrapperSearch s_wrapperSearch = &vl_search_device;
ExtranetsearchFrame::VlnetSearch s_vlnetSearch = &vlnetSearch;
ExtranetsearchFrame::UrlOpener s_urlOpener = &openUrl;

void log(int line, const QString& message)
{
    GKAppSetting::instance()->log(QStringLiteral("ExtranetsearchFrame"), line, message);
}

} // namespace

ExtranetsearchFrame::ExtranetsearchFrame(QWidget* parent)
    : PageBase(parent)
    , ui(new Form)
{
    buildForm();
    ui->m_pEditStaIP->clear();
    ui->m_pEditEndIP->clear();
    ui->m_pEditStaIP->setMaxLength(kAddressChars);
    ui->m_pEditEndIP->setMaxLength(kAddressChars);

    CheckBoxTableView* view = ui->m_pDeviceTableView;
    model = new CheckBoxTableModel(view, CheckBoxTableModel::RangeSearchTable, 0);
    view->setCheckModelWithHttps(model->sortProxy(), 0, 2);
    view->setColumnWidth(0, 80);
    view->setColumnWidth(2, 90);
    for (int c = 3; c <= 5; ++c)
        view->setColumnWidth(c, 155);
    view->setColumnWidth(6, 145);
    for (int c = 7; c <= 11; ++c)
        view->setColumnWidth(c, 120);

    connect(view, &QAbstractItemView::clicked, this, &ExtranetsearchFrame::onClickTableView);
    connect(ui->m_pBtnQuery, &QPushButton::clicked, this, &ExtranetsearchFrame::SearchExtranetDevice);
    connect(&refreshTimer, &QTimer::timeout, this, &ExtranetsearchFrame::OnRefreshTimeOut);

    GKAppSetting::instance()->addEventReceiver(this);
    setTexts();

    QMutexLocker hold(&registryLock());
    livePages().insert(this);
}

ExtranetsearchFrame::~ExtranetsearchFrame()
{
    {
        // Waits for a callback that is handing this page a result.
        QMutexLocker hold(&registryLock());
        livePages().remove(this);
    }
    // The devices of a search that never ended belong to nobody else.
    const QList<DeviceInfo*> unpublished = m_found.takeAll();
    if (m_searching)
        qDeleteAll(unpublished);
    GKAppSetting::instance()->removeEventReceiver(this);
    delete ui;
}

void ExtranetsearchFrame::buildForm()
{
    setObjectName(QStringLiteral("ExtranetsearchFrame"));
    resize(826, 404);
    Form& f = *ui;
    f.verticalLayout = new QVBoxLayout(this);
    f.verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    f.verticalLayout->setContentsMargins(0, 0, 0, 0);

    f.line = new QFrame(this);
    f.line->setObjectName(QStringLiteral("line"));
    f.line->setFrameShape(QFrame::HLine);
    f.line->setFrameShadow(QFrame::Sunken);
    f.verticalLayout->addWidget(f.line);

    f.m_pInputIPFrame = new QFrame(this);
    f.m_pInputIPFrame->setObjectName(QStringLiteral("m_pInputIPFrame"));
    f.m_pInputIPFrame->setFrameShape(QFrame::StyledPanel);
    f.m_pInputIPFrame->setFrameShadow(QFrame::Raised);
    f.horizontalLayout_2 = new QHBoxLayout(f.m_pInputIPFrame);
    f.horizontalLayout_2->setObjectName(QStringLiteral("horizontalLayout_2"));
    f.horizontalLayout_2->setContentsMargins(0, 0, 0, 0);
    f.horizontalLayout = new QHBoxLayout();
    f.horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));

    auto label = [&](const char* name) {
        auto* l = new QLabel(f.m_pInputIPFrame);
        l->setObjectName(QLatin1String(name));
        l->setMinimumSize(60, 25);
        l->setMaximumSize(120, 25);
        l->setAlignment(Qt::AlignCenter);
        return l;
    };
    auto edit = [&](const char* name) {
        auto* e = new QLineEdit(f.m_pInputIPFrame);
        e->setObjectName(QLatin1String(name));
        e->setFixedSize(100, 25);
        return e;
    };
    f.m_pLabelStaIP = label("m_pLabelStaIP");
    f.horizontalLayout->addWidget(f.m_pLabelStaIP);
    f.m_pEditStaIP = edit("m_pEditStaIP");
    f.horizontalLayout->addWidget(f.m_pEditStaIP);
    f.m_pLabelEndIP = label("m_pLabelEndIP");
    f.horizontalLayout->addWidget(f.m_pLabelEndIP);
    f.m_pEditEndIP = edit("m_pEditEndIP");
    f.horizontalLayout->addWidget(f.m_pEditEndIP);
    f.horizontalLayout_2->addLayout(f.horizontalLayout);

    f.horizontalSpacer = new QSpacerItem(356, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    f.horizontalLayout_2->addItem(f.horizontalSpacer);

    f.m_pBtnQuery = new QPushButton(f.m_pInputIPFrame);
    f.m_pBtnQuery->setObjectName(QStringLiteral("m_pBtnQuery"));
    f.m_pBtnQuery->setFixedSize(75, 25);
    f.horizontalLayout_2->addWidget(f.m_pBtnQuery);
    f.verticalLayout->addWidget(f.m_pInputIPFrame);

    f.m_pDeviceTableView = new CheckBoxTableView(this);
    f.m_pDeviceTableView->setObjectName(QStringLiteral("m_pDeviceTableView"));
    f.verticalLayout->addWidget(f.m_pDeviceTableView);
}

void ExtranetsearchFrame::setTexts()
{
    ui->m_pLabelStaIP->setText(TextTable::text(kStartText));
    ui->m_pLabelEndIP->setText(TextTable::text(kStopText));
    ui->m_pBtnQuery->setText(TextTable::text(kQueryText));
}

// ---- Search ---------------------------------------------------------------

void ExtranetsearchFrame::SearchExtranetDevice()
{
    // One search at a time: its callbacks fill one list.
    if (m_searching)
        return;
    setBusy(false);

    // The table lets go of the old devices before they are deleted.
    model->clearDevices();
    m_found.takeAll();
    DeviceInfoMng::instance()->setExtranetDevices({});

    const QString start = ui->m_pEditStaIP->text();
    const QString stop = ui->m_pEditEndIP->text();
    m_searching = true;
    if (RangeSearch::throughWrapper()) {
        const QByteArray request = RangeSearch::wrapperRequest(start, stop);
        log(__LINE__,
            QStringLiteral("range search through VLSDKWrapper: %1").arg(QString::fromUtf8(request)));
        s_wrapperSearch(request.constData(), &ExtranetsearchFrame::rangeSearchCallback, this);
    } else {
        VLNET_SEARCH_DEV_POINT2POINT search;
        RangeSearch::fillPoint2Point(search, start, stop, &ExtranetsearchFrame::sdkSearchCallback, this);
        log(__LINE__, QStringLiteral("range search through VLNet: %1 - %2").arg(start, stop));
        s_vlnetSearch(&search);
    }
    refreshTimer.start(Clock::instance()->duration(kRefreshMs));
}

int VLNET_CALL ExtranetsearchFrame::sdkSearchCallback(const VLNET_SEARCH_DEV_RSP* record, void* user)
{
    if (!user)
        return 0;
    try {
        QMutexLocker hold(&registryLock());
        if (!livePages().contains(user))
            return 1;
        auto* page = static_cast<ExtranetsearchFrame*>(user);
        if (!record) {
            page->addSearchResult(nullptr);
            return 1;
        }
        SearchDevRsp full {};
        std::memcpy(&full.sdk, record, sizeof full.sdk);
        page->addSearchResult(&full);
    } catch (const std::exception&) {
        // Nothing may leave a callback of the SDK; the answer is lost.
    }
    return 1;
}

void VL_CALL ExtranetsearchFrame::rangeSearchCallback(const char* json, void* user)
{
    // Without a page there is nobody to tell, not even of the end.
    if (!user)
        return;
    try {
        SearchDevRsp record;
        const bool answer = json && RangeSearch::recordFromJson(json, record);
        // Only the null text ends a search: a broken answer must not, or
        // the real end would cut the next search short.
        if (json && !answer)
            return;
        QMutexLocker hold(&registryLock());
        if (!livePages().contains(user))
            return;
        static_cast<ExtranetsearchFrame*>(user)->addSearchResult(json ? &record : nullptr);
    } catch (const std::exception&) {
        // Nothing may leave a callback of the wrapper; the answer is lost.
    }
}

void ExtranetsearchFrame::addSearchResult(const SearchDevRsp* record)
{
    if (record) {
        m_found.add(*record, QCoreApplication::instance() ? QCoreApplication::instance()->thread() : nullptr);
        return;
    }
    // The table and the device lists belong to the GUI thread.
    QMetaObject::invokeMethod(
        this, [this] { publishResults(); }, Qt::QueuedConnection);
}

void ExtranetsearchFrame::publishResults()
{
    if (!m_searching)
        return;
    m_searching = false;
    const QList<DeviceInfo*> sorted = m_found.sorted();
    log(__LINE__, QStringLiteral("range search found %1 device(s)").arg(sorted.size()));
    DeviceInfoMng::instance()->appendExtranetDevices(sorted);
    model->setDevices(sorted);
    QCoreApplication::postEvent(this, new QEvent(SearchListChangedEvent));
}

void ExtranetsearchFrame::setActionsEnabled(bool enabled)
{
    ui->m_pBtnQuery->setEnabled(enabled);
}

void ExtranetsearchFrame::OnRefreshTimeOut()
{
    refreshTimer.stop();
}

void ExtranetsearchFrame::customEvent(QEvent* event)
{
    switch (int(event->type())) {
    case SearchListChangedEvent:
        setBusy(true);
        break;
    case LanguageChangedEvent:
    case ProtocolChangedEvent:
        setTexts();
        break;
    default:
        break;
    }
}

// ---- Table ----------------------------------------------------------------

void ExtranetsearchFrame::onClickTableView(const QModelIndex& index)
{
    if (index.column() != 1)
        return;
    const DeviceInfo* device = model->deviceAt(index);
    if (!device)
        return;
    // The address came from the network: only a dotted IPv4 address becomes
    // a link, and the URL is built, not pasted together.
    const QString ip = device->ip();
    unsigned char bytes[4];
    if (!parseIPv4(ip.toLatin1().constData(), bytes)) {
        log(__LINE__, QStringLiteral("no web page for the address \"%1\"").arg(ip));
        return;
    }
    const bool https = device->httpsCheck == Qt::Checked;
    const int port = https ? kHttpsPort : device->webPort();
    QUrl url;
    url.setScheme(https ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(ip);
    if (port >= 1 && port <= 65535)
        url.setPort(port);
    s_urlOpener(url.toString(QUrl::FullyEncoded).toStdString());
}

void ExtranetsearchFrame::setFilterColumn(int column)
{
    if (!model)
        return;
    const DeviceTableEditions::RangeFilter filter
        = DeviceTableEditions::rangeSearchFilter(GKAppSetting::instance()->customerId(), column);
    if (filter.choice == model->filterColumn() || !model->hasSortProxy())
        return;
    model->setFilterColumn(filter.choice);
    model->sortProxy()->setFilterKeyColumn(filter.keyColumn);
    model->refreshShownList();
}

void ExtranetsearchFrame::setFilterText(const QString& text)
{
    if (!model || !model->hasSortProxy() || text == model->filterText())
        return;
    model->setFilterText(text);
    model->sortProxy()->setFilterRegExp(QRegExp(text, Qt::CaseInsensitive, QRegExp::RegExp));
    model->refreshShownList();
}

void ExtranetsearchFrame::removeWorkDevice(DeviceInfo* device, bool remove)
{
    const bool emptied = remove && m_found.remove(device);
    const QPointer<DeviceInfo> alive(device);
    QMetaObject::invokeMethod(
        this,
        [this, alive] {
            if (alive)
                model->updateDevice(alive->statusCellIndex[CheckBoxTableModel::RangeSearchTable], false);
        },
        Qt::QueuedConnection);
    if (emptied)
        QCoreApplication::postEvent(this, new QEvent(SearchListChangedEvent));
}

// ---- Test seams -----------------------------------------------------------

ExtranetsearchFrame::WrapperSearch ExtranetsearchFrame::setWrapperSearch(WrapperSearch search)
{
    WrapperSearch previous = s_wrapperSearch;
    s_wrapperSearch = search ? search : &vl_search_device;
    return previous;
}

ExtranetsearchFrame::VlnetSearch ExtranetsearchFrame::setVlnetSearch(VlnetSearch search)
{
    VlnetSearch previous = s_vlnetSearch;
    s_vlnetSearch = search ? search : &vlnetSearch;
    return previous;
}

ExtranetsearchFrame::UrlOpener ExtranetsearchFrame::setUrlOpener(UrlOpener opener)
{
    UrlOpener previous = s_urlOpener;
    s_urlOpener = opener ? opener : &openUrl;
    return previous;
}
