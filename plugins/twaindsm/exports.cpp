#include "datasourcemanager.h"

// The manager's one entry point, loaded by name in place of the Windows directory's manager.
extern "C" __attribute__((visibility("default"))) TW_UINT16
DSM_Entry(TW_IDENTITY* pOrigin, TW_IDENTITY* pDest, TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
          TW_MEMREF pData)
{
    static DataSourceManager manager;
    return manager.Entry(pOrigin, pDest, DG, DAT, MSG, pData);
}
