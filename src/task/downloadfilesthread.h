#pragma once

#include "http/downloadbase.h"
#include "task/convertbasethread.h"

#include <string>

// Last pipeline stage: downloads every Converted row's result to a free file name, records
// it as completed, and posts WM_CONVERT_FINISH once no row is left in the pipeline.
class CDownloadFilesThread : public CConvertBaseThread, public CDownloadBase
{
public:
    ~CDownloadFilesThread() override;

protected:
    int Run() override;

private:
    // False when a stop request ended the download.
    bool DownloadRow(int index);

    std::string functionName; // the list's function while Run works
};
