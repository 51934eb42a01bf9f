#include "params/CParamRemoteTest.h"

CParamRemoteTest::CParamRemoteTest(device* dev)
    : m_device(dev)
{
}

CParamRemoteTest::~CParamRemoteTest() = default;

int CParamRemoteTest::RemoteTest(int /*command*/, const Json::Value& /*request*/)
{
    (void)m_asyncHandle;
    return -1;
}
