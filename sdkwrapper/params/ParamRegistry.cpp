#include "params/ParamRegistry.h"

#include "core/copy_out.h"

#include <utility>

const std::vector<ParamRegistryEntry>& DefaultParamTable()
{
    // Message number, class, factory. The message number is also the
    // network SDK command of the class, except 160608 (the device log) and
    // 160825 (which uses command 520).
    static const std::vector<ParamRegistryEntry> table = {
        { 573, "ChLive", nullptr },
        { 596, "VLPush", nullptr },
        { 524, "SysParamDst", nullptr },
        { 723, "AlarmPIR", nullptr },
        { 715, "LiveParam", nullptr },
        { 838, "FloodLight", nullptr },
        { 728, "VLPushSubscription", nullptr },
        { 570, "MainEncode", nullptr },
        { 815, "AlarmEncode", nullptr },
        { 571, "SubEncode", nullptr },
        { 572, "MobileEncode", nullptr },
        { 530, "IPCSet", nullptr },
        { 516, "AlarmMotion", nullptr },
        { 518, "AlarmIO", nullptr },
        { 511, "NetBase", nullptr },
        { 503, "SysInfHdd", nullptr },
        { 502, "CSysInfBase", nullptr },
        { 520, "RecPlan", nullptr },
        { 160825, "RecPlanIPC", nullptr },
        { 429, "JsonPage", nullptr },
        { 505, "SysParamUSer", nullptr },
        { 808, "AlarmNewIO", nullptr },
        { 813, "NewNetEmail", nullptr },
        { 805, "MerinCloSto", nullptr },
        { 828, "DropBoxParam", nullptr },
        { 514, "NetEmail", nullptr },
        { 521, "Defaultparam", nullptr },
        { 720, "BootWizard", nullptr },
        { 820, "LiveChannelSet", nullptr },
        { 582, "KeyIDBoardID", nullptr },
        { 519, "RecConfig", nullptr },
        { 160608, "Devlog", nullptr },
        { 702, "RecInfo", nullptr },
        { 508, "VideoSet", nullptr },
    };
    return table;
}

ParamRegistry::ParamRegistry(std::vector<ParamRegistryEntry> table)
    : m_table(std::move(table))
{
}

ParamRegistry::~ParamRegistry()
{
    Clear();
}

void ParamRegistry::Build()
{
    if (m_built.load(std::memory_order_acquire))
        return;
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_built.load(std::memory_order_relaxed))
        return;
    for (const ParamRegistryEntry& entry : m_table) {
        if (!entry.create || m_objects.count(entry.message))
            continue;
        m_objects.emplace(entry.message, entry.create());
    }
    m_built.store(true, std::memory_order_release);
}

CParamBase* ParamRegistry::Find(int message) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    auto it = m_objects.find(message);
    return it == m_objects.end() ? nullptr : it->second;
}

size_t ParamRegistry::Size() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_objects.size();
}

void ParamRegistry::Clear()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_built.store(false, std::memory_order_release);
    for (auto& item : m_objects)
        delete item.second;
    m_objects.clear();
}

void ParamRegistry::ForgetDevice(device* dev)
{
    std::lock_guard<std::mutex> hold(m_lock);
    for (auto& item : m_objects)
        item.second->ForgetDevice(dev);
}

void ParamRegistry::SetTable(std::vector<ParamRegistryEntry> table)
{
    Clear();
    std::lock_guard<std::mutex> hold(m_lock);
    m_table = std::move(table);
}

ParamRegistry& param_registry()
{
    static ParamRegistry registry(DefaultParamTable());
    return registry;
}

void InitParamRegistry()
{
    param_registry().Build();
}

std::string DispatchParamQuery(CParamBase& obj, device* dev, int type, const std::string& data)
{
    switch (type) {
    case 1000:
        return obj.QueryParam(dev, false);
    case 900:
        return obj.QueryParamWithData(dev, data);
    case 1200:
        return obj.QueryParam(dev, true);
    case 1100:
        return obj.QueryTemporaryParam(dev);
    case 1300:
        return obj.GetCachedParam(dev);
    default:
        break;
    }
    // Unsigned tests: a negative type selects nothing.
    const unsigned value = static_cast<unsigned>(type);
    if (value - 300u <= 254u)
        return obj.QueryParamByIndex(dev, type);
    if (value <= 254u)
        return obj.QueryChannelParam(dev, type);
    return kParamAnswerErr;
}

int DispatchParamSet(CParamBase& obj, device* dev, int type, const std::string& data)
{
    switch (type) {
    case 2000:
        return obj.SetParam(dev, data);
    case 800:
        return obj.SetPassword(dev, data);
    case 801:
        return obj.SetUserAndPassword(dev, data);
    default:
        break;
    }
    if (static_cast<unsigned>(type) <= 254u)
        return obj.SetChannelParam(dev, type, data);
    return kParamSetFailed;
}

int ParamQueryResult(const std::string& answer, char* out, int size)
{
    if (answer == kParamAnswerErr)
        return vl_fail;
    if (answer == kParamAnswerNoRight)
        return vl_no_right;
    return vlsdk::copy_out(answer, out, size);
}

int ParamSetResultCode(int result)
{
    if (result == kParamSetDone)
        return vl_success;
    if (result == kParamSetNoRight)
        return vl_no_right;
    return vl_fail;
}

int RunParamQuery(device* dev, int message, int type, const std::string& data, char* out, int size)
{
    InitParamRegistry();
    CParamBase* obj = param_registry().Find(message);
    if (!obj)
        return vl_unknown_message;
    // One call per object: the answer may live in the object until it has
    // been copied out.
    auto call = obj->CallLock();
    return ParamQueryResult(DispatchParamQuery(*obj, dev, type, data), out, size);
}

int RunParamSet(device* dev, int message, int type, const std::string& data)
{
    InitParamRegistry();
    CParamBase* obj = param_registry().Find(message);
    if (!obj)
        return vl_unknown_message;
    auto call = obj->CallLock();
    return ParamSetResultCode(DispatchParamSet(*obj, dev, type, data));
}
