#include "ui/msgbox.h"

#include "base/passwordverifier.h"
#include "ui/dialogframe.h"
#include "ui/theme.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr int kButtonsFromBottom = 75;         // top of the buttons above the bottom edge
constexpr int kPasswordButtonsFromBottom = 50; // password mode: below the edit
constexpr int kIconGap = 12;
constexpr int kSideMargin = 40;

// What a request leaves empty keeps the box's default.
std::string OrDefault(const std::string& value, const char* fallback)
{
    return value.empty() ? fallback : value;
}

// `text` with a zero-width space after each character of a run of letters wider than
// `width`, so a long file name breaks at the edge instead of running past it.
QString BreakableText(const QFontMetrics& metrics, const QString& text, int width)
{
    QString result;
    QString run;
    const auto flush = [&] {
        if (metrics.horizontalAdvance(run) <= width) {
            result += run;
        } else {
            for (const QChar c : run)
                result += QString(c) + QChar(0x200B);
        }
        run.clear();
    };
    for (const QChar c : text) {
        if (c.isSpace()) {
            flush();
            result += c;
        } else {
            run += c;
        }
    }
    flush();
    return result;
}

} // namespace

CMsgBox::CMsgBox(const MsgBoxRequest& request, PasswordVerifier* verifier, QWidget* parent)
    : CFramedDialog(parent), mode(request.mode), documentPath(request.documentPath),
      verifier(verifier)
{
    setObjectName(QStringLiteral("rc_msgBox"));
    setFixedSize(kWidth, kHeight);
    BuildControls();
    ApplyTexts(request);
    Arrange();
}

void CMsgBox::BuildControls()
{
    title = MakeDialogTitle(this, kWidth, QString());

    closeButton = MakeDialogButton(this, "btn_close", "caption");
    closeButton->setIcon(Theme::Icon("caption_close"));
    closeButton->setIconSize(QSize(14, 14));
    closeButton->setGeometry(kWidth - 40, 6, 30, 28);
    connect(closeButton, &QPushButton::clicked, this, [this] { Finish(MsgBoxResult::Closed); });

    attentionIcon = MakeAttentionIcon(this, kIconSize);
    attentionText = MakeAttentionText(this);
    attentionText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    bigOk = MakeDialogButton(this, "btn_bigOK", "primary");
    bigLogin = MakeDialogButton(this, "btn_bigLogin", "primary");
    smallOk = MakeDialogButton(this, "btn_smallOK", "primary");
    cancel = MakeDialogButton(this, "btn_cancel", "secondary");
    connect(bigOk, &QPushButton::clicked, this, &CMsgBox::OnOk);
    connect(smallOk, &QPushButton::clicked, this, &CMsgBox::OnOk);
    connect(bigLogin, &QPushButton::clicked, this, [this] { Finish(MsgBoxResult::Ok); });
    connect(cancel, &QPushButton::clicked, this, [this] { Finish(MsgBoxResult::Cancel); });

    passwordNotice = new QLabel(this);
    passwordNotice->setObjectName(QStringLiteral("txt_password_notice"));
    passwordNotice->setText(Theme::Text("@string/str_msgbox_password_notice"));
    passwordNotice->setGeometry(48, 62, kWidth - 96, 24);

    passwordEdit = new QLineEdit(this);
    passwordEdit->setObjectName(QStringLiteral("re_password"));
    passwordEdit->setEchoMode(QLineEdit::Password);
    passwordEdit->setPlaceholderText(Theme::Text("@string/str_msgbox_password_cue"));
    passwordEdit->setGeometry(48, 92, kWidth - 96, 36);
    connect(passwordEdit, &QLineEdit::returnPressed, this, &CMsgBox::OnOk);

    passwordError = new QLabel(this);
    passwordError->setObjectName(QStringLiteral("txt_password_err"));
    passwordError->setText(Theme::Text("@string/str_msgbox_password_err"));
    passwordError->setGeometry(48, 132, kWidth - 96, 20);

    // As laid out: the small OK and cancel show, everything else waits for its mode.
    for (QWidget* hidden :
         {static_cast<QWidget*>(bigOk), static_cast<QWidget*>(bigLogin),
          static_cast<QWidget*>(passwordNotice), static_cast<QWidget*>(passwordEdit),
          static_cast<QWidget*>(passwordError)})
        hidden->hide();
    const int buttonsTop = kHeight - kButtonsFromBottom;
    smallOk->setGeometry(kSmallButtonLeft, buttonsTop, kSmallButtonWidth, kButtonHeight);
    cancel->setGeometry(smallOk->geometry().right() + 1 + kButtonGap, buttonsTop, kSmallButtonWidth,
                        kButtonHeight);
    const QRect wide((kWidth - kBigButtonWidth) / 2, buttonsTop, kBigButtonWidth, kButtonHeight);
    bigOk->setGeometry(wide);
    bigLogin->setGeometry(wide);
}

