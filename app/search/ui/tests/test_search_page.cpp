// The search page: a search run and its publication on the GUI thread, the
// other pages' reload (the automatic-upgrade page too), the search refused
// while a device is busy, the views and the bottom panel by edition and
// width, the filter, the row click, the web page and Modify and Query.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceInfoMng.h"
#include "devices/WorkPool.h"
#include "pages/ui/DeviceInfoFrame.h"
#include "search/table/CheckBoxTableModel.h"
#include "search/table/TableViewSortProxy.h"
#include "search/table/ui/CheckBoxTableView.h"
#include "search/ui/SearchFrame.h"
#include "shell/ui/LineEdit.h"
#include "shell/ui/ToolBarFrame.h"
#include "shell/ui/vlclientmsgpopup.h"
#include "support/FakeSearch.h" // app/search/tests
#include "sys/open_url.h"
#include "upgrade/ui/AutoUpgrade.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace
{

// A page that notes every reload: when, and what the lists held then.
template <class Page> class Counting : public Page
{
public:
    void refreshDeviceTable() override
    {
        listed.push_back(DeviceInfoMng::instance()->devices().size());
        if (log)
            log->push_back(QStringLiteral("reload"));
    }
    std::vector<int> listed;
    std::vector<QString>* log = nullptr;
};

ShellTestOptions edition(int e, int protocol = 0)
{
    ShellTestOptions o;
    o.edition = e;
    o.curpro = protocol;
    return o;
}

// A search page with the fake searches, a tool bar and two watching pages.
struct Page {
    ShellTestEnv env;
    FakeSearch fake;
    SearchTransport::ScopedInstall install { &fake };
    std::unique_ptr<ToolBarFrame> bar;
    std::unique_ptr<SearchFrame> page;
    Counting<AutoUpgrade> autoUpgrade;
    Counting<DeviceInfoFrame> deviceInfo;

    explicit Page(ShellTestOptions options = ShellTestOptions())
        : env(options)
    {
        bar = std::make_unique<ToolBarFrame>();
        page = std::make_unique<SearchFrame>();
        page->setToolBar(bar.get());
        page->setPages(nullptr, &deviceInfo, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
            nullptr, nullptr, nullptr, &autoUpgrade, nullptr);
    }
    ~Page()
    {
        fake.endAll();
        page.reset();
        DeviceInfoMng::instance()->setDevices({});
    }

    // One run of multicast answers at these addresses.
    void search(const std::vector<std::string>& ips)
    {
        page->startSearch();
        const std::size_t i = fake.multicast.size() - 1;
        int n = 0;
        for (const std::string& ip : ips)
            fake.multicastAnswer(
                int(i), FakeSearch::multicastJson(ip, "00:00:00:00:01:" + std::to_string(10 + n++)));
        fake.endAll();
        QApplication::processEvents();
    }
    QStringList shownIps() const
    {
        QStringList ips;
        for (DeviceInfo* d : page->currentModel()->devices())
            ips << d->ip();
        return ips;
    }
    template <class T> T* child(const char* name) const { return page->findChild<T*>(QLatin1String(name)); }
    QModelIndex cell(int row, int column) const { return page->currentView()->model()->index(row, column); }
};

} // namespace

TEST(SearchPage, PublicationRunsOnTheGuiThreadInItsOrder)
{
    Page p;
    std::vector<QString> log;
    p.deviceInfo.log = &log;
    bool modelSeen = false;
    QObject::connect(p.page->currentModel(), &QAbstractItemModel::modelReset, [&] {
        if (!p.page->currentModel()->devices().isEmpty() && !modelSeen) {
            modelSeen = true;
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            EXPECT_EQ(DeviceInfoMng::instance()->devices().size(), 3) << "the lists before the model";
            log.push_back(QStringLiteral("model"));
        }
    });
    p.page->startSearch();
    EXPECT_FALSE(p.bar->button(ToolBarButton::Search)->isEnabled());
    log.clear();
    std::thread callbacks([&] {
        p.fake.multicastAnswer(0, FakeSearch::multicastJson("192.168.1.20", "00:00:00:00:00:20"));
        p.fake.multicastAnswer(0, FakeSearch::multicastJson("192.168.1.3", "00:00:00:00:00:03"));
        p.fake.multicastAnswer(0, FakeSearch::multicastJson("10.0.0.9", "00:00:00:00:00:09"));
        p.fake.multicastEnd(0);
    });
    callbacks.join();
    EXPECT_TRUE(DeviceInfoMng::instance()->devices().isEmpty()) << "nothing published off the GUI thread";
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(log, (std::vector<QString> { "model", "reload" }));
    EXPECT_EQ(p.shownIps(), (QStringList { "10.0.0.9", "192.168.1.3", "192.168.1.20" }));
    EXPECT_TRUE(p.bar->button(ToolBarButton::Search)->isEnabled());
    for (DeviceInfo* d : DeviceInfoMng::instance()->devices()) {
        EXPECT_EQ(d->thread(), qApp->thread());
        EXPECT_EQ(d->checkState[CheckBoxTableModel::SearchTable], int(Qt::Unchecked));
    }
    EXPECT_EQ(p.autoUpgrade.listed.back(), 3) << "the automatic-upgrade page reloads too";
}

