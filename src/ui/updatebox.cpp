#include "ui/updatebox.h"

#include "ui/caption.h"
#include "ui/dialogframe.h"
#include "ui/keyboard.h"
#include "ui/theme.h"
#include "ui/windowmessageevent.h"
#include "update/installerlaunch.h"
#include "update/updatethread.h"
#include "utility/applog.h"
#include "utility/tc_checkpath.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

constexpr int kButtonsTop = CUpdateBox::kHeight - 75;
constexpr int kTextRightMargin = 50;
constexpr std::uint32_t kStopWaitMs = 1000;
constexpr int kInstallCheckMs = 100;
constexpr int kInstallChecks = 20;

enum class Arrangement
{
    OneLine,
    TwoLines,
    Download,
};

struct StateLook
{
    const char* text;
    Arrangement arrangement;
};

StateLook LookOf(UpdateBoxState state)
{
    switch (state) {
    case UpdateBoxState::UpToDate:
        return {"@string/str_atte_noUpdate", Arrangement::OneLine};
    case UpdateBoxState::InstallerReady:
        return {"@string/str_atte_isUpdate", Arrangement::OneLine};
    case UpdateBoxState::NewerVersion:
        return {"@string/str_atte_isDownload", Arrangement::OneLine};
    case UpdateBoxState::Downloaded:
        return {"@string/str_atte_downloaded", Arrangement::Download};
    case UpdateBoxState::Downloading:
        return {"@string/str_atte_downloading", Arrangement::Download};
    case UpdateBoxState::ConversionsRunning:
        return {"@string/str_atte_coverting", Arrangement::TwoLines};
    case UpdateBoxState::DownloadFailed:
        return {"@string/str_atte_downLoadFil", Arrangement::Download};
    case UpdateBoxState::InstallFailed:
        break;
    }
    return {"@string/str_atte_installErr", Arrangement::OneLine};
}

bool AcceptsAction(UpdateBoxState state)
{
    switch (state) {
    case UpdateBoxState::InstallerReady:
    case UpdateBoxState::NewerVersion:
    case UpdateBoxState::Downloaded:
    case UpdateBoxState::ConversionsRunning:
    case UpdateBoxState::DownloadFailed:
        return true;
    default:
        return false;
    }
}

QPushButton* MakeBoxButton(QWidget* parent, const char* name, const char* role, const char* textKey)
{
    QPushButton* button = MakeDialogButton(parent, name, role);
    button->setText(Theme::Text(textKey));
    Keyboard::MakeReachable(button);
    return button;
}

} // namespace

CUpdateBox::CUpdateBox(UpdateBoxState initial, UpdateBoxContext context, QWidget* parent)
    : CFramedDialog(parent), state(initial), context(std::move(context))
{
    setObjectName(QStringLiteral("rc_updateBox"));
    setFixedSize(kWidth, kHeight);
    BuildControls();
    SetState(initial);
    if (initial == UpdateBoxState::Downloading)
        StartDownload();
}

CUpdateBox::~CUpdateBox() = default;

void CUpdateBox::BuildControls()
{
    title = MakeDialogTitle(this, kWidth, Theme::Text("@string/str_updatebox_title"));
    setWindowTitle(title->text());

    closeButton = MakeCaptionButton(this, "btn_close", "caption_close", "@string/str_acc_close");
    closeButton->move(kWidth - closeButton->width() - 4,
                      (kCaptionHeight - closeButton->height()) / 2);
    connect(closeButton, &QPushButton::clicked, this, [this] { Finish(UpdateBoxResult::Closed); });

    attentionIcon = MakeAttentionIcon(this, kIconSize);
    attentionText = MakeAttentionText(this);

    progress = new QProgressBar(this);
    progress->setObjectName(QStringLiteral("prog_download"));
    progress->setRange(0, 100);
    progress->setTextVisible(false);
    progress->setAccessibleName(Theme::Text("@string/str_atte_downloading"));
    progress->setGeometry(20, kCaptionHeight + 70, kWidth - 40, 8);

    bigOk = MakeBoxButton(this, "btn_bigOK", "primary", "@string/str_updatebox_btn_ok");
    install = MakeBoxButton(this, "btn_Install", "primary", "@string/str_updatebox_btn_install");
    update = MakeBoxButton(this, "btn_update", "primary", "@string/str_updatebox_btn_update");
    continueInstall =
        MakeBoxButton(this, "btn_continueInstall", "primary", "@string/str_updatebox_btn_continue");
    retry = MakeBoxButton(this, "btn_retry", "primary", "@string/str_updatebox_btn_retry");
    cancel = MakeBoxButton(this, "btn_cancel", "secondary", "@string/str_updatebox_btn_cancel");

    const QRect wide((kWidth - kBigButtonWidth) / 2, kButtonsTop, kBigButtonWidth, kButtonHeight);
    bigOk->setGeometry(wide);
    install->setGeometry(wide);
    for (QPushButton* action : {update, continueInstall, retry}) {
        action->setGeometry(kSmallButtonLeft, kButtonsTop, kSmallButtonWidth, kButtonHeight);
        connect(action, &QPushButton::clicked, this, &CUpdateBox::OnActionButton);
    }
    connect(install, &QPushButton::clicked, this, &CUpdateBox::OnActionButton);
    connect(bigOk, &QPushButton::clicked, this, [this] { Finish(UpdateBoxResult::Cancel); });
    connect(cancel, &QPushButton::clicked, this, [this] { Finish(UpdateBoxResult::Cancel); });
}

