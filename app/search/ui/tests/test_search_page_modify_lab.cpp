// Modify on the search page against 100 simulated devices: every device of
// a batch moves to its consecutive address by multicast (the web-interface
// protocol setting) and through VLNet (the VLNet setting), three checked
// devices alone as well; every row ends with its status, the page enables
// itself again, and both a new search and devsim's own list show each device
// at its new address.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceInfoMng.h"
#include "devices/DeviceTexts.h"
#include "search/table/CheckBoxTableModel.h"
#include "search/table/ui/CheckBoxTableView.h"
#include "search/ui/SearchFrame.h"
#include "shell/ui/ToolBarFrame.h"
#include "support/vlnet_lab.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QSet>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>

namespace
{

constexpr int kDevices = 100;

class SearchPageModifyLab : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "2000", "3000", "300" },
            { "--generate", std::to_string(kDevices), "--seed", "17", "--inactive-percent", "0",
                "--onvif-percent", "0", "--password", GKAppSetting::kDefaultPassword });
    }

    static ShellTestOptions settings(int protocol)
    {
        ShellTestOptions o;
        o.edition = 0;
        o.curpro = protocol;
        return o;
    }

    template <class T> static T* child(SearchFrame& page, const char* name)
    {
        T* w = page.findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    static bool waitFor(const std::function<bool()>& done, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms && !done())
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        return done();
    }

    // One search of the page; the devices it lists.
    static QList<DeviceInfo*> search(SearchFrame& page, ToolBarFrame& bar)
    {
        page.startSearch();
        EXPECT_TRUE(waitFor([&] { return bar.button(ToolBarButton::Search)->isEnabled(); }, 30000))
            << "the search did not end";
        return page.currentModel()->devices();
    }

    // Devsim's devices: MAC key -> address.
    static QMap<QString, QString> simulated()
    {
        QMap<QString, QString> out;
        const Json::Value list = sim->must(R"({"cmd":"list"})")["devices"];
        for (const Json::Value& d : list)
            out.insert(macKey(QString::fromStdString(d["mac"].asString())),
                QString::fromStdString(d["ip"].asString()));
        return out;
    }

    // Checks `rows` (all when empty), enters static settings starting at
    // `firstIp`, presses Modify and waits until the page is enabled again.
    // The devices' new addresses by MAC key.
    static QMap<QString, QString> modify(
        SearchFrame& page, ToolBarFrame& bar, const QList<int>& rows, const QString& firstIp, int waitMs)
    {
        CheckBoxTableModel* model = page.currentModel();
        model->setAllCheckState(Qt::Unchecked);
        if (rows.isEmpty()) {
            model->setAllCheckState(Qt::Checked);
        } else {
            for (int row : rows)
                model->setCheckState(
                    page.currentView()->model()->index(row, model->checkColumn()), Qt::Checked);
            model->updateCheckedList();
        }
        page.onHeadCheckChanged(Qt::Checked);
        child<QComboBox>(page, "m_pComNetMode")->setCurrentIndex(1);
        child<QLineEdit>(page, "m_pEditUserName")->setText(QLatin1String(GKAppSetting::kDefaultUser));
        child<QLineEdit>(page, "m_pEditPassword")->setText(QLatin1String(GKAppSetting::kDefaultPassword));
        child<QLineEdit>(page, "m_pEditIP")->setText(firstIp);
        child<QLineEdit>(page, "m_pEditGateway")->setText(QStringLiteral("192.168.0.1"));
        child<QLineEdit>(page, "m_pEditNetMask")->setText(QStringLiteral("255.255.0.0"));
        child<QLineEdit>(page, "m_pEditDNS1")->setText(QStringLiteral("192.168.0.53"));
        child<QLineEdit>(page, "m_pEditDNS2")->setText(QStringLiteral("192.168.0.54"));
        // The work list shrinks as devices end, over VLNet at once.
        QList<DeviceInfo*> list;
        model->checkedDevices(list);
        page.OnBtnModifyClicked();
        QMap<QString, QString> moved;
        for (DeviceInfo* d : list)
            moved.insert(d->macKey(), d->newIp);
        EXPECT_EQ(list.size(), rows.isEmpty() ? kDevices : rows.size());
        EXPECT_FALSE(bar.button(ToolBarButton::Search)->isEnabled()) << "the page works";
        QElapsedTimer t;
        t.start();
        EXPECT_TRUE(waitFor(
            [&] {
                return page.workList().isEmpty() && child<QPushButton>(page, "m_pBtnModify")->isEnabled()
                    && bar.button(ToolBarButton::Search)->isEnabled();
            },
            waitMs))
            << page.workList().size() << " devices still working";
        std::printf("[ batch ] %d devices modified in %lld ms\n", int(list.size()), (long long)t.elapsed());
        return moved;
    }

    // Every device of `moved` ended with a final status and its text:
    // `status`, or, for at most one device in twenty, `lost`. On a loaded
    // host a multicast update's success answer can go unheard while the
    // device takes the settings (the repeated copies of the request are
    // answered "need auth", 70, or nothing is heard, 69); expectMoved then
    // finds the device at its new address all the same.
    static void expectStatuses(const QList<DeviceInfo*>& devices, const QMap<QString, QString>& moved,
        int status, const QSet<int>& lost = {})
    {
        int ended = 0;
        int others = 0;
        for (DeviceInfo* d : devices) {
            if (!moved.contains(d->macKey()))
                continue;
            ++ended;
            const int s = d->status(DeviceInfo::NetworkFamily);
            if (s != status && lost.contains(s)) {
                ++others;
                std::printf("[ batch ] %s ended with %d\n", qPrintable(d->ip()), s);
            } else {
                EXPECT_EQ(s, status) << d->ip().toStdString();
            }
            EXPECT_FALSE(d->statusText(DeviceInfo::NetworkFamily).isEmpty()) << d->ip().toStdString();
        }
        EXPECT_EQ(ended, moved.size());
        EXPECT_LE(others, moved.size() / 20);
    }

    // A new search and devsim both show each moved device at its new address.
    static void expectMoved(SearchFrame& page, ToolBarFrame& bar, const QMap<QString, QString>& moved)
    {
        const QMap<QString, QString> listed = simulated();
        for (auto it = moved.begin(); it != moved.end(); ++it)
            EXPECT_EQ(listed.value(it.key()).toStdString(), it.value().toStdString())
                << "devsim: " << it.key().toStdString();
        // A moved device answers at its new address at once; a search that
        // runs while one still settles is repeated.
        QMap<QString, QString> found;
        waitFor(
            [&] {
                found.clear();
                for (DeviceInfo* d : search(page, bar))
                    found.insert(d->macKey(), d->ip());
                for (auto it = moved.begin(); it != moved.end(); ++it) {
                    if (found.value(it.key()) != it.value())
                        return false;
                }
                return true;
            },
            60000);
        EXPECT_EQ(found.size(), kDevices);
        for (auto it = moved.begin(); it != moved.end(); ++it)
            EXPECT_EQ(found.value(it.key()).toStdString(), it.value().toStdString())
                << "search: " << it.key().toStdString();
        // One device in detail.
        const Json::Value state = sim->must(
            "{\"cmd\":\"get\",\"device\":\"" + moved.first().toStdString() + "\"}")["state"]["network"];
        EXPECT_EQ(state["mask"].asString(), "255.255.0.0");
        EXPECT_EQ(state["gateway"].asString(), "192.168.0.1");
    }
};

} // namespace

