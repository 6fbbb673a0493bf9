#include "printjob.h"

#include <poppler-qt6.h>

#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace {

// The page's words, invisible, where the page shows them: poppler's painter draws glyphs as
// outlines, and a document printed to a file should still be searchable.
void DrawTextLayer(QPainter& painter, const Poppler::Page& page, double dpi)
{
    const double toDevice = dpi / 72.0;
    painter.save();
    painter.setPen(QColor(0, 0, 0, 0));
    for (const auto& box : page.textList()) {
        const QRectF rect(box->boundingBox().topLeft() * toDevice,
                          box->boundingBox().size() * toDevice);
        if (rect.height() <= 0)
            continue;
        QFont font = painter.font();
        font.setPixelSize(std::max(1, static_cast<int>(rect.height() * 0.8)));
        painter.setFont(font);
        painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, box->text());
    }
    painter.restore();
}

// Draws one page centred in the printable area, as large as fits.
void DrawPage(QPainter& painter, const Poppler::Page& page, const QRectF& area, double dpi)
{
    const QSizeF points = page.pageSizeF();
    if (points.isEmpty())
        return;
    const QSizeF atDpi = points * (dpi / 72.0);
    const double scale = std::min(area.width() / atDpi.width(), area.height() / atDpi.height());
    painter.save();
    painter.translate(area.left() + (area.width() - atDpi.width() * scale) / 2,
                      area.top() + (area.height() - atDpi.height() * scale) / 2);
    painter.scale(scale, scale);
    page.renderToPainter(&painter, dpi, dpi);
    DrawTextLayer(painter, page, dpi);
    painter.restore();
}

} // namespace

PrintResult PrintPdf(const QString& path, const QByteArray& password, QPrinter& printer)
{
    auto document = Poppler::Document::load(path, password, password);
    if (!document || document->isLocked() || document->numPages() <= 0)
        return PrintResult::Unreadable;
    // The painter back end draws text as text, so what is printed stays searchable.
    document->setRenderBackend(Poppler::Document::QPainterBackend);
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);

    const int count = document->numPages();
    int first = 1;
    int last = count;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::clamp(printer.fromPage(), 1, count);
        last = std::clamp(printer.toPage() > 0 ? printer.toPage() : count, first, count);
    }
    // Where the printer cannot make copies itself, each copy is printed in turn.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());

    QPainter painter;
    if (!painter.begin(&printer))
        return PrintResult::Failed;
    const double dpi = printer.resolution();
    // The painter's origin is the top left of the printable area.
    const QRectF area(QPointF(0, 0),
                      printer.pageLayout().paintRectPixels(printer.resolution()).size());
    bool firstSheet = true;
    for (int copy = 0; copy < copies; ++copy) {
        for (int number = first; number <= last; ++number) {
            if (!firstSheet && !printer.newPage())
                return PrintResult::Failed;
            firstSheet = false;
            if (const auto page = document->page(number - 1))
                DrawPage(painter, *page, area, dpi);
        }
    }
    return painter.end() ? PrintResult::Printed : PrintResult::Failed;
}
