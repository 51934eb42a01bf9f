// The IP-range search page without a network: its form, the search it starts
// (over fakes of vl_search_device and VLNetSearchDevPoint2Point that hand the
// callbacks back to the test), the end of a search published on the GUI
// thread in IP order, the table's link clicks and the tool bar's filter.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceInfoMng.h"
#include "devices/DeviceTexts.h"
#include "search/table/CheckBoxTableModel.h"
#include "search/table/TableViewSortProxy.h"
#include "search/table/ui/CheckBoxTableView.h"
#include "search/ui/ExtranetsearchFrame.h"
#include "shell/TextTable.h"
#include "shell/ui/ToolBarFrame.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace
{

using Page = ExtranetsearchFrame;

// What the fakes were asked, and what the fake answers with.
struct Calls {
    int wrapper = 0;
    int vlnet = 0;
    std::string json;
    VLNET_SEARCH_DEV_POINT2POINT record {};
    vl_json_callback wrapperCallback = nullptr;
    void* user = nullptr;
    // Called inside the search call (the page is searching then).
    void (*during)(Page* page) = nullptr;
    // Answered inside the call: end at once.
    bool endAtOnce = false;
};
Calls calls;

int fakeWrapperSearch(const char* json, vl_json_callback callback, void* user)
{
    ++calls.wrapper;
    calls.json = json;
    calls.wrapperCallback = callback;
    calls.user = user;
    if (calls.during)
        calls.during(static_cast<Page*>(user));
    if (calls.endAtOnce)
        callback(nullptr, user);
    return 0;
}

int VLNET_CALL fakeVlnetSearch(const VLNET_SEARCH_DEV_POINT2POINT* search)
{
    ++calls.vlnet;
    calls.record = *search;
    calls.user = search->context;
    if (calls.during)
        calls.during(static_cast<Page*>(search->context));
    if (calls.endAtOnce)
        search->callback(nullptr, search->context);
    return 1;
}

std::string openedUrl;
int opened = 0;
bool fakeOpener(const std::string& url)
{
    ++opened;
    openedUrl = url;
    return true;
}

std::string answer(const char* ip, int webPort = 80)
{
    return "{\"ip\": \"" + std::string(ip) + "\", \"web port\": " + std::to_string(webPort)
        + ", \"device name\": \"dev " + ip + "\"}";
}

// One page with a tool bar, the fakes installed, in one edition.
struct PageTest : ::testing::Test {
    std::unique_ptr<ShellTestEnv> env;
    std::unique_ptr<ToolBarFrame> bar;
    std::unique_ptr<Page> page;

    void SetUp() override
    {
        calls = Calls();
        opened = 0;
        openedUrl.clear();
        Page::setWrapperSearch(&fakeWrapperSearch);
        Page::setVlnetSearch(&fakeVlnetSearch);
        Page::setUrlOpener(&fakeOpener);
        make(0, 0);
    }
    void TearDown() override
    {
        page.reset();
        bar.reset();
        DeviceInfoMng::instance()->setExtranetDevices({});
        env.reset();
        Page::setWrapperSearch(nullptr);
        Page::setVlnetSearch(nullptr);
        Page::setUrlOpener(nullptr);
    }

    void make(int edition, int protocol)
    {
        page.reset();
        bar.reset();
        DeviceInfoMng::instance()->setExtranetDevices({});
        env.reset();
        ShellTestEnv::Options o;
        o.edition = edition;
        o.curpro = protocol;
        env = std::make_unique<ShellTestEnv>(o);
        bar = std::make_unique<ToolBarFrame>();
        page = std::make_unique<Page>();
        page->setToolBar(bar.get());
        page->resize(1200, 500);
        page->show();
    }

    const Page::Form& form() const { return page->form(); }
    CheckBoxTableModel* model() const { return page->tableModel(); }
    bool idle() const { return form().m_pBtnQuery->isEnabled() && bar->filterEdit()->isEnabled(); }
    bool searching() const { return !form().m_pBtnQuery->isEnabled() && !bar->filterEdit()->isEnabled(); }

    void search(const QString& start, const QString& stop)
    {
        form().m_pEditStaIP->setText(start);
        form().m_pEditEndIP->setText(stop);
        form().m_pBtnQuery->click();
    }
    // Delivers posted events until the page is idle again.
    bool waitIdle(int ms = 5000)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            QApplication::processEvents();
            QApplication::sendPostedEvents();
            if (idle())
                return true;
            QThread::msleep(2);
        }
        return false;
    }
    // Answers the running wrapper search from a thread of its own, as
    // VLSDKWrapper does, then ends it.
    void answerFromThread(const std::vector<std::string>& texts, bool end = true)
    {
        vl_json_callback callback = calls.wrapperCallback;
        void* user = calls.user;
        std::thread t([&texts, callback, user, end] {
            for (const std::string& t : texts)
                callback(t.c_str(), user);
            if (end)
                callback(nullptr, user);
        });
        t.join();
    }
    QStringList shownIps() const
    {
        QStringList out;
        for (DeviceInfo* d : model()->devices())
            out << d->ip();
        return out;
    }
    // Runs a search of `texts` over the wrapper and waits for its end.
    void found(const std::vector<std::string>& texts)
    {
        search("10.0.0.1", "192.168.1.255");
        ASSERT_EQ(calls.wrapper, 1);
        answerFromThread(texts);
        ASSERT_TRUE(waitIdle());
        calls.wrapper = 0;
    }
};

} // namespace

