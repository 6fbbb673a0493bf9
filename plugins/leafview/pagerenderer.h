#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

// Renders pages of one document on a thread of its own, which opens its own copy of the
// document. Requests replace what is still waiting, so only pages that are wanted now get
// drawn. Results arrive on the renderer's thread of affinity (the UI thread) as pageRendered.
// The destructor stops the thread and waits for the page being drawn.
class PageRenderer : public QObject
{
    Q_OBJECT

public:
    PageRenderer(QString path, QByteArray password, QObject* parent = nullptr);
    ~PageRenderer() override;

    // Draws `pages` in this order at `scale` device pixels per point, dropping what waits.
    void Request(const std::vector<int>& pages, double scale);

signals:
    void pageRendered(int page, double scale, const QImage& image);

private:
    void Run();

    const QString path;
    const QByteArray password;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<int> pending; // guarded by mutex, as are the two below
    double pendingScale = 1.0;
    bool stopping = false;
    std::thread thread;
};
