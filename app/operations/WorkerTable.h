#pragma once
// The table through which the device's state machine and the operation
// entries reach the workers of the operations and the steps of the firmware
// upgrade and video-format flows: one function on a device per step.
//
// A step whose worker is not built into the program has no function; the
// caller then ends the operation in its defined way (logged, status 6
// "Failed", logged out, the pages told to take the device off their work
// lists) instead of leaving the device waiting or reporting a success.
// Tests put fakes in place with setFunction.
//
// Threads: function() from any thread (the state machine on the GUI thread,
// entries on pool threads); setFunction from a test's main thread while no
// operation runs.
class DeviceInfo;

enum class WorkerStep {
    ModifyDevice, // op 0, also run by its entry without a login
    StartUpgradeDevice, // op 1: the firmware upload after the login
    RestoreDefaultsBySdk, // op 3
    ExportConfig, // op 5
    ImportConfig, // op 6
    EnableNtp, // op 7
    ModifyOnvifDevice, // op 8
    QueryUpgradeMatchText, // op 10
    ChangeUserPassword, // op 13
    GetStreamConfig, // op 14
    SetStreamConfig, // op 15
    SetDateTime, // op 16
    SetOsdConfig, // op 17
    GetOsdConfig, // op 18
    RestoreDefaults, // op 19, reset kinds 0 and 1
    ResetDeviceByFactoryType, // op 19, reset kind 2
    ActivateDevice, // op 20
    RebootDevice, // op 21
    RebootDeviceForRecovery, // op 22
    SetDeviceNameAndType, // op 23
    GetDeveloperMode, // op 24
    SetDeveloperMode, // op 25
    AutoUpgradeDevice, // op 26: the automatic upgrade's upload
    RestoreDefaultsKeepNetwork, // op 29: defaults restored, network kept
    ActivateDeviceForAutoUpgrade, // op 30
    SendSetVideoFormatRequest, // op 31: the format request (empty JSON object)
    RequestFactoryResetTransKey, // op 32: the factory reset's key request
    SendFirstLoginTransKeyRequest, // video-format flow, code 1031
    SearchUpgradedDevice, // op 27: one pass of the search after an upgrade
    StartAutoUpgradeSearchTimer, // op 27: the wait before the first pass
};
inline constexpr int kWorkerStepCount = int(WorkerStep::StartAutoUpgradeSearchTimer) + 1;

namespace WorkerTable
{
using Function = void (*)(DeviceInfo* device);

// The function of a step: a test's fake when one is set, else the one built
// in; null when the step has none.
Function function(WorkerStep step);
// The worker's name, for the log ("modifyDevice").
const char* name(WorkerStep step);
// Puts `function` in place of the built-in one; null puts the built-in one
// back.
void setFunction(WorkerStep step, Function function);
// Takes the step's function away, as in a program built without it, so that
// a test can watch the defined end of an operation without its worker.
void setMissing(WorkerStep step);
// Puts every built-in function back.
void reset();

// Runs the step's function on `device` on this thread; true when it ran.
// Without a function the operation ends as failOperation says, and false.
bool run(WorkerStep step, DeviceInfo* device);
// Hands the step's function with `device` to the process-wide work pool
// (queue WorkPool::NormalQueue or PriorityQueue); true when handed over.
// Without a function, as run.
bool submit(WorkerStep step, DeviceInfo* device, int queue);
// The defined end of an operation whose step has no function: logged, status
// 6 ("Failed"), logged out, the waiting pages told to take the device off
// their work lists. Any thread.
void failOperation(WorkerStep step, DeviceInfo* device);
} // namespace WorkerTable