TEST(SearchPage, ANewSearchEmptiesTheOtherPagesAndIsRefusedWhileADeviceIsBusy)
{
    Page p;
    p.search({ "192.168.1.10", "192.168.1.11" });
    ASSERT_EQ(DeviceInfoMng::instance()->devices().size(), 2);
    p.autoUpgrade.listed.clear();
    p.deviceInfo.listed.clear();

    p.search({ "192.168.1.12" });
    ASSERT_GE(p.deviceInfo.listed.size(), 2u);
    EXPECT_EQ(p.deviceInfo.listed.front(), 0) << "reloaded empty as soon as the old devices went";
    EXPECT_EQ(p.autoUpgrade.listed.front(), 0);
    ASSERT_EQ(DeviceInfoMng::instance()->devices().size(), 1);

    // A session open: refused, nothing deleted, nothing searched.
    DeviceInfo* busy = DeviceInfoMng::instance()->devices().first();
    const std::size_t starts = p.fake.multicast.size();
    busy->loggedIn = true;
    p.page->startSearch();
    QCoreApplication::postEvent(p.page.get(), new QEvent(AutoRefreshEvent)); // the auto-refresh alike
    QApplication::processEvents();
    EXPECT_EQ(p.fake.multicast.size(), starts);
    EXPECT_EQ(DeviceInfoMng::instance()->devices().size(), 1);
    EXPECT_EQ(p.shownIps(), (QStringList { "192.168.1.12" }));
    EXPECT_TRUE(p.bar->button(ToolBarButton::Search)->isEnabled()) << "the tool bar is left as it is";
    busy->loggedIn = false;

    // A pool task queued or running: refused until it has returned.
    {
        WorkPool pool(1);
        QSemaphore release;
        QSemaphore running;
        struct Block {
            QSemaphore* release;
            QSemaphore* running;
        } block { &release, &running };
        pool.submit(
            [](void* b) {
                static_cast<Block*>(b)->running->release();
                static_cast<Block*>(b)->release->acquire();
            },
            &block, 0);
        running.acquire();
        pool.submit([](DeviceInfo*) {}, busy, 0); // queued behind the blocker
        EXPECT_TRUE(busy->isBusy());
        p.page->startSearch();
        EXPECT_EQ(p.fake.multicast.size(), starts);
        release.release();
        pool.stopAndWait(5000);
    }
    EXPECT_FALSE(busy->isBusy());
    p.page->startSearch();
    EXPECT_EQ(p.fake.multicast.size(), starts + 1);
}

TEST(SearchPage, LateResultsOfAnEarlierRunNeverReachTheTable)
{
    Page p(edition(34, 1));
    p.page->startSearch(); // multicast and VLNet
    ASSERT_EQ(p.fake.lan.size(), 1u);
    p.page->startSearch();
    p.fake.lanAnswer(0, FakeSearch::lanRecord("192.168.1.50", "00:00:00:00:00:50"));
    p.fake.lanEnd(0);
    QApplication::processEvents();
    EXPECT_TRUE(p.shownIps().isEmpty());
    p.fake.lanAnswer(1, FakeSearch::lanRecord("192.168.1.51", "00:00:00:00:00:51"));
    p.fake.multicastEnd(1);
    QApplication::processEvents();
    EXPECT_TRUE(p.shownIps().isEmpty()) << "one of two markers";
    p.fake.lanEnd(1);
    QApplication::processEvents();
    EXPECT_EQ(p.shownIps(), (QStringList { "192.168.1.51" }));
}

