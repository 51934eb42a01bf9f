#include "search/DeviceSearcher.h"

#include "devices/DeviceTexts.h"
#include "search/MulticastSearch.h"
#include "search/SearchTransport.h"
#include "shell/GKAppSetting.h"

#include <QMutexLocker>
#include <cstring>

DeviceSearcher::DeviceSearcher()
    : QObject(nullptr)
{
}

DeviceSearcher::~DeviceSearcher()
{
    stop();
}

DeviceSearcher::SearchRspMap DeviceSearcher::results() const
{
    QMutexLocker lock(&m_mutex);
    return m_map;
}

void DeviceSearcher::endRun()
{
    // Detached first: what the stopped searches still deliver is dropped.
    SearchRun* old = m_run;
    m_run = nullptr;
    if (old)
        old->detach();
    SearchTransport* transport = SearchTransport::current();
    for (multicast_handle** handle : { &m_filteredHandle, &m_secondHandle }) {
        if (*handle) {
            transport->stopMulticast(*handle);
            *handle = nullptr;
        }
    }
    if (old)
        old->release();
}

void DeviceSearcher::start()
{
    GKAppSetting* settings = GKAppSetting::instance();
    settings->log(QStringLiteral("DeviceSearcher::start"), __LINE__, QStringLiteral("searcher start"));
    endRun();
    {
        QMutexLocker lock(&m_mutex);
        m_map.clear();
    }

    const EditionProfile& profile = settings->profile();
    SearchTransport* transport = SearchTransport::current();
    SearchRun* run = new SearchRun(this, ++m_runCount);
    m_run = run;
    const QVector<QByteArray> requests = multicastSearchRequests(profile);
    for (int i = 0; i < requests.size() && i < 2; ++i) {
        multicast_handle* handle
            = transport->startMulticast(requests.at(i), &SearchRun::multicastCallback, run->expect());
        if (!handle)
            run->refused();
        (i == 0 ? m_filteredHandle : m_secondHandle) = handle;
    }
    VLNET_SEARCH_DEV search {};
    search.callback = &SearchRun::lanCallback;
    search.context = run->expect();
    search.oem_type = profile.devices.searchDeviceType;
    if (!transport->startLanSearch(search))
        run->refused();
    run->seal();
}

void DeviceSearcher::stop()
{
    endRun();
}

void DeviceSearcher::addSearchResult(SearchRun&, const SearchDevRsp& record, int source, const QByteArray&)
{
    addDeviceInfo(&record, source);
}

void DeviceSearcher::searchRunEnded(SearchRun&)
{
    emit searched();
}

void DeviceSearcher::addDeviceInfo(const SearchDevRsp* record, int source)
{
    if (!record)
        return;
    SearchDevRsp copy {};
    if (source == 0) {
        std::memcpy(&copy, record, kSdkSearchRecordSize);
        copy.analogChannelCount = record->sdk.analog_channel_num; // signed byte
    } else {
        copy = *record;
    }
    const QString key = macKey(recordText(copy.sdk.mac_addr));
    QMutexLocker lock(&m_mutex);
    if (source == 1 || !m_map.contains(key))
        m_map.insert(key, copy);
}
