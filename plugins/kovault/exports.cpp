#include "kovaultapi.h"

#define KOVAULT_EXPORT extern "C" __attribute__((visibility("default")))

KOVAULT_EXPORT IAccountApi* CreateInstance()
{
    return new KovaultApi;
}

KOVAULT_EXPORT void DestoryInstance(IAccountApi* api)
{
    delete static_cast<KovaultApi*>(api);
}

KOVAULT_EXPORT bool DllSetService(const char* serviceUrl)
{
    if (!serviceUrl || !*serviceUrl)
        return false;
    SetServiceAddress(serviceUrl);
    return true;
}