TEST_F(PageTest, FormHasItsObjectsSizesTextsAndColumns)
{
    Page& p = *page;
    EXPECT_EQ(p.objectName(), "ExtranetsearchFrame");
    for (const char* name : { "verticalLayout", "line", "m_pInputIPFrame", "horizontalLayout_2",
             "horizontalLayout", "m_pLabelStaIP", "m_pEditStaIP", "m_pLabelEndIP", "m_pEditEndIP",
             "m_pBtnQuery", "m_pDeviceTableView" }) {
        EXPECT_NE(p.findChild<QObject*>(QLatin1String(name)), nullptr) << name;
    }
    EXPECT_EQ(form().line->frameShape(), QFrame::HLine);
    EXPECT_EQ(form().m_pInputIPFrame->frameShape(), QFrame::StyledPanel);
    for (QLabel* l : { form().m_pLabelStaIP, form().m_pLabelEndIP }) {
        EXPECT_EQ(l->minimumSize(), QSize(60, 25));
        EXPECT_EQ(l->maximumSize(), QSize(120, 25));
        EXPECT_EQ(l->alignment(), Qt::AlignCenter);
    }
    for (QLineEdit* e : { form().m_pEditStaIP, form().m_pEditEndIP }) {
        EXPECT_EQ(e->minimumSize(), QSize(100, 25));
        EXPECT_EQ(e->maximumSize(), QSize(100, 25));
        EXPECT_EQ(e->maxLength(), 16);
        EXPECT_TRUE(e->text().isEmpty());
    }
    EXPECT_EQ(form().m_pBtnQuery->size(), QSize(75, 25));
    EXPECT_EQ(form().m_pLabelStaIP->text(), TextTable::text(45));
    EXPECT_EQ(form().m_pLabelEndIP->text(), TextTable::text(160));
    EXPECT_EQ(form().m_pBtnQuery->text(), TextTable::text(10));

    EXPECT_EQ(model()->tableKind(), CheckBoxTableModel::RangeSearchTable);
    EXPECT_EQ(model()->checkColumn(), 0);
    EXPECT_EQ(model()->httpsColumn(), 2) << "the https column of edition 0's range table";
    CheckBoxTableView* view = form().m_pDeviceTableView;
    EXPECT_EQ(view->checkModel(), model());
    const int widths[] = { 80, -1, 90, 155, 155, 155, 145, 120, 120, 120, 120, 120 };
    for (int c = 0; c < 12 && c < model()->columnCount(); ++c) {
        if (widths[c] > 0) {
            EXPECT_EQ(view->columnWidth(c), widths[c]) << "column " << c;
        }
    }
}

