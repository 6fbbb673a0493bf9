#include "support/scripteddialogs.h"

MsgBoxAnswer ScriptedDialogs::ShowMessageBox(const MsgBoxRequest& request)
{
    {
        std::lock_guard lock(mutex);
        requests.push_back(request);
    }
    if (whileShown)
        whileShown();
    std::lock_guard lock(mutex);
    MsgBoxAnswer reply;
    if (request.mode == MsgBoxMode::Password && verifier) {
        reply.result = MsgBoxResult::Cancel;
        for (; !typedPasswords.empty(); typedPasswords.pop_front()) {
            ++passwordsTried;
            if (verifier->IsPasswordCorrect(request.documentPath, typedPasswords.front())) {
                reply = {MsgBoxResult::Ok, typedPasswords.front()};
                typedPasswords.pop_front();
                break;
            }
        }
        return reply;
    }
    reply.result = answer;
    if (!answers.empty()) {
        reply.result = answers.front();
        answers.pop_front();
    }
    return reply;
}

std::optional<std::vector<std::string>> ScriptedDialogs::OpenFiles(const OpenFileRequest& request)
{
    std::lock_guard lock(mutex);
    fileRequests.push_back(request);
    if (fileAnswers.empty())
        return std::nullopt;
    auto files = fileAnswers.front();
    fileAnswers.pop_front();
    return files;
}

std::optional<std::string> ScriptedDialogs::SelectFolder(const std::string& title,
                                                         const std::string&)
{
    std::lock_guard lock(mutex);
    folderTitles.push_back(title);
    if (folderAnswers.empty())
        return std::nullopt;
    auto answer = std::move(folderAnswers.front());
    folderAnswers.pop_front();
    return answer;
}

void ScriptedDialogs::Answer(MsgBoxResult result)
{
    std::lock_guard lock(mutex);
    answers.push_back(result);
}

std::vector<ScriptedDialogs::Shown> ScriptedDialogs::Messages() const
{
    std::lock_guard lock(mutex);
    std::vector<Shown> shown;
    for (const MsgBoxRequest& request : requests)
        shown.push_back({request.mode, request.message});
    return shown;
}

std::vector<MsgBoxRequest> ScriptedDialogs::Requests() const
{
    std::lock_guard lock(mutex);
    return requests;
}
