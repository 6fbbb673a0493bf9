#include "ui/convnotifywnd.h"

#include "adapter/filerecord.h"
#include "ui/caption.h"
#include "ui/theme.h"
#include "utility/pathsplit.h"
#include "utility/tc_checkpath.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr int kLogoSize = 16;
constexpr int kButtonHeight = 28;

const char* const kStyleSheet = R"(
QLabel#txt_notify_app { font-size: 13px; color: #646a73; }
QLabel#txt_notify_finished { font-size: 15px; font-weight: bold; color: #1f2329; }
QLabel#txt_fileName { font-size: 13px; color: #8f959e; }
QPushButton#btn_setting, QPushButton#btn_close { min-width: 28px; max-width: 28px; }
QPushButton#btn_folder, QPushButton#btn_openFile { font-size: 13px; padding: 0 14px; }
)";

QPushButton* MakeTextButton(QWidget* parent, const char* name, const char* role,
                            const char* textKey)
{
    auto* button = new QPushButton(Theme::Text(textKey), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setProperty("role", QString::fromLatin1(role));
    button->setCursor(Qt::PointingHandCursor);
    button->setFixedHeight(kButtonHeight);
    return button;
}

} // namespace

CConvNotifyWnd::CConvNotifyWnd(std::string path, const QRect& workArea, NoticeActions actions)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      path(std::move(path)), actions(std::move(actions))
{
    setObjectName(QStringLiteral("rc_convNotify"));
    setWindowTitle(Theme::Text("@string/str_appTitle"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    setStyleSheet(QString::fromUtf8(kStyleSheet));
    // The corner of the work area wherever the area starts (a panel at the top or the left).
    target = QRect(workArea.right() + 1 - kWidth, workArea.bottom() + 1 - kHeight, kWidth, kHeight);
    BuildPanel();
}

void CConvNotifyWnd::BuildPanel()
{
    // The panel keeps its size while the window grows from the right edge, so it slides in.
    panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("wnd_notifyPanel"));
    panel->setFixedSize(kWidth, kHeight);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(16, 8, 8, 14);
    layout->setSpacing(2);

    auto* head = new QHBoxLayout;
    head->setSpacing(6);
    auto* logo = new QLabel(panel);
    logo->setObjectName(QStringLiteral("img_notify_icon"));
    logo->setPixmap(Theme::Pixmap("logo", QSize(kLogoSize, kLogoSize), devicePixelRatioF()));
    auto* app = new QLabel(Theme::Text("@string/str_appTitle"), panel);
    app->setObjectName(QStringLiteral("txt_notify_app"));
    auto* setting =
        MakeCaptionButton(panel, "btn_setting", "settings", "@string/str_acc_notify_setting");
    auto* close = MakeCaptionButton(panel, "btn_close", "caption_close", "@string/str_acc_close");
    head->addWidget(logo);
    head->addWidget(app);
    head->addStretch(1);
    head->addWidget(setting);
    head->addWidget(close);
    layout->addLayout(head);

    auto* finished = new QLabel(Theme::Text("@string/str_notify_finished"), panel);
    finished->setObjectName(QStringLiteral("txt_notify_finished"));
    layout->addWidget(finished);

    const QString name = QString::fromStdString(std::string(SplitPath(path).name));
    fileName = new QLabel(panel);
    fileName->setObjectName(QStringLiteral("txt_fileName"));
    fileName->setText(fileName->fontMetrics().elidedText(name, Qt::ElideRight, kNameWidth));
    fileName->setToolTip(name);
    fileName->setAccessibleName(name);
    // What a screen reader says when the notice appears.
    setAccessibleName(finished->text());
    setAccessibleDescription(name);
    layout->addWidget(fileName);
    layout->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 8, 0);
    buttons->setSpacing(10);
    buttons->addStretch(1);
    auto* folder =
        MakeTextButton(panel, "btn_folder", "secondary", "@string/str_notify_btn_folder");
    openFile = MakeTextButton(panel, "btn_openFile", "primary", "@string/str_notify_btn_open");
    // Nothing to open quickly when the result is gone already.
    openFile->setVisible(TC_CHECKPATH::TC_FileExist(path.c_str()));
    buttons->addWidget(folder);
    buttons->addWidget(openFile);
    layout->addLayout(buttons);

    // The notice never has the focus, so none of its buttons can take it; what they do is
    // also reachable from the completed list and the menus.
    for (QPushButton* button : panel->findChildren<QPushButton*>())
        button->setFocusPolicy(Qt::NoFocus);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(setting, &QPushButton::clicked, this, [this] { actions.showSettings(); });
    connect(openFile, &QPushButton::clicked, this, &CConvNotifyWnd::OnOpenFile);
    connect(folder, &QPushButton::clicked, this,
            [this] { actions.open(std::string(PathDirectory(path))); });
}

void CConvNotifyWnd::OnOpenFile()
{
    if (TC_CHECKPATH::TC_FileExist(path.c_str()))
        actions.open(path);
}

void CConvNotifyWnd::SlideIn()
{
    // From a sliver at the right edge of the area to the whole notice, without a loop.
    setGeometry(target.right(), target.top(), 1, kHeight);
    show();
    auto* slide = new QPropertyAnimation(this, "geometry", this);
    slide->setDuration(static_cast<int>(kSlideTime.count()));
    slide->setStartValue(geometry());
    slide->setEndValue(target);
    slide->setEasingCurve(QEasingCurve::OutCubic);
    connect(slide, &QAbstractAnimation::finished, this,
            [this] { QTimer::singleShot(kShowTime, this, &QWidget::close); });
    slide->start(QAbstractAnimation::DeleteWhenStopped);
}

void CConvNotifyWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QColor(Theme::kBorder));
    // The frame belongs to the panel, so it slides in with it.
    painter.drawRect(QRect(panel->pos(), panel->size()).adjusted(0, 0, -1, -1));
}