TEST_F(PageTest, ASearchListsItsAnswersInIpOrderAndEnablesThePageAgain)
{
    DeviceInfoMng::instance()->setExtranetDevices({});
    search("10.0.0.1", "192.168.1.255");
    EXPECT_EQ(calls.wrapper, 1) << "protocol 0: through the wrapper";
    EXPECT_EQ(calls.user, page.get());
    EXPECT_TRUE(searching());
    answerFromThread(
        { answer("192.168.1.20"), "{broken", answer("192.168.1.3"), "[1]", answer("10.0.0.5") }, false);
    // A broken answer is not the end: only the null text is.
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(2);
    }
    EXPECT_TRUE(searching());
    EXPECT_EQ(model()->rowCount(), 0) << "nothing shown before the end";
    answerFromThread({});
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(shownIps(), (QStringList { "10.0.0.5", "192.168.1.3", "192.168.1.20" }));
    EXPECT_EQ(DeviceInfoMng::instance()->extranetDevices(), model()->devices());
    for (DeviceInfo* d : model()->devices())
        EXPECT_EQ(d->thread(), QApplication::instance()->thread());
    EXPECT_EQ(model()->sortProxy()->rowCount(), 3);
}

TEST_F(PageTest, EditionAndProtocolChooseTheTransport)
{
    struct Case {
        int edition;
        int protocol;
        bool wrapper;
        const char* oemType;
    } cases[] = {
        { 43, 1, true, "dorvex_nc" },
        { 0, 1, false, nullptr },
        { 0, 0, true, "default" },
        { 42, 1, true, "dorvex_hm" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "edition " << c.edition << " protocol " << c.protocol);
        make(c.edition, c.protocol);
        calls = Calls();
        calls.endAtOnce = true;
        search("192.168.1.1", "192.168.1.254");
        EXPECT_EQ(calls.wrapper, c.wrapper ? 1 : 0);
        EXPECT_EQ(calls.vlnet, c.wrapper ? 0 : 1);
        EXPECT_EQ(calls.user, page.get());
        if (c.wrapper) {
            const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(calls.json)).object();
            EXPECT_EQ(o.value("oem type").toString().toStdString(), c.oemType);
            EXPECT_EQ(o.value("start ip").toString(), "192.168.1.1");
            EXPECT_EQ(o.value("stop ip").toString(), "192.168.1.254");
        } else {
            EXPECT_EQ(calls.record.callback, &Page::sdkSearchCallback);
            EXPECT_EQ(calls.record.oem_type, 7);
            EXPECT_STREQ(calls.record.start_ip, "192.168.1.1");
            EXPECT_STREQ(calls.record.stop_ip, "192.168.1.254");
            EXPECT_EQ(calls.record.recv_timeout_ms, 0);
        }
        ASSERT_TRUE(waitIdle());
    }
}

TEST_F(PageTest, VlnetRecordsAreListedToo)
{
    make(0, 1);
    search("10.0.0.1", "10.0.0.9");
    ASSERT_EQ(calls.vlnet, 1);
    std::thread t([] {
        for (const char* ip : { "10.0.0.9", "10.0.0.2" }) {
            VLNET_SEARCH_DEV_RSP r {};
            copyRecordText(r.ip, QByteArray(ip));
            EXPECT_EQ(Page::sdkSearchCallback(&r, calls.user), 1);
        }
        EXPECT_EQ(Page::sdkSearchCallback(nullptr, calls.user), 1);
    });
    t.join();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(shownIps(), (QStringList { "10.0.0.2", "10.0.0.9" }));
}

// Whatever the user typed, the search ends with its end call alone.
TEST_F(PageTest, AnEmptyRangeEnablesTheButtonAndTheToolBarAgain)
{
    found({ answer("10.0.0.1") });
    calls.endAtOnce = true;
    search("", "");
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_TRUE(DeviceInfoMng::instance()->extranetDevices().isEmpty());
}

// The table lets go of the old devices before they are deleted (an
// AddressSanitizer build reports a table that still reads one).
TEST_F(PageTest, ANewSearchEmptiesTheTableBeforeTheOldDevicesGo)
{
    found({ answer("10.0.0.1"), answer("10.0.0.2") });
    ASSERT_EQ(model()->rowCount(), 2);
    static std::vector<QPointer<DeviceInfo>> old;
    old.clear();
    for (DeviceInfo* d : model()->devices())
        old.emplace_back(d);
    calls.during = [](Page* p) {
        EXPECT_EQ(p->tableModel()->rowCount(), 0);
        EXPECT_TRUE(p->tableModel()->shownDevices().isEmpty());
        EXPECT_TRUE(DeviceInfoMng::instance()->extranetDevices().isEmpty());
        for (const auto& d : old)
            EXPECT_TRUE(d.isNull()) << "deleted";
    };
    search("10.0.0.1", "10.0.0.9");
    ASSERT_EQ(calls.wrapper, 1);
    form().m_pDeviceTableView->repaint();
    answerFromThread({ answer("10.0.0.3") });
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(shownIps(), (QStringList { "10.0.0.3" }));
    form().m_pDeviceTableView->repaint();
}