TEST(SearchPage, TheSearchesByEditionProtocolAndView)
{
    struct Case {
        int edition;
        int protocol;
        std::size_t multicast;
        std::size_t lan;
    };
    for (const Case& c : std::initializer_list<Case> { { 0, 0, 1, 0 }, { 0, 1, 0, 1 }, { 34, 0, 1, 1 },
             { 11, 1, 1, 1 }, { 47, 1, 1, 0 }, { 42, 0, 2, 0 } }) {
        SCOPED_TRACE(c.edition);
        Page p(edition(c.edition, c.protocol));
        p.page->startSearch();
        EXPECT_EQ(p.fake.multicast.size(), c.multicast);
        EXPECT_EQ(p.fake.lan.size(), c.lan);
        EXPECT_TRUE(p.fake.onvif.empty());
    }
    // The ONVIF view searches by ONVIF alone.
    Page p(edition(34));
    p.bar->protocolCombo()->setCurrentIndex(1);
    p.page->setSearchMode(1);
    ASSERT_EQ(p.fake.onvif.size(), 1u);
    EXPECT_EQ(p.fake.multicast.size(), 0u);
    VLONVIF_SEARCH_DEV_RSP onvif {};
    const VLNET_SEARCH_DEV_RSP lan = FakeSearch::lanRecord("192.168.1.60", "00:00:00:00:00:60");
    std::memcpy(&onvif, &lan, sizeof onvif);
    p.fake.onvifAnswer(0, onvif);
    p.fake.onvifEnd(0);
    QApplication::processEvents();
    EXPECT_EQ(p.shownIps(), (QStringList { "192.168.1.60" }));
    EXPECT_TRUE(p.page->currentModel()->devices().first()->isOnvif);
    EXPECT_EQ(p.page->currentView(), p.page->onvifView());
    EXPECT_FALSE(p.child<QPushButton>("m_pBtnQuery")->isHidden());
}

TEST(SearchPage, TheFilterMapsTheChoiceByEdition)
{
    struct Case {
        int edition;
        int choice;
        int column;
    };
    for (const Case& c : std::initializer_list<Case> { { 0, 1, 1 }, { 0, 3, 3 }, { 34, 1, 1 }, { 34, 2, 3 },
             { 53, 4, 5 }, { 43, 2, 3 }, { 44, 3, 3 }, { 42, 3, 4 }, { 42, 2, 2 } }) {
        SCOPED_TRACE(testing::Message() << c.edition << " " << c.choice);
        Page p(edition(c.edition));
        p.page->setFilterColumn(c.choice);
        EXPECT_EQ(p.page->currentModel()->sortProxy()->filterKeyColumn(), c.column);
    }
    Page p;
    p.search({ "192.168.1.10", "192.168.1.22" });
    p.page->setFilterColumn(1);
    p.page->setFilterText(QStringLiteral("1\\.2"));
    EXPECT_EQ(p.page->currentModel()->shownDevices().size(), 1);
    // The same choice again leaves the proxy alone.
    p.page->currentModel()->sortProxy()->setFilterKeyColumn(7);
    p.page->setFilterColumn(1);
    EXPECT_EQ(p.page->currentModel()->sortProxy()->filterKeyColumn(), 7);
}

TEST(SearchPage, TheBottomPanelByEditionAndWidth)
{
    {
        Page p;
        p.page->setBottomPanelVisible(true);
        EXPECT_TRUE(p.child<QLineEdit>("m_pEditDNS1")->isVisibleTo(p.page.get()));
        p.page->resize(1579, 600);
        QApplication::processEvents();
        p.page->show();
        p.page->resize(1579, 600);
        QApplication::processEvents();
        EXPECT_EQ(p.page->panelLayoutMode(), 1);
        p.page->resize(1580, 600);
        QApplication::processEvents();
        EXPECT_EQ(p.page->panelLayoutMode(), 0);
    }
    {
        Page p(edition(10));
        p.page->setBottomPanelVisible(true);
        EXPECT_FALSE(p.child<QLineEdit>("m_pEditDNS1")->isVisibleTo(p.page.get()));
        EXPECT_EQ(p.child<QLineEdit>("m_pEditNetMask")->maximumWidth(), 100);
    }
    for (int e : { 43, 44 }) {
        Page p(edition(e));
        p.search({ "192.168.1.10" });
        p.page->onClickTableView(p.cell(0, 3));
        EXPECT_FALSE(p.child<QLineEdit>("m_pEditPort")->isVisibleTo(p.page.get()));
    }
}

