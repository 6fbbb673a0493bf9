#pragma once

#include "base/passwordverifier.h"
#include "tiles/leafviewapi.h"

#include <optional>
#include <string>

enum class ViewerOpen
{
    Shown,
    Unreadable, // the viewer could not open the document
    Missing,    // no usable viewer plug-in
};

// Viewing, printing and the password probe of documents: the viewer and tool-kit plug-ins in
// the program. The main window borrows it; calls come from the UI thread.
class DocumentViewer : public PasswordVerifier
{
public:
    // Whether the PDF at `path` needs an open password; false when the tool kit is missing.
    virtual bool NeedsPassword(const std::string& path) = 0;
    // Opens a viewer window on `path` over `owner`.
    virtual ViewerOpen ShowViewer(const std::string& path, ViewerFunctionCallback callback,
                                  bool scanned, void* owner,
                                  const std::optional<std::string>& password) = 0;
    // Opens the print window for `path`; false when the viewer plug-in is missing.
    virtual bool ShowPrint(const std::string& path, const std::optional<std::string>& password) = 0;
    // The print window's start-up call on the work directory's "print.tmp".
    virtual void PreparePrinting() = 0;
};
