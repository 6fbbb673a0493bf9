// The record pages with 10,000 records: time to build and first paint the page, to scroll
// through it a screen at a time, to jump to its end, to clear it and to fill it again, and
// the memory it took. Run on demand: QT_QPA_PLATFORM=offscreen build/tests/bench/bench_recordpage

#include "gui/guitest.h"

#include "adapter/recordlist.h"
#include "recordfiletext.h"
#include "support/scratchdir.h"
#include "ui/recordmclistadapter.h"
#include "ui/recordpage.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int kRecords = 10000;
constexpr int kScreens = 50;

double Milliseconds(const QElapsedTimer& clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Paints what changed, as the event loop would before the next input.
void Repaint(QWidget& page)
{
    page.repaint();
    QCoreApplication::processEvents();
}

void Fill(RecordList& records, RecordKind kind, const std::string& path)
{
    WriteFileBytes(path, RecordFileText::Build(kind, kRecords));
    records.Load(path);
}

bool Measure(RecordKind kind, const std::filesystem::path& dir)
{
    const std::string path = (dir / RecordFileName(kind)).string();
    RecordList records(kind);
    Fill(records, kind, path);
    const long before = ResidentKiB();

    QElapsedTimer clock;
    clock.start();
    auto page = std::make_unique<CRecordPage>(kind, records);
    page->resize(900, 640);
    page->show();
    Repaint(*page);
    const double shown = Milliseconds(clock);
    const long after = ResidentKiB();

    QScrollBar* bar = page->ListView()->verticalScrollBar();
    clock.restart();
    for (int screen = 0; screen < kScreens; ++screen) {
        bar->setValue(bar->value() + bar->pageStep());
        Repaint(*page);
    }
    const double perScreen = Milliseconds(clock) / kScreens;

    clock.restart();
    bar->setValue(bar->maximum());
    Repaint(*page);
    const double toEnd = Milliseconds(clock);
    const bool lastRowHasButtons = page->RowButton(kRecords - 1, "btn_comp_delete") != nullptr;

    clock.restart();
    page->Adapter().Clear();
    Repaint(*page);
    const double cleared = Milliseconds(clock);
    const bool empty = page->ListView()->model()->rowCount() == 0;

    Fill(records, kind, path);
    clock.restart();
    page->Adapter().Refresh();
    Repaint(*page);
    const double refilled = Milliseconds(clock);

    std::printf("%s page, %d records:\n",
                kind == RecordKind::Completed ? "completed" : "open-record", kRecords);
    std::printf("  built and painted   %8.1f ms, %.1f MiB more memory\n", shown,
                static_cast<double>(after - before) / 1024.0);
    std::printf("  one screen down     %8.2f ms (mean of %d)\n", perScreen, kScreens);
    std::printf("  to the end          %8.2f ms%s\n", toEnd,
                lastRowHasButtons ? "" : "  (last row WITHOUT buttons)");
    std::printf("  cleared             %8.2f ms%s\n", cleared, empty ? "" : "  (NOT empty)");
    std::printf("  filled again        %8.1f ms\n", refilled);
    return lastRowHasButtons && empty;
}

} // namespace

int main()
{
    TestApp();
    const auto dir = std::filesystem::temp_directory_path() /
                     ("dokora-bench-recordpage-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const bool completed = Measure(RecordKind::Completed, dir);
    const bool open = Measure(RecordKind::OpenRecord, dir);
    std::filesystem::remove_all(dir);
    return completed && open ? 0 : 1;
}
