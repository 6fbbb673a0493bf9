#include "ui/settingwnd.h"

#include "base/windowmessage.h"
#include "settings/clientinfo.h"
#include "ui/caption.h"
#include "ui/commandmenu.h"
#include "ui/keyboard.h"
#include "ui/menucommands.h"
#include "ui/theme.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr int kLeftWidth = 168;
constexpr int kCaptionHeight = 48;
constexpr int kPageItemHeight = 40;
constexpr int kMenuItemHeight = 40;

const char* const kStyleSheet = R"(
QWidget#wnd_settingLeft { background: #f5f6f8; }
QLabel#txt_setting_title { font-size: 16px; font-weight: bold; color: #1f2329; }
QListWidget#lb_setting { background: transparent; border: none; outline: 0; font-size: 14px; }
QListWidget#lb_setting::item {
    height: 38px; padding-left: 14px; margin: 1px 10px; border-radius: 6px; color: #3a3f47;
}
QListWidget#lb_setting::item:hover { background: #eaedf1; }
QListWidget#lb_setting::item:selected { background: #e1eaff; color: #3370ff; }
QListWidget#lb_setting::item:focus { border: 2px solid #3370ff; }
QLabel[role="settingLabel"] { font-size: 14px; font-weight: bold; color: #1f2329; }
QLabel#txt_ver, QLabel#txt_qq { font-size: 13px; color: #3a3f47; }
QCheckBox#check_attention { font-size: 13px; spacing: 8px; }
QCheckBox#check_attention:focus { color: #3370ff; }
QPushButton#btn_checkupdate, QPushButton#btn_qq { padding: 0 16px; font-size: 13px; }
)";

QLabel* MakeLabel(QWidget* parent, const char* name, const char* textKey, const char* role)
{
    auto* label = new QLabel(Theme::Text(textKey), parent);
    label->setObjectName(QString::fromLatin1(name));
    if (role)
        label->setProperty("role", QString::fromLatin1(role));
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* textKey)
{
    auto* button = new QPushButton(Theme::Text(textKey), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setProperty("role", QStringLiteral("secondary"));
    button->setCursor(Qt::PointingHandCursor);
    button->setFixedHeight(32);
    Keyboard::MakeReachable(button);
    // Enter on the list or the check box must not press a button of the page.
    button->setAutoDefault(false);
    return button;
}

// A page: label rows one below the other, from the top.
QVBoxLayout* PageLayout(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(32, 20, 32, 24);
    layout->setSpacing(12);
    return layout;
}

} // namespace

CSettingWnd::CSettingWnd(ClientInfoRecord& clientInfo, UserSettings settings,
                         MessageTarget& mainWnd, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint), clientInfo(clientInfo),
      settings(std::move(settings)), mainWnd(mainWnd)
{
    setObjectName(QStringLiteral("rc_setting"));
    setWindowTitle(Theme::Text("@string/str_setting_title"));
    setFixedSize(kWidth, kHeight);
    setStyleSheet(QString::fromUtf8(kStyleSheet));

    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(1, 1, 1, 1);
    root->setSpacing(0);
    root->addWidget(BuildLeftColumn());
    auto* right = new QVBoxLayout;
    right->setSpacing(0);
    right->addWidget(BuildCaption());
    tab = new QStackedWidget(this);
    tab->setObjectName(QStringLiteral("tab_setting"));
    tab->addWidget(BuildCustomPage());
    tab->addWidget(BuildAboutPage());
    right->addWidget(tab, 1);
    root->addLayout(right, 1);

    connect(pages, &QListWidget::currentRowChanged, tab, &QStackedWidget::setCurrentIndex);
    pages->setCurrentRow(0);
    pages->setFocus();
}

QWidget* CSettingWnd::BuildLeftColumn()
{
    auto* column = new QWidget(this);
    column->setObjectName(QStringLiteral("wnd_settingLeft"));
    column->setAttribute(Qt::WA_StyledBackground);
    column->setFixedWidth(kLeftWidth);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 18, 0, 18);
    layout->setSpacing(14);
    auto* title = MakeLabel(column, "txt_setting_title", "@string/str_setting_title", nullptr);
    title->setContentsMargins(24, 0, 0, 0);
    layout->addWidget(title);

    pages = new QListWidget(column);
    pages->setObjectName(QStringLiteral("lb_setting"));
    pages->setAccessibleName(Theme::Text("@string/str_acc_setting_pages"));
    pages->setFocusPolicy(Qt::StrongFocus);
    pages->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pages->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const char* key : {"@string/str_setting_lb_custom", "@string/str_setting_lb_about"})
        new QListWidgetItem(Theme::Text(key), pages);
    pages->setFixedHeight(2 * kPageItemHeight + 8);
    layout->addWidget(pages);
    layout->addStretch(1);
    return column;
}

