#pragma once
// The three LAN searches as the program starts and stops them: the multicast
// search of VLSDKWrapper, the LAN search of VLNet and the ONVIF search of
// VLOnvifs. Every search of the program (the search page, the background
// searcher) goes through the installed transport, so that tests and previews
// that build pages outside the lab send nothing: they install NoSearch (every
// start refused, no callback ever) or a fake of their own that records the
// starts and plays the answers.
//
//   NoSearch quiet;
//   SearchTransport::ScopedInstall install(&quiet);   // before any page exists
//   MainFrame window;                                  // its first search finds nothing
//
// Without an installed transport the real libraries are called. install() and
// current() from any thread; install a transport before anything searches
// and remove it after the last search has been stopped. The callbacks and
// their threads are those of the libraries (or the fake's).
#include "vl_sdk_wrapper.h"
#include "vlnet.h"
#include "vlonvifs.h"

#include <QByteArray>

class SearchTransport
{
public:
    virtual ~SearchTransport() = default;

    // vl_start_multi_search with the request text; null when refused.
    virtual multicast_handle* startMulticast(
        const QByteArray& request, vl_json_callback callback, void* user);
    // vl_stop_multi_search; returns once the search's end call is over.
    virtual void stopMulticast(multicast_handle* handle);
    // VLNetSearchDev: true when the search started (its null record will
    // come), false when refused (no callback).
    virtual bool startLanSearch(const VLNET_SEARCH_DEV& search);
    // VLOnvifSearchDevStart; null when refused (no callback).
    virtual VLONVIF_SEARCH_HANDLE startOnvif(const VLONVIF_SEARCH_START& start);
    // VLOnvifSearchDevStop; the null record has come when it returns.
    virtual void stopOnvif(VLONVIF_SEARCH_HANDLE handle);

    // The installed transport, or the real one.
    static SearchTransport* current();
    // Installs `transport` (not owned; null: the real libraries again).
    static void install(SearchTransport* transport);

    class ScopedInstall
    {
    public:
        explicit ScopedInstall(SearchTransport* transport) { install(transport); }
        ~ScopedInstall() { install(nullptr); }
        ScopedInstall(const ScopedInstall&) = delete;
        ScopedInstall& operator=(const ScopedInstall&) = delete;
    };
};

// Refuses every search: nothing is sent, no callback comes, and a search run
// of nothing but refused searches ends at once with no device.
class NoSearch : public SearchTransport
{
public:
    multicast_handle* startMulticast(const QByteArray&, vl_json_callback, void*) override { return nullptr; }
    void stopMulticast(multicast_handle*) override { }
    bool startLanSearch(const VLNET_SEARCH_DEV&) override { return false; }
    VLONVIF_SEARCH_HANDLE startOnvif(const VLONVIF_SEARCH_START&) override { return nullptr; }
    void stopOnvif(VLONVIF_SEARCH_HANDLE) override { }
};
