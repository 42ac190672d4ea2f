#pragma once
// One request to a device with a time-out: issued overlapped, waited for at most a given time, cancelled
// with CancelIoEx when that runs out. The synchronous HID calls (HidD_SetFeature, HidD_GetFeature,
// HidD_GetIndexedString) wait for as long as the driver takes, and a device that stopped answering would
// hold the calling thread for good.
//
// The request's OVERLAPPED and buffers live in an OverlappedRequest on the heap, not on the caller's stack:
// the driver writes into them when the request completes, and a driver that keeps a request even after its
// cancellation may do so at any later time. Such a request is abandoned: its memory and event are never
// given back (one per device that stopped answering, until it arrives again).
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "toolkit/Handle_win.h"

struct OverlappedRequest {
    OVERLAPPED overlapped{};
    UniqueKernelHandle event;   // manual-reset: set when the request completes
    std::vector<uint8_t> in;    // what the driver reads
    std::vector<uint8_t> out;   // what the driver writes
};

enum class IoOutcome {
    Done,       // completed successfully; `bytes` holds the count
    Failed,     // refused or completed with an error; `error` holds it
    TimedOut,   // not completed in time, cancelled, and the cancellation completed
    Abandoned,  // not completed in time, and not even after CancelIoEx within the grace: left to the driver
};

struct IoResult {
    IoOutcome outcome = IoOutcome::Failed;
    DWORD bytes = 0;
    DWORD error = 0;
    DWORD waitedMs = 0;  // from the issue to the end of the wait (and of the cancellation)
};

// A request with `inBytes` and `outBytes` of zeroed buffers and its event; null when no event can be made.
std::unique_ptr<OverlappedRequest> MakeOverlappedRequest(size_t inBytes, size_t outBytes);

// `issue` starts the request on `file` (opened with FILE_FLAG_OVERLAPPED) with `request.overlapped`, as
// DeviceIoControl, ReadFile or WriteFile do, and returns their result. Waits at most `timeoutMs` for it,
// then cancels it and gives the cancellation `cancelGraceMs` to complete. On Abandoned, `request` is
// released (set to null) and its memory left to the driver.
template <class Issue>
IoResult RunOverlapped(HANDLE file, std::unique_ptr<OverlappedRequest>& request, DWORD timeoutMs,
                       DWORD cancelGraceMs, Issue issue);

IoResult FinishOverlapped(HANDLE file, std::unique_ptr<OverlappedRequest>& request, BOOL issued, DWORD timeoutMs,
                          DWORD cancelGraceMs);

template <class Issue>
IoResult RunOverlapped(HANDLE file, std::unique_ptr<OverlappedRequest>& request, DWORD timeoutMs,
                       DWORD cancelGraceMs, Issue issue) {
    ResetEvent(request->event.Get());
    request->overlapped = OVERLAPPED{};
    request->overlapped.hEvent = request->event.Get();
    const BOOL issued = issue(&request->overlapped);
    return FinishOverlapped(file, request, issued, timeoutMs, cancelGraceMs);
}
