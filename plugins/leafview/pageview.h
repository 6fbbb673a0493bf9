#pragma once

#include "documentsource.h"

#include <QAbstractScrollArea>
#include <QCache>
#include <QPointF>

#include <memory>
#include <optional>
#include <vector>

class PageRenderer;

enum class ZoomMode
{
    FitWidth,
    FitPage,
    Fixed,
};

// The pages of a document one below the other. Only the pages in sight (and one on either
// side) are drawn, by the renderer's thread, at the screen's pixel ratio; drawn pages are kept
// in a cache. A mouse drag selects text on a page, Ctrl+C copies it, Ctrl+wheel zooms.
class PageView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    // `source` is the UI thread's copy of the document: sizes, text and search.
    PageView(std::unique_ptr<DocumentSource> source, std::unique_ptr<PageRenderer> renderer,
             QWidget* parent = nullptr);
    ~PageView() override;

    const DocumentSource& Source() const { return *source; }
    int PageCount() const { return source->PageCount(); }
    // The page at the middle of the view.
    int CurrentPage() const;
    void GoToPage(int page);

    void SetZoomMode(ZoomMode mode);
    // Logical pixels per point, as shown.
    double Zoom() const { return zoom; }
    void ZoomIn();
    void ZoomOut();

    // Highlights `hits` and brings `current` (an index into hits) into sight.
    void SetSearchHits(std::vector<SearchHit> hits, int current);

    // Whether `page` is drawn at the zoom shown.
    bool HasDrawn(int page) const;

    QString SelectedText() const { return selectedText; }
    void CopySelection() const;

signals:
    void currentPageChanged(int page);
    void zoomChanged(double zoom);
    // A page arrived from the renderer at the zoom shown.
    void pageDrawn(int page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Selection
    {
        int page = 0;
        QPointF from; // points on the page
        QPointF to;
        QRectF Rect() const { return QRectF(from, to).normalized(); }
    };

    // Where the view is in the document: the page at its top edge and how far into it.
    struct Anchor
    {
        int page = 0;
        double fraction = 0;
    };
    Anchor TopAnchor() const;
    void ScrollTo(Anchor anchor);

    void SetZoom(double value);
    // Lays the pages out for the zoom and the view's size, keeping the view where it was.
    void Relayout();
    void Layout();
    // The page's rectangle in content coordinates (logical pixels).
    QRectF PageRect(int page) const;
    QRectF ToView(int page, const QRectF& pointsRect) const;
    // The page under `viewPoint` and the point on it; nullopt between pages.
    std::optional<std::pair<int, QPointF>> PageAt(const QPoint& viewPoint) const;
    std::pair<int, int> VisiblePages() const;
    double RenderScale() const;
    void RequestVisible();
    void OnPageRendered(int page, double scale, const QImage& image);

    std::unique_ptr<DocumentSource> source;
    std::unique_ptr<PageRenderer> renderer;
    ZoomMode zoomMode = ZoomMode::FitWidth;
    double zoom = 1.0;
    std::vector<double> tops; // content y of each page at the current zoom
    double contentWidth = 0;
    double contentHeight = 0;
    struct Drawn
    {
        QImage image;
        double scale = 0;
    };
    QCache<int, Drawn> drawn; // cost in KiB
    std::vector<SearchHit> hits;
    int currentHit = -1;
    std::optional<Selection> selection;
    QString selectedText;
    int lastReportedPage = -1;
};
