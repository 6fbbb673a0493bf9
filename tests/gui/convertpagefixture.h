#pragma once

#include "gui/mainwndfixture.h"
#include "support/fakeaccountapi.h"
#include "ui/convertpage.h"
#include "ui/convmclistadapter.h"
#include "ui/recordmclistadapter.h"
#include "ui/recordpage.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

// The main window with the conversion page at hand: files of any size, the page's controls,
// and a signed-in account whose token exchanges the fake service accepts.
class ConvertPageTest : public MainWndTest
{
protected:
    ConvertPageTest()
    {
        conversions.Pipeline().query.SetPollInterval(50);
        EXPECT_TRUE(WaitUntil([&] { return homeSortList.Get().ok; }));
    }

    std::string MakeFile(const std::string& name, std::uint64_t size = 16)
    {
        const std::string path = scratch.File(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << std::string(size < 16 ? size : 16, 'x');
        std::filesystem::resize_file(path, size);
        return path;
    }

    std::vector<std::string> MakeFiles(int count, const std::string& extension = ".pdf")
    {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i)
            paths.push_back(MakeFile("file" + std::to_string(i) + extension));
        return paths;
    }

    void Open(const std::string& key, std::vector<std::string> files)
    {
        CMainWnd::FunctionSource source;
        source.files = std::move(files);
        window->OpenFunction(key, std::move(source));
    }

    void SignIn()
    {
        for (int i = 0; i < 4; ++i)
            service.Script(
                FakeEndpoint::kLogin,
                FakeReply::Json(R"({"ret":0,"msg":"","data":{"expireTime":7200,"token":")" +
                                service.IssueToken() + R"("}})"));
        account.Attach(&api, FakeDllSetService);
        // As after the sign-in: the session holds a token.
        EXPECT_TRUE(session.tokens.GetToken(true).ok);
    }

    CConvertPage& Page() { return window->ConvertPage(); }
    int Count() { return Store().GetCount(Page().Adapter().CurrentFunction()); }
    QString Header(int column = 0)
    {
        return Page().Adapter().headerData(column, Qt::Horizontal).toString();
    }
    QWidget* StatusChild(int row, const char* name)
    {
        QWidget* cell = Page().RowCell(row, 2);
        return cell ? cell->findChild<QWidget*>(QString::fromLatin1(name)) : nullptr;
    }
    std::vector<std::string> MessageTexts()
    {
        std::vector<std::string> texts;
        for (const auto& request : dialogs.Requests())
            texts.push_back(request.message);
        return texts;
    }
    bool RowShows(int row, const char* button)
    {
        QPushButton* found = Page().RowButton(row, button);
        return found && !found->isHidden();
    }

    FakeAccountApi api;
};