TEST(SearchPage, ARowClickFillsThePanelAndTheLinkColumnOpensTheWebPage)
{
    std::vector<vlsys::OpenUrlRequest> opened;
    vlsys::setOpenUrlHook([&](const vlsys::OpenUrlRequest& r) {
        opened.push_back(r);
        return true;
    });
    for (int e : { 0, 10 }) {
        Page p(edition(e));
        p.search({ "192.168.1.10", "192.168.1.11" });
        EXPECT_FALSE(p.page->isBottomPanelShown());
        p.page->onClickTableView(p.cell(1, 3));
        EXPECT_TRUE(p.page->isBottomPanelShown());
        EXPECT_EQ(p.child<QLineEdit>("m_pEditIP")->text(), QStringLiteral("192.168.1.11"));
        EXPECT_EQ(p.child<QLineEdit>("m_pEditPort")->text(), QStringLiteral("9000"));
        EXPECT_EQ(p.child<QLineEdit>("m_pEditGateway")->text(), QStringLiteral("192.168.1.1"));
        EXPECT_EQ(p.child<QComboBox>("m_pComNetMode")->currentIndex(), 1);
        EXPECT_TRUE(opened.empty());
        p.page->onClickTableView(p.cell(0, 1));
        DeviceInfo* https = p.page->currentModel()->devices().at(1);
        https->httpsCheck = Qt::Checked;
        p.page->onClickTableView(p.cell(1, 1));
        ASSERT_EQ(opened.size(), 2u);
        EXPECT_EQ(opened[0].url, "http://192.168.1.10:80");
        EXPECT_EQ(opened[1].url, "https://192.168.1.11:443");
        EXPECT_EQ(opened[0].elevated, e == 0);
        opened.clear();
    }
    vlsys::setOpenUrlHook({});
}

