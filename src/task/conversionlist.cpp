#include "task/conversionlist.h"

std::string ConversionList::GetFunctionName() const
{
    std::lock_guard lock(nameMutex);
    return functionName;
}

void ConversionList::SetFunctionName(std::string name)
{
    std::lock_guard lock(nameMutex);
    functionName = std::move(name);
}
