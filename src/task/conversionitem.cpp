#include "task/conversionitem.h"

bool IsInProgress(ConversionStatus status)
{
    return IsInPipeline(status) || status == ConversionStatus::RedownloadRequested ||
           status == ConversionStatus::Redownloading;
}

bool IsDone(ConversionStatus status)
{
    return status == ConversionStatus::Completed || status == ConversionStatus::RedownloadCompleted;
}

bool IsBeforeConverted(ConversionStatus status)
{
    return status >= ConversionStatus::Queued && status <= ConversionStatus::Submitted;
}

bool IsInPipeline(ConversionStatus status)
{
    return status >= ConversionStatus::Queued && status <= ConversionStatus::Converted;
}
