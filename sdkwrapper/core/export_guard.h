#pragma once
// The frame of every export body. No exception may cross the C boundary: the
// JSON library throws on values of the wrong type, containers throw on
// allocation failure. Every export runs its body inside export_guard, which
// turns any exception into the export's own failure value and logs it.
//
//   VL_API int vl_something(const char* json)
//   {
//       return vlsdk::export_guard("something", vl_parse_json_error, [&] { ... return 0; });
//   }
#include <exception>
#include <utility>

namespace vlsdk
{

// Writes "dev:(nil), this:(nil), [:] call <name> error:exception <what>".
// Never throws.
void log_export_exception(const char* name, const char* what) noexcept;

template <class R, class Body> R export_guard(const char* name, R on_failure, Body&& body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (const std::exception& e) {
        log_export_exception(name, e.what());
    } catch (...) {
        log_export_exception(name, "unknown");
    }
    return on_failure;
}

} // namespace vlsdk
