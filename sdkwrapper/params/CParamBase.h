#pragma once
// The base of every parameter class: one device parameter page, read and
// written as JSON. The registry holds one object per class, shared by every
// device; the parameter exports store the caller's device in it before each
// call. Calls for one message number must not overlap (the object keeps the
// records of its last query).
#include "vl_sdk_wrapper.h"

#include <json/value.h>
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
    virtual std::string QueryParamWithData(std::string data);
    // defaults: false for the current values, true for the factory defaults.
    virtual std::string QueryParam(bool defaults);
    virtual std::string GetCachedParam();
    virtual std::string QueryChannelParam(int channel);
    virtual std::string QueryParamByIndex(int index);
    virtual std::string QueryTemporaryParam();

    // Sets return a ParamSetResult. The base sends nothing and answers
    // kParamSetDone: a page without such a set has nothing to write.
    virtual int SetParam(std::string data);
    virtual int SetChannelParam(int channel, std::string data);
    virtual int SetPassword(std::string data);
    virtual int SetUserAndPassword(std::string data);

    // The device of the current call; set by the parameter exports before
    // every call and never cleared.
    void SetDevice(device* dev) { m_device = dev; }
    device* Device() const { return m_device; }

protected:
    device* m_device = nullptr;
    // The JSON of the record being converted; kept between calls.
    Json::Value m_document;
};
