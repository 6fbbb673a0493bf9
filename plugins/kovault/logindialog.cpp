#include "logindialog.h"

#include "utility/stringtable.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Text(const char* key)
{
    return QString::fromStdString(StringTable::Resolve(key));
}

constexpr const char* kStyle = R"(
QDialog { background: #ffffff; }
QLabel#lbl_login_heading { color: #1f2329; font-size: 20px; font-weight: 600; }
QLabel#lbl_login_welcome { color: #8a8f99; font-size: 13px; }
QLineEdit { border: 1px solid #d5d9e0; border-radius: 4px; padding: 0 10px; min-height: 38px;
            font-size: 14px; color: #1f2329; background: #ffffff; }
QLineEdit:focus { border-color: #2f6bff; }
QLineEdit:disabled { background: #f4f5f7; color: #8a8f99; }
QLabel#lbl_login_error { color: #e5484d; font-size: 12px; }
QPushButton#btn_login_submit { background: #2f6bff; color: #ffffff; border: none;
            border-radius: 4px; min-height: 40px; font-size: 15px; }
QPushButton#btn_login_submit:hover { background: #4a7fff; }
QPushButton#btn_login_submit:pressed { background: #2456d6; }
QPushButton#btn_login_submit:disabled { background: #9db8ff; }
)";

} // namespace

LoginDialog::LoginDialog(QWidget* parent)
    : QDialog(parent), userName(new QLineEdit(this)), password(new QLineEdit(this)),
      error(new QLabel(this)), signIn(new QPushButton(this))
{
    setObjectName("dlg_login");
    setWindowTitle(Text("@string/str_login_title"));
    setStyleSheet(kStyle);
    setFixedWidth(380);

    auto* heading = new QLabel(Text("@string/str_login_title"), this);
    heading->setObjectName("lbl_login_heading");
    auto* welcome = new QLabel(Text("@string/str_msgbox_login_welcome"), this);
    welcome->setObjectName("lbl_login_welcome");

    userName->setObjectName("edit_login_user");
    userName->setPlaceholderText(Text("@string/str_login_user_cue"));
    password->setObjectName("edit_login_password");
    password->setPlaceholderText(Text("@string/str_login_password_cue"));
    password->setEchoMode(QLineEdit::Password);
    // A placeholder is gone once typing starts; the names stay for screen readers.
    userName->setAccessibleName(Text("@string/str_acc_login_user"));
    password->setAccessibleName(Text("@string/str_acc_login_password"));
    error->setObjectName("lbl_login_error");
    // The error line keeps its place, so the window does not jump when it appears.
    error->setFixedHeight(30);
    error->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    signIn->setObjectName("btn_login_submit");
    signIn->setText(Text("@string/str_login_btn"));
    signIn->setDefault(true);
    signIn->setCursor(Qt::PointingHandCursor);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(36, 32, 36, 32);
    layout->setSpacing(0);
    layout->addWidget(heading);
    layout->addSpacing(6);
    layout->addWidget(welcome);
    layout->addSpacing(24);
    layout->addWidget(userName);
    layout->addSpacing(14);
    layout->addWidget(password);
    layout->addSpacing(4);
    layout->addWidget(error);
    layout->addSpacing(8);
    layout->addWidget(signIn);
    setFixedHeight(sizeHint().height());

    connect(signIn, &QPushButton::clicked, this, &LoginDialog::Submit);
    connect(userName, &QLineEdit::returnPressed, this, &LoginDialog::Submit);
    connect(password, &QLineEdit::returnPressed, this, &LoginDialog::Submit);
}

void LoginDialog::Submit()
{
    if (!signIn->isEnabled())
        return;
    const QString name = userName->text().trimmed();
    if (name.isEmpty() || password->text().isEmpty()) {
        ShowError(Text("@string/str_login_err_empty"));
        return;
    }
    ShowError({});
    SetBusy(true);
    emit SignInRequested(name, password->text());
}

void LoginDialog::SetBusy(bool busy)
{
    userName->setEnabled(!busy);
    password->setEnabled(!busy);
    signIn->setEnabled(!busy);
    signIn->setText(Text(busy ? "@string/str_login_busy" : "@string/str_login_btn"));
}

void LoginDialog::ShowError(const QString& text)
{
    error->setText(text);
}

void LoginDialog::Reset()
{
    SetBusy(false);
    ShowError({});
    password->clear();
}
