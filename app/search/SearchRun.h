#pragma once
// One run of searches of one receiver (the search page, a background
// searcher): the user pointer that every search of the run hands back with
// its answers, and the count of the end markers still to come.
//
// A run expects only the searches that started: the receiver calls expect()
// before each start (the callback may come before the start returns) and
// refused() when the start failed, then seal() once all are started. The run
// has ended when it is sealed and every started search has delivered its end
// marker (a null text or record); the receiver hears of it once, through
// searchRunEnded, on the thread of the last marker (or in seal() when no
// search started or all have ended already). An answer that is no JSON is not
// a marker.
//
// A new run, or the receiver's end, detaches the old run: from then on its
// answers and markers reach nobody. The run itself lives until the receiver
// has released it and each of its searches has delivered its last marker, so
// a search that cannot be stopped (VLNet's) may outlive its receiver safely:
// its final null call frees the run.
//
// Threads: the receiver side (expect, refused, seal, detach, release) from
// the receiver's thread; the callbacks from the libraries' threads, possibly
// at once. Lock order: the run's mutex, then the receiver's own locks (the
// receiver is called with the run's mutex held and must not call back into
// the run, nor wait for a search there).
#include "devices/SearchDevRsp.h"
#include "vl_sdk_wrapper.h"
#include "vlnet.h"
#include "vlonvifs.h"

#include <QAtomicInt>
#include <QByteArray>
#include <QMutex>

class SearchRun;

// Where a run's answers go.
class SearchRunReceiver
{
public:
    // One device; `source` 1 multicast, 0 VLNet or ONVIF; `limits` the
    // multicast answer's "dev_limit" object as JSON text (else empty). The
    // record is valid during the call only.
    virtual void addSearchResult(
        SearchRun& run, const SearchDevRsp& record, int source, const QByteArray& limits)
        = 0;
    // The run's last expected marker came.
    virtual void searchRunEnded(SearchRun& run) = 0;

protected:
    ~SearchRunReceiver() = default;
};

class SearchRun
{
public:
    // Made with the receiver's reference; `number` identifies the run.
    SearchRun(SearchRunReceiver* receiver, quint64 number);
    SearchRun(const SearchRun&) = delete;
    SearchRun& operator=(const SearchRun&) = delete;

    quint64 number() const { return m_number; }

    // Receiver side.
    // One more search is about to start; returns the user pointer to give it.
    void* expect();
    // The search just expected did not start.
    void refused();
    // Every search of the run has been started.
    void seal();
    // No answer or marker of this run reaches the receiver any more; waits
    // for a delivery in progress to return.
    void detach();
    // Drops the receiver's reference (after detach).
    void release();

    // The callbacks; `user` is what expect() returned.
    static void VL_CALL multicastCallback(const char* text, void* user);
    static int VLNET_CALL lanCallback(const VLNET_SEARCH_DEV_RSP* record, void* user);
    static int VLONVIFS_CALL onvifCallback(const VLONVIF_SEARCH_DEV_RSP* record, void* user);

private:
    ~SearchRun() = default;
    void deliver(const SearchDevRsp& record, int source, const QByteArray& limits);
    // One search's end marker; drops that search's reference.
    void marker();
    // With m_mutex held: tells the receiver when the run has ended.
    void checkEnded();
    void unref();

    const quint64 m_number;
    QMutex m_mutex; // guards everything below
    SearchRunReceiver* m_receiver;
    int m_expected = 0;
    int m_delivered = 0;
    bool m_sealed = false;
    bool m_ended = false;
    QAtomicInt m_refs { 1 };
};
