// Help > Check for update... in the Windows program, and the upgrade window it opens.

#include "platform/application.h"
#include "platform/file_attributes.h"
#include "platform/program_folder.h"
#include "platform/win32/win32_forms.h"
#include "shell/menu_commands.h"
#include "shell/running_flag.h"
#include "update/download_progress.h"
#include "update/update_decisions.h"
#include "update/upgrade_proof.h"
#include "update/win32/http_request.h"
#include "update/win32/signature_check.h"
#include "update/window_origin.h"

#include <commctrl.h>
#include <cstdio>
#include <memory>
#include <shellapi.h>
#include <thread>

// The update folder on the maker's server (a build setting); a file there is its bare
// name appended. One whole array in the program's data, so that a test can point a copy
// of the program at a local server.
extern char vtrUpdateBase[];
char vtrUpdateBase[] = VTR_UPDATE_BASE_URL;

namespace {

std::string kUpdateBase() {
    return vtrUpdateBase;
}

constexpr unsigned long kFetchTimeoutMs = 15000;
// A download that receives nothing this long has failed.
constexpr unsigned long kInactivityMs = 30000;
constexpr unsigned kPauseMs = 1000;
// How long Cancel lets the worker end on its own after the pause, before it goes on.
constexpr int kCancelWaitMs = 400;

int showMessage(const UpdateMessage& message) {
    return win32::msgBox(message.text, message.style, message.title);
}

// What the download worker reports to the window.
enum : UINT {
    kStarted = WM_APP + 1, // wParam: the announced size
    kChunk,                // one chunk written
    kEnded,                // wParam: 1 complete, 0 failed
};

// The transfer, shared by the window and its worker: the worker may outlive a window
// that gave up waiting for it.
struct Download {
    win32::HttpRequest request;
    std::string url;
    std::string path;
    HWND window = nullptr;
    std::atomic<bool> finished{false};