QWidget* CSettingWnd::BuildCaption()
{
    auto* caption = new QWidget(this);
    caption->setObjectName(QStringLiteral("wnd_settingCaption"));
    caption->setFixedHeight(kCaptionHeight);
    auto* layout = new QHBoxLayout(caption);
    layout->setContentsMargins(0, 8, 10, 8);
    layout->setSpacing(4);
    layout->addStretch(1);
    auto* menuButton =
        MakeCaptionButton(caption, "btn_menu", "caption_menu", "@string/str_acc_menu");
    auto* close = MakeCaptionButton(caption, "btn_close", "caption_close", "@string/str_acc_close");
    layout->addWidget(menuButton);
    layout->addWidget(close);

    menu = new CCommandMenu("rc_menu_setting_menu", kMenuItemHeight,
                            {{MenuCommand::kSettingSupportGroup, "@string/str_menu_setting_1"},
                             {MenuCommand::kSettingContact, "@string/str_menu_setting_2"}},
                            this);
    connect(menu, &CCommandMenu::commandChosen, this, &CSettingWnd::commandChosen);
    connect(menuButton, &QPushButton::clicked, this,
            [this, menuButton] { menu->PopupBelow(*menuButton); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    return caption;
}

QWidget* CSettingWnd::BuildCustomPage()
{
    auto* page = new QWidget(tab);
    page->setObjectName(QStringLiteral("page_setting_custom"));
    auto* layout = PageLayout(page);
    layout->addWidget(
        MakeLabel(page, "txt_attention", "@string/str_setting_custom_attention", "settingLabel"));
    attention = new QCheckBox(Theme::Text("@string/str_setting_custom_checkbox"), page);
    attention->setObjectName(QStringLiteral("check_attention"));
    attention->setFocusPolicy(Qt::StrongFocus);
    attention->setChecked(clientInfo.Get().notifyAfterFinish);
    connect(attention, &QCheckBox::clicked, this, &CSettingWnd::OnAttentionClicked);
    layout->addWidget(attention);
    layout->addStretch(1);
    return page;
}

QWidget* CSettingWnd::BuildAboutPage()
{
    auto* page = new QWidget(tab);
    page->setObjectName(QStringLiteral("page_setting_about"));
    auto* layout = PageLayout(page);
    layout->addWidget(
        MakeLabel(page, "txt_about_ver", "@string/str_setting_about_ver", "settingLabel"));
    auto* versionRow = new QHBoxLayout;
    versionRow->setSpacing(16);
    auto* version = new QLabel(Theme::Text("@string/str_setting_ver_prefix") +
                                   QString::fromStdString(clientInfo.Get().version),
                               page);
    version->setObjectName(QStringLiteral("txt_ver"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* checkUpdate = MakeButton(page, "btn_checkupdate", "@string/str_setting_checkupdate");
    versionRow->addWidget(version);
    versionRow->addWidget(checkUpdate);
    versionRow->addStretch(1);
    layout->addLayout(versionRow);
    layout->addSpacing(12);

    layout->addWidget(MakeLabel(page, "txt_about_feedback", "@string/str_setting_about_feedback",
                                "settingLabel"));
    auto* groupRow = new QHBoxLayout;
    groupRow->setSpacing(16);
    auto* groupText = MakeLabel(page, "txt_qq", "@string/str_setting_qq_txt", nullptr);
    auto* join = MakeButton(page, "btn_qq", "@string/str_setting_qq_btn");
    groupRow->addWidget(groupText);
    groupRow->addWidget(join);
    groupRow->addStretch(1);
    layout->addLayout(groupRow);
    layout->addStretch(1);

    connect(checkUpdate, &QPushButton::clicked, this, [this] {
        mainWnd.PostWindowMessage(WindowMessage{WM_UPDATE_CHECK, 0, 0, {}});
    });
    connect(join, &QPushButton::clicked, this,
            [this] { emit commandChosen(MenuCommand::kSettingSupportGroup); });
    return page;
}

void CSettingWnd::OnAttentionClicked(bool ticked)
{
    // No OK or Apply: every click counts. Without a Settings.ini only the box changes.
    settings.SetAttention(ticked, clientInfo);
}

void CSettingWnd::mousePressEvent(QMouseEvent* event)
{
    MoveByCaption(*this, *event, kCaptionHeight);
    QDialog::mousePressEvent(event);
}

void CSettingWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QColor(Theme::kBorder));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
