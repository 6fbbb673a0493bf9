#include "documentsource.h"

#include <poppler-qt6.h>

#include <QFile>
#include <QImageReader>

namespace {

class PdfSource : public DocumentSource
{
public:
    explicit PdfSource(std::unique_ptr<Poppler::Document> document) : document(std::move(document))
    {
        this->document->setRenderHint(Poppler::Document::Antialiasing);
        this->document->setRenderHint(Poppler::Document::TextAntialiasing);
        // Page sizes are read once: the layout asks for them on every scroll.
        const int count = this->document->numPages();
        sizes.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            const auto page = this->document->page(i);
            sizes.push_back(page ? page->pageSizeF() : QSizeF());
        }
    }

    bool IsPdf() const override { return true; }
    int PageCount() const override { return static_cast<int>(sizes.size()); }

    QSizeF PageSize(int page) const override { return sizes.at(static_cast<std::size_t>(page)); }

    QImage Render(int page, double scale) const override
    {
        const auto pdfPage = document->page(page);
        if (!pdfPage)
            return {};
        return pdfPage->renderToImage(72.0 * scale, 72.0 * scale);
    }

    QString Text(int page, const QRectF& area) const override
    {
        const auto pdfPage = document->page(page);
        return pdfPage ? pdfPage->text(area) : QString();
    }

    QList<QRectF> Search(int page, const QString& text) const override
    {
        const auto pdfPage = document->page(page);
        return pdfPage ? pdfPage->search(text, Poppler::Page::IgnoreCase) : QList<QRectF>();
    }

private:
    std::unique_ptr<Poppler::Document> document;
    std::vector<QSizeF> sizes;
};

// An image as one page, one pixel to the point.
class ImageSource : public DocumentSource
{
public:
    explicit ImageSource(QImage image) : image(std::move(image)) {}

    bool IsPdf() const override { return false; }
    int PageCount() const override { return 1; }
    QSizeF PageSize(int) const override { return image.size(); }

    QImage Render(int, double scale) const override
    {
        return image.scaled((QSizeF(image.size()) * scale).toSize(), Qt::IgnoreAspectRatio,
                            Qt::SmoothTransformation);
    }

    QString Text(int, const QRectF&) const override { return {}; }
    QList<QRectF> Search(int, const QString&) const override { return {}; }

private:
    QImage image;
};

bool StartsAsPdf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(1024).contains("%PDF-");
}

} // namespace

OpenResult OpenDocumentSource(const QString& path, const QByteArray& password)
{
    if (StartsAsPdf(path)) {
        auto document = Poppler::Document::load(path, password, password);
        if (!document)
            return OpenFailure::Unreadable;
        if (document->isLocked())
            return OpenFailure::Locked;
        // A damaged file may parse without a single page to show.
        if (document->numPages() <= 0)
            return OpenFailure::Unreadable;
        return std::make_unique<PdfSource>(std::move(document));
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
        return OpenFailure::Unreadable;
    return std::make_unique<ImageSource>(std::move(image));
}

bool PdfOpensWith(const QString& path, const QByteArray& password)
{
    const auto document = Poppler::Document::load(path, password, password);
    return document && !document->isLocked();
}
