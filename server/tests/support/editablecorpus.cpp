#include "editablecorpus.h"

#include "childprocess.h"
#include "flatodt.h"

#include <algorithm>
#include <fstream>
#include <functional>

namespace EditableCorpus {
namespace {

namespace fs = std::filesystem;

TruthBlock Heading(int level, std::string text)
{
    return {BlockKind::Heading, std::move(text), level, false, {}};
}

TruthBlock Paragraph(std::string text)
{
    return {BlockKind::Paragraph, std::move(text), 0, false, {}};
}

TruthBlock Numbered(int level, std::string text)
{
    return {BlockKind::ListItem, std::move(text), level, true, {}};
}

TruthBlock Bulleted(int level, std::string text)
{
    return {BlockKind::ListItem, std::move(text), level, false, {}};
}

TruthBlock Table(std::vector<std::vector<std::string>> rows, std::vector<CellSpan> spans = {})
{
    return {BlockKind::Table, "", 0, false, {std::move(rows), std::move(spans)}};
}

TruthBlock Picture()
{
    return {BlockKind::Picture, "", 0, false, {}};
}

struct Source
{
    Truth truth;
    SourceLayout layout;
};

Source SingleColumn()
{
    return {
        {{
             Heading(1, "Moving the archive to the new storage service"),
             Paragraph(
                 "Over the past two years the records team has kept every signed contract, "
                 "delivery note and invoice on a shared drive that was never meant to hold "
                 "more than a few thousand files. The drive now holds close to four hundred "
                 "thousand documents, and searching it has become slow enough that staff keep "
                 "private copies of the files they use most. This report explains why we are "
                 "moving the archive, what the new service offers and how the move will be "
                 "carried out without interrupting daily work."),
             Paragraph(
                 "The new storage service keeps each document together with the details that "
                 "describe it: the customer, the date it was signed, the department that owns "
                 "it and how long it must be kept. Because these details are stored alongside "
                 "the file rather than in its name, a search by customer or by date returns "
                 "results in a second or two, even across the whole archive. Access is granted "
                 "by department, so nobody needs to ask the records team for a copy of a "
                 "document they are entitled to read."),
             Paragraph(
                 "Each department will be moved in turn over a weekend, starting with finance "
                 "in March and finishing with the regional offices in June. During the weekend "
                 "of its move a department's documents can still be read but not changed. On "
                 "the Monday after the move the old folders will be made read-only and will "
                 "remain available for three months, after which they will be removed."),
             Heading(2, "Risks and how we will handle them"),
             Paragraph("The largest risk is that documents are filed under the wrong customer when "
                       "their details are read from the old folder names, which were typed by hand "
                       "and do not always follow the agreed pattern. A sample of five hundred "
                       "documents from every department will be checked by the people who filed "
                       "them before the move is signed off. Any pattern of mistakes found in the "
                       "sample will be corrected across the whole department, not only in the "
                       "sampled files."),
             Paragraph(
                 "A second risk is that staff keep using their private copies after the move. "
                 "To make the new service the easier choice, links to it will replace the old "
                 "shortcuts on every desktop, and the records team will hold short sessions in "
                 "each office during the first week to show how searching works."),
         },
         {}},
        {}};
}

Source TwoColumn()
{
    Source source{
        {{
             Heading(1, "Field notes from the spring survey"),
             Paragraph(
                 "This section summarises the observations made by the survey teams between April "
                 "and June. The notes are arranged by site, from the coastal marshes in the west "
                 "to the upland meadows in the east, and each site's notes end with the measures "
                 "the teams recommend for the coming year."),
             Paragraph(
                 "At the western marshes the water level stayed higher than in any spring of the "
                 "last ten years, and the reed beds along the northern channel were flooded for "
                 "most of April. Wading birds arrived about a week later than usual, but their "
                 "numbers recovered by the middle of May. The team recommends leaving the sluice "
                 "gates open for longer in early spring."),
             Paragraph(
                 "The river meadows below the old mill were grazed more heavily than planned "
                 "because the cattle were moved there early. The grass recovered well after the "
                 "rain in May, yet the number of flowering plants counted along the fixed lines "
                 "was lower than last year. Grazing should start no earlier than the first week "
                 "of May."),
             Paragraph(
                 "In the woodland north of the village the teams counted more young oak trees "
                 "than at any survey since the fence was put up. Deer still browse the edges of "
                 "the enclosure, and two gaps in the fence were found and repaired in June. The "
                 "fence should be checked every month rather than every season."),
             Paragraph(
                 "The upland meadows were dry for most of the survey period, and several of the "
                 "small ponds had no water by the end of May. Insects that depend on the ponds "
                 "were scarce, although the butterflies of the open grassland did well. "
                 "Deepening two of the ponds before next spring would help them hold water "
                 "longer."),
             Paragraph(
                 "All four teams noted that the new recording forms saved time in the field. The "
                 "forms will be kept for next year, with an extra column for the weather at the "
                 "time of each count."),
         },
         {}},
        {}};
    source.layout.twoColumnsFrom = 2;
    source.layout.twoColumnsTo = 6;
    return source;
}

Source Headings()
{
    return {
        {{
             Heading(1, "Guide to the quarterly planning process"),
             Paragraph(
                 "Every team prepares a plan for the coming quarter during the last three weeks "
                 "of the current one. The plan states what the team intends to deliver, which "
                 "other teams it depends on and what it will stop doing to make room for new "
                 "work. This guide describes each step of the process and who takes part in it."),
             Heading(2, "Preparing the draft plan"),
             Paragraph(
                 "The team lead gathers proposals from the team in the first week and groups "
                 "them by the goals agreed for the year. Proposals that do not serve any of the "
                 "goals are not rejected outright, but they need a short explanation of why they "
                 "matter now. The draft should fit on two pages so that it can be read in a few "
                 "minutes."),
             Heading(3, "Estimating the work"),
             Paragraph(
                 "Each proposal is estimated in weeks of work by the people who will do it, not "
                 "by the team lead alone. Where an estimate is longer than six weeks, the "
                 "proposal is split into parts that can each be delivered on their own, so that "
                 "progress can be seen during the quarter rather than only at its end."),
             Heading(3, "Agreeing dependencies"),
             Paragraph(
                 "When a proposal needs work from another team, the two team leads agree the "
                 "dates before the draft is shared. A dependency that has not been agreed is "
                 "marked as a risk in the draft, and the planning group decides in the review "
                 "whether the proposal can go ahead without it."),
             Heading(2, "Reviewing and publishing the plans"),
             Paragraph(
                 "In the third week the planning group reads every draft and meets each team "
                 "lead for half an hour. The group looks for work that is duplicated between "
                 "teams and for teams whose plans are clearly larger than their capacity. Once "
                 "the changes agreed in the review have been made, the plans are published on "
                 "the intranet and stay unchanged for the quarter."),
         },
         {}},
        {}};
}

Source Lists()
{
    return {
        {{
             Heading(1, "Preparing the office for the move"),
             Paragraph(
                 "The move to the new building takes place over the weekend of the fourteenth of "
                 "September. To make sure that everything arrives in the right place and that "
                 "work can continue on Monday morning, please follow the steps below in the "
                 "order given."),
             Numbered(0, "Empty your desk drawers and put their contents into the boxes "
                         "provided, one box per person, marked with your name and new room "
                         "number."),
             Numbered(0, "Label your computer, screen and keyboard with the coloured stickers "
                         "for your floor."),
             Numbered(1, "Blue stickers are for the first floor and green stickers for the "
                         "second floor."),
             Numbered(1, "Do not disconnect the cables yourself; the technicians will do this "
                         "on Friday evening."),
             Numbered(0, "Take home any personal items that you do not want to be moved, such "
                         "as plants, pictures and spare clothes."),
             Paragraph("On Monday morning the reception desk will give you a key card for the new "
                       "building. The following facilities will be ready from the first day:"),
             Bulleted(0, "A kitchen on every floor with a coffee machine, a fridge and a "
                         "dishwasher."),
             Bulleted(0, "Meeting rooms that can be booked through the usual calendar, "
                         "including:"),
             Bulleted(1, "four small rooms for up to four people on each floor;"),
             Bulleted(1, "a large room for up to forty people on the ground floor."),
             Bulleted(0, "Secure storage for bicycles in the courtyard, with showers next to "
                         "the entrance."),
         },
         {}},
        {}};
}

Source RuledTable()
{
    return {
        {{
             Heading(1, "Regional sales summary"),
             Paragraph(
                 "The table below compares unit sales in each region for the last two years. "
                 "Figures are in thousands of units and include sales through partners. Regions "
                 "with a new depot or partner show the largest change, while the south was held "
                 "back by the price change in May."),
             Table({{"Region", "Sales (thousand units)", "", "Notes"},
                    {"", "2025", "2026", ""},
                    {"North", "412", "455", "New depot opened in March"},
                    {"South", "380", "371", "Price change in May"},
                    {"East", "295", "318", "Two new partners"},
                    {"West", "244", "262", "No change"}},
                   {{0, 0, 2, 1}, {0, 1, 1, 2}, {0, 3, 2, 1}}),
             Paragraph(
                 "Next year's targets will be set per region in October, once the figures for "
                 "the third quarter are known and the effect of the new depot in the north can "
                 "be judged over a full year."),
         },
         {}},
        {}};
}

Source UnruledTable()
{
    Source source{
        {{
             Heading(1, "Invoice 2026-0147"),
             Paragraph(
                 "Thank you for your order of the twelfth of March. The goods listed below were "
                 "delivered to your warehouse on the eighteenth of March and accepted by your "
                 "receiving team. Payment is due within thirty days of the date of this "
                 "invoice."),
             Table({{"Item", "Quantity", "Unit price", "Amount"},
                    {"Steel shelving unit, 2 m", "12", "84.50", "1014.00"},
                    {"Plastic storage box, large", "40", "6.25", "250.00"},
                    {"Pallet truck", "2", "329.00", "658.00"},
                    {"Delivery and assembly", "1", "120.00", "120.00"},
                    {"Total", "", "", "2042.00"}}),
             Paragraph(
                 "Please quote the invoice number with your payment. If any of the goods are "
                 "damaged or missing, let us know within fourteen days so that we can replace "
                 "them at no cost to you."),
         },
         {}},
        {}};
    source.layout.ruledTables = false;
    return source;
}

Source Images()
{
    return {
        {{
             Heading(1, "Energy use in the main building"),
             Paragraph(
                 "Electricity use in the main building fell by eleven percent in the year after "
                 "the new lighting and heating controls were installed. The chart below shows the "
                 "monthly use in both years, with the old system in grey and the new system in "
                 "blue. The largest savings came in the winter months, when the heating controls "
                 "switch off the heating in empty rooms."),
             Picture(),
             Paragraph(
                 "Use in the summer months changed little, because the building was already lit "
                 "mostly by daylight and the heating was off. The remaining savings are expected "
                 "to come from replacing the old ventilation fans, which run at full speed "
                 "whether or not the rooms are in use. A proposal for replacing them will be "
                 "presented in the autumn."),
         },
         {}},
        {}};
}

Source Chinese()
{
    return {{{
                 Heading(1, "二〇二五年度工作总结"),
                 Paragraph("过去一年，公司在产品质量、客户服务和内部管理三个方面都取得了明显进展。"
                           "全年共完成新产品开发项目十二个，其中八个已经投入批量生产，"
                           "客户投诉数量比上一年下降了百分之二十三。各部门之间的协作更加顺畅，"
                           "项目从立项到交付的平均周期缩短了约一个月。"),
                 Paragraph("在信息化建设方面，我们完成了 ERP 系统的升级，"
                           "并把文档管理迁移到了新的云存储平台。员工现在可以通过 Web 浏览器或手机 "
                           "App 查阅合同和发票，平均检索时间从原来的 5 分钟缩短到 10 秒以内。"
                           "下一步计划把 PDF 转换和 OCR 识别功能集成到同一个平台中。"),
                 Heading(2, "二〇二六年工作计划"),
                 Paragraph("新的一年里，我们将继续以客户需求为中心，重点推进三项工作："
                           "一是提高主要产品的交付准时率，目标达到百分之九十八；"
                           "二是在华东和华南各新建一个服务网点，缩短售后响应时间；"
                           "三是加强员工培训，每位员工全年参加培训不少于四十小时。"),
                 Paragraph("The annual review meeting will be held on 15 January 2026. "
                           "会议将以中英文双语进行，海外分公司的同事可以通过视频会议参加，"
                           "会议材料将提前一周发送给所有参会人员。"),
             },
             {}},
            {}};
}

Source HeadersFooters()
{
    Source source{
        {{
             Heading(1, "Operations handbook"),
             Paragraph(
                 "This handbook describes how goods are received, stored and dispatched at the "
                 "harbour warehouse. It is meant for new staff in their first weeks and as a "
                 "reference for everyone else. Where a procedure differs between the day shift "
                 "and the night shift, both versions are given."),
             Paragraph(
                 "Goods arrive by lorry between six in the morning and eight in the evening. "
                 "Each delivery is checked against its order before it is unloaded: the driver's "
                 "papers must name the order number, the number of pallets and the seal number "
                 "of the trailer. A delivery whose seal is broken is not unloaded until the "
                 "shift manager has inspected it."),
             Paragraph(
                 "Once unloaded, every pallet is scanned and given a storage place by the "
                 "warehouse system. Pallets of food and drink are stored in the cool hall, and "
                 "pallets marked as fragile are never stacked more than two high. The system "
                 "shows the place on the handheld scanner, and the pallet must be scanned again "
                 "when it has been put away."),
             Heading(2, "Dispatching orders"),
             Paragraph(
                 "Orders for dispatch are released to the pickers in waves, every two hours from "
                 "seven in the morning. Pickers collect the goods for several orders at once and "
                 "bring them to the packing area, where each order is checked, packed and "
                 "labelled with its delivery address and weight."),
             Paragraph(
                 "Lorries for the regional routes leave at two in the afternoon and at nine in "
                 "the evening. An order that misses its lorry is moved to the next one "
                 "automatically, and the customer is told of the new delivery time by email. The "
                 "shift manager reviews the missed orders at the end of every shift."),
         },
         {}},
        {}};
    source.layout.pageBreakBefore = 4;
    source.layout.header = "Harbour Logistics \u00B7 Internal";
    source.layout.footerLead = "Handbook edition 4 \u2014 page ";
    for (int page = 1; page <= 2; ++page) {
        source.truth.headerFooter.push_back(source.layout.header);
        source.truth.headerFooter.push_back(source.layout.footerLead + std::to_string(page));
    }
    return source;
}

Source Report()
{
    return {
        {{
             Heading(1, "Quarterly operations report"),
             Paragraph(
                 "Orders in the second quarter rose by fifteen percent compared with the first, "
                 "driven mainly by the spring promotion and by two new business customers in the "
                 "north. Returns fell at the same time, which suggests that the changes made to "
                 "the packaging in March are having the intended effect."),
             Paragraph("The table below shows the main figures for both quarters. Delivery times "
                       "stayed within the agreed two days for almost all orders, although the "
                       "warehouse was short of staff for three weeks in May while new pickers were "
                       "being trained."),
             Table({{"Measure", "Q1", "Q2"}, {"Orders", "1840", "2115"}, {"Returns", "62", "48"}}),
             Paragraph(
                 "第二季度订单量明显增长，退货数量继续下降。"
                 "仓库人员不足的问题已在六月份得到解决，预计第三季度的交付时间将进一步缩短。"),
         },
         {}},
        {}};
}

const char* const kScanned = "scanned";
const char* const kReport = "report";

const std::vector<std::pair<std::string, std::function<Source()>>>& Printed()
{
    static const std::vector<std::pair<std::string, std::function<Source()>>> sources = {
        {"single-column", SingleColumn},
        {"two-column", TwoColumn},
        {"headings", Headings},
        {"lists", Lists},
        {"ruled-table", RuledTable},
        {"unruled-table", UnruledTable},
        {"images", Images},
        {"chinese", Chinese},
        {"headers-footers", HeadersFooters},
        {kReport, Report}};
    return sources;
}

bool WriteFileCompletely(const fs::path& path, const std::string& content, std::string& error)
{
    const fs::path temporary = path.string() + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << content;
        if (!out.flush()) {
            error = "cannot write " + temporary.string();
            return false;
        }
    }
    std::error_code renameError;
    fs::rename(temporary, path, renameError);
    if (renameError) {
        error = "cannot rename " + temporary.string() + ": " + renameError.message();
        return false;
    }
    return true;
}

// The report printed at 200 dots per inch and made into a PDF of page pictures.
bool Scan(const fs::path& dir, const fs::path& printed, const fs::path& scanned, std::string& error)
{
    const fs::path prefix = dir / "scanned-page";
    if (!RunProgram({"pdftoppm", "-r", "200", "-png", printed.string(), prefix.string()}, 120,
                    error)) {
        return false;
    }
    std::vector<std::string> pages;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("scanned-page") && entry.path().extension() == ".png") {
            pages.push_back(entry.path().string());
        }
    }
    if (pages.empty()) {
        error = "the printed report has no pages";
        return false;
    }
    std::sort(pages.begin(), pages.end());
    const fs::path temporary = scanned.string() + ".part";
    std::vector<std::string> argv = {"img2pdf", "-o", temporary.string()};
    argv.insert(argv.end(), pages.begin(), pages.end());
    if (!RunProgram(argv, 120, error)) {
        return false;
    }
    std::error_code renameError;
    fs::rename(temporary, scanned, renameError);
    if (renameError) {
        error = "cannot rename " + temporary.string() + ": " + renameError.message();
        return false;
    }
    return true;
}

} // namespace