    // Writes the body to `path` in chunks of kChunkBytes, telling the window of each one.
    // Only a success status with a usable length, followed by exactly that many bytes,
    // leaves a file; anything else removes what was written.
    bool run() {
        if (!request.open(url, kInactivityMs))
            return false;
        const auto header = request.header("Content-Length");
        const auto size = header ? usableContentLength(*header) : std::nullopt;
        if (!size)
            return false;
        if (platform::fileExists(path) && std::remove(path.c_str()) != 0)
            return false;
        // Others may delete it while it is open: Cancel removes the partial file without
        // waiting for a read that the network holds up.
        const HANDLE file =
            CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        PostMessageA(window, kStarted, static_cast<WPARAM>(*size), 0);
        long long received = 0;
        char chunk[kChunkBytes];
        long got = 0;
        bool written = true;
        while (written && (got = request.read(chunk, kChunkBytes)) > 0) {
            received += got;
            DWORD done = 0;
            written = received <= *size &&
                      WriteFile(file, chunk, static_cast<DWORD>(got), &done, nullptr) &&
                      done == static_cast<DWORD>(got);
            PostMessageA(window, kChunk, 0, 0);
        }
        written = CloseHandle(file) && written;
        if (got == 0 && written && received == *size)
            return true;
        DeleteFileA(path.c_str());
        return false;
    }
};

class frmUpdate : public win32::Window, private UpgradeWindowSteps {
public:
    frmUpdate() {
        InitCommonControls();
        const int width = win32::pixelsX(kWidthTwips);
        const int height = win32::pixelsY(kHeightTwips);
        const TwipsOrigin origin = upgradeWindowOrigin(
            win32::screenTwipsWidth(), win32::screenTwipsHeight(), kWidthTwips, kHeightTwips);
        if (!create("VeltraneUpdate", "", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                    WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, win32::pixelsX(origin.left),
                    win32::pixelsY(origin.top), width, height))
            return;
        lblSource = addControl("STATIC", "Source:", SS_LEFT | SS_NOPREFIX, 0, 64, 14, 424, 18);
        lblDestination =
            addControl("STATIC", "Destination:", SS_LEFT | SS_NOPREFIX, 0, 64, 38, 424, 18);
        lblStatus = addControl("STATIC", "Status:", SS_LEFT | SS_NOPREFIX, 0, 64, 74, 424, 18);
        lblDownload =
            addControl("STATIC", "Transferring: 0 KB", SS_LEFT | SS_NOPREFIX, 0, 64, 94, 424, 18);
        ProgressBar1 = addControl(PROGRESS_CLASSA, "", 0, 0, 12, 126, 474, 20);
        SendMessageA(ProgressBar1, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        lblProgress = addControl("STATIC", "", SS_LEFT | SS_NOPREFIX, 0, 10, 154, 478, 18);
        cmdCancel =
            addControl("BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, kCancel, 400, 186, 88, 26);
        // Form_Load: the progress strip stays hidden until the request starts.
        strLocalPath = dataFolder() + "\\";
        strFileName = kUpgradeFileName;
        ShowWindow(ProgressBar1, SW_HIDE);
        cmdUpdate_Click();
    }

    ~frmUpdate() override {
        // Unloaded in the middle of a transfer: no half installer stays behind.
        if (download_ && !download_->finished) {
            download_->request.cancel();
            DeleteFileA(download_->path.c_str());
        }
    }

    static constexpr double kWidthTwips = 7470;
    static constexpr double kHeightTwips = 3330;
    HWND lblSource = nullptr, lblDestination = nullptr, lblStatus = nullptr, lblDownload = nullptr,
         lblProgress = nullptr, ProgressBar1 = nullptr, cmdCancel = nullptr;
    std::string strFileName;
    std::string strLocalPath;

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_TIMER:
            KillTimer(hwnd(), wParam);
            if (wParam == kStartTimer)
                issueRequest();
            else
                finishCancel();
            return 0;
        case kStarted:
            progress_ =
                std::make_unique<DownloadProgress>(static_cast<int32_t>(wParam), strFileName);
            return 0;
        case kChunk:
            if (progress_ && !cancelling_ && progress_->addChunk())
                showChunk(progress_->display());
            return 0;
        case kEnded:
            ended(wParam == 1);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kCancel)
                cmdCancel_Click();
            return 0;
        default:
            return Window::onMessage(message, wParam, lParam);
        }
    }

private:
    static constexpr int kCancel = 200;
    static constexpr UINT_PTR kStartTimer = 1;
    static constexpr UINT_PTR kCancelTimer = 2;

    std::string localFile() const { return strLocalPath + strFileName; }

    void cmdUpdate_Click() {
        // The pause keeps the window painting and Cancel live instead of sleeping.
        SetTimer(hwnd(), kStartTimer, kPauseMs, nullptr);
    }

    void issueRequest() {
        SendMessageA(ProgressBar1, PBM_SETPOS, 0, 0);
        SetWindowTextA(lblStatus, "");
        const std::string source = kUpdateBase() + strFileName;
        SetWindowTextA(lblSource,
                       ("Download from: " +
                        convertShortPath(std::stof(serverShortPath(source)) - 2) + strFileName)
                           .c_str());
        SetWindowTextA(
            lblDestination,
            ("Saving to: " + convertShortPath(std::stof(localShortPath(localFile()))) + strFileName)
                .c_str());
        ShowWindow(ProgressBar1, SW_SHOW);
        download_ = std::make_shared<Download>();
        download_->url = source;
        download_->path = localFile();
        download_->window = hwnd();
        try {
            std::thread([download = download_] {
                // Nothing may leave a thread: it would end the program.
                bool complete = false;
                try {
                    complete = download->run();
                } catch (...) {
                    std::remove(download->path.c_str());
                }
                download->finished = true;
                PostMessageA(download->window, kEnded, complete ? 1 : 0, 0);
            }).detach();
        } catch (...) {
            download_.reset();
            showMessage(downloadStartFailedMessage());
            platform::application().endProcess(0);
        }
    }

