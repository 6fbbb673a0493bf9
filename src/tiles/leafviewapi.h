#pragma once

// The contract between the client and the viewer plug-in (libLeafview.so): the exported C
// names and their signatures. Shared by the plug-in and the loader. Paths and passwords are
// UTF-8; a window handle is the QWidget of that window.

// The viewer asks the client to run the function `functionKey` on `filePath`. `window` is the
// owner handed to ShowLeafviewWnd. May be called on any thread of the viewer.
using ViewerFunctionCallback = void (*)(void* window, const char* functionKey,
                                        const char* filePath);

inline constexpr const char* kShowLeafviewWndExport = "ShowLeafviewWnd";
inline constexpr const char* kShowPrintWndExport = "ShowPrintWnd";
inline constexpr const char* kIsPasswordCorrectExport = "IsPasswordCorrect";

// The file name whose print call only prepares printing and shows nothing.
inline constexpr const char* kPrintWarmUpFile = "print.tmp";

extern "C" {
// Opens a viewer window over `owner` (may be null) on the PDF or image file `path`, keeping
// `callback` for the tool bar. `scanned` is true for a page the scanner made; `password` is
// null when none was asked. Returns the viewer window, null when nothing could be shown.
using ShowLeafviewWndFn = void* (*)(const char* path, ViewerFunctionCallback callback, bool scanned,
                                    void* owner, const char* password);
// Opens the print window for the PDF `path`; `password` may be null.
using ShowPrintWndFn = bool (*)(const char* path, const char* password);
// Whether `password` opens the PDF `path`.
using IsPasswordCorrectFn = bool (*)(const char* path, const char* password);
}
