#pragma once
// The base of every parameter class: one device parameter page, read and
// written as JSON. The registry holds one object per class, shared by every
// device and every thread; the device of a call is passed with the call and
// never kept between calls.
//
// Cache: what a class keeps between calls (the records of a device's last
// query, for a later set or GetCachedParam) is keyed by device, inside the
// object, under the object's own mutex: two devices never share records, and
// a set for one device never writes another's. A set changes the cache only
// when it succeeds as a whole (UpdateCache).
//
// A query or set that a class does not override fails: queries answer
// "err", sets kParamSetFailed. The base never claims a success it did not
// have.
//
// Calls: the parameter exports hold the object's call lock (CallLock) from
// handing it the device to the end of the slot call, the copy-out of the
// answer included, so calls for one message never overlap, whichever device
// and thread they come from. A slot may keep what it builds during a call
// (the answer text, a request record) in the object. The network SDK
// answers a slot's request through callbacks that may run on the calling
// thread, inside the slot call: they must not take the call lock (it is not
// re-entrant); they may take the cache lock.
#include "vl_sdk_wrapper.h"

#include <functional>
#include <json/value.h>
#include <map>
#include <mutex>
#include <string>

// Query answers: a JSON text, or one of these two words.
extern const char* const kParamAnswerErr; // "err": the query failed
extern const char* const kParamAnswerNoRight; // "no_right": the device refuses it to this user

// Set results.
enum ParamSetResult {
    kParamSetFailed = 0,
    kParamSetDone = 1,
    kParamSetNoRight = 2,
};

class CParamBase
{
public:
    CParamBase();
    virtual ~CParamBase();
    CParamBase(const CParamBase&) = delete;
    CParamBase& operator=(const CParamBase&) = delete;

    // Queries answer a JSON text, "err" or "no_right"; the base answers "err".
    virtual std::string QueryParamWithData(device* dev, std::string data);
    // defaults: false for the current values, true for the factory defaults.
    virtual std::string QueryParam(device* dev, bool defaults);
    virtual std::string GetCachedParam(device* dev);
    virtual std::string QueryChannelParam(device* dev, int channel);
    virtual std::string QueryParamByIndex(device* dev, int index);
    virtual std::string QueryTemporaryParam(device* dev);

    // Sets return a ParamSetResult; the base answers kParamSetFailed.
    virtual int SetParam(device* dev, std::string data);
    virtual int SetChannelParam(device* dev, int channel, std::string data);
    virtual int SetPassword(device* dev, std::string data);
    virtual int SetUserAndPassword(device* dev, std::string data);

    // Drops what the object keeps for a device (the device is going away; a
    // later device at the same address must not inherit it).
    void ForgetDevice(device* dev);

    // The lock of one call of the object (see above).
    std::unique_lock<std::mutex> CallLock() { return std::unique_lock<std::mutex>(m_callLock); }

protected:
    // The cached document of a device; null JSON when there is none.
    Json::Value CachedDocument(device* dev) const;
    // Replaces the cached document of a device.
    void StoreDocument(device* dev, Json::Value document);
    // Runs `change` on a copy of the device's cached document and keeps the
    // copy only when it returns kParamSetDone; returns what it returned. The
    // object's mutex is held throughout, so no other call sees the document
    // half changed. `change` must not call back into this object.
    int UpdateCache(device* dev, const std::function<int(Json::Value& document)>& change);

private:
    std::mutex m_callLock; // taken before m_cacheLock, never inside it
    mutable std::mutex m_cacheLock;
    std::map<device*, Json::Value> m_cache;
};