TEST(SearchPage, ModifySubmitsConsecutiveAddressesOrTheOnvifOperation)
{
    struct Submitted {
        void (*entry)(void*);
        DeviceInfo* device;
    };
    std::vector<Submitted> submitted;
    WorkPool::setSubmitHook([&](const WorkTask& task, int) {
        submitted.push_back({ task.function, static_cast<DeviceInfo*>(task.argument) });
        return true;
    });
    {
        Page p;
        p.search({ "192.168.1.10", "192.168.1.11", "192.168.1.12" });
        p.page->currentModel()->setAllCheckState(Qt::Checked);
        p.page->onHeadCheckChanged(Qt::Checked);
        EXPECT_TRUE(p.page->isBatch());
        p.child<QComboBox>("m_pComNetMode")->setCurrentIndex(1);
        p.child<QLineEdit>("m_pEditIP")->setText(QStringLiteral("192.168.1.254"));
        p.child<QLineEdit>("m_pEditGateway")->setText(QStringLiteral("192.168.1.1"));
        p.child<QLineEdit>("m_pEditNetMask")->setText(QStringLiteral("255.255.254.0"));
        p.child<QLineEdit>("m_pEditDNS1")->setText(QStringLiteral("8.8.8.8"));
        p.child<QLineEdit>("m_pEditDNS2")->setText(QStringLiteral("8.8.4.4"));
        p.child<QLineEdit>("m_pEditWebPort")->setText(QStringLiteral("8080"));
        p.page->OnBtnModifyClicked();
        ASSERT_EQ(submitted.size(), 3u);
        QStringList ips;
        for (const Submitted& s : submitted) {
            EXPECT_EQ(s.entry, &DeviceInfo::doModifyWork);
            ips << s.device->newIp;
            EXPECT_EQ(s.device->httpPort, 8080) << "the web interface's port";
            EXPECT_EQ(s.device->newMask, QStringLiteral("255.255.254.0"));
            EXPECT_EQ(s.device->addressMode, 1);
            EXPECT_EQ(s.device->status(DeviceInfo::NetworkFamily), 4);
            EXPECT_EQ(s.device->searchPage, p.page.get());
        }
        EXPECT_EQ(ips, (QStringList { "192.168.1.254", "192.168.1.255", "192.168.2.0" }));
        EXPECT_FALSE(p.child<QPushButton>("m_pBtnModify")->isEnabled());
        EXPECT_EQ(p.page->workList().size(), 3);

        // Each device reports back; the last re-enables the controls.
        for (const Submitted& s : submitted)
            p.page->removeWorkDevice(s.device, true, true);
        QApplication::processEvents();
        EXPECT_TRUE(p.child<QPushButton>("m_pBtnModify")->isEnabled());
        EXPECT_TRUE(p.page->workList().isEmpty());
    }
    submitted.clear();
    {
        // An invalid mask in static mode: one notice, nothing submitted.
        Page p;
        p.search({ "192.168.1.10" });
        p.page->onClickTableView(p.cell(0, 3));
        p.child<QLineEdit>("m_pEditNetMask")->setText(QStringLiteral("255.255.255.254"));
        p.page->OnBtnModifyClicked();
        EXPECT_TRUE(submitted.empty());
        EXPECT_TRUE(vlclientmsgpopup::instance()->textLabel()->text().contains(TextTable::text(329)));
        EXPECT_TRUE(p.child<QPushButton>("m_pBtnModify")->isEnabled());

        // DHCP: no addresses, the ports as typed.
        p.child<QComboBox>("m_pComNetMode")->setCurrentIndex(0);
        p.page->OnBtnModifyClicked();
        ASSERT_EQ(submitted.size(), 1u);
        EXPECT_EQ(submitted[0].device->addressMode, 0);
        EXPECT_EQ(submitted[0].device->newIp, QStringLiteral("192.168.1.10")) << "the record's own";
    }
    submitted.clear();
    {
        // The ONVIF view submits the ONVIF operations.
        Page p(edition(34));
        p.bar->protocolCombo()->setCurrentIndex(1);
        p.page->setSearchMode(1);
        VLONVIF_SEARCH_DEV_RSP onvif {};
        const VLNET_SEARCH_DEV_RSP lan = FakeSearch::lanRecord("192.168.1.60", "00:00:00:00:00:60");
        std::memcpy(&onvif, &lan, sizeof onvif);
        p.fake.onvifAnswer(0, onvif);
        p.fake.onvifEnd(0);
        QApplication::processEvents();
        p.page->onClickTableView(p.cell(0, 2));
        p.child<QComboBox>("m_pComNetMode")->setCurrentIndex(0);
        p.page->OnBtnModifyClicked();
        p.page->removeWorkDevice(submitted.back().device, true, true);
        QApplication::processEvents();
        p.page->on_m_pBtnQuery_clicked();
        ASSERT_EQ(submitted.size(), 2u);
        EXPECT_EQ(submitted[0].entry, &DeviceInfo::doOnvifParamWork);
        EXPECT_EQ(submitted[1].entry, &DeviceInfo::doOnvifQueryWork);
        EXPECT_EQ(submitted[1].device->user, QString::fromLatin1(GKAppSetting::kDefaultUser));
    }
    WorkPool::setSubmitHook({});
}

TEST(SearchPage, ValidatorsAndTheNoticeOfBadInput)
{
    PortValidator v;
    struct Case {
        const char* text;
        QValidator::State state;
    };
    for (const Case& c : std::initializer_list<Case> { { "", QValidator::Acceptable },
             { "1", QValidator::Acceptable }, { "65535", QValidator::Acceptable },
             { "0", QValidator::Invalid }, { "070", QValidator::Invalid }, { "65536", QValidator::Invalid },
             { "8a", QValidator::Invalid }, { "-1", QValidator::Invalid } }) {
        QString text = QString::fromLatin1(c.text);
        int pos = 0;
        EXPECT_EQ(v.validate(text, pos), c.state) << c.text;
    }

    Page p;
    p.page->setBottomPanelVisible(true);
    p.child<QComboBox>("m_pComNetMode")->setCurrentIndex(1);
    EXPECT_TRUE(p.page->validateNetworkInput(QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.254"),
        QStringLiteral("255.0.0.0"), QStringLiteral("8.8.8.8"), QStringLiteral("1.1.1.1")));
    EXPECT_FALSE(p.page->validateNetworkInput(QStringLiteral("127.0.0.1"), QStringLiteral("10.0.0.0"),
        QStringLiteral("254.0.0.0"), QStringLiteral("x"), QStringLiteral("1.1.1.1")));
    const QString notice = vlclientmsgpopup::instance()->textLabel()->text();
    for (int id : { 326, 327, 329 })
        EXPECT_TRUE(notice.contains(TextTable::text(id))) << id;
    EXPECT_TRUE(notice.contains(TextTable::text(328).arg(QStringLiteral("DNS1 "))));
    vlclientmsgpopup::instance()->hide();
}
