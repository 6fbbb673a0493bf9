#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <memory>
#include <variant>
#include <vector>

// One search hit: a page and the hit's rectangle on it in points.
struct SearchHit
{
    int page = 0;
    QRectF rect;
};

// The pages of one opened document, a PDF or a single image. Not thread-safe: every thread
// that renders opens its own.
class DocumentSource
{
public:
    virtual ~DocumentSource() = default;

    virtual bool IsPdf() const = 0;
    virtual int PageCount() const = 0;
    // In points (1/72 inch).
    virtual QSizeF PageSize(int page) const = 0;
    // The page at `scale` device pixels per point; a null image when it cannot be drawn.
    virtual QImage Render(int page, double scale) const = 0;
    // The text inside `area` (points) of the page.
    virtual QString Text(int page, const QRectF& area) const = 0;
    virtual QList<QRectF> Search(int page, const QString& text) const = 0;
};

enum class OpenFailure
{
    Unreadable, // missing, empty, or neither a PDF poppler reads nor an image
    Locked,     // a PDF whose password was not given or is wrong
};

using OpenResult = std::variant<std::unique_ptr<DocumentSource>, OpenFailure>;

// Opens `path` as a PDF (unlocked with `password` when given), else as an image file.
OpenResult OpenDocumentSource(const QString& path, const QByteArray& password);

// Whether the PDF at `path` opens with `password` (an unprotected PDF opens with any).
bool PdfOpensWith(const QString& path, const QByteArray& password);
