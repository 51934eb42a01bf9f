#pragma once
// The caller-side start records and callback shapes of the feature
// instances (vl_preview_param, vl_download_param, vl_talk_param,
// vl_data_callback, ...) are the public header's.
#include "vl_sdk_wrapper.h"
