#pragma once
// The parameter registry: message number -> the one shared CParamBase object
// of that parameter page. Built on the first parameter call, emptied by
// vl_sdk_wrapper_uninit, built anew by the next parameter call.
#include "params/CParamBase.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct ParamRegistryEntry {
    int message;
    const char* class_name;
    // Makes the object; null while the class is not part of the library yet
    // (its message then stays unknown).
    CParamBase* (*create)();
};

template <class T> CParamBase* MakeParam()
{
    return new T;
}

// The entries of the library, in the order their objects are made.
const std::vector<ParamRegistryEntry>& DefaultParamTable();

class ParamRegistry
{
public:
    explicit ParamRegistry(std::vector<ParamRegistryEntry> table);
    ~ParamRegistry(); // deletes what is left
    ParamRegistry(const ParamRegistry&) = delete;
    ParamRegistry& operator=(const ParamRegistry&) = delete;

    // Makes the objects of the table once; later calls return at once. Safe
    // from several threads: one builds, the others wait for it.
    void Build();
    // The object of a message number, or null (an unknown message). Takes
    // the registry's lock, so a lookup that races Clear finds the object or
    // nothing, never a freed one; the object itself lives until the next
    // Clear, which shut-down alone runs (callers must not run exports then).
    CParamBase* Find(int message) const;
    // Deletes every object in message order and empties the registry, so
    // the next Build makes fresh objects.
    void Clear();
    // Drops what every object keeps for a device that is going away.
    void ForgetDevice(device* dev);
    // Deletes the objects and replaces the table (tests put their own
    // classes in the process-wide registry this way).
    void SetTable(std::vector<ParamRegistryEntry> table);
    bool Built() const { return m_built.load(std::memory_order_acquire); }
    size_t Size() const;

private:
    std::vector<ParamRegistryEntry> m_table;
    std::map<int, CParamBase*> m_objects;
    std::atomic<bool> m_built { false };
    mutable std::mutex m_lock;
};

// The process-wide registry, over DefaultParamTable().
ParamRegistry& param_registry();

// Builds the process-wide registry if it is not built yet.
void InitParamRegistry();

// The query that a request "type" selects, called on obj for dev; "err"
// for a type that selects none: 1000 QueryParam(false), 900
// QueryParamWithData(data), 1200 QueryParam(true), 1100
// QueryTemporaryParam, 1300 GetCachedParam, 300..554 QueryParamByIndex(type),
// 0..254 QueryChannelParam(type).
std::string DispatchParamQuery(CParamBase& obj, device* dev, int type, const std::string& data);

// The set that a request "type" selects; kParamSetFailed for a type that
// selects none: 2000 SetParam, 800 SetPassword, 801 SetUserAndPassword,
// 0..254 SetChannelParam(type, data).
int DispatchParamSet(CParamBase& obj, device* dev, int type, const std::string& data);

// The whole of a parameter query or set export after its checks: the
// object of `message` (vl_unknown_message when no class has it), the
// operation `type` selects, its answer as an export result.
int RunParamQuery(device* dev, int message, int type, const std::string& data, char* out, int size);
int RunParamSet(device* dev, int message, int type, const std::string& data);

// A query answer as an export result: "err" -> vl_fail, "no_right" ->
// vl_no_right, otherwise the copy-out rule (0, vl_buffer_too_small, or
// vl_invalid_argument for a null out with a positive size).
int ParamQueryResult(const std::string& answer, char* out, int size);

// A set result as an export result: 1 -> 0, 2 -> vl_no_right, else vl_fail.
int ParamSetResultCode(int result);
