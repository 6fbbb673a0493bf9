#include "leafviewwnd.h"

#include "pagerenderer.h"
#include "pageview.h"
#include "printwindow.h"
#include "utility/stringtable.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {

QString Text(const char* key)
{
    return QString::fromStdString(StringTable::Resolve(std::string("@string/") + key));
}

// Conversion functions the tool bar offers, by function key and caption.
constexpr std::pair<const char*, const char*> kFunctions[] = {
    {"PDF2Word", "str_tileview_item_pdf2word"}, {"PDF2Excel", "str_tileview_item_pdf2excel"},
    {"PDF2PPT", "str_tileview_item_pdf2ppt"},   {"PDF2JPG", "str_tileview_item_pdf2image"},
    {"PDF2Html", "str_tileview_item_pdf2html"}, {"PDFCompress", "str_tileview_item_pdfcompress"},
    {"PDFMerge", "str_tileview_item_pdfmerge"}, {"PDFSplit", "str_tileview_item_pdfsplit"},
    {"PDFLock", "str_tileview_item_pdflock"},
};

constexpr const char* kStyle = R"(
CLeafviewWnd { background: #ffffff; }
QToolBar { background: #f4f5f7; border: none; border-bottom: 1px solid #e1e4e8; spacing: 4px;
           padding: 4px; }
QToolButton { color: #1f2329; padding: 4px 8px; border-radius: 4px; font-size: 13px; }
QToolButton:hover { background: #e3e8f4; }
QToolButton:focus { border: 1px solid #2f6bff; }
QToolButton[role="function"] { color: #2f6bff; }
QLineEdit, QSpinBox { border: 1px solid #d5d9e0; border-radius: 4px; min-height: 24px;
                      padding: 0 6px; }
QLineEdit:focus, QSpinBox:focus { border-color: #2f6bff; }
QLabel { color: #5f6570; font-size: 13px; }
)";

// The button a tool bar shows when the window is too narrow for every tool.
void NameOverflowButton(QToolBar& bar)
{
    if (auto* more = bar.findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(Text("str_viewer_more"));
}

QToolButton* AddButton(QToolBar& bar, const char* name, const QString& text)
{
    auto* button = new QToolButton(&bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setAccessibleName(text);
    button->setFocusPolicy(Qt::StrongFocus);
    bar.addWidget(button);
    return button;
}

// Runs on a pool thread with a copy of the document of its own.
std::vector<SearchHit> FindAll(const QString& path, const QByteArray& password, const QString& text)
{
    std::vector<SearchHit> found;
    OpenResult opened = OpenDocumentSource(path, password);
    const auto* source = std::get_if<std::unique_ptr<DocumentSource>>(&opened);
    if (!source)
        return found;
    for (int page = 0; page < (*source)->PageCount(); ++page)
        for (const QRectF& rect : (*source)->Search(page, text))
            found.push_back({page, rect});
    return found;
}

} // namespace

CLeafviewWnd* CLeafviewWnd::Open(const QString& path, const QByteArray& password,
                                 ViewerFunctionCallback callback, void* owner)
{
    OpenResult opened = OpenDocumentSource(path, password);
    auto* source = std::get_if<std::unique_ptr<DocumentSource>>(&opened);
    if (!source)
        return nullptr;
    auto* window = new CLeafviewWnd(path, password, std::move(*source), callback, owner);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

CLeafviewWnd::CLeafviewWnd(const QString& path, const QByteArray& password,
                           std::unique_ptr<DocumentSource> source, ViewerFunctionCallback callback,
                           void* owner)
    : QWidget(static_cast<QWidget*>(owner), Qt::Window), path(path), password(password),
      callback(callback), owner(owner)
{
    setObjectName(QStringLiteral("LeafviewWnd"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QFileInfo(path).fileName());
    setStyleSheet(QString::fromLatin1(kStyle));
    const bool pdf = source->IsPdf();
    pages = new PageView(std::move(source), std::make_unique<PageRenderer>(path, password), this);
    pages->setAccessibleName(Text("str_viewer_pages"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("toolbar_viewer"));
    toolBar->setAccessibleName(Text("str_viewer_toolbar"));
    viewBar = new QToolBar(this);
    viewBar->setObjectName(QStringLiteral("toolbar_view"));
    viewBar->setAccessibleName(Text("str_viewer_viewbar"));
    layout->addWidget(toolBar);
    layout->addWidget(viewBar);
    layout->addWidget(pages, 1);
    BuildToolBar(pdf);
    BuildViewBar();
    // The keys readers know from other viewers.
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
        searchEdit->setFocus();
        searchEdit->selectAll();
    });
    connect(new QShortcut(QKeySequence::ZoomIn, this), &QShortcut::activated, pages,
            &PageView::ZoomIn);
    connect(new QShortcut(QKeySequence::ZoomOut, this), &QShortcut::activated, pages,
            &PageView::ZoomOut);

    connect(pages, &PageView::currentPageChanged, this, [this](int page) {
        const QSignalBlocker blocker(pageBox);
        pageBox->setValue(page + 1);
    });
    connect(pages, &PageView::zoomChanged, this, [this](double zoom) {
        zoomLabel->setText(QString::number(qRound(zoom * 100)) + QLatin1Char('%'));
    });
    connect(&searchWatcher, &QFutureWatcher<std::vector<SearchHit>>::finished, this,
            &CLeafviewWnd::OnSearchDone);

    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1280, 1024);
    resize(std::min(960, screen.width()), std::min(1000, screen.height() - 40));
    pages->SetZoomMode(ZoomMode::FitWidth);
    pages->setFocus();
}

void CLeafviewWnd::BuildToolBar(bool pdf)
{
    // A scanned image is converted by the client; the functions only make sense for PDFs.
    if (pdf) {
        for (const auto& [key, caption] : kFunctions)
            AddFunction(key, caption);
        toolBar->addSeparator();
        QToolButton* print = AddButton(*toolBar, "btn_viewer_print", Text("str_viewer_print"));
        connect(print, &QToolButton::clicked, this,
                [this] { ShowPrintWindow(path, password, this); });
    }
    QToolButton* copy = AddButton(*toolBar, "btn_viewer_copy", Text("str_viewer_copy"));
    connect(copy, &QToolButton::clicked, this, [this] { pages->CopySelection(); });
    NameOverflowButton(*toolBar);
}

void CLeafviewWnd::BuildViewBar()
{
    QToolBar* const bar = viewBar;

    QToolButton* fitWidth = AddButton(*bar, "btn_viewer_fitwidth", Text("str_viewer_fit_width"));
    connect(fitWidth, &QToolButton::clicked, this,
            [this] { pages->SetZoomMode(ZoomMode::FitWidth); });
    QToolButton* fitPage = AddButton(*bar, "btn_viewer_fitpage", Text("str_viewer_fit_page"));
    connect(fitPage, &QToolButton::clicked, this,
            [this] { pages->SetZoomMode(ZoomMode::FitPage); });
    QToolButton* zoomOut = AddButton(*bar, "btn_viewer_zoomout", Text("str_viewer_zoom_out"));
    connect(zoomOut, &QToolButton::clicked, pages, &PageView::ZoomOut);
    zoomLabel = new QLabel(bar);
    zoomLabel->setObjectName(QStringLiteral("lbl_viewer_zoom"));
    zoomLabel->setAccessibleName(Text("str_viewer_zoom_level"));
    zoomLabel->setMinimumWidth(44);
    zoomLabel->setAlignment(Qt::AlignCenter);
    bar->addWidget(zoomLabel);
    QToolButton* zoomIn = AddButton(*bar, "btn_viewer_zoomin", Text("str_viewer_zoom_in"));
    connect(zoomIn, &QToolButton::clicked, pages, &PageView::ZoomIn);
    bar->addSeparator();

    QToolButton* previous = AddButton(*bar, "btn_viewer_prevpage", Text("str_viewer_prev_page"));
    connect(previous, &QToolButton::clicked, this,
            [this] { pages->GoToPage(pages->CurrentPage() - 1); });
    pageBox = new QSpinBox(bar);
    pageBox->setObjectName(QStringLiteral("spin_viewer_page"));
    pageBox->setAccessibleName(Text("str_viewer_page"));
    pageBox->setRange(1, std::max(1, pages->PageCount()));
    pageBox->setButtonSymbols(QAbstractSpinBox::NoButtons);
    pageBox->setKeyboardTracking(false);
    bar->addWidget(pageBox);
    connect(pageBox, &QSpinBox::valueChanged, this,
            [this](int page) { pages->GoToPage(page - 1); });
    auto* count = new QLabel(Text("str_viewer_page_count").arg(pages->PageCount()), bar);
    count->setObjectName(QStringLiteral("lbl_viewer_pagecount"));
    bar->addWidget(count);
    QToolButton* next = AddButton(*bar, "btn_viewer_nextpage", Text("str_viewer_next_page"));
    connect(next, &QToolButton::clicked, this,
            [this] { pages->GoToPage(pages->CurrentPage() + 1); });
    bar->addSeparator();

    searchEdit = new QLineEdit(bar);
    searchEdit->setObjectName(QStringLiteral("edit_viewer_search"));
    searchEdit->setAccessibleName(Text("str_viewer_search"));
    searchEdit->setPlaceholderText(Text("str_viewer_search_cue"));
    searchEdit->setClearButtonEnabled(true);
    searchEdit->setMaximumWidth(180);
    bar->addWidget(searchEdit);
    connect(searchEdit, &QLineEdit::returnPressed, this, [this] {
        if (!hits.empty() && searchWatcher.isFinished())
            StepHit(1);
    });
    connect(searchEdit, &QLineEdit::textEdited, this,
            [this](const QString& text) { Search(text); });
    QToolButton* hitBack = AddButton(*bar, "btn_viewer_prevhit", Text("str_viewer_search_prev"));
    connect(hitBack, &QToolButton::clicked, this, [this] { StepHit(-1); });
    QToolButton* hitNext = AddButton(*bar, "btn_viewer_nexthit", Text("str_viewer_search_next"));
    connect(hitNext, &QToolButton::clicked, this, [this] { StepHit(1); });
    hitLabel = new QLabel(bar);
    hitLabel->setObjectName(QStringLiteral("lbl_viewer_hits"));
    bar->addWidget(hitLabel);
    NameOverflowButton(*bar);
}

void CLeafviewWnd::AddFunction(const char* key, const char* captionKey)
{
    QToolButton* button =
        AddButton(*toolBar, (std::string("btn_viewer_") + key).c_str(), Text(captionKey));
    button->setProperty("role", QStringLiteral("function"));
    connect(button, &QToolButton::clicked, this, [this, key] { RunFunction(key); });
}

void CLeafviewWnd::RunFunction(const char* key)
{
    if (callback)
        callback(owner, key, path.toUtf8().constData());
}

void CLeafviewWnd::Search(const QString& text)
{
    hits.clear();
    currentHit = -1;
    pages->SetSearchHits({}, -1);
    if (text.trimmed().isEmpty()) {
        searchWatcher.cancel();
        hitLabel->clear();
        return;
    }
    hitLabel->setText(Text("str_viewer_search_busy"));
    // A later search replaces this one; its result is dropped when it arrives.
    searchWatcher.setFuture(QtConcurrent::run(FindAll, path, password, text));
}

void CLeafviewWnd::OnSearchDone()
{
    if (searchWatcher.isCanceled())
        return;
    hits = searchWatcher.result();
    // The first hit from the page in sight on.
    const int page = pages->CurrentPage();
    const auto first = std::find_if(hits.begin(), hits.end(),
                                    [page](const SearchHit& hit) { return hit.page >= page; });
    currentHit =
        hits.empty() ? -1 : static_cast<int>(first == hits.end() ? 0 : first - hits.begin());
    pages->SetSearchHits(hits, currentHit);
    ShowHitCount();
    emit searchFinished(HitCount());
}

void CLeafviewWnd::StepHit(int step)
{
    if (hits.empty())
        return;
    const int count = HitCount();
    currentHit = ((currentHit + step) % count + count) % count;
    pages->SetSearchHits(hits, currentHit);
    ShowHitCount();
}

void CLeafviewWnd::ShowHitCount()
{
    hitLabel->setText(hits.empty()
                          ? Text("str_viewer_search_none")
                          : Text("str_viewer_search_count").arg(currentHit + 1).arg(HitCount()));
}