std::vector<std::string> DocumentNames()
{
    std::vector<std::string> names;
    for (const auto& [name, make] : Printed()) {
        names.push_back(name);
    }
    names.emplace_back(kScanned);
    return names;
}

bool RunProgram(const std::vector<std::string>& argv, int seconds, std::string& error)
{
    const ChildProcess::CancelFlag never{false};
    const auto run =
        ChildProcess::Run(argv, ChildProcess::Clock::now() + std::chrono::seconds(seconds), never);
    if (run.exitCode == 0) {
        return true;
    }
    error = argv.front() + (run.timedOut ? " timed out" : " failed") + ": " + run.output;
    return false;
}

bool OfficeConvert(const fs::path& profile, const std::string& inputFilter,
                   const std::string& convertTo, const std::vector<fs::path>& inputs,
                   const fs::path& outDir, std::string& error)
{
    std::vector<std::string> argv = {"soffice", "--headless", "--norestore",
                                     "-env:UserInstallation=file://" + profile.string()};
    if (!inputFilter.empty()) {
        argv.push_back("--infilter=" + inputFilter);
    }
    argv.insert(argv.end(), {"--convert-to", convertTo, "--outdir", outDir.string()});
    for (const fs::path& input : inputs) {
        argv.push_back(input.string());
    }
    return RunProgram(argv, 600, error);
}

