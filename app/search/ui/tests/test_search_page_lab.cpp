// The search page against 200 simulated devices, 20 of them ONVIF-capable:
// one search lists every device once, in IP order, whichever searches the
// edition runs; the ONVIF view lists the ONVIF devices.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceInfoMng.h"
#include "devices/DeviceTexts.h"
#include "search/table/CheckBoxTableModel.h"
#include "search/ui/SearchFrame.h"
#include "shell/ui/ToolBarFrame.h"
#include "support/vlnet_lab.h"
#include "vlonvifs.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSet>
#include <gtest/gtest.h>
#include <memory>

namespace
{

constexpr int kDevices = 200;

class SearchPageLab : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "2000", "3000", "300" },
            { "--generate", std::to_string(kDevices), "--seed", "7", "--onvif-percent", "10" });
        VLOnvifInit();
    }
    static void TearDownTestSuite()
    {
        VLOnvifRelease();
        VlnetLabSuite::TearDownTestSuite();
    }

    // Devsim's addresses, all of them or those of the ONVIF devices.
    static QSet<QString> simulated(bool onvifOnly)
    {
        QSet<QString> ips;
        const Json::Value list = sim->must(R"({"cmd":"list"})")["devices"];
        for (const Json::Value& d : list) {
            if (!onvifOnly || d["onvif"].asBool())
                ips.insert(QString::fromStdString(d["ip"].asString()));
        }
        return ips;
    }

    static ShellTestOptions edition(int e)
    {
        ShellTestOptions o;
        o.edition = e;
        o.curpro = 0;
        return o;
    }

    // Runs one search of the page and waits for its publication.
    static QList<DeviceInfo*> search(SearchFrame& page, ToolBarFrame& bar, int mode)
    {
        if (mode == 0)
            page.startSearch();
        else
            page.setSearchMode(mode);
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 30000 && !bar.button(ToolBarButton::Search)->isEnabled())
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_TRUE(bar.button(ToolBarButton::Search)->isEnabled()) << "the search did not end";
        return page.currentModel()->devices();
    }

    static void expectOnceEachInIpOrder(const QList<DeviceInfo*>& found, const QSet<QString>& expected)
    {
        QSet<QString> ips;
        QSet<QString> macs;
        quint32 last = 0;
        for (DeviceInfo* d : found) {
            ips.insert(d->ip());
            macs.insert(d->macKey());
            const QByteArray text = d->ip().toLatin1();
            unsigned char b[4] = {};
            ASSERT_EQ(parseIPv4(text.constData(), b), 1) << d->ip().toStdString();
            const quint32 value = (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | b[3];
            EXPECT_GT(value, last) << d->ip().toStdString();
            last = value;
        }
        EXPECT_EQ(found.size(), expected.size());
        EXPECT_EQ(ips, expected);
        EXPECT_EQ(macs.size(), expected.size());
    }
};

} // namespace

TEST_F(SearchPageLab, BothLanSearchesListEveryDeviceOnceInIpOrder)
{
    ShellTestEnv env(edition(34));
    ToolBarFrame bar;
    SearchFrame page;
    page.setToolBar(&bar);
    const QList<DeviceInfo*> found = search(page, bar, 0);
    expectOnceEachInIpOrder(found, simulated(false));
    int merged = 0;
    for (DeviceInfo* d : found)
        merged += d->searchSource.load() != 0 ? 1 : 0;
    EXPECT_EQ(merged, kDevices) << "every device answers the multicast search";
    // A second search lists them all again, once.
    expectOnceEachInIpOrder(search(page, bar, 0), simulated(false));
    DeviceInfoMng::instance()->setDevices({});
}

TEST_F(SearchPageLab, TheMulticastSearchAloneListsEveryDevice)
{
    ShellTestEnv env(edition(0));
    ToolBarFrame bar;
    SearchFrame page;
    page.setToolBar(&bar);
    expectOnceEachInIpOrder(search(page, bar, 0), simulated(false));
    DeviceInfoMng::instance()->setDevices({});
}

TEST_F(SearchPageLab, TheOnvifViewListsTheOnvifDevices)
{
    ShellTestEnv env(edition(34));
    ToolBarFrame bar;
    SearchFrame page;
    page.setToolBar(&bar);
    bar.protocolCombo()->setCurrentIndex(1);
    const QList<DeviceInfo*> found = search(page, bar, 1);
    expectOnceEachInIpOrder(found, simulated(true));
    EXPECT_EQ(found.size(), kDevices / 10);
    for (DeviceInfo* d : found)
        EXPECT_TRUE(d->isOnvif);
    DeviceInfoMng::instance()->setDevices({});
}
