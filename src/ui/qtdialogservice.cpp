#include "ui/qtdialogservice.h"

#include "ui/msgbox.h"
#include "ui/theme.h"

#include <QFileDialog>
#include <QStringList>

MsgBoxAnswer QtDialogService::ShowMessageBox(const MsgBoxRequest& request)
{
    CMsgBox box(request, verifier, Parent());
    MsgBoxAnswer answer;
    answer.result = box.exec();
    if (answer.result == kMsgBoxOk)
        answer.password = box.Password();
    return answer;
}

std::vector<std::string> QtDialogService::SelectFiles(const FileDialogRequest& request)
{
    const QString title = Theme::Text(request.title);
    const QString dir = QString::fromStdString(request.startDir);
    const QString filter = QtNameFilter(request.filter);
    QStringList chosen;
    if (request.multiple) {
        chosen = QFileDialog::getOpenFileNames(Parent(), title, dir, filter);
    } else if (const QString file = QFileDialog::getOpenFileName(Parent(), title, dir, filter);
               !file.isEmpty()) {
        chosen.append(file);
    }
    std::vector<std::string> files;
    for (const QString& file : chosen)
        files.push_back(file.toStdString());
    return files;
}

std::optional<std::string> QtDialogService::SelectFolder(const std::string& title,
                                                         const std::string& startDir)
{
    const QString folder = QFileDialog::getExistingDirectory(Parent(), Theme::Text(title),
                                                             QString::fromStdString(startDir));
    if (folder.isEmpty())
        return std::nullopt;
    return folder.toStdString();
}

QWidget* QtDialogService::Parent() const
{
    return owner && owner->isVisible() ? owner.data() : nullptr;
}

QString QtNameFilter(const std::string& filter)
{
    QStringList filters;
    for (const QString& one : Theme::Text(filter).split(u'|', Qt::SkipEmptyParts)) {
        const qsizetype open = one.indexOf(u'(');
        const qsizetype close = one.lastIndexOf(u')');
        if (open < 0 || close < open) {
            filters.append(one);
            continue;
        }
        QString patterns = one.mid(open + 1, close - open - 1);
        patterns.replace(u';', u' ');
        filters.append(one.left(open).trimmed() + QStringLiteral(" (") + patterns.simplified() +
                       u')');
    }
    return filters.join(QStringLiteral(";;"));
}
