#include "search/SearchRun.h"

#include "search/MulticastSearch.h"
#include "shell/GKAppSetting.h"

#include <QMutexLocker>
#include <cstring>

static_assert(
    sizeof(VLONVIF_SEARCH_DEV_RSP) == kSdkSearchRecordSize, "ONVIF and VLNet records share a layout");

SearchRun::SearchRun(SearchRunReceiver* receiver, quint64 number)
    : m_number(number)
    , m_receiver(receiver)
{
}

void* SearchRun::expect()
{
    m_refs.ref();
    QMutexLocker lock(&m_mutex);
    ++m_expected;
    return this;
}

void SearchRun::refused()
{
    {
        QMutexLocker lock(&m_mutex);
        --m_expected;
    }
    unref();
}

void SearchRun::seal()
{
    QMutexLocker lock(&m_mutex);
    m_sealed = true;
    checkEnded();
}

void SearchRun::detach()
{
    QMutexLocker lock(&m_mutex);
    m_receiver = nullptr;
}

void SearchRun::release()
{
    unref();
}

void SearchRun::unref()
{
    if (!m_refs.deref())
        delete this;
}

void SearchRun::checkEnded()
{
    if (m_receiver && m_sealed && !m_ended && m_delivered >= m_expected) {
        m_ended = true;
        m_receiver->searchRunEnded(*this);
    }
}

void SearchRun::deliver(const SearchDevRsp& record, int source, const QByteArray& limits)
{
    QMutexLocker lock(&m_mutex);
    if (m_receiver && !m_ended)
        m_receiver->addSearchResult(*this, record, source, limits);
}

void SearchRun::marker()
{
    {
        QMutexLocker lock(&m_mutex);
        ++m_delivered;
        checkEnded();
    }
    unref();
}

void VL_CALL SearchRun::multicastCallback(const char* text, void* user)
{
    auto* run = static_cast<SearchRun*>(user);
    if (!run)
        return;
    const MulticastAnswer answer = parseMulticastAnswer(text);
    switch (answer.kind) {
    case MulticastAnswer::Kind::End:
        run->marker();
        break;
    case MulticastAnswer::Kind::Device:
        run->deliver(answer.record, 1, answer.limits);
        break;
    case MulticastAnswer::Kind::Error:
        GKAppSetting::instance()->log(QStringLiteral("SearchRun::multicastCallback"), __LINE__,
            QStringLiteral("multicast search: %1").arg(answer.error));
        break;
    case MulticastAnswer::Kind::Unreadable:
        break; // neither a device nor the end
    }
}

int VLNET_CALL SearchRun::lanCallback(const VLNET_SEARCH_DEV_RSP* record, void* user)
{
    auto* run = static_cast<SearchRun*>(user);
    if (!run)
        return 0;
    if (!record) {
        run->marker();
        return 1;
    }
    SearchDevRsp copy {};
    std::memcpy(&copy, record, kSdkSearchRecordSize);
    run->deliver(copy, 0, QByteArray());
    return 1;
}

int VLONVIFS_CALL SearchRun::onvifCallback(const VLONVIF_SEARCH_DEV_RSP* record, void* user)
{
    auto* run = static_cast<SearchRun*>(user);
    if (!run)
        return 0;
    if (!record) {
        run->marker();
        return 1;
    }
    SearchDevRsp copy {};
    std::memcpy(&copy, record, kSdkSearchRecordSize);
    run->deliver(copy, 0, QByteArray());
    return 1;
}
