#include "ui/theme.h"

#include "utility/stringtable.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

constexpr int kFontPixelSize = 13;

const char* const kStyleSheet = R"(
QWidget { color: #1f2329; }
QToolTip { color: #1f2329; background: #ffffff; border: 1px solid #dee0e3; padding: 4px; }

QPushButton[role="primary"] {
    background: #3370ff; color: #ffffff; border: none; border-radius: 4px; font-size: 14px;
}
QPushButton[role="primary"]:hover { background: #5085ff; }
QPushButton[role="primary"]:pressed { background: #245bdb; }
QPushButton[role="secondary"] {
    background: #ffffff; color: #1f2329; border: 1px solid #d0d3d6; border-radius: 4px;
    font-size: 14px;
}
QPushButton[role="secondary"]:hover { color: #3370ff; border-color: #3370ff; }
QPushButton[role="caption"] { border: none; background: transparent; border-radius: 4px; }
QPushButton[role="caption"]:hover { background: #e8eaed; }
QPushButton[role="caption"]:pressed { background: #dcdfe3; }
QPushButton#btn_close[role="caption"]:hover { background: #f54a45; }

QLineEdit {
    border: 1px solid #d0d3d6; border-radius: 4px; padding: 0 10px; background: #ffffff;
    selection-background-color: #3370ff;
}
QLineEdit:focus { border-color: #3370ff; }
QLabel#txt_password_err { color: #f54a45; }
QLabel#txt_title { font-size: 14px; font-weight: bold; }
QLabel#txt_attention_string { font-size: 14px; }

QWidget#wnd_leftBar { background: #f5f6f8; }
QLabel#txt_leftbar_title { font-size: 16px; font-weight: bold; color: #1f2329; }
QListWidget#lb_leftbar_part1, QListWidget#lb_leftbar_part2 {
    background: transparent; border: none; outline: 0; font-size: 14px;
}
QListWidget#lb_leftbar_part1::item, QListWidget#lb_leftbar_part2::item {
    height: 40px; padding-left: 14px; margin: 1px 12px; border-radius: 6px; color: #3a3f47;
}
QListWidget#lb_leftbar_part1::item:hover, QListWidget#lb_leftbar_part2::item:hover {
    background: #eaedf1;
}
QListWidget#lb_leftbar_part1::item:selected, QListWidget#lb_leftbar_part2::item:selected {
    background: #e1eaff; color: #3370ff;
}
QFrame#leftbar_separator { background: #e3e5e8; border: none; }
QPushButton#btn_leftbar_openpdf {
    background: #3370ff; color: #ffffff; border: none; border-radius: 6px; font-size: 14px;
    padding: 0 12px;
}
QPushButton#btn_leftbar_openpdf:hover { background: #5085ff; }
QPushButton#btn_leftbar_openpdf:pressed { background: #245bdb; }

QWidget#wnd_funcZone { background: #ffffff; }
QWidget#wnd_caption { background: #ffffff; }
QPushButton#btn_login { border: none; background: transparent; border-radius: 16px; padding: 0 8px; }
QPushButton#btn_login:hover { background: #f0f2f5; }
QLabel#txt_username { font-size: 13px; color: #3a3f47; }
QLabel[role="pageTitle"] { font-size: 20px; font-weight: bold; color: #1f2329; }
QLabel[role="pageHint"] { font-size: 13px; color: #8f959e; }
QPushButton[role="primary"]:disabled { background: #bacefd; }
QPushButton[role="secondary"]:disabled { color: #bbbfc4; border-color: #e4e6e9; }

QTableView#mclv_convert, QTableView#mclv_complteted, QTableView#mclv_openrecord {
    border: 1px solid #e4e6e9; border-radius: 6px; background: #ffffff; font-size: 13px;
}
QTableView::item { border-bottom: 1px solid #f0f1f3; padding-left: 8px; }
QHeaderView::section {
    background: #f5f6f8; color: #646a73; border: none; border-bottom: 1px solid #e4e6e9;
    padding-left: 8px; font-size: 13px;
}
QPushButton[role="rowButton"] { border: none; background: transparent; border-radius: 4px; }
QPushButton[role="rowButton"]:hover { background: #e1eaff; }
QPushButton[role="rowButton"]:pressed { background: #d1dffe; }
QProgressBar#prog_convert { border: none; background: #e8eaed; border-radius: 3px; }
QProgressBar#prog_convert::chunk { background: #3370ff; border-radius: 3px; }
QLabel#txt_status { color: #3a3f47; }
QScrollArea#scrollv_tileviewlist, QWidget#wnd_tileviewlist { border: none; background: #ffffff; }
QLabel[role="groupTitle"] { font-size: 16px; font-weight: bold; color: #1f2329; }
QPushButton[role="tileButton"] { border: none; background: transparent; border-radius: 9px; }
QPushButton[role="tileButton"]:hover { background: #e1eaff; }
QPushButton[role="link"] {
    border: none; background: transparent; color: #3370ff; font-size: 13px; padding: 0 2px;
}
QPushButton[role="link"]:hover { text-decoration: underline; }

QPushButton[role="link"]:focus, QPushButton[role="secondary"]:focus,
QPushButton[role="caption"]:focus, QPushButton[role="rowButton"]:focus,
QPushButton[role="tileButton"]:focus,
QPushButton#btn_login:focus {
    border: 2px solid #3370ff;
}
QPushButton[role="primary"]:focus, QPushButton#btn_leftbar_openpdf:focus {
    border: 2px solid #173a8f;
}
QListWidget#lb_leftbar_part1::item:focus, QListWidget#lb_leftbar_part2::item:focus {
    border: 2px solid #3370ff;
}
QPushButton#btn_saveDir:disabled { background: #f5f6f8; }
QLabel:disabled { color: #bbbfc4; }
)";

QString IconPath(std::string_view name)
{
    return QStringLiteral(":/icons/%1.svg")
        .arg(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

} // namespace

namespace Theme {

void Apply(QApplication& app)
{
    QFont font;
    // The design font first, then the CJK faces a Debian desktop has.
    font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(kFontPixelSize);
    font.setStyleStrategy(QFont::PreferAntialias);
    app.setFont(font);
    app.setStyleSheet(QString::fromUtf8(kStyleSheet));
}

QString Text(std::string_view text)
{
    return QString::fromStdString(StringTable::Resolve(text));
}

QIcon Icon(std::string_view name)
{
    return QIcon(IconPath(name));
}

QPixmap Pixmap(std::string_view name, const QSize& size, qreal devicePixelRatio)
{
    QSvgRenderer renderer(IconPath(name));
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace Theme
