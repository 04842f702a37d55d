#pragma once
// The upgrade window: downloads the installer "VTR_Upgrade.exe" from the update folder
// into the program folder as soon as it loads, showing source, destination and
// progress; then starts the installer and ends the program. Cancel stops the transfer,
// removes the partial file and ends the program too.

#include "update/download_progress.h"

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

class frmUpdate : public QDialog {
    Q_OBJECT
public:
    frmUpdate();
    ~frmUpdate() override;

    // Waits a moment, then shows source and destination and issues the request.
    void cmdUpdate_Click();
    // Starts the downloaded installer and ends the program; nothing when it is missing.
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

    std::string strFileName;  // "VTR_Upgrade.exe"
    std::string strLocalPath; // the program folder and a separator

private:
    std::string localFile() const { return strLocalPath + strFileName; }
    void issueRequest();
    void Inet1_ResponseStarted();
    void Inet1_BodyArrived();
    void Inet1_Ended();
    void showChunk(const ChunkDisplay& display);
    void downloadFailed();
    void finishCancel();
    void closeAndEnd();
    void discardPartialFile();

    // Up to this many bytes of the body are taken and written at once.
    static constexpr qint64 kBlockBytes = 256 * kChunkBytes;
    std::optional<DownloadProgress> progress_;
    std::vector<char> block_ = std::vector<char>(kBlockBytes);
    QFile download_;
    qint64 expected_ = 0;
    qint64 received_ = 0;
    bool cancelling_ = false; // Cancel clicked or the window closing: transfer events are ignored
};
