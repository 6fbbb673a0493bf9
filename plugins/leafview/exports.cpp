// The viewer plug-in's three C entry points.
#include "documentsource.h"
#include "leafviewwnd.h"
#include "printwindow.h"

#include <type_traits>

#define LEAFVIEW_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

QByteArray Password(const char* password)
{
    return password ? QByteArray(password) : QByteArray();
}

} // namespace

LEAFVIEW_EXPORT void* ShowLeafviewWnd(const char* path, ViewerFunctionCallback callback,
                                      bool /*scanned*/, void* owner, const char* password)
{
    if (!path)
        return nullptr;
    return CLeafviewWnd::Open(QString::fromUtf8(path), Password(password), callback, owner);
}

LEAFVIEW_EXPORT bool ShowPrintWnd(const char* path, const char* password)
{
    return path && ShowPrintWindow(QString::fromUtf8(path), Password(password), nullptr);
}

LEAFVIEW_EXPORT bool IsPasswordCorrect(const char* path, const char* password)
{
    return path && password && PdfOpensWith(QString::fromUtf8(path), QByteArray(password));
}

static_assert(std::is_same_v<decltype(&ShowLeafviewWnd), ShowLeafviewWndFn>);
static_assert(std::is_same_v<decltype(&ShowPrintWnd), ShowPrintWndFn>);
static_assert(std::is_same_v<decltype(&IsPasswordCorrect), IsPasswordCorrectFn>);