TEST_F(PageTest, CallbacksWithoutAPageDoNothing)
{
    Page::rangeSearchCallback(nullptr, nullptr);
    Page::rangeSearchCallback(answer("10.0.0.1").c_str(), nullptr);
    EXPECT_EQ(Page::sdkSearchCallback(nullptr, nullptr), 0);
    VLNET_SEARCH_DEV_RSP r {};
    EXPECT_EQ(Page::sdkSearchCallback(&r, nullptr), 0);

    // A search that outlives its page (the window closed while it ran)
    // ends harmlessly; its devices go with the page.
    search("10.0.0.1", "10.0.0.9");
    void* user = calls.user;
    Page::rangeSearchCallback(answer("10.0.0.1").c_str(), user);
    page.reset();
    Page::rangeSearchCallback(answer("10.0.0.2").c_str(), user);
    Page::rangeSearchCallback(nullptr, user);
    EXPECT_EQ(Page::sdkSearchCallback(nullptr, user), 1);
    QApplication::processEvents();
    EXPECT_TRUE(DeviceInfoMng::instance()->extranetDevices().isEmpty());
}

TEST_F(PageTest, ALinkClickOpensTheDevicesWebPage)
{
    found({ answer("10.0.0.5", 8080), answer("10.0.0.6", 81), answer("10.0.0.7", 0), answer("10.0.0.300", 80),
        answer("10.0.0.8/x?y#", 80) });
    auto rowOf = [&](const QString& ip) {
        for (int r = 0; r < model()->sortProxy()->rowCount(); ++r) {
            if (model()->deviceAt(model()->sortProxy()->index(r, 0))->ip() == ip)
                return r;
        }
        return -1;
    };
    auto device
        = [&](const QString& ip) { return model()->deviceAt(model()->sortProxy()->index(rowOf(ip), 0)); };
    device("10.0.0.5")->httpsCheck = Qt::Checked;
    struct Case {
        const char* ip;
        int column;
        const char* url; // null: nothing opens
    } cases[] = {
        { "10.0.0.5", 1, "https://10.0.0.5:443" }, // https on 443 whatever the web port
        { "10.0.0.6", 1, "http://10.0.0.6:81" },
        { "10.0.0.7", 1, "http://10.0.0.7" }, // no port of its own
        { "10.0.0.5", 2, nullptr },
        { "10.0.0.6", 0, nullptr },
        { "10.0.0.6", 3, nullptr },
        { "10.0.0.300", 1, nullptr }, // the address text came from the network
        { "10.0.0.8/x?y#", 1, nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ip << " column " << c.column);
        const int row = rowOf(QLatin1String(c.ip));
        ASSERT_GE(row, 0);
        opened = 0;
        openedUrl.clear();
        page->onClickTableView(model()->sortProxy()->index(row, c.column));
        EXPECT_EQ(opened, c.url ? 1 : 0);
        EXPECT_EQ(openedUrl, c.url ? c.url : "");
    }
    // Through the view's own click signal too.
    opened = 0;
    const QModelIndex index = model()->sortProxy()->index(rowOf("10.0.0.6"), 1);
    emit form().m_pDeviceTableView->clicked(index);
    EXPECT_EQ(opened, 1);
    page->onClickTableView(QModelIndex());
    EXPECT_EQ(opened, 1);
}

// The table draws its https boxes and a click toggles one; the link then
// follows the box.
TEST_F(PageTest, TheHttpsBoxOfARowChoosesTheLinksScheme)
{
    found({ answer("10.0.0.5", 8080) });
    CheckBoxTableView* view = form().m_pDeviceTableView;
    view->resize(1100, 300);
    QApplication::processEvents();
    const QModelIndex box = model()->sortProxy()->index(0, 2);
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.rect = view->visualRect(box);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.index = box;
    const QRect indicator
        = view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, indicator.center());
    DeviceInfo* device = model()->devices().at(0);
    EXPECT_EQ(device->httpsCheck, int(Qt::Checked));
    opened = 0;
    QTest::mouseClick(
        view->viewport(), Qt::LeftButton, {}, view->visualRect(model()->sortProxy()->index(0, 1)).center());
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(openedUrl, "https://10.0.0.5:443");
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, indicator.center());
    EXPECT_EQ(device->httpsCheck, int(Qt::Unchecked));
    page->onClickTableView(model()->sortProxy()->index(0, 1));
    EXPECT_EQ(openedUrl, "http://10.0.0.5:8080");
}

