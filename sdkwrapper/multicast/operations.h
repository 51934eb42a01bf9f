#pragma once
// The three multicast operations as callers start and stop them: the request
// texts, the handle, the worker thread of each operation and the stop.
//
//   start:  parse the request into a configured engine, start the worker;
//           the handle comes back at once
//   worker: for each pass open_sockets, start_receive, the sender (I/O loop
//           until the time-out or a stop), process_replies, the report; the
//           report ends with the call with a null text
//   stop:   end the pass that runs (if any), join the worker (which still
//           makes its remaining callbacks), free engine and handle
//
// The exports (vl_start_multi_* and vl_stop_multi_*) are thin frames around
// these; tests use them directly with an environment of their own.
#include "multicast/session.h"

#include <array>
#include <memory>
#include <string>
#include <thread>

// The handle a start export returns. Owned by the caller until the matching
// stop export frees it; the worker only reads it.
struct multicast_handle {
    std::unique_ptr<vlsdk::multicast_session> engine;
    std::unique_ptr<std::thread> worker;
};

namespace vlsdk
{

// A search reads no more than this many "manufactures".
constexpr std::size_t kMaxManufacturers = 5;

// One row of the manufacturer table: a customer's code and the manufacturer
// id that devices understand.
struct manufacturer_row {
    const char* code;
    const char* id;
};
const std::array<manufacturer_row, 15>& manufacturer_table();
// The id of a customer code (exact, case-sensitive); any other text unchanged.
std::string map_manufacturer(const std::string& element);

// The request texts parsed into engines, configured, with no thread yet.
// Null when the request text is null, does not parse, is not an object or
// holds a top-level value of the wrong type (no callback then); also when
// "data" or an "info" fails, after the one callback {"msg":"parse json error"}.
std::unique_ptr<multicast_session> make_search_session(
    const char* request, vl_json_callback callback, void* user, multicast_environment environment = {});
std::unique_ptr<multicast_session> make_activation_session(
    const char* request, vl_json_callback callback, void* user, multicast_environment environment = {});
std::unique_ptr<multicast_session> make_update_session(
    const char* request, vl_json_callback callback, void* user, multicast_environment environment = {});

// Start functions: the engine as above, then its worker thread. Null when the
// request is refused or no thread can be started.
multicast_handle* multi_search_start(
    const char* request, vl_json_callback callback, void* user, multicast_environment environment = {});
multicast_handle* multi_activate_start(
    const char* request, vl_json_callback callback, void* user, multicast_environment environment = {});
multicast_handle* multi_update_start(
    const char* request, vl_json_callback callback, void* user, multicast_environment environment = {});

// Thread procedures; each returns at once without a handle or an engine.
void multi_search_thread(multicast_handle* handle);
void multi_activate_thread(multicast_handle* handle);
void multi_update_thread(multicast_handle* handle);

// True on the worker thread of this handle, that is inside its callbacks.
bool on_worker_of(const multicast_handle* handle);

// Ends the pass that runs, waits for the worker (its remaining callbacks,
// the null text included, are made before this returns), deletes the thread
// object and the engine. The handle stays. Must not run on the handle's own
// worker. Returns 0.
int multi_handle_stop(multicast_handle* handle);
// The same steps (nothing left to do after multi_handle_stop), then frees
// the handle.
void multi_handle_destroy(multicast_handle* handle);

// The whole stop of an export: -1 for null or when called from the
// operation's own callback (nothing is done then), else stop, destroy, 0.
int multi_handle_stop_export(multicast_handle* handle);

} // namespace vlsdk
