#include "webpages.h"

#include <httplib.h>

#include <array>

namespace {

struct Tool
{
    std::string_view path;
    std::string_view title;
    std::string_view description;
};

constexpr std::array<Tool, 11> kTools = {{
    {"/pdf-to-cad", "PDF转CAD", "把 PDF 图纸转换为可编辑的 DWG/DXF 文件，保留线条、图层和尺寸。"},
    {"/pdf-merge", "PDF合并", "把多个 PDF 文件按您排好的顺序合并为一个文件。"},
    {"/pdf-split", "PDF拆分", "按页码范围或每隔若干页把一个 PDF 拆分为多个文件。"},
    {"/pdf-lock", "PDF加密", "为 PDF 设置打开密码，并可限制打印、复制和修改。"},
    {"/pdf-unlock", "PDF解密", "用您知道的密码去掉 PDF 的打开密码和权限限制。"},
    {"/timestamp", "PDF时间戳", "为 PDF 加上可信时间戳，证明文件在该时间已经存在且未被改动。"},
    {"/pdf-scan", "PDF安全检测", "检查 PDF 中的脚本、嵌入文件和外部链接，报告可能的风险。"},
    {"/pdf-rotate", "PDF旋转", "把 PDF 的全部或部分页面按 90 度旋转并保存。"},
    {"/pdf-portfolios", "PDF文件包", "把多个文件打包为一个 PDF 文件包，收件人可逐个打开。"},
    {"/watermark", "PDF加水印", "为 PDF 的页面加上文字或图片水印，可调整位置、角度和透明度。"},
    {"/pdf-add-page-number", "PDF添加页码", "在 PDF 的每页加上页码，可选择位置、格式和起始页码。"},
}};

constexpr std::string_view kHead = R"(<!DOCTYPE html>
<html lang="zh-CN"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>)";
constexpr std::string_view kStyle = R"(</title>
<style>
body { font-family: "Noto Sans CJK SC", sans-serif; margin: 0; color: #1f2329; background: #f4f5f7; }
header { background: #2f6bff; color: #fff; padding: 24px 40px; }
header a { color: #fff; text-decoration: none; }
main { max-width: 880px; margin: 32px auto; background: #fff; border-radius: 8px; padding: 32px 40px; }
ul { list-style: none; padding: 0; display: grid; grid-template-columns: repeat(auto-fill, minmax(240px, 1fr)); gap: 16px; }
li { border: 1px solid #e1e4e8; border-radius: 6px; padding: 16px; }
li a { color: #2f6bff; font-weight: 600; text-decoration: none; }
p.note { color: #8a8f99; }
</style></head><body>
<header><a href="/?extra=PC&amp;Device=PC">TevraDokora 在线工具</a></header>
<main>
)";
constexpr std::string_view kFoot = "</main></body></html>\n";

std::string Wrap(std::string_view title, const std::string& body)
{
    std::string page;
    page.append(kHead).append(title).append(kStyle).append(body).append(kFoot);
    return page;
}

std::string HomePage()
{
    std::string body = "<h1>在线 PDF 工具</h1>\n<ul>\n";
    for (const Tool& tool : kTools) {
        body.append("<li><a href=\"").append(tool.path).append("?extra=PC&amp;Device=PC\">");
        body.append(tool.title).append("</a><p>").append(tool.description).append("</p></li>\n");
    }
    body.append("</ul>\n");
    return Wrap("在线 PDF 工具", body);
}

std::string ToolPage(const Tool& tool)
{
    std::string body;
    body.append("<h1>").append(tool.title).append("</h1>\n<p>").append(tool.description);
    body.append("</p>\n<p class=\"note\">此工具即将上线，敬请期待。</p>\n");
    return Wrap(tool.title, body);
}

} // namespace

std::string WebPages::Page(std::string_view path)
{
    if (path == "/")
        return HomePage();
    for (const Tool& tool : kTools)
        if (tool.path == path)
            return ToolPage(tool);
    return {};
}

void WebPages::Register(httplib::Server& server)
{
    auto serve = [](const httplib::Request& request, httplib::Response& response) {
        response.set_content(Page(request.path), "text/html; charset=utf-8");
    };
    server.Get("/", serve);
    for (const Tool& tool : kTools)
        server.Get(std::string(tool.path), serve);
}
