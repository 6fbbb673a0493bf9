// The viewer on a generated 500-page PDF: the time from asking for the document until its
// first page is drawn in the window, and the time to draw one page. Run on demand:
// QT_QPA_PLATFORM=offscreen build/tests/bench/bench_viewer

#include "gui/guitest.h"
#include "gui/testpdf.h"

#include "documentsource.h"
#include "leafviewwnd.h"
#include "pageview.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

constexpr int kPages = 500;

double Milliseconds(const QElapsedTimer& clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main()
{
    QApplication& app = TestApp();
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("dokora-bench-viewer-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "pages.pdf").string();
    TestPdf::WriteNumbered(path, kPages);
    std::printf("document: %d pages, %.1f KiB\n", kPages,
                static_cast<double>(std::filesystem::file_size(path)) / 1024.0);

    // First page: open the window and wait until page 1 is drawn at the shown zoom.
    std::vector<double> firsts;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        std::unique_ptr<CLeafviewWnd> window(
            CLeafviewWnd::Open(QString::fromStdString(path), {}, nullptr, nullptr));
        if (!window) {
            std::fprintf(stderr, "the document did not open\n");
            return 1;
        }
        const double opened = Milliseconds(clock);
        if (!WaitUntil([&] { return window->Pages().HasDrawn(0); }, std::chrono::seconds(30))) {
            std::fprintf(stderr, "the first page was never drawn\n");
            return 1;
        }
        firsts.push_back(Milliseconds(clock));
        std::printf("run %d: window shown after %.1f ms, first page drawn after %.1f ms\n", run + 1,
                    opened, firsts.back());
    }
    std::sort(firsts.begin(), firsts.end());
    std::printf("time to first page: median %.1f ms (target under 300 ms)\n", firsts[2]);

    // Per page: draw every page at the scale a 96 dpi screen shows a fitted A4 page with.
    OpenResult opened = OpenDocumentSource(QString::fromStdString(path), {});
    const auto& source = std::get<std::unique_ptr<DocumentSource>>(opened);
    const double scale = 1.4;
    QElapsedTimer clock;
    clock.start();
    for (int page = 0; page < source->PageCount(); ++page)
        source->Render(page, scale);
    const double all = Milliseconds(clock);
    std::printf("render time per page: %.2f ms at %.1f pixels per point (%d pages in %.0f ms)\n",
                all / source->PageCount(), scale, source->PageCount(), all);

    std::filesystem::remove_all(dir);
    app.processEvents();
    return 0;
}