std::vector<CorpusDocument> MakeEditableCorpus(const fs::path& dir, std::string& error)
{
    return MakeEditableCorpus(dir, DocumentNames(), error);
}

std::vector<CorpusDocument>
MakeEditableCorpus(const fs::path& dir, const std::vector<std::string>& names, std::string& error)
{
    const std::vector<std::string> known = DocumentNames();
    for (const std::string& name : names) {
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            error = "no corpus document is called " + name;
            return {};
        }
    }
    auto wanted = [&](const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    std::error_code directoryError;
    fs::create_directories(dir, directoryError);
    if (directoryError) {
        error = "cannot make " + dir.string() + ": " + directoryError.message();
        return {};
    }

    std::vector<CorpusDocument> documents;
    std::vector<fs::path> sources;
    Truth reportTruth;
    for (const auto& [name, make] : Printed()) {
        const bool scanSource = name == kReport && wanted(kScanned);
        if (!wanted(name) && !scanSource) {
            continue;
        }
        const Source source = make();
        const fs::path path = dir / (name + ".fodt");
        if (!WriteFileCompletely(path, FlatOdt(source.truth, source.layout), error)) {
            return {};
        }
        sources.push_back(path);
        if (name == kReport) {
            reportTruth = source.truth;
        }
        if (wanted(name)) {
            documents.push_back({name, dir / (name + ".pdf"), source.truth, path});
        }
    }
    if (!OfficeConvert(dir / "profile", "", "pdf", sources, dir, error)) {
        return {};
    }
    for (const fs::path& source : sources) {
        if (!fs::is_regular_file(fs::path(source).replace_extension(".pdf"))) {
            error = "the office suite did not print " + source.string();
            return {};
        }
    }
    if (wanted(kScanned)) {
        const fs::path scanned = dir / (std::string(kScanned) + ".pdf");
        if (!Scan(dir, dir / (std::string(kReport) + ".pdf"), scanned, error)) {
            return {};
        }
        documents.push_back({kScanned, scanned, reportTruth, {}});
    }
    return documents;
}

} // namespace EditableCorpus
