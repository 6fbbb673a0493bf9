#pragma once

#include "ui/noticeactions.h"

#include <QRect>
#include <QWidget>

#include <chrono>
#include <string>

class QLabel;
class QPushButton;

// The notice that a result was saved, with the result's name and buttons to open it or its
// folder. It slides in at the bottom right of the work area, stays five seconds and closes
// itself, and never takes the focus. Made and replaced by CCompletionNotice; deletes itself
// when closed.
class CConvNotifyWnd : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 368;
    static constexpr int kHeight = 130;
    // A longer name is cut with an ellipsis.
    static constexpr int kNameWidth = 180;
    static constexpr std::chrono::milliseconds kSlideTime{500};
    static constexpr std::chrono::milliseconds kShowTime{5000};

    CConvNotifyWnd(std::string path, const QRect& workArea, NoticeActions actions);

    // The place the notice slides to: the work area's bottom-right corner.
    QRect TargetRect() const { return target; }
    // Starts the slide and returns at once; the notice closes itself kShowTime after it.
    void SlideIn();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildPanel();
    void OnOpenFile();

    std::string path;
    QRect target;
    NoticeActions actions;
    QWidget* panel = nullptr;
    QLabel* fileName = nullptr;
    QPushButton* openFile = nullptr;
};
