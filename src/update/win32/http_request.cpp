#include "update/win32/http_request.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>

namespace win32 {

HttpRequest::~HttpRequest() {
    closeHandles();
}

void HttpRequest::closeHandles() {
    std::lock_guard<std::mutex> guard(lock_);
    if (request_)
        InternetCloseHandle(request_);
    if (session_)
        InternetCloseHandle(session_);
    request_ = nullptr;
    session_ = nullptr;
}

bool HttpRequest::open(const std::string& url, unsigned long timeoutMs) {
    HINTERNET session =
        InternetOpenA("Veltrane", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!session)
        return false;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD value = timeoutMs;
        InternetSetOptionA(session, option, &value, sizeof value);
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (cancelled_) {
            InternetCloseHandle(session);
            return false;
        }
        session_ = session;
    }
    // Always from the server: a cached version file or installer would be stale.
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                        INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI;
    HINTERNET request = InternetOpenUrlA(session, url.c_str(), nullptr, 0, flags, 0);
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!request || cancelled_) {
            if (request)
                InternetCloseHandle(request);
            return false;
        }
        request_ = request;
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    return HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                          nullptr) &&
           status >= 200 && status < 300;
}

std::optional<std::string> HttpRequest::header(const char* name) {
    char value[256] = {};
    std::strncpy(value, name, sizeof value - 1);
    DWORD size = sizeof value;
    if (!request_ || !HttpQueryInfoA(request_, HTTP_QUERY_CUSTOM, value, &size, nullptr))
        return std::nullopt;
    return std::string(value, size);
}

long HttpRequest::read(char* buffer, long size) {
    HINTERNET request = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock_);
        request = request_;
    }
    long filled = 0;
    while (filled < size) {
        DWORD got = 0;
        if (cancelled_ || !request ||
            !InternetReadFile(request, buffer + filled, static_cast<DWORD>(size - filled), &got))
            return -1;
        if (got == 0)
            break;
        filled += static_cast<long>(got);
    }
    return cancelled_ ? -1 : filled;
}

void HttpRequest::cancel() {
    cancelled_ = true;
    closeHandles();
}

bool isInternetConnected() {
    DWORD flags = 0;
    char name[513] = {};
    return InternetGetConnectedStateExA(&flags, name, 512, 0) == TRUE;
}

namespace {

struct Fetch {
    ~Fetch() {
        if (done)
            CloseHandle(done);
    }
    HttpRequest request;
    std::optional<std::string> body;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

} // namespace

std::optional<std::string> fetchText(const std::string& url, unsigned long timeoutMs,
                                     std::size_t maxBytes) {
    // Shared with the worker, which may outlive a wait that gave up.
    auto fetch = std::make_shared<Fetch>();
    if (!fetch->done)
        return std::nullopt;
    std::thread([fetch, url, timeoutMs, maxBytes] {
        // Nothing may leave a thread: it would end the program.
        try {
            if (fetch->request.open(url, timeoutMs)) {
                std::string body;
                char chunk[4096];
                long got = 0;
                // One byte more than allowed is enough to know the body is too long.
                while (body.size() <= maxBytes &&
                       (got = fetch->request.read(
                            chunk, static_cast<long>(
                                       std::min(sizeof chunk, maxBytes + 1 - body.size())))) > 0)
                    body.append(chunk, static_cast<size_t>(got));
                if (got == 0 && body.size() <= maxBytes)
                    fetch->body = std::move(body);
            }
        } catch (...) {
            fetch->body.reset();
        }
        SetEvent(fetch->done);
    }).detach();
    const DWORD start = GetTickCount();
    bool finished = false;
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= timeoutMs)
            break;
        const DWORD woke = MsgWaitForMultipleObjects(1, &fetch->done, FALSE, timeoutMs - spent,
                                                     QS_PAINT | QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0) {
            finished = true;
            break;
        }
        // Windows keep painting; input waits until the fetch is over.
        MSG message;
        while (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            DispatchMessageA(&message);
    }
    if (!finished) {
        fetch->request.cancel();
        return std::nullopt;
    }
    return fetch->body;
}

} // namespace win32
