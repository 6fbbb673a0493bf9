#pragma once

#include "base/tc_thread.h"
#include "base/windowmessage.h"
#include "ui/dialogframe.h"
#include "update/updateoffer.h"

#include <functional>
#include <memory>

class CUpdateThread;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// What the box is showing; the numbers are those the checks post.
enum class UpdateBoxState
{
    UpToDate = 0,
    InstallerReady = 1,
    NewerVersion = 2,
    Downloaded = 3,
    Downloading = 4,
    ConversionsRunning = 5,
    DownloadFailed = 7,
    InstallFailed = 9,
};

// How the box ended: its own buttons give Cancel or Closed; a started installer ends the
// process instead.
enum class UpdateBoxResult
{
    Cancel = 2,
    Closed = 8,
};

// What the box needs from its owner, the main window.
struct UpdateBoxContext
{
    UpdateSource source;                // the installer's address, file and key
    std::function<bool()> isConverting; // rows of the current function are in progress
    std::function<void()> endProcess;   // once the installer runs: the client makes way
};

// The update dialog: offers a newer version, downloads the installer with its own thread,
// and runs the installer once its signature checks out. Opened window-modal by the main
// window, which owns it; the download thread is stopped and joined before the box goes.
class CUpdateBox : public CFramedDialog, public MessageTarget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 411;
    static constexpr int kHeight = 236;

    // Created in state 4 it starts downloading at once.
    CUpdateBox(UpdateBoxState state, UpdateBoxContext context, QWidget* parent = nullptr);
    ~CUpdateBox() override;

    UpdateBoxState State() const { return state; }

    // Any thread: the download thread's progress and failure.
    void PostWindowMessage(WindowMessage message) override;
    void reject() override;

protected:
    bool event(QEvent* event) override;

private:
    void BuildControls();
    void SetState(UpdateBoxState value);
    void OnActionButton();
    void OnAction();
    void OnProgress(std::uintptr_t total, std::intptr_t received);
    void StartDownload();
    void CancelDownload();
    void Finish(UpdateBoxResult result);
    void Install();
    void CheckInstallerFile();

    UpdateBoxState state;
    UpdateBoxContext context;
    std::unique_ptr<OwnedThread<CUpdateThread>> download;
    QTimer* installWait = nullptr;
    int installChecks = 0;

    QLabel* title = nullptr;
    QPushButton* closeButton = nullptr;
    QLabel* attentionIcon = nullptr;
    QLabel* attentionText = nullptr;
    QProgressBar* progress = nullptr;
    QPushButton* bigOk = nullptr;
    QPushButton* install = nullptr;
    QPushButton* update = nullptr;
    QPushButton* continueInstall = nullptr;
    QPushButton* retry = nullptr;
    QPushButton* cancel = nullptr;
};
