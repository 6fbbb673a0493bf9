#include "pageview.h"

#include "pagerenderer.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kGap = 12.0; // logical pixels around and between pages
constexpr double kMinZoom = 0.1;
constexpr double kMaxZoom = 8.0;
constexpr double kZoomStep = 1.25;
constexpr int kCacheKiB = 256 * 1024;

} // namespace

PageView::PageView(std::unique_ptr<DocumentSource> source, std::unique_ptr<PageRenderer> renderer,
                   QWidget* parent)
    : QAbstractScrollArea(parent), source(std::move(source)), renderer(std::move(renderer)),
      drawn(kCacheKiB)
{
    setObjectName(QStringLiteral("view_pages"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(40);
    connect(this->renderer.get(), &PageRenderer::pageRendered, this, &PageView::OnPageRendered);
    Layout();
}

PageView::~PageView() = default;

void PageView::SetZoomMode(ZoomMode mode)
{
    zoomMode = mode;
    Relayout();
}

void PageView::ZoomIn()
{
    zoomMode = ZoomMode::Fixed;
    SetZoom(zoom * kZoomStep);
}

void PageView::ZoomOut()
{
    zoomMode = ZoomMode::Fixed;
    SetZoom(zoom / kZoomStep);
}

void PageView::SetZoom(double value)
{
    const Anchor anchor = TopAnchor();
    zoom = std::clamp(value, kMinZoom, kMaxZoom);
    Layout();
    ScrollTo(anchor);
}

PageView::Anchor PageView::TopAnchor() const
{
    if (tops.empty())
        return {};
    // A page's slot starts with the gap above it.
    const double top = verticalScrollBar()->value() + kGap;
    const auto next = std::upper_bound(tops.begin(), tops.end(), top);
    const int page = std::max(0, static_cast<int>(next - tops.begin()) - 1);
    const double height = std::max(1.0, source->PageSize(page).height() * zoom + kGap);
    return {page, std::clamp((top - tops[static_cast<std::size_t>(page)]) / height, 0.0, 1.0)};
}

void PageView::ScrollTo(Anchor anchor)
{
    if (tops.empty())
        return;
    const int page = std::clamp(anchor.page, 0, PageCount() - 1);
    const double height = source->PageSize(page).height() * zoom + kGap;
    verticalScrollBar()->setValue(
        static_cast<int>(tops[static_cast<std::size_t>(page)] - kGap + anchor.fraction * height));
    RequestVisible();
}

void PageView::Relayout()
{
    const Anchor anchor = TopAnchor();
    Layout();
    ScrollTo(anchor);
}

void PageView::Layout()
{
    const int count = source->PageCount();
    const QSizeF area = QSizeF(viewport()->size()) - QSizeF(2 * kGap, 2 * kGap);
    if (zoomMode != ZoomMode::Fixed && count > 0 && area.width() > 0 && area.height() > 0) {
        // Fitted to the widest page, so every page fits.
        double widest = 1;
        double tallest = 1;
        for (int i = 0; i < count; ++i) {
            widest = std::max(widest, source->PageSize(i).width());
            tallest = std::max(tallest, source->PageSize(i).height());
        }
        const double fitWidth = area.width() / widest;
        zoom = std::clamp(
            zoomMode == ZoomMode::FitWidth ? fitWidth : std::min(fitWidth, area.height() / tallest),
            kMinZoom, kMaxZoom);
    }
    tops.resize(static_cast<std::size_t>(count));
    double y = kGap;
    contentWidth = 0;
    for (int i = 0; i < count; ++i) {
        const QSizeF size = source->PageSize(i) * zoom;
        tops[static_cast<std::size_t>(i)] = y;
        y += size.height() + kGap;
        contentWidth = std::max(contentWidth, size.width() + 2 * kGap);
    }
    contentHeight = y;
    horizontalScrollBar()->setRange(
        0, std::max(0, static_cast<int>(std::ceil(contentWidth)) - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setRange(
        0, std::max(0, static_cast<int>(std::ceil(contentHeight)) - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    emit zoomChanged(zoom);
    RequestVisible();
    viewport()->update();
}

QRectF PageView::PageRect(int page) const
{
    const QSizeF size = source->PageSize(page) * zoom;
    const double left =
        std::max(kGap, (std::max(contentWidth, double(viewport()->width())) - size.width()) / 2);
    return QRectF(QPointF(left, tops[static_cast<std::size_t>(page)]), size);
}

QRectF PageView::ToView(int page, const QRectF& pointsRect) const
{
    const QRectF pageRect = PageRect(page);
    const QPointF offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
    return QRectF(pageRect.topLeft() + pointsRect.topLeft() * zoom - offset,
                  pointsRect.size() * zoom);
}

std::optional<std::pair<int, QPointF>> PageView::PageAt(const QPoint& viewPoint) const
{
    const QPointF content =
        QPointF(viewPoint) + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const auto next = std::upper_bound(tops.begin(), tops.end(), content.y());
    if (next == tops.begin())
        return std::nullopt;
    const int page = static_cast<int>(next - tops.begin()) - 1;
    const QRectF rect = PageRect(page);
    if (!rect.contains(content))
        return std::nullopt;
    return std::pair{page, (content - rect.topLeft()) / zoom};
}

std::pair<int, int> PageView::VisiblePages() const
{
    if (tops.empty())
        return {0, -1};
    const double top = verticalScrollBar()->value();
    const double bottom = top + viewport()->height();
    const auto first = std::upper_bound(tops.begin(), tops.end(), top);
    const auto last = std::upper_bound(tops.begin(), tops.end(), bottom);
    return {std::max(0, static_cast<int>(first - tops.begin()) - 1),
            std::max(0, static_cast<int>(last - tops.begin()) - 1)};
}

int PageView::CurrentPage() const
{
    if (tops.empty())
        return 0;
    const double middle = verticalScrollBar()->value() + viewport()->height() / 2.0;
    const auto next = std::upper_bound(tops.begin(), tops.end(), middle);
    return std::max(0, static_cast<int>(next - tops.begin()) - 1);
}

void PageView::GoToPage(int page)
{
    ScrollTo({page, 0});
}

bool PageView::HasDrawn(int page) const
{
    const Drawn* done = drawn.object(page);
    return done && std::abs(done->scale - RenderScale()) < 1e-9;
}

double PageView::RenderScale() const
{
    return zoom * devicePixelRatioF();
}

void PageView::RequestVisible()
{
    const auto [first, last] = VisiblePages();
    const double scale = RenderScale();
    std::vector<int> wanted;
    // The pages in sight first, then one on either side for the next scroll step.
    for (int page = first; page <= last; ++page)
        wanted.push_back(page);
    if (first > 0)
        wanted.push_back(first - 1);
    if (last + 1 < PageCount())
        wanted.push_back(last + 1);
    std::erase_if(wanted, [this](int page) { return HasDrawn(page); });
    renderer->Request(wanted, scale);

    const int current = CurrentPage();
    if (current != lastReportedPage) {
        lastReportedPage = current;
        emit currentPageChanged(current);
    }
}

void PageView::OnPageRendered(int page, double scale, const QImage& image)
{
    if (image.isNull() || page < 0 || page >= PageCount())
        return;
    const Drawn* old = drawn.object(page);
    // An older zoom's page only replaces nothing.
    if (old && std::abs(scale - RenderScale()) > 1e-9)
        return;
    auto* entry = new Drawn{image, scale};
    entry->image.setDevicePixelRatio(devicePixelRatioF());
    drawn.insert(page, entry, std::max<qsizetype>(1, image.sizeInBytes() / 1024));
    if (std::abs(scale - RenderScale()) < 1e-9)
        emit pageDrawn(page);
    const auto [first, last] = VisiblePages();
    if (page >= first && page <= last)
        viewport()->update();
}

void PageView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), QColor(0x52, 0x56, 0x59));
    const auto [first, last] = VisiblePages();
    const QPointF offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
    for (int page = first; page <= last; ++page) {
        const QRectF rect = PageRect(page).translated(-offset);
        painter.fillRect(rect, Qt::white);
        if (const Drawn* done = drawn.object(page)) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform,
                                  std::abs(done->scale - RenderScale()) > 1e-9);
            painter.drawImage(rect, done->image);
        }
    }
    painter.setPen(Qt::NoPen);
    for (std::size_t i = 0; i < hits.size(); ++i) {
        if (hits[i].page < first || hits[i].page > last)
            continue;
        painter.setBrush(static_cast<int>(i) == currentHit ? QColor(255, 140, 0, 140)
                                                           : QColor(255, 230, 0, 110));
        painter.drawRect(ToView(hits[i].page, hits[i].rect));
    }
    if (selection) {
        painter.setBrush(QColor(40, 110, 230, 70));
        painter.drawRect(ToView(selection->page, selection->Rect()));
    }
}

void PageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    Relayout();
}

