#include "device/OverlappedIo_win.h"

std::unique_ptr<OverlappedRequest> MakeOverlappedRequest(size_t inBytes, size_t outBytes) {
    auto request = std::make_unique<OverlappedRequest>();
    request->event.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!request->event) return nullptr;
    request->in.assign(inBytes, 0);
    request->out.assign(outBytes, 0);
    return request;
}

IoResult FinishOverlapped(HANDLE file, std::unique_ptr<OverlappedRequest>& request, BOOL issued, DWORD timeoutMs,
                          DWORD cancelGraceMs) {
    IoResult result;
    const ULONGLONG started = GetTickCount64();
    if (!issued) {
        result.error = GetLastError();
        if (result.error != ERROR_IO_PENDING) return result;  // refused: nothing is in flight
        if (WaitForSingleObject(request->event.Get(), timeoutMs) != WAIT_OBJECT_0) {
            // Cancel just this request; it completes (as aborted, or done after all) or the driver keeps it.
            CancelIoEx(file, &request->overlapped);
            const bool ended = WaitForSingleObject(request->event.Get(), cancelGraceMs) == WAIT_OBJECT_0;
            result.waitedMs = DWORD(GetTickCount64() - started);
            DWORD ignored = 0;
            if (ended) GetOverlappedResult(file, &request->overlapped, &ignored, FALSE);
            result.outcome = ended ? IoOutcome::TimedOut : IoOutcome::Abandoned;
            result.error = ERROR_TIMEOUT;
            if (!ended) (void)request.release();  // the driver may still write into it
            return result;
        }
    }
    result.waitedMs = DWORD(GetTickCount64() - started);
    if (GetOverlappedResult(file, &request->overlapped, &result.bytes, FALSE)) {
        result.outcome = IoOutcome::Done;
        result.error = 0;
    } else {
        result.error = GetLastError();
    }
    return result;
}
