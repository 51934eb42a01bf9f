#include "params/CParamBase.h"

#include <utility>

const char* const kParamAnswerErr = "err";
const char* const kParamAnswerNoRight = "no_right";

CParamBase::CParamBase() = default;
CParamBase::~CParamBase() = default;

std::string CParamBase::QueryParamWithData(device*, std::string)
{
    return kParamAnswerErr;
}

std::string CParamBase::QueryParam(device*, bool)
{
    return kParamAnswerErr;
}

std::string CParamBase::GetCachedParam(device*)
{
    return kParamAnswerErr;
}

std::string CParamBase::QueryChannelParam(device*, int)
{
    return kParamAnswerErr;
}

std::string CParamBase::QueryParamByIndex(device*, int)
{
    return kParamAnswerErr;
}

std::string CParamBase::QueryTemporaryParam(device*)
{
    return kParamAnswerErr;
}

int CParamBase::SetParam(device*, std::string)
{
    return kParamSetFailed;
}

int CParamBase::SetChannelParam(device*, int, std::string)
{
    return kParamSetFailed;
}

int CParamBase::SetPassword(device*, std::string)
{
    return kParamSetFailed;
}

int CParamBase::SetUserAndPassword(device*, std::string)
{
    return kParamSetFailed;
}

void CParamBase::ForgetDevice(device* dev)
{
    std::lock_guard<std::mutex> hold(m_cacheLock);
    m_cache.erase(dev);
}

Json::Value CParamBase::CachedDocument(device* dev) const
{
    std::lock_guard<std::mutex> hold(m_cacheLock);
    auto it = m_cache.find(dev);
    return it == m_cache.end() ? Json::Value() : it->second;
}

void CParamBase::StoreDocument(device* dev, Json::Value document)
{
    std::lock_guard<std::mutex> hold(m_cacheLock);
    m_cache[dev] = std::move(document);
}

int CParamBase::UpdateCache(device* dev, const std::function<int(Json::Value& document)>& change)
{
    std::lock_guard<std::mutex> hold(m_cacheLock);
    auto it = m_cache.find(dev);
    Json::Value working = it == m_cache.end() ? Json::Value() : it->second;
    const int result = change(working);
    if (result == kParamSetDone)
        m_cache[dev] = std::move(working);
    return result;
}
