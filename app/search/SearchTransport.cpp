#include "search/SearchTransport.h"

#include <atomic>

namespace
{
std::atomic<SearchTransport*> installed { nullptr };
} // namespace

multicast_handle* SearchTransport::startMulticast(
    const QByteArray& request, vl_json_callback callback, void* user)
{
    return vl_start_multi_search(request.constData(), callback, user);
}

void SearchTransport::stopMulticast(multicast_handle* handle)
{
    if (handle)
        vl_stop_multi_search(handle);
}

bool SearchTransport::startLanSearch(const VLNET_SEARCH_DEV& search)
{
    return VLNetSearchDev(&search) != 0;
}

VLONVIF_SEARCH_HANDLE SearchTransport::startOnvif(const VLONVIF_SEARCH_START& start)
{
    return VLOnvifSearchDevStart(&start);
}

void SearchTransport::stopOnvif(VLONVIF_SEARCH_HANDLE handle)
{
    if (handle)
        VLOnvifSearchDevStop(&handle);
}

SearchTransport* SearchTransport::current()
{
    static SearchTransport real;
    SearchTransport* t = installed.load();
    return t ? t : &real;
}

void SearchTransport::install(SearchTransport* transport)
{
    installed.store(transport);
}
