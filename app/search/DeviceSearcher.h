#pragma once
// One LAN search without a table or page: the multicast search (two for the
// editions that also search unfiltered) and VLNet's LAN search at once, the
// answers kept in a map by MAC. Owners (the upgrade supervisor, the
// video-format page) find devices again after a reboot with it: each makes
// its own searcher without parent, moves it to a QThread of its own, invokes
// start() queued every few seconds and reads results() when searched()
// arrives (connected queued); stop() is invoked blocking-queued before the
// searcher is deleted on its thread.
//
// Each start() begins a new run (SearchRun): answers and end markers of an
// earlier run that arrive late are dropped, and searched() follows the last
// end marker of the searches of this run that started (at once when none
// started).
//
// Threads: start() and stop() on the searcher's thread; addDeviceInfo on the
// search libraries' threads, possibly at once; results() from any thread.
// m_mutex guards the map.
#include "devices/SearchDevRsp.h"
#include "search/SearchRun.h"

#include <QMap>
#include <QMetaType>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QVector>

class DeviceSearcher : public QObject, private SearchRunReceiver
{
    Q_OBJECT

public:
    // Key: the record's MAC as macKey gives it; value: a whole copy.
    using SearchRspMap = QMap<QString, SearchDevRsp>;

    DeviceSearcher();
    // As stop(); a VLNet search still running ends on its own and is dropped.
    ~DeviceSearcher() override;

    // A copy of the map of the current run.
    SearchRspMap results() const;

public slots:
    // Logs "searcher start", empties the map, stops the multicast searches
    // still running and starts the run's searches.
    void start();
    // Stops the multicast searches; the run's answers are dropped from now.
    void stop();
    // One answer (`source` 1 multicast, 0 VLNet): a VLNet record keeps only
    // what VLNet defines (no device id, key or IPv6 text; its analogue
    // channel count from VLNet's byte). A multicast record replaces any entry
    // of its MAC; a VLNet record is kept only when the MAC has none. A null
    // record changes nothing (the runs count the markers).
    void addDeviceInfo(const SearchDevRsp* record, int source);

signals:
    // The current run has ended: read results().
    void searched();

private:
    void addSearchResult(
        SearchRun& run, const SearchDevRsp& record, int source, const QByteArray& limits) override;
    void searchRunEnded(SearchRun& run) override;
    void endRun();

    mutable QMutex m_mutex;
    SearchRspMap m_map;
    multicast_handle* m_filteredHandle = nullptr;
    multicast_handle* m_secondHandle = nullptr;
    SearchRun* m_run = nullptr;
    quint64 m_runCount = 0;
};

Q_DECLARE_METATYPE(DeviceSearcher::SearchRspMap)
