#include "pagerenderer.h"

#include "documentsource.h"

PageRenderer::PageRenderer(QString path, QByteArray password, QObject* parent)
    : QObject(parent), path(std::move(path)), password(std::move(password)),
      thread([this] { Run(); })
{
}

PageRenderer::~PageRenderer()
{
    {
        const std::lock_guard lock(mutex);
        stopping = true;
        pending.clear();
    }
    wake.notify_one();
    thread.join();
}

void PageRenderer::Request(const std::vector<int>& pages, double scale)
{
    {
        const std::lock_guard lock(mutex);
        pending.assign(pages.begin(), pages.end());
        pendingScale = scale;
    }
    wake.notify_one();
}

void PageRenderer::Run()
{
    // Runs on the render thread: the document is opened here and only used here.
    OpenResult opened = OpenDocumentSource(path, password);
    auto* source = std::get_if<std::unique_ptr<DocumentSource>>(&opened);
    for (;;) {
        int page = 0;
        double scale = 1.0;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [this] { return stopping || !pending.empty(); });
            if (stopping)
                return;
            page = pending.front();
            pending.pop_front();
            scale = pendingScale;
        }
        QImage image;
        if (source && page >= 0 && page < (*source)->PageCount())
            image = (*source)->Render(page, scale);
        // Delivered only while the renderer exists: queued calls to a deleted object are
        // dropped.
        QMetaObject::invokeMethod(
            this, [this, page, scale, image] { emit pageRendered(page, scale, image); },
            Qt::QueuedConnection);
    }
}
