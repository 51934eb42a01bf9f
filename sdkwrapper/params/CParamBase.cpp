#include "params/CParamBase.h"

const char* const kParamAnswerErr = "err";
const char* const kParamAnswerNoRight = "no_right";

CParamBase::CParamBase() = default;
CParamBase::~CParamBase() = default;

std::string CParamBase::QueryParamWithData(std::string)
{
    return kParamAnswerErr;
}

std::string CParamBase::QueryParam(bool)
{
    return kParamAnswerErr;
}

std::string CParamBase::GetCachedParam()
{
    return kParamAnswerErr;
}

std::string CParamBase::QueryChannelParam(int)
{
    return kParamAnswerErr;
}

std::string CParamBase::QueryParamByIndex(int)
{
    return kParamAnswerErr;
}

std::string CParamBase::QueryTemporaryParam()
{
    return kParamAnswerErr;
}

int CParamBase::SetParam(std::string)
{
    return kParamSetDone;
}

int CParamBase::SetChannelParam(int, std::string)
{
    return kParamSetDone;
}

int CParamBase::SetPassword(std::string)
{
    return kParamSetDone;
}

int CParamBase::SetUserAndPassword(std::string)
{
    return kParamSetDone;
}
