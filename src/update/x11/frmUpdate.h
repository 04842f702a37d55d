#pragma once
// The upgrade window: downloads the release archive from the update folder into the
// data folder as soon as it loads, showing source, destination and progress; once its
// signature proves it, puts the new release in place of this one, starts it and ends the
// program. Cancel stops the transfer, removes the partial file and ends the program too.

#include "update/download_progress.h"
#include "update/upgrade_proof.h"

#include <QDialog>
#include <QFile>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
namespace platform {
class Transfer;
}

class frmUpdate : public QDialog, private UpgradeWindowSteps {
    Q_OBJECT
public:
    frmUpdate();
    ~frmUpdate() override;

    // Waits a moment, then shows source and destination and issues the request.
    void cmdUpdate_Click();
    // Puts the downloaded release in place of this one, starts it and ends the program;
    // nothing when the file is missing.
    void cmdInstall_Click();
    // Stops a running transfer and removes its partial file; closes and ends the program.
    void cmdCancel_Click();

    // Closing through the title bar: the transfer stops and its partial file goes, but
    // the program stays (the update command unloads the window).
    void done(int result) override;

    // Client 7470 x 3330 twips.
    static constexpr double kWidthTwips = 7470;
    static constexpr double kHeightTwips = 3330;

    QWidget* Picture1;
    QLabel* lblSource;
    QLabel* lblDestination;
    QLabel* lblStatus;
    QLabel* lblDownload;
    QLabel* lblProgress;
    QWidget* Picture2;
    QProgressBar* ProgressBar1;
    QPushButton* cmdCancel;
    QPushButton* cmdUpdate;
    QPushButton* cmdInstall;
    platform::Transfer* Inet1;

    std::string strFileName;  // "VTR_Upgrade-x86_64.tar.gz"
    std::string strLocalPath; // the data folder and a separator

private:
    std::string localFile() const { return strLocalPath + strFileName; }
    void issueRequest();
    void Inet1_ResponseStarted();
    void Inet1_BodyArrived();
    void Inet1_Ended();
    void showChunk(const ChunkDisplay& display);
    void downloadFailed();
    void finishCancel();
    void closeAndEnd(const std::string& startAfter = {});
    void discardPartialFile();
    std::optional<std::string> fetchBeside(const std::string& name, std::size_t maxBytes) override;
    void setStatus(const std::string& text) override;
    void tell(const UpdateMessage& message) override;
    void install() override { cmdInstall_Click(); }

    // Up to this many bytes of the body are taken and written at once.
    static constexpr qint64 kBlockBytes = 256 * kChunkBytes;
    std::optional<DownloadProgress> progress_;
    std::vector<char> block_ = std::vector<char>(kBlockBytes);
    QFile download_;
    qint64 expected_ = 0;
    qint64 received_ = 0;
    bool cancelling_ = false; // Cancel clicked or the window closing: transfer events are ignored
};
