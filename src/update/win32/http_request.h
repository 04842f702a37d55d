#pragma once
// One HTTP GET through WinINet, used from a worker thread and cancellable from another:
// cancel() closes the handles, which ends a blocking call at once.

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <windows.h>
#include <wininet.h>

namespace win32 {

class HttpRequest {
public:
    ~HttpRequest();
    // Starts the request; true once a success (2xx) status came. Connecting, sending and
    // each wait for data give up after `timeoutMs`.
    bool open(const std::string& url, unsigned long timeoutMs);
    // A response header's value, or nothing.
    std::optional<std::string> header(const char* name);
    // Fills `buffer` with up to `size` bytes (fewer only at the end of the body); the
    // number read, 0 at the end, -1 on a failure or after cancel().
    long read(char* buffer, long size);
    void cancel();
    bool cancelled() const { return cancelled_; }

private:
    void closeHandles();
    std::mutex lock_;
    HINTERNET session_ = nullptr;
    HINTERNET request_ = nullptr;
    std::atomic<bool> cancelled_{false};
};

// Whether the system reports an internet connection (InternetGetConnectedStateExA).
bool isInternetConnected();

// The whole resource at `url` as text, on a worker thread while this thread waits at
// most `timeoutMs`, keeping its windows painted but taking no input. Nothing on a
// time-out, a refused connection, an error status or a body longer than `maxBytes`
// (which is never read further).
std::optional<std::string> fetchText(const std::string& url, unsigned long timeoutMs,
                                     std::size_t maxBytes);

} // namespace win32
