#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

class CMainWnd;

// The files a start of the client was given: "dokora FILE..." opens them (a PDF in the viewer,
// any other file on a conversion page), "dokora --convert FILE..." offers them on the drop
// page, to be given to the function the user picks. A later start hands them to the running
// client.
struct StartFiles
{
    enum class Mode
    {
        Open,
        Convert,
        // Opened by the desktop on the client's own behalf (the client may be the desktop's
        // PDF viewer): the files are recorded, not handed to the desktop again.
        Record,
    };
    Mode mode = Mode::Open;
    std::vector<std::string> paths; // absolute

    bool operator==(const StartFiles&) const = default;
};

// `arguments` without the program name; relative paths are taken from `workingDir`.
// `byDesktopHandoff`: the client itself had the desktop open a file, which started this one.
StartFiles ParseStartFiles(const QStringList& arguments, const QString& workingDir,
                           bool byDesktopHandoff);
// Whether this process was started by the desktop on the client's behalf, and the mark the
// client leaves in its environment so programs it starts tell so.
bool StartedByDesktopHandoff();
void MarkDesktopHandoff();

// The form the single-instance channel carries.
QByteArray EncodeStartFiles(const StartFiles& files);
std::optional<StartFiles> DecodeStartFiles(QByteArrayView bytes);

// The conversion function files go to: the first function of the drop order that takes the
// first file and converts it; empty when none does.
std::string ConversionFunctionFor(const std::vector<std::string>& paths);

// Shows `files` in the window: PDF files opened for viewing (open records and the desktop's
// viewer), the rest on the conversion page of their type; for Convert, all on the drop page.
void OpenStartFiles(CMainWnd& window, const StartFiles& files);