void CUpdateBox::SetState(UpdateBoxState value)
{
    state = value;
    const StateLook look = LookOf(value);
    attentionText->setText(Theme::Text(look.text));
    attentionText->setAccessibleName(attentionText->text());

    const int textRight = kWidth - kTextRightMargin;
    switch (look.arrangement) {
    case Arrangement::OneLine:
    case Arrangement::TwoLines: {
        const bool oneLine = look.arrangement == Arrangement::OneLine;
        const int iconLeft = oneLine ? 65 : 50;
        const int textTop = kCaptionHeight + (oneLine ? 10 : 0);
        const int textLeft = iconLeft + kIconSize + 10;
        attentionIcon->move(iconLeft, (textTop + kButtonsTop) / 2 - kIconSize / 2);
        attentionIcon->show();
        attentionText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        attentionText->setGeometry(textLeft, textTop, textRight - textLeft, kButtonsTop - textTop);
        progress->hide();
        break;
    }
    case Arrangement::Download:
        attentionIcon->hide();
        attentionText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        attentionText->setGeometry(20, kCaptionHeight, textRight - 20, 60);
        progress->show();
        break;
    }

    const auto showOnly = [this](std::initializer_list<QPushButton*> shown) {
        for (QPushButton* button : {bigOk, install, update, continueInstall, retry, cancel}) {
            const bool visible = std::find(shown.begin(), shown.end(), button) != shown.end();
            button->setVisible(visible);
            button->setDefault(visible && button != cancel);
        }
    };
    switch (value) {
    case UpdateBoxState::UpToDate:
    case UpdateBoxState::InstallFailed:
        showOnly({bigOk});
        break;
    case UpdateBoxState::InstallerReady:
    case UpdateBoxState::Downloaded:
        showOnly({install});
        break;
    case UpdateBoxState::NewerVersion:
        showOnly({update, cancel});
        break;
    case UpdateBoxState::Downloading:
        showOnly({cancel});
        cancel->setDefault(true);
        break;
    case UpdateBoxState::ConversionsRunning:
        showOnly({continueInstall, cancel});
        break;
    case UpdateBoxState::DownloadFailed:
        showOnly({retry, cancel});
        break;
    }
    // Alone while downloading, the cancel button sits in the middle; else beside its partner.
    if (value == UpdateBoxState::Downloading)
        cancel->setGeometry((kWidth - kSmallButtonWidth) / 2, kButtonsTop, kSmallButtonWidth,
                            kButtonHeight);
    else
        cancel->setGeometry(kSmallButtonLeft + kSmallButtonWidth + kButtonGap, kButtonsTop,
                            kSmallButtonWidth, kButtonHeight);
    for (QPushButton* button : {bigOk, install, update, continueInstall, retry, cancel}) {
        if (button->isVisibleTo(this) && button->isDefault())
            button->setFocus();
    }
}

void CUpdateBox::OnActionButton()
{
    if (AcceptsAction(state))
        PostWindowMessage(WindowMessage{WM_UPDATE_ACTION, 0, 0, {}});
}

