#include "task/conversionpipeline.h"

void ConversionPipeline::Wire(const Wiring& wiring)
{
    upload.SetServiceAccess(wiring.access);
    upload.SetClientInfo(wiring.clientInfo);
    query.SetServiceAccess(wiring.access);
    query.SetPollInterval(wiring.pollIntervalMs);
    query.SetTimeLimit(wiring.fileTimeLimit);
    download.SetTransferLimit(wiring.fileTimeLimit);
    download.SetCompletedList(wiring.completed);
    for (CConvertBaseThread* stage : Stages())
        stage->SetConvList(wiring.list);
    SetWindow(wiring.window);
}

void ConversionPipeline::SetWindow(MessageTarget* window)
{
    for (CConvertBaseThread* stage : Stages())
        stage->SetMainWnd(window);
}

bool ConversionPipeline::Start()
{
    ++run;
    for (CConvertBaseThread* stage : Stages())
        stage->SetRun(run);
    const bool uploading = upload.Start();
    const bool polling = query.Start();
    const bool downloading = download.Start();
    return uploading && polling && downloading;
}

bool ConversionPipeline::IsRunning() const
{
    return upload.IsRunning() || query.IsRunning() || download.IsRunning();
}

void ConversionPipeline::StopRunning(std::uint32_t ms)
{
    for (CConvertBaseThread* stage : Stages()) {
        if (stage->IsRunning())
            stage->StopWait(ms);
    }
}