void CMsgBox::ApplyTexts(const MsgBoxRequest& request)
{
    bigOk->setText(Theme::Text(OrDefault(request.bigOkText, "@string/str_msgbox_btn_known")));
    smallOk->setText(Theme::Text(OrDefault(request.smallOkText, "@string/str_msgbox_btn_ok")));
    cancel->setText(Theme::Text(OrDefault(request.cancelText, "@string/str_msgbox_btn_cancel")));
    title->setText(Theme::Text(OrDefault(request.title, "@string/str_msgbox_title")));
    attentionText->setText(Theme::Text(request.message));
    setWindowTitle(title->text());
}

void CMsgBox::ArrangeNotice(int textTop)
{
    // The icon and the text form one block, centred. Long texts wrap within the side margins
    // into lines of even length, so no word is left alone on the last one; a name too long
    // for a line breaks where it must; the box grows when the text needs the room.
    attentionText->ensurePolished();
    const QFontMetrics metrics = attentionText->fontMetrics();
    const int widest = kWidth - 2 * kSideMargin - kIconSize - kIconGap;
    const QString text = BreakableText(metrics, attentionText->text(), widest);
    attentionText->setAccessibleName(attentionText->text());
    attentionText->setText(text);
    const auto heightAt = [&](int width) {
        return metrics.boundingRect(QRect(0, 0, width, 10000), Qt::TextWordWrap, text).height();
    };
    const int fullHeight = heightAt(widest);
    int textWidth = std::min(widest, metrics.horizontalAdvance(text) + 2);
    if (fullHeight > metrics.lineSpacing() + 1) {
        // The narrowest width that needs no more lines than the widest one.
        int low = widest / 2;
        int high = widest;
        while (low < high) {
            const int middle = (low + high) / 2;
            if (heightAt(middle) > fullHeight)
                low = middle + 1;
            else
                high = middle;
        }
        textWidth = high + 2;
    }
    const int room = kHeight - kButtonsFromBottom - textTop;
    const int grow = std::max(0, fullHeight + 2 * metrics.lineSpacing() - room);
    if (grow > 0) {
        setFixedSize(kWidth, kHeight + grow);
        for (QWidget* button : {static_cast<QWidget*>(bigOk), static_cast<QWidget*>(smallOk),
                                static_cast<QWidget*>(cancel), static_cast<QWidget*>(bigLogin)})
            button->move(button->x(), button->y() + grow);
    }
    const int left = (kWidth - (kIconSize + kIconGap + textWidth)) / 2;
    const int textBottom = height() - kButtonsFromBottom;
    attentionIcon->move(left, (textTop + textBottom) / 2 - kIconSize / 2);
    attentionText->setGeometry(left + kIconSize + kIconGap, textTop, textWidth,
                               textBottom - textTop);
}

void CMsgBox::Arrange()
{
    switch (mode) {
    case MsgBoxMode::Question:
        ArrangeNotice(kCaptionHeight + 10);
        bigOk->hide();
        smallOk->setDefault(true);
        break;
    case MsgBoxMode::Notice:
    case MsgBoxMode::NoticeTwoLines:
        ArrangeNotice(mode == MsgBoxMode::Notice ? kCaptionHeight + 10 : kCaptionHeight);
        bigOk->show();
        bigOk->setDefault(true);
        smallOk->hide();
        cancel->hide();
        break;
    case MsgBoxMode::Login:
        attentionIcon->hide();
        attentionText->setAlignment(Qt::AlignCenter);
        attentionText->setGeometry(48, kCaptionHeight, kWidth - 96,
                                   kHeight - kButtonsFromBottom - kCaptionHeight);
        bigLogin->setText(Theme::Text("@string/str_msgbox_btn_login"));
        bigLogin->show();
        bigLogin->setDefault(true);
        bigOk->hide();
        smallOk->hide();
        cancel->hide();
        break;
    case MsgBoxMode::Password: {
        title->setText(Theme::Text("@string/str_msgbox_password_title"));
        setWindowTitle(title->text());
        attentionIcon->hide();
        attentionText->hide();
        bigOk->hide();
        passwordNotice->show();
        passwordEdit->show();
        const int top = kHeight - kPasswordButtonsFromBottom;
        smallOk->move(kSmallButtonLeft, top);
        cancel->move(smallOk->geometry().right() + 1 + kButtonGap, top);
        passwordEdit->setFocus();
        break;
    }
    default:
        // Any other mode keeps the layout's arrangement.
        ArrangeNotice(kCaptionHeight + 10);
        break;
    }
}

void CMsgBox::OnOk()
{
    if (mode != MsgBoxMode::Password) {
        Finish(MsgBoxResult::Ok);
        return;
    }
    password = passwordEdit->text().toStdString();
    if (verifier && verifier->IsPasswordCorrect(documentPath, password)) {
        Finish(MsgBoxResult::Ok);
        return;
    }
    // The typed text stays so the user can correct it.
    passwordError->show();
    passwordEdit->setFocus();
}

void CMsgBox::reject()
{
    // Escape counts as the close button.
    Finish(MsgBoxResult::Closed);
}
