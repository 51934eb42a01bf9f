#pragma once
// The search page's searches without its widgets: starts the searches a run
// needs, turns every answer into a new DeviceInfo, drops or replaces
// duplicates and keeps the run's found list until the page publishes it.
//
// Duplicates: two answers are one device when their IP texts are equal and
// their MACs give the same macKey (an empty MAC matches nothing). Normally the
// first answer stays; where the edition merges the multicast and the VLNet
// search (Plan::multicastReplacesLan), a multicast answer replaces a VLNet
// answer of the same device (its record becomes transport 2) and every other
// duplicate is dropped.
//
// Records are made on the callback threads and moved to the GUI thread
// before they join the found list. The found list owns its records until
// the page takes them (takeResults), after which DeviceInfoMng owns them; a
// new start() deletes the records of a run that was never taken.
//
// Each start() begins a new run (SearchRun): late answers and end markers of
// an earlier run are dropped. When the run's last expected marker arrives,
// `runEnded` is called with the run's number on that thread (or in start()
// when no search started): it queues the publication to the GUI thread.
//
// Threads: start, stop, takeResults and the destructor on the GUI thread;
// addSearchResult on the libraries' threads. m_mutex guards the found list
// and the run number; it is taken inside a run's mutex (SearchRun.h).
#include "devices/SearchDevRsp.h"
#include "search/SearchRun.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QVector>
#include <atomic>
#include <functional>

class DeviceInfo;

class PageSearcher : private SearchRunReceiver
{
public:
    struct Plan {
        // The multicast requests to run (none: no multicast search).
        QVector<QByteArray> multicastRequests;
        bool lanSearch = false;
        bool onvifSearch = false;
        // The start record's device-type code (VLNet and ONVIF).
        quint8 deviceType = 0;
        bool multicastReplacesLan = false;
    };

    // `runEnded(run)`: see the top. `onvifView()`: whether the answers are
    // shown in the ONVIF view; called on the callback threads.
    PageSearcher(std::function<void(quint64)> runEnded, std::function<bool()> onvifView);
    // Stops the searches (a VLNet search ends by itself, dropped) and
    // deletes the records of a run not taken.
    ~PageSearcher();

    // Ends the current run, stops the multicast searches still running (and
    // the ONVIF search), deletes the records of an untaken run and starts
    // the plan's searches. Returns the new run's number.
    quint64 start(const Plan& plan);
    // Ends the current run and stops what can be stopped.
    void stop();

    // When `run` is the current run: its records, sorted (lessByIpAddress),
    // move to `out` and true; else false and `out` stays empty.
    bool takeResults(quint64 run, QList<DeviceInfo*>& out);
    quint64 currentRun() const { return m_current.load(); }
    // How many records the current run holds.
    int foundCount() const;

private:
    void addSearchResult(
        SearchRun& run, const SearchDevRsp& record, int source, const QByteArray& limits) override;
    void searchRunEnded(SearchRun& run) override;
    void endRun();

    std::function<void(quint64)> m_runEnded;
    std::function<bool()> m_onvifView;
    mutable QMutex m_mutex;
    QList<DeviceInfo*> m_found;
    bool m_replaceRule = false;
    SearchRun* m_run = nullptr;
    quint64 m_runCount = 0;
    std::atomic<quint64> m_current { 0 };
    std::vector<multicast_handle*> m_multicast;
    VLONVIF_SEARCH_HANDLE m_onvif = nullptr;
};
