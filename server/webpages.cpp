#include "webpages.h"

#include "sessionstore.h"
#include "webcookie.h"

#include <httplib.h>

#include <array>

extern const unsigned char dokora_web_tools_js[];
extern const std::size_t dokora_web_tools_js_size;

namespace {

struct Tool
{
    std::string_view path;
    std::string_view title;
    std::string_view description;
    std::string_view endpoint; // the tool's name under /api/pdf/; empty: not offered here
    std::string_view files;    // the file input's attributes
    std::string_view options;  // the form's option fields
};

constexpr std::string_view kPdf = R"(accept="application/pdf,.pdf")";
constexpr std::string_view kPdfs = R"(accept="application/pdf,.pdf" multiple)";
constexpr std::string_view kRanges = R"(<label for="ranges">页码范围（如 1-3,5）</label>
<input id="ranges" name="ranges" data-option placeholder="留空则每页一个文件">)";
constexpr std::string_view kPassword = R"(<label for="password">密码</label>
<input id="password" name="password" type="password" data-option required>)";
constexpr std::string_view kRotate = R"(<label for="pages">页码（如 1,3-4；留空为全部页面）</label>
<input id="pages" name="pages" data-option>
<label for="angle">顺时针旋转</label>
<select id="angle" name="angle" data-option><option value="90">90 度</option>
<option value="180">180 度</option><option value="270">270 度</option></select>)";
constexpr std::string_view kWatermark = R"(<label for="text">水印文字</label>
<input id="text" name="text" data-option required value="内部资料">
<label for="size">字号（磅）</label>
<input id="size" name="size" type="number" min="6" max="300" value="48" data-option>
<label for="opacity">不透明度（0.05–1）</label>
<input id="opacity" name="opacity" type="number" min="0.05" max="1" step="0.05" value="0.3" data-option>
<label for="angle">角度（度）</label>
<input id="angle" name="angle" type="number" min="-180" max="180" value="45" data-option>)";
constexpr std::string_view kNumbers = R"(<label for="position">位置</label>
<select id="position" name="position" data-option>
<option value="bottom-center">底部居中</option><option value="bottom-right">底部右侧</option>
<option value="bottom-left">底部左侧</option><option value="top-center">顶部居中</option>
<option value="top-right">顶部右侧</option><option value="top-left">顶部左侧</option></select>
<label for="start">起始页码</label>
<input id="start" name="start" type="number" min="0" value="1" data-option>
<label for="format">格式</label>
<select id="format" name="format" data-option><option value="{n}">1</option>
<option value="第 {n} 页">第 1 页</option><option value="{n} / {total}">1 / 10</option>
<option value="第 {n} 页，共 {total} 页">第 1 页，共 10 页</option></select>)";

constexpr std::array<Tool, 11> kTools = {{
    {"/pdf-to-cad", "PDF转CAD", "把 PDF 图纸转换为可编辑的 DWG/DXF 文件，保留线条、图层和尺寸。",
     "", "", ""},
    {"/pdf-merge", "PDF合并", "把多个 PDF 文件按您排好的顺序合并为一个文件。", "merge", kPdfs, ""},
    {"/pdf-split", "PDF拆分", "按页码范围把一个 PDF 拆分为多个文件，打包为 zip 下载。", "split",
     kPdf, kRanges},
    {"/pdf-lock", "PDF加密", "为 PDF 设置打开密码。", "lock", kPdf, kPassword},
    {"/pdf-unlock", "PDF解密", "用您知道的密码去掉 PDF 的打开密码和权限限制。", "unlock", kPdf,
     kPassword},
    {"/timestamp", "PDF时间戳", "为 PDF 加上可信时间戳，证明文件在该时间已经存在且未被改动。", "",
     "", ""},
    {"/pdf-scan", "PDF安全检测", "检查 PDF 中的脚本、嵌入文件、加密和表单，报告可能的风险。",
     "check", kPdf, ""},
    {"/pdf-rotate", "PDF旋转", "把 PDF 的全部或部分页面按 90 度旋转并保存。", "rotate", kPdf,
     kRotate},
    {"/pdf-portfolios", "PDF文件包", "把多个文件打包为一个 PDF 文件包，收件人可逐个打开。",
     "portfolio", "multiple", ""},
    {"/watermark", "PDF加水印", "为 PDF 的页面加上文字水印，可调整字号、角度和透明度。",
     "watermark", kPdf, kWatermark},
    {"/pdf-add-page-number", "PDF添加页码", "在 PDF 的每页加上页码，可选择位置、格式和起始页码。",
     "page-numbers", kPdf, kNumbers},
}};

