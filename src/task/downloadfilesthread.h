#pragma once

#include "task/convertbasethread.h"
#include "task/resultdownload.h"

#include <string>

// Last pipeline stage: downloads every Converted row's result to a free file name, records
// it as completed, and posts WM_CONVERT_FINISH once no row is left in the pipeline.
class CDownloadFilesThread : public CConvertBaseThread, public CResultDownload
{
public:
protected:
    int Run() override;

private:
    // False when a stop request ended the download.
    bool DownloadRow(int index);
    void FailRow(int index, const std::string& detail);

    std::string functionName; // the list's function while Run works
};