TEST_F(PageTest, TheFilterColumnFollowsTheEditionsMapping)
{
    struct Case {
        int edition;
        int filter;
        int choice;
        int keyColumn;
    } cases[] = {
        { 42, 4, 5, 5 },
        { 42, 5, 7, 7 },
        { 42, 3, 3, 4 },
        { 42, 2, 2, 2 },
        { 34, 1, 1, 1 },
        { 34, 2, 2, 3 },
        { 34, 5, 5, 6 },
        { 53, 3, 3, 4 },
        { 43, 2, 2, 3 },
        { 44, 2, 2, 3 },
        { 43, 3, 3, 3 },
        { 0, 3, 3, 3 },
        { 0, 2, 2, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "edition " << c.edition << " filter " << c.filter);
        make(c.edition, 0);
        page->setFilterColumn(c.filter);
        EXPECT_EQ(model()->filterColumn(), c.choice);
        EXPECT_EQ(model()->sortProxy()->filterKeyColumn(), c.keyColumn);
        // The same choice again changes nothing.
        model()->sortProxy()->setFilterKeyColumn(9);
        page->setFilterColumn(c.filter);
        EXPECT_EQ(model()->sortProxy()->filterKeyColumn(), 9);
    }
}

TEST_F(PageTest, TheFilterTextIsACaseInsensitiveExpression)
{
    found({ answer("10.0.0.1"), answer("10.0.0.22"), answer("10.0.0.3") });
    page->setFilterColumn(1);
    page->setFilterText("0\\.2");
    EXPECT_EQ(model()->filterText(), "0\\.2");
    ASSERT_EQ(model()->shownDevices().size(), 1);
    EXPECT_EQ(model()->shownDevices()[0]->ip(), "10.0.0.22");
    int nameColumn = -1;
    for (int c = 0; c < model()->columnCount(); ++c) {
        if (model()->index(0, c).data().toString().startsWith("dev "))
            nameColumn = c;
    }
    ASSERT_GT(nameColumn, 1);
    page->setFilterColumn(nameColumn);
    EXPECT_EQ(model()->sortProxy()->filterKeyColumn(), nameColumn);
    page->setFilterText("DEV 10.0.0.[13]$");
    EXPECT_EQ(model()->shownDevices().size(), 2) << "the device name, in any case";
    page->setFilterText("");
    EXPECT_EQ(model()->shownDevices().size(), 3);
}

TEST_F(PageTest, TheLastDeviceLeavingTheWorkListEnablesThePage)
{
    found({ answer("10.0.0.1"), answer("10.0.0.2") });
    const QList<DeviceInfo*> devices = model()->devices();
    form().m_pBtnQuery->setEnabled(false);
    bar->setButtonsEnabled(false);
    std::thread t([&] {
        page->removeWorkDevice(devices[0], false);
        page->removeWorkDevice(devices[0], true);
    });
    t.join();
    QApplication::sendPostedEvents();
    EXPECT_TRUE(searching()) << "one device still works";
    std::thread u([&] { page->removeWorkDevice(devices[1], true); });
    u.join();
    ASSERT_TRUE(waitIdle());
}

TEST_F(PageTest, TextsFollowTheLanguage)
{
    form().m_pBtnQuery->setText("x");
    form().m_pLabelStaIP->setText("x");
    QApplication::postEvent(page.get(), new QEvent(LanguageChangedEvent));
    QApplication::sendPostedEvents();
    EXPECT_EQ(form().m_pBtnQuery->text(), TextTable::text(10));
    EXPECT_EQ(form().m_pLabelStaIP->text(), TextTable::text(45));
    form().m_pLabelEndIP->setText("x");
    QApplication::postEvent(page.get(), new QEvent(ProtocolChangedEvent));
    QApplication::sendPostedEvents();
    EXPECT_EQ(form().m_pLabelEndIP->text(), TextTable::text(160));
}
