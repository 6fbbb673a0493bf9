#include "staticroutes.h"

#include "filereply.h"

#include <httplib.h>

// The picture every account shows as its head icon.
extern const unsigned char dokora_avatar_png[];
extern const std::size_t dokora_avatar_png_size;

StaticRoutes::StaticRoutes(RouteSettings settings) : settings(std::move(settings)) {}

void StaticRoutes::Register(httplib::Server& server)
{
    using httplib::Request;
    using httplib::Response;
    server.Get("/dokora/update/newversion.htm",
               [this](const Request&, Response& r) { VersionFile(r); });
    server.Get("/dokora/update/DokoraSetup.exe",
               [this](const Request&, Response& r) { UpdateFile(r, "DokoraSetup.exe"); });
    server.Get("/dokora/update/DokoraSetup.exe.sig",
               [this](const Request&, Response& r) { UpdateFile(r, "DokoraSetup.exe.sig"); });
    server.Get("/shiro-cas/avatar", [](const Request&, Response& r) { Avatar(r); });
}

void StaticRoutes::VersionFile(httplib::Response& response)
{
    const std::filesystem::path file = settings.updateDir / "newversion.htm";
    std::error_code code;
    if (std::filesystem::is_regular_file(file, code) &&
        SendFile(response, file, "text/html; charset=utf-8")) {
        return;
    }
    response.set_content("<#" + settings.version + "#>\r\n<#0#>", "text/html; charset=utf-8");
}

void StaticRoutes::Avatar(httplib::Response& response)
{
    response.set_content(reinterpret_cast<const char*>(dokora_avatar_png), dokora_avatar_png_size,
                         "image/png");
}

void StaticRoutes::UpdateFile(httplib::Response& response, const char* name)
{
    if (!SendFile(response, settings.updateDir / name, "application/octet-stream")) {
        response.status = 404;
        response.set_content("no such file", "text/plain");
    }
}
