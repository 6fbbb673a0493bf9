#include "ui/qtdialogservice.h"

#include "ui/msgbox.h"
#include "ui/theme.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QStringList>

MsgBoxAnswer QtDialogService::ShowMessageBox(const MsgBoxRequest& request)
{
    CMsgBox box(request, verifier, request.owner ? VisibleMainWindow() : nullptr);
    MsgBoxAnswer answer;
    answer.result = static_cast<MsgBoxResult>(box.exec());
    if (answer.result == MsgBoxResult::Ok)
        answer.password = box.Password();
    return answer;
}

std::optional<std::vector<std::string>> QtDialogService::OpenFiles(const OpenFileRequest& request)
{
    const QString dir = StartFolder(request.initialFolder);
    const QString filter = QString::fromStdString(request.filter);
    QStringList chosen;
    if (request.multiSelect) {
        chosen = QFileDialog::getOpenFileNames(VisibleMainWindow(), QString(), dir, filter);
    } else if (const QString file =
                   QFileDialog::getOpenFileName(VisibleMainWindow(), QString(), dir, filter);
               !file.isEmpty()) {
        chosen.append(file);
    }
    if (chosen.isEmpty())
        return std::nullopt;
    std::vector<std::string> files;
    for (const QString& file : chosen)
        files.push_back(file.toStdString());
    return files;
}

std::optional<std::string> QtDialogService::SelectFolder(const std::string& title,
                                                         const std::string& startDir)
{
    const QString folder = QFileDialog::getExistingDirectory(
        VisibleMainWindow(), Theme::Text(title), QString::fromStdString(startDir));
    if (folder.isEmpty())
        return std::nullopt;
    return folder.toStdString();
}

QString QtDialogService::StartFolder(const std::string& requested)
{
    if (!requested.empty())
        return QString::fromStdString(requested);
    // Not the program's own folder, where an empty start would leave the user.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents).exists() ? documents : QDir::homePath();
}

QWidget* QtDialogService::VisibleMainWindow() const
{
    return mainWindow && mainWindow->isVisible() ? mainWindow : nullptr;
}