void PageView::scrollContentsBy(int, int)
{
    RequestVisible();
    viewport()->update();
}

void PageView::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        if (event->angleDelta().y() > 0)
            ZoomIn();
        else if (event->angleDelta().y() < 0)
            ZoomOut();
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void PageView::mousePressEvent(QMouseEvent* event)
{
    selection.reset();
    selectedText.clear();
    if (event->button() == Qt::LeftButton) {
        if (const auto at = PageAt(event->position().toPoint()))
            selection = Selection{at->first, at->second, at->second};
    }
    viewport()->update();
}

void PageView::mouseMoveEvent(QMouseEvent* event)
{
    if (!selection || !(event->buttons() & Qt::LeftButton))
        return;
    const QRectF rect = PageRect(selection->page);
    const QPointF content =
        event->position() + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const QPointF onPage = (content - rect.topLeft()) / zoom;
    const QSizeF size = source->PageSize(selection->page);
    selection->to = QPointF(std::clamp(onPage.x(), 0.0, size.width()),
                            std::clamp(onPage.y(), 0.0, size.height()));
    viewport()->update();
}

void PageView::mouseReleaseEvent(QMouseEvent*)
{
    if (selection && !selection->Rect().isEmpty())
        selectedText = source->Text(selection->page, selection->Rect());
}

void PageView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void PageView::CopySelection() const
{
    if (!selectedText.isEmpty())
        QApplication::clipboard()->setText(selectedText);
}

void PageView::SetSearchHits(std::vector<SearchHit> found, int current)
{
    hits = std::move(found);
    currentHit = hits.empty() ? -1 : std::clamp(current, 0, static_cast<int>(hits.size()) - 1);
    if (currentHit >= 0) {
        const SearchHit& hit = hits[static_cast<std::size_t>(currentHit)];
        const QRectF rect = PageRect(hit.page);
        const double y = rect.top() + hit.rect.center().y() * zoom - viewport()->height() / 2.0;
        verticalScrollBar()->setValue(static_cast<int>(y));
    }
    RequestVisible();
    viewport()->update();
}
