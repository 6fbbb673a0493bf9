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
    for (CConvertBaseThread* stage :
         {static_cast<CConvertBaseThread*>(&upload), static_cast<CConvertBaseThread*>(&query),
          static_cast<CConvertBaseThread*>(&download)}) {
        stage->SetMainWnd(wiring.window);
        stage->SetConvList(wiring.list);
    }
}

bool ConversionPipeline::Start()
{
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
    for (CTC_Thread* stage : {static_cast<CTC_Thread*>(&upload), static_cast<CTC_Thread*>(&query),
                              static_cast<CTC_Thread*>(&download)}) {
        if (stage->IsRunning())
            stage->StopWait(ms);
    }
}