TEST_F(SearchPageModifyLab, AHundredDevicesMoveInOneBatchByMulticast)
{
    ShellTestEnv env(settings(0));
    ToolBarFrame bar;
    SearchFrame page;
    page.setToolBar(&bar);
    const QList<DeviceInfo*> found = search(page, bar);
    ASSERT_EQ(found.size(), kDevices);
    const QMap<QString, QString> moved = modify(page, bar, {}, QStringLiteral("192.168.20.1"), 90000);
    ASSERT_EQ(moved.size(), kDevices);
    expectStatuses(found, moved, 61, { 69, 70 });
    for (DeviceInfo* d : found)
        EXPECT_EQ(d->updateHandle.load(), nullptr) << "stopped and cleared";
    expectMoved(page, bar, moved);
    DeviceInfoMng::instance()->setDevices({});
}

TEST_F(SearchPageModifyLab, AHundredDevicesMoveInOneBatchThroughVlnet)
{
    ShellTestEnv env(settings(1));
    ToolBarFrame bar;
    SearchFrame page;
    page.setToolBar(&bar);
    const QList<DeviceInfo*> found = search(page, bar);
    ASSERT_EQ(found.size(), kDevices);
    const QMap<QString, QString> moved = modify(page, bar, {}, QStringLiteral("192.168.30.1"), 90000);
    ASSERT_EQ(moved.size(), kDevices);
    expectStatuses(found, moved, 5);
    // The rows show the new settings at once.
    for (DeviceInfo* d : found) {
        EXPECT_EQ(d->ip().toStdString(), moved.value(d->macKey()).toStdString());
        EXPECT_EQ(d->netmask(), QStringLiteral("255.255.0.0"));
    }
    expectMoved(page, bar, moved);
    DeviceInfoMng::instance()->setDevices({});
}

TEST_F(SearchPageModifyLab, ThreeCheckedDevicesMoveToConsecutiveAddresses)
{
    ShellTestEnv env(settings(0));
    ToolBarFrame bar;
    SearchFrame page;
    page.setToolBar(&bar);
    const QList<DeviceInfo*> found = search(page, bar);
    ASSERT_EQ(found.size(), kDevices);
    const QMap<QString, QString> moved
        = modify(page, bar, { 3, 40, 77 }, QStringLiteral("192.168.40.250"), 60000);
    ASSERT_EQ(moved.size(), 3);
    EXPECT_EQ(QSet<QString>(moved.begin(), moved.end()),
        (QSet<QString> { "192.168.40.250", "192.168.40.251", "192.168.40.252" }));
    expectStatuses(found, moved, 61, { 69, 70 });
    // The others stay where they were.
    QMap<QString, QString> before;
    for (DeviceInfo* d : found)
        before.insert(d->macKey(), d->ip());
    const QMap<QString, QString> listed = simulated();
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (!moved.contains(it.key())) {
            EXPECT_EQ(listed.value(it.key()).toStdString(), it.value().toStdString());
        }
    }
    expectMoved(page, bar, moved);
    DeviceInfoMng::instance()->setDevices({});
}
