#include "app/startfiles.h"

#include "tiles/filetypes.h"
#include "tiles/functiondispatch.h"
#include "ui/mainwnd.h"

#include <QDir>

#include <array>
#include <cstdlib>
#include <utility>

namespace {

constexpr const char* kConvertOption = "--convert";
constexpr const char* kHandoffVariable = "DOKORA_DESKTOP_HANDOFF";

constexpr std::array<std::pair<StartFiles::Mode, QByteArrayView>, 3> kModeNames = {{
    {StartFiles::Mode::Open, "open"},
    {StartFiles::Mode::Convert, "convert"},
    {StartFiles::Mode::Record, "record"},
}};

bool IsPdf(const std::string& path)
{
    return FileExtension(path) == ".pdf";
}

} // namespace

StartFiles ParseStartFiles(const QStringList& arguments, const QString& workingDir,
                           bool byDesktopHandoff)
{
    StartFiles files;
    const QDir base(workingDir);
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (!optionsEnded && argument == QLatin1String(kConvertOption)) {
            files.mode = StartFiles::Mode::Convert;
        } else if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (optionsEnded || !argument.startsWith(QLatin1Char('-'))) {
            files.paths.push_back(QDir::cleanPath(base.absoluteFilePath(argument)).toStdString());
        }
    }
    if (byDesktopHandoff && files.mode == StartFiles::Mode::Open)
        files.mode = StartFiles::Mode::Record;
    return files;
}

bool StartedByDesktopHandoff()
{
    return std::getenv(kHandoffVariable) != nullptr;
}

void MarkDesktopHandoff()
{
    setenv(kHandoffVariable, "1", 1);
}

QByteArray EncodeStartFiles(const StartFiles& files)
{
    QByteArray bytes;
    for (const auto& [mode, name] : kModeNames)
        if (mode == files.mode)
            bytes.append(name);
    bytes.append('\n');
    for (const std::string& path : files.paths) {
        bytes.append(path.data(), static_cast<qsizetype>(path.size()));
        bytes.append('\0');
    }
    return bytes;
}

std::optional<StartFiles> DecodeStartFiles(QByteArrayView bytes)
{
    const qsizetype newline = bytes.indexOf('\n');
    if (newline < 0)
        return std::nullopt;
    StartFiles files;
    bool known = false;
    for (const auto& [mode, name] : kModeNames) {
        if (bytes.first(newline) == name) {
            files.mode = mode;
            known = true;
        }
    }
    if (!known)
        return std::nullopt;
    QByteArrayView rest = bytes.sliced(newline + 1);
    // Every path ends with a NUL; a path cut short by a broken connection is dropped.
    for (qsizetype end = rest.indexOf('\0'); end >= 0; end = rest.indexOf('\0')) {
        if (end > 0 && rest.front() == '/')
            files.paths.emplace_back(rest.data(), static_cast<std::size_t>(end));
        rest = rest.sliced(end + 1);
    }
    return files;
}

std::string ConversionFunctionFor(const std::vector<std::string>& paths)
{
    if (paths.empty())
        return {};
    for (const std::string& function : FunctionsForExtension(FileExtension(paths.front())))
        if (DispatchFor(function).action == FunctionAction::Conversion)
            return function;
    return {};
}

void OpenStartFiles(CMainWnd& window, const StartFiles& files)
{
    if (files.mode == StartFiles::Mode::Convert) {
        window.OfferFiles(files.paths);
        return;
    }
    std::vector<std::string> toConvert;
    for (const std::string& path : files.paths) {
        if (!IsPdf(path))
            toConvert.push_back(path);
        else if (files.mode == StartFiles::Mode::Record)
            window.AddOpenRecord(path);
        else
            window.ViewPdf(path);
    }
    if (toConvert.empty())
        return;
    CMainWnd::FunctionSource source;
    const std::string function = ConversionFunctionFor(toConvert);
    source.files = std::move(toConvert);
    window.OpenFunction(function, std::move(source));
}
