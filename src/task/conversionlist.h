#pragma once

#include "task/conversionstore.h"

#include <mutex>
#include <string>

// What the pipeline stages share with the conversion page: the rows of every function and
// the function the page currently shows. Owned by the page; the stages borrow it.
class ConversionList
{
public:
    ConversionStore& Store() { return store; }
    const ConversionStore& Store() const { return store; }

    std::string GetFunctionName() const;
    void SetFunctionName(std::string name);

private:
    ConversionStore store;
    mutable std::mutex nameMutex;
    std::string functionName;
};