    void showChunk(const ChunkDisplay& display) {
        SendMessageA(ProgressBar1, PBM_SETPOS, static_cast<WPARAM>(display.bar + 0.5), 0);
        SetWindowTextA(lblProgress, display.progressLabel.c_str());
        SetWindowTextA(hwnd(), display.title.c_str());
        SetWindowTextA(lblDownload, display.downloadLabel.c_str());
    }

    void ended(bool complete) {
        if (cancelling_)
            return;
        if (!complete) {
            SetWindowTextA(lblStatus, kDownloadFailedStatus);
            return;
        }
        finishUpgrade(*this, localFile(), strFileName, builtInUpdateKey(), cngSignatureCheck);
    }

    std::optional<std::string> fetchBeside(const std::string& name, std::size_t maxBytes) override {
        return win32::fetchText(kUpdateBase() + name, kFetchTimeoutMs, maxBytes);
    }
    void setStatus(const std::string& text) override { SetWindowTextA(lblStatus, text.c_str()); }
    void tell(const UpdateMessage& message) override { showMessage(message); }
    void install() override { cmdInstall_Click(); }

    // Starts the installer and ends the program; nothing when it is missing.
    void cmdInstall_Click() {
        const std::string path = localFile();
        if (!platform::fileExists(path))
            return;
        // The program's own status line tells of a failure; the shell shows no box of its own.
        SHELLEXECUTEINFOA start = {};
        start.cbSize = sizeof start;
        start.fMask = SEE_MASK_FLAG_NO_UI;
        start.lpFile = path.c_str();
        start.lpDirectory = strLocalPath.c_str();
        start.nShow = SW_SHOWNORMAL;
        if (!ShellExecuteExA(&start)) {
            SetWindowTextA(lblStatus, kInstallFailedStatus);
            return;
        }
        platform::application().endProcess(0);
    }

    void cmdCancel_Click() {
        if (cancelling_)
            return;
        if (!download_ || download_->finished) {
            platform::application().endProcess(0);
            return;
        }
        cancelling_ = true;
        SetTimer(hwnd(), kCancelTimer, kPauseMs, nullptr);
    }

    void finishCancel() {
        download_->request.cancel();
        // A worker whose read the network holds up may not see the cancel at once: its
        // file is deleted under it (it goes for good when the program ends, just after),
        // and nothing waits for it beyond a moment.
        for (int waited = 0; !download_->finished && waited < kCancelWaitMs; waited += 20)
            Sleep(20);
        const std::string path = localFile();
        if (platform::fileExists(path) && !DeleteFileA(path.c_str())) {
            // The partial file stays in the way: the window stays open, the program runs.
            cancelling_ = false;
            return;
        }
        platform::application().endProcess(0);
    }

    std::shared_ptr<Download> download_;
    std::unique_ptr<DownloadProgress> progress_;
    bool cancelling_ = false;
};

} // namespace

void mUpdate_Click() {
    // The version fetch waits for its worker: a second click must not start a second
    // check inside the first.
    static bool running = false;
    const RunningFlag run(running);
    if (!run.first())
        return;
    UpdateOutcome outcome = UpdateOutcome::NoConnection;
    if (win32::isInternetConnected()) {
        const auto fetched =
            win32::fetchText(kUpdateBase() + kVersionFileName, kFetchTimeoutMs, kMaxVersionBytes);
        const auto version =
            fetched ? keepVersionCopy(programFilePath(kVersionFileName), *fetched) : std::nullopt;
        outcome = updateOutcome(true, version, kRunningVersion);
    }
    if (showMessage(updateMessage(outcome)) == IDYES) {
        frmUpdate form;
        form.runModal();
    }
}
