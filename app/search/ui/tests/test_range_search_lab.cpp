// The IP-range search page against simulated devices: a range over 25 of 40
// devices lists exactly those 25, in IP order, over VLNet and over
// VLSDKWrapper, and ranges the stand-in cannot search still end.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceInfoMng.h"
#include "search/table/CheckBoxTableModel.h"
#include "search/ui/ExtranetsearchFrame.h"
#include "shell/ui/ToolBarFrame.h"
#include "support/lab.h"
#include "support/vlnet_lab.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>

namespace
{

constexpr int kDevices = 40;
constexpr int kFirst = 5;
constexpr int kLast = 29;

class RangeSearchLab : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "1500", "1500", "300" }, { "--generate", std::to_string(kDevices), "--seed", "3" });
    }
    void TearDown() override
    {
        DeviceInfoMng::instance()->setExtranetDevices({});
        VlnetLabSuite::TearDown();
    }

    // Runs one search of the page's edits in edition 0 with `protocol` and
    // returns the IPs the table shows, in order.
    static QStringList search(int protocol, const QString& start, const QString& stop, int* ms = nullptr)
    {
        ShellTestEnv::Options o;
        o.curpro = protocol;
        ShellTestEnv env(o);
        ToolBarFrame bar;
        ExtranetsearchFrame page;
        page.setToolBar(&bar);
        page.form().m_pEditStaIP->setText(start);
        page.form().m_pEditEndIP->setText(stop);
        QDeadlineTimer clock;
        clock.setRemainingTime(60000);
        page.form().m_pBtnQuery->click();
        EXPECT_FALSE(page.form().m_pBtnQuery->isEnabled());
        EXPECT_FALSE(bar.filterEdit()->isEnabled());
        while (!page.form().m_pBtnQuery->isEnabled() && !clock.hasExpired()) {
            QApplication::processEvents();
            QApplication::sendPostedEvents();
            QThread::msleep(5);
        }
        EXPECT_TRUE(page.form().m_pBtnQuery->isEnabled()) << "the search ended";
        EXPECT_TRUE(bar.filterEdit()->isEnabled());
        if (ms)
            *ms = int(60000 - clock.remainingTime());
        QStringList ips;
        for (DeviceInfo* d : page.tableModel()->devices())
            ips << d->ip();
        EXPECT_EQ(DeviceInfoMng::instance()->extranetDevices(), page.tableModel()->devices());
        return ips;
    }

    static QStringList expected()
    {
        QStringList ips;
        for (int n = kFirst; n <= kLast; ++n)
            ips << QString::fromStdString(vltest::Lab::deviceIp4(n));
        return ips;
    }
};

} // namespace

TEST_F(RangeSearchLab, ARangeListsExactlyItsDevicesInIpOrderOverBothTransports)
{
    const QString start = QString::fromStdString(vltest::Lab::deviceIp4(kFirst));
    const QString stop = QString::fromStdString(vltest::Lab::deviceIp4(kLast));
    for (int protocol : { 1, 0 }) {
        SCOPED_TRACE(protocol == 1 ? "VLNet" : "VLSDKWrapper");
        const QStringList ips = search(protocol, start, stop);
        EXPECT_EQ(ips.size(), kLast - kFirst + 1);
        EXPECT_EQ(ips, expected());
    }
}

// The page passes the edits unchecked; the stand-in ends what it cannot
// search at once, with nothing found.
TEST_F(RangeSearchLab, ARangeThatCannotBeSearchedStillEnds)
{
    struct Case {
        const char* start;
        const char* stop;
        bool vlnetOnly;
    } cases[] = {
        // VLSDKWrapper searches the LAN by broadcast without a range.
        { "", "", true }, { "192.168.1.30", "192.168.1.10", false }, // reversed
        { "192.168.1.1", "not an address", false },
        { "10.0.0.0", "10.1.0.0", false }, // wider than 65536 addresses
    };
    for (int protocol : { 1, 0 }) {
        for (const Case& c : cases) {
            if (protocol == 0 && c.vlnetOnly)
                continue;
            SCOPED_TRACE(testing::Message() << "protocol " << protocol << ": " << c.start << " - " << c.stop);
            int ms = 0;
            EXPECT_TRUE(search(protocol, QLatin1String(c.start), QLatin1String(c.stop), &ms).isEmpty());
            EXPECT_LT(ms, 2500) << "at once, not after the search's time-out";
        }
    }
}
