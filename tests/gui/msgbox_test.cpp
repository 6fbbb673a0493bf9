#include "base/passwordverifier.h"
#include "gui/guitest.h"
#include "ui/msgbox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <set>

namespace {

class FakeVerifier : public PasswordVerifier
{
public:
    bool IsPasswordCorrect(const std::string& path, const std::string& password) override
    {
        ++calls;
        lastPath = path;
        return password == "open sesame";
    }

    int calls = 0;
    std::string lastPath;
};

const char* const kBodyControls[] = {
    "img_attention_icon", "txt_attention_string", "btn_bigOK",   "btn_bigLogin",    "btn_smallOK",
    "btn_cancel",         "txt_password_notice",  "re_password", "txt_password_err"};

template <typename T = QWidget> T* Control(CMsgBox& box, const char* name)
{
    T* control = box.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

QString Text(CMsgBox& box, const char* name)
{
    if (auto* button = box.findChild<QPushButton*>(QString::fromLatin1(name)))
        return button->text();
    return Control<QLabel>(box, name)->text();
}

std::set<std::string> ShownBodyControls(CMsgBox& box)
{
    std::set<std::string> shown;
    for (const char* name : kBodyControls) {
        if (Control(box, name)->isVisibleTo(&box))
            shown.insert(name);
    }
    return shown;
}

class MsgBoxTest : public ::testing::Test
{
protected:
    MsgBoxTest() { TestApp(); }

    FakeVerifier verifier;
};

TEST_F(MsgBoxTest, EachModeShowsExactlyItsControls)
{
    const std::pair<MsgBoxMode, std::set<std::string>> expected[] = {
        {MsgBoxMode::Question,
         {"img_attention_icon", "txt_attention_string", "btn_smallOK", "btn_cancel"}},
        {MsgBoxMode::Notice, {"img_attention_icon", "txt_attention_string", "btn_bigOK"}},
        {MsgBoxMode::NoticeTwoLines, {"img_attention_icon", "txt_attention_string", "btn_bigOK"}},
        {MsgBoxMode::Login, {"txt_attention_string", "btn_bigLogin"}},
        {MsgBoxMode::Password, {"txt_password_notice", "re_password", "btn_smallOK", "btn_cancel"}},
    };
    for (const auto& [mode, controls] : expected) {
        CMsgBox box(MsgBoxRequest(mode, "x"), &verifier);
        EXPECT_EQ(ShownBodyControls(box), controls) << "mode " << static_cast<int>(mode);
        EXPECT_TRUE(Control(box, "txt_title")->isVisibleTo(&box));
        EXPECT_TRUE(Control(box, "btn_close")->isVisibleTo(&box));
        EXPECT_EQ(box.size(), QSize(CMsgBox::kWidth, CMsgBox::kHeight));
    }
}

TEST_F(MsgBoxTest, EachModeShowsItsTexts)
{
    CMsgBox question(MsgBoxRequest(MsgBoxMode::Question, "@string/str_msgbox_conving"), &verifier);
    EXPECT_EQ(Text(question, "txt_attention_string"),
              QString::fromUtf8("还有文件尚未处理成功，是否退出程序？"));
    EXPECT_EQ(Text(question, "btn_smallOK"), QString::fromUtf8("确定"));
    EXPECT_EQ(Text(question, "btn_cancel"), QString::fromUtf8("取消"));
    EXPECT_EQ(Text(question, "txt_title"), QString::fromUtf8("TevraDokora"));

    MsgBoxRequest noticeRequest(MsgBoxMode::Notice, "@string/str_msgbox_plugin");
    noticeRequest.title = "提示";
    CMsgBox notice(noticeRequest, &verifier);
    EXPECT_EQ(Text(notice, "txt_attention_string"),
              QString::fromUtf8("组件缺失，请重新下载最新版本！"));
    EXPECT_EQ(Text(notice, "btn_bigOK"), QString::fromUtf8("我知道了"));
    EXPECT_EQ(Text(notice, "txt_title"), QString::fromUtf8("提示"));

    CMsgBox login(MsgBoxRequest(MsgBoxMode::Login, "hello"), &verifier);
    EXPECT_EQ(Text(login, "btn_bigLogin"), QString::fromUtf8("立即登录"));

    MsgBoxRequest passwordRequest(MsgBoxMode::Password, "");
    passwordRequest.smallOkText = "@string/str_msgbox_password_btn";
    CMsgBox password(passwordRequest, &verifier);
    EXPECT_EQ(Text(password, "txt_title"), QString::fromUtf8("输入打开密码"));
    EXPECT_EQ(Text(password, "btn_smallOK"), QString::fromUtf8("确认密码"));
    EXPECT_EQ(Text(password, "txt_password_notice"),
              QString::fromUtf8("本文档设置了密码保护，请输入密码"));
    EXPECT_EQ(Control<QLineEdit>(password, "re_password")->echoMode(), QLineEdit::Password);
}

TEST_F(MsgBoxTest, ButtonsEndWithTheirResults)
{
    const std::tuple<MsgBoxMode, const char*, MsgBoxResult> cases[] = {
        {MsgBoxMode::Notice, "btn_bigOK", MsgBoxResult::Ok},
        {MsgBoxMode::Question, "btn_smallOK", MsgBoxResult::Ok},
        {MsgBoxMode::Question, "btn_cancel", MsgBoxResult::Cancel},
        {MsgBoxMode::Login, "btn_bigLogin", MsgBoxResult::Ok},
        {MsgBoxMode::Login, "btn_close", MsgBoxResult::Closed},
        {MsgBoxMode::Notice, "btn_close", MsgBoxResult::Closed},
    };
    for (const auto& [mode, button, result] : cases) {
        CMsgBox box(MsgBoxRequest(mode, "x"), &verifier);
        box.open();
        Control<QPushButton>(box, button)->click();
        EXPECT_FALSE(box.isVisible()) << button;
        EXPECT_EQ(static_cast<MsgBoxResult>(box.result()), result)
            << "mode " << static_cast<int>(mode) << " " << button;
    }
    CMsgBox escaped(MsgBoxRequest(MsgBoxMode::Question, ""), &verifier);
    escaped.open();
    escaped.reject();
    EXPECT_EQ(static_cast<MsgBoxResult>(escaped.result()), MsgBoxResult::Closed);
}

TEST_F(MsgBoxTest, WrongPasswordKeepsTheBoxOpenWithTheRedLine)
{
    MsgBoxRequest request(MsgBoxMode::Password, "");
    request.documentPath = "/docs/a.pdf";
    CMsgBox box(request, &verifier);
    box.open();
    auto* edit = Control<QLineEdit>(box, "re_password");
    auto* error = Control(box, "txt_password_err");
    EXPECT_FALSE(error->isVisible());

    edit->setText(QStringLiteral("guess"));
    Control<QPushButton>(box, "btn_smallOK")->click();
    EXPECT_TRUE(box.isVisible());
    EXPECT_TRUE(error->isVisible());
    EXPECT_EQ(edit->text(), QStringLiteral("guess"));
    EXPECT_EQ(verifier.lastPath, "/docs/a.pdf");

    edit->setText(QStringLiteral("open sesame"));
    emit edit->returnPressed();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(static_cast<MsgBoxResult>(box.result()), MsgBoxResult::Ok);
    EXPECT_EQ(box.Password(), "open sesame");
    EXPECT_EQ(verifier.calls, 2);
}

TEST_F(MsgBoxTest, PasswordModeWithoutVerifierNeverAccepts)
{
    CMsgBox box(MsgBoxRequest(MsgBoxMode::Password, ""), nullptr);
    box.open();
    Control<QLineEdit>(box, "re_password")->setText(QStringLiteral("anything"));
    Control<QPushButton>(box, "btn_smallOK")->click();
    EXPECT_TRUE(box.isVisible());
    Control<QPushButton>(box, "btn_cancel")->click();
    EXPECT_EQ(static_cast<MsgBoxResult>(box.result()), MsgBoxResult::Cancel);
}

} // namespace