constexpr std::string_view kHead = R"(<!DOCTYPE html>
<html lang="zh-CN"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>)";
constexpr std::string_view kStyle = R"(</title>
<style>
body { font-family: "Noto Sans CJK SC", sans-serif; margin: 0; color: #1f2329; background: #f4f5f7; line-height: 1.6; }
header { background: #2f6bff; color: #fff; padding: 1.5rem 2.5rem; display: flex; flex-wrap: wrap; justify-content: space-between; gap: 1rem; }
header a { color: #fff; text-decoration: none; }
main { max-width: 55rem; margin: 2rem auto; background: #fff; border-radius: 8px; padding: 2rem 2.5rem; }
ul.tools { list-style: none; padding: 0; display: grid; grid-template-columns: repeat(auto-fill, minmax(15rem, 1fr)); gap: 1rem; }
ul.tools li { border: 1px solid #e1e4e8; border-radius: 6px; padding: 1rem; }
ul.tools a { color: #2f6bff; font-weight: 600; text-decoration: none; }
p.note { color: #5c6370; }
form { display: grid; gap: 0.5rem; max-width: 32rem; }
label { font-weight: 600; margin-top: 0.5rem; }
input, select, button { font: inherit; padding: 0.4rem 0.6rem; }
button[type=submit] { background: #2f6bff; color: #fff; border: 0; border-radius: 4px; padding: 0.6rem 1.2rem; margin-top: 1rem; }
:focus-visible { outline: 3px solid #ffb020; outline-offset: 2px; }
ol#files li { margin: 0.3rem 0; }
ol#files button { margin-left: 0.4rem; }
progress { width: 100%; }
#status.failed { color: #c62828; font-weight: 600; }
#download { display: inline-block; margin-top: 1rem; font-weight: 600; color: #2f6bff; }
table { border-collapse: collapse; margin-top: 1rem; }
td { border: 1px solid #e1e4e8; padding: 0.4rem 1rem; }
</style></head><body>
<header><a href="/?extra=PC&amp;Device=PC">TevraDokora 在线工具</a><span>)";
constexpr std::string_view kMain = "</span></header>\n<main>\n";
constexpr std::string_view kFoot = "</main></body></html>\n";

std::string Wrap(std::string_view title, bool signedIn, const std::string& body)
{
    std::string page;
    page.append(kHead).append(title).append(kStyle);
    page.append(signedIn ? "已登录" : "未登录").append(kMain).append(body).append(kFoot);
    return page;
}

std::string HomePage(bool signedIn)
{
    std::string body = "<h1>在线 PDF 工具</h1>\n<ul class=\"tools\">\n";
    for (const Tool& tool : kTools) {
        body.append("<li><a href=\"").append(tool.path).append("?extra=PC&amp;Device=PC\">");
        body.append(tool.title).append("</a><p>").append(tool.description).append("</p></li>\n");
    }
    body.append("</ul>\n");
    return Wrap("在线 PDF 工具", signedIn, body);
}

std::string ToolPage(const Tool& tool, bool signedIn)
{
    std::string body;
    body.append("<h1>").append(tool.title).append("</h1>\n<p>").append(tool.description);
    body.append("</p>\n");
    if (tool.endpoint.empty()) {
        body.append("<p class=\"note\">参考服务不提供此功能。</p>\n");
        return Wrap(tool.title, signedIn, body);
    }
    if (!signedIn) {
        body.append("<p class=\"note\">请先在客户端登录，再从客户端打开此页。</p>\n");
    }
    body.append("<form id=\"tool\" data-endpoint=\"/api/pdf/").append(tool.endpoint);
    body.append("\">\n<label for=\"input\">选择文件</label>\n<input id=\"input\" type=\"file\" ");
    body.append(tool.files).append(">\n<ol id=\"files\" aria-label=\"已选文件\"></ol>\n");
    body.append(tool.options);
    body.append("\n<button type=\"submit\">开始处理</button>\n</form>\n");
    body.append(
        "<progress id=\"progress\" max=\"100\" value=\"0\" aria-label=\"进度\"></progress>\n");
    body.append(
        "<p id=\"status\" role=\"status\" aria-live=\"polite\"></p>\n<div id=\"result\"></div>\n");
    body.append("<script src=\"/web/tools.js\"></script>\n");
    return Wrap(tool.title, signedIn, body);
}

// The address the client asked the ticket for: this page's without the ticket it appended.
std::string WithoutTicket(const std::string& target)
{
    const auto at = target.find("ticket=");
    if (at == std::string::npos || at == 0 || (target[at - 1] != '?' && target[at - 1] != '&')) {
        return target;
    }
    const auto end = target.find('&', at);
    std::string rest = target.substr(0, at - 1);
    if (end != std::string::npos) {
        rest.append(1, target[at - 1]).append(target.substr(end + 1));
    }
    return rest;
}

} // namespace

WebPages::WebPages(SessionStore& sessions, RouteSettings settings)
    : sessions(sessions), settings(std::move(settings))
{
}

std::string WebPages::Page(std::string_view path, bool signedIn)
{
    if (path == "/")
        return HomePage(signedIn);
    for (const Tool& tool : kTools)
        if (tool.path == path)
            return ToolPage(tool, signedIn);
    return {};
}

void WebPages::Serve(const httplib::Request& request, httplib::Response& response)
{
    if (request.has_param("ticket")) {
        // Signs the user in and shows the page without the spent ticket in its address.
        const std::string page = WithoutTicket(request.target);
        const auto token = sessions.RedeemServiceTicket(request.get_param_value("ticket"),
                                                        settings.publicUrl + page);
        if (token) {
            response.set_header(
                "Set-Cookie",
                WebCookie::Keep(token->token, std::chrono::seconds(token->expireSeconds)));
        }
        response.set_redirect(page, 303);
        return;
    }
    const bool signedIn = sessions.UserOfToken(WebCookie::Token(request)).has_value();
    response.set_header("Cache-Control", "no-store");
    response.set_content(Page(request.path, signedIn), "text/html; charset=utf-8");
}

void WebPages::Register(httplib::Server& server)
{
    auto serve = [this](const httplib::Request& request, httplib::Response& response) {
        Serve(request, response);
    };
    server.Get("/", serve);
    for (const Tool& tool : kTools)
        server.Get(std::string(tool.path), serve);
    server.Get("/web/tools.js", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(reinterpret_cast<const char*>(dokora_web_tools_js),
                             dokora_web_tools_js_size, "text/javascript; charset=utf-8");
    });
}