void CUpdateBox::OnAction()
{
    switch (state) {
    case UpdateBoxState::InstallerReady:
    case UpdateBoxState::Downloaded:
        if (context.isConverting && context.isConverting())
            SetState(UpdateBoxState::ConversionsRunning);
        else
            Install();
        break;
    case UpdateBoxState::ConversionsRunning:
        Install();
        break;
    case UpdateBoxState::NewerVersion:
    case UpdateBoxState::DownloadFailed:
        SetState(UpdateBoxState::Downloading);
        StartDownload();
        break;
    default:
        break;
    }
}

void CUpdateBox::StartDownload()
{
    if (!download)
        download = std::make_unique<OwnedThread<CUpdateThread>>();
    if (download->IsRunning())
        return;
    const auto installer = context.source.InstallerFile();
    if (!installer)
        return;
    // A cancelled download took the update directory with it.
    std::error_code error;
    std::filesystem::create_directories(*context.source.updateDir, error);
    if (error)
        return;
    progress->setValue(0);
    download->SetMainWnd(this);
    download->SetUrl(context.source.InstallerUrl());
    download->SetSavePath(*installer);
    download->Start();
}

void CUpdateBox::CancelDownload()
{
    if (download && download->IsRunning()) {
        download->SetMainWnd(nullptr);
        download->StopWait(kStopWaitMs);
    }
    download.reset();
    if (state == UpdateBoxState::Downloading && context.source.updateDir &&
        !context.source.updateDir->empty())
        TC_CHECKPATH::TC_DeleteDirectory(context.source.updateDir->c_str());
}

void CUpdateBox::Finish(UpdateBoxResult result)
{
    CancelDownload();
    if (installWait)
        installWait->stop();
    done(static_cast<int>(result));
}

void CUpdateBox::Install()
{
    if (!context.source.InstallerFile() || (installWait && installWait->isActive()))
        return;
    if (!installWait) {
        installWait = new QTimer(this);
        installWait->setInterval(kInstallCheckMs);
        connect(installWait, &QTimer::timeout, this, &CUpdateBox::CheckInstallerFile);
    }
    // The download's last bytes may still be on their way into the file.
    installChecks = 0;
    CheckInstallerFile();
    if (state != UpdateBoxState::InstallFailed && installChecks < kInstallChecks)
        installWait->start();
}

void CUpdateBox::CheckInstallerFile()
{
    const std::string installer = *context.source.InstallerFile();
    ++installChecks;
    if (!TC_CHECKPATH::TC_FileExist(installer.c_str())) {
        if (installChecks >= kInstallChecks) {
            installWait->stop();
            SetState(UpdateBoxState::InstallFailed);
        }
        return;
    }
    installWait->stop();
    installChecks = kInstallChecks;
    if (StartVerifiedInstaller(installer, context.source.publicKeyPem) == InstallerStart::Started) {
        AppLog("CUpdateBox::Install", "installer started, the client ends");
        if (context.endProcess)
            context.endProcess();
        return;
    }
    SetState(UpdateBoxState::InstallFailed);
}

void CUpdateBox::OnProgress(std::uintptr_t total, std::intptr_t received)
{
    if (state != UpdateBoxState::Downloading)
        return;
    const auto percent =
        total == 0 ? 0
                   : static_cast<std::uint64_t>(std::max<std::intptr_t>(received, 0)) * 100 / total;
    progress->setValue(static_cast<int>(std::min<std::uint64_t>(percent, 100)));
    if (percent >= 100)
        SetState(UpdateBoxState::Downloaded);
}

void CUpdateBox::PostWindowMessage(WindowMessage message)
{
    QCoreApplication::postEvent(this, new WindowMessageEvent(std::move(message)));
}

bool CUpdateBox::event(QEvent* event)
{
    if (event->type() != WindowMessageEvent::EventType())
        return QDialog::event(event);
    const WindowMessage& message = static_cast<WindowMessageEvent*>(event)->Message();
    switch (message.id) {
    case WM_UPDATE_ACTION:
        OnAction();
        break;
    case WM_UPDATE_PROGRESS:
        OnProgress(message.wParam, message.lParam);
        break;
    case WM_UPDATE_FAILED:
        if (state == UpdateBoxState::Downloading || state == UpdateBoxState::Downloaded)
            SetState(UpdateBoxState::DownloadFailed);
        break;
    default:
        break;
    }
    return true;
}

void CUpdateBox::reject()
{
    // Escape counts as the close button.
    Finish(UpdateBoxResult::Closed);
}
