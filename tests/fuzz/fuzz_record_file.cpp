// Record files of both kinds: loaded, read, and changed (which writes them).
#include "adapter/recordlist.h"
#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (const RecordKind kind : {RecordKind::Completed, RecordKind::OpenRecord}) {
        const auto path = FuzzInput::WriteFile(RecordFileName(kind), FuzzInput::Text(data, size));
        RecordList list(kind);
        list.Load(path.string());
        for (std::size_t i = 0; i < list.GetCount(); ++i)
            list.FindPath(list.GetRecord(i).path);
        if (list.GetCount() > 0)
            list.RemoveAt(0);
    }
    return 0;
}
