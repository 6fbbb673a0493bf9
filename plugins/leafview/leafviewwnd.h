#pragma once

#include "documentsource.h"
#include "tiles/leafviewapi.h"

#include <QFutureWatcher>
#include <QWidget>

#include <memory>
#include <vector>

class PageView;
class QLabel;
class QLineEdit;
class QSpinBox;
class QToolBar;

// The viewer window on one document: the pages, a tool bar with the conversion functions
// (handed to the client through its callback), zoom, page navigation and search. Deletes
// itself when closed.
class CLeafviewWnd : public QWidget
{
    Q_OBJECT

public:
    // Shows `path` over `owner`; null (and nothing shown) when the document cannot be opened.
    static CLeafviewWnd* Open(const QString& path, const QByteArray& password,
                              ViewerFunctionCallback callback, void* owner);

    PageView& Pages() { return *pages; }
    // The conversion functions, print and copy.
    QToolBar& ToolBar() { return *toolBar; }
    // Zoom, page navigation and search.
    QToolBar& ViewBar() { return *viewBar; }
    // Finds `text` in every page off the UI thread; searchFinished follows.
    void Search(const QString& text);
    int HitCount() const { return static_cast<int>(hits.size()); }

signals:
    void searchFinished(int hitCount);

private:
    CLeafviewWnd(const QString& path, const QByteArray& password,
                 std::unique_ptr<DocumentSource> source, ViewerFunctionCallback callback,
                 void* owner);

    void BuildToolBar(bool pdf);
    void BuildViewBar();
    void AddFunction(const char* key, const char* captionKey);
    void RunFunction(const char* key);
    void StepHit(int step);
    void ShowHitCount();
    void OnSearchDone();

    const QString path;
    const QByteArray password;
    ViewerFunctionCallback callback;
    void* owner;
    PageView* pages = nullptr;
    QToolBar* toolBar = nullptr;
    QToolBar* viewBar = nullptr;
    QSpinBox* pageBox = nullptr;
    QLabel* zoomLabel = nullptr;
    QLineEdit* searchEdit = nullptr;
    QLabel* hitLabel = nullptr;
    std::vector<SearchHit> hits;
    int currentHit = -1;
    QFutureWatcher<std::vector<SearchHit>> searchWatcher;
};
