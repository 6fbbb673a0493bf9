// The main window's record pages: the completed list and the open records.
#include "ui/mainwnd.h"

#include "adapter/filerecord.h"
#include "base/dialogservice.h"
#include "ui/recordmclistadapter.h"
#include "ui/recordpage.h"

void CMainWnd::AddOpenRecord(const std::string& path)
{
    Conversions().AddOpenRecord(path);
    recordPage->Adapter().Refresh();
}

void CMainWnd::OnViewerRecord(WindowMessage& message)
{
    if (!message.payload.empty())
        AddOpenRecord(message.payload);
}

void CMainWnd::OnRecordRowButton(CRecordPage& page, const QString& name, int row)
{
    CRecordMcListAdapterMgr& adapter = page.Adapter();
    if (row < 0 || row >= adapter.GetCount())
        return;
    const FileRecord record = adapter.Record(row);
    if (name == QLatin1String("btn_comp_openFile")) {
        // An open record is a PDF and goes back to the viewer; a result may be any type.
        if (&page == recordPage)
            ViewPdf(record.path);
        else
            OpenWithDesktop(record.path, true);
    } else if (name == QLatin1String("btn_comp_openDir")) {
        OpenWithDesktop(std::string(PathDirectory(record.path)), false);
    } else if (name == QLatin1String("btn_comp_delete")) {
        adapter.RemoveAt(row, true);
    }
}

void CMainWnd::OnClearRecords(CRecordPage& page, const char* questionKey)
{
    CRecordMcListAdapterMgr& adapter = page.Adapter();
    if (adapter.GetCount() == 0)
        return;
    if (services.dialogs->ShowMessage(nullptr, MsgBoxMode::Question, questionKey) ==
        MsgBoxResult::Ok)
        adapter.Clear();
}
