#include "search/PageSearcher.h"

#include "devices/DeviceInfo.h"
#include "devices/DeviceInfoMng.h"
#include "devices/DeviceTexts.h"
#include "search/IpOrder.h"
#include "search/SearchTransport.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QThread>
#include <algorithm>

PageSearcher::PageSearcher(std::function<void(quint64)> runEnded, std::function<bool()> onvifView)
    : m_runEnded(std::move(runEnded))
    , m_onvifView(std::move(onvifView))
{
}

PageSearcher::~PageSearcher()
{
    endRun();
    QMutexLocker lock(&m_mutex);
    qDeleteAll(m_found);
    m_found.clear();
}

void PageSearcher::endRun()
{
    SearchRun* old = m_run;
    m_run = nullptr;
    m_current.store(0);
    if (old)
        old->detach();
    SearchTransport* transport = SearchTransport::current();
    for (multicast_handle* handle : m_multicast)
        transport->stopMulticast(handle);
    m_multicast.clear();
    if (m_onvif) {
        transport->stopOnvif(m_onvif);
        m_onvif = nullptr;
    }
    if (old)
        old->release();
}

void PageSearcher::stop()
{
    endRun();
}

quint64 PageSearcher::start(const Plan& plan)
{
    endRun();
    QList<DeviceInfo*> untaken;
    {
        QMutexLocker lock(&m_mutex);
        untaken.swap(m_found);
        m_replaceRule = plan.multicastReplacesLan;
    }
    // Records of a run that was never published belong to nobody else.
    qDeleteAll(untaken);

    SearchTransport* transport = SearchTransport::current();
    SearchRun* run = new SearchRun(this, ++m_runCount);
    m_run = run;
    m_current.store(run->number());
    for (const QByteArray& request : plan.multicastRequests) {
        if (multicast_handle* h
            = transport->startMulticast(request, &SearchRun::multicastCallback, run->expect()))
            m_multicast.push_back(h);
        else
            run->refused();
    }
    if (plan.onvifSearch) {
        VLONVIF_SEARCH_START start {};
        start.callback = &SearchRun::onvifCallback;
        start.user = run->expect();
        start.device_type = plan.deviceType;
        m_onvif = transport->startOnvif(start);
        if (!m_onvif)
            run->refused();
    }
    if (plan.lanSearch) {
        VLNET_SEARCH_DEV search {};
        search.callback = &SearchRun::lanCallback;
        search.context = run->expect();
        search.oem_type = plan.deviceType;
        if (!transport->startLanSearch(search))
            run->refused();
    }
    const quint64 number = run->number();
    run->seal();
    return number;
}

bool PageSearcher::takeResults(quint64 run, QList<DeviceInfo*>& out)
{
    out.clear();
    QMutexLocker lock(&m_mutex);
    if (run == 0 || run != m_current.load())
        return false;
    out.swap(m_found);
    std::sort(out.begin(), out.end(), lessByIpAddress);
    return true;
}

int PageSearcher::foundCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_found.size();
}

void PageSearcher::addSearchResult(
    SearchRun& run, const SearchDevRsp& record, int source, const QByteArray& limits)
{
    auto* device = new DeviceInfo(nullptr);
    device->searchSource = source;
    device->setSearchResult(&record, limits, m_onvifView && m_onvifView());
    const QString ip = device->ip();
    const QString key = device->macKey();

    QMutexLocker lock(&m_mutex);
    if (run.number() != m_current.load()) {
        lock.unlock();
        delete device;
        return;
    }
    DeviceInfo* replaced = nullptr;
    if (!key.isEmpty()) {
        for (DeviceInfo* other : qAsConst(m_found)) {
            if (other->ip() != ip || other->macKey() != key)
                continue;
            if (m_replaceRule && other->searchSource.load() == 0 && source != 0) {
                replaced = other; // the last such match is replaced
                continue;
            }
            lock.unlock();
            delete device;
            return;
        }
    }
    if (QCoreApplication* app = QCoreApplication::instance())
        device->moveToThread(app->thread());
    if (replaced) {
        m_found.removeOne(replaced);
        device->searchSource = 2;
    }
    m_found.append(device);
    lock.unlock();
    // Made on this thread and never shown: nothing else holds it.
    if (replaced)
        replaced->deleteLater();
}

void PageSearcher::searchRunEnded(SearchRun& run)
{
    if (m_runEnded)
        m_runEnded(run.number());
}
