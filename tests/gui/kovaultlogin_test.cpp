// The account plug-in's login window, shown in a Qt Widgets application.
#include "integration/kovaultfixture.h"
#include "utility/stringtable.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <cstdlib>
#include <functional>
#include <thread>

using namespace std::chrono_literals;

class KovaultWindowTest : public KovaultTest
{
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "kovault_test";
        static char* argv[] = {name, nullptr};
        static QApplication application(argc, argv);
    }

    template <typename Widget> Widget* Find(const char* name)
    {
        auto* dialog = static_cast<QWidget*>(account.LoginWindow());
        return dialog ? dialog->findChild<Widget*>(name) : nullptr;
    }

    bool ProcessUntil(const std::function<bool()>& done)
    {
        for (int i = 0; i < 1000 && !done(); ++i) {
            QApplication::processEvents();
            std::this_thread::sleep_for(5ms);
        }
        return done();
    }

    void Grab(const char* fileName)
    {
        if (const char* directory = std::getenv("DOKORA_SCREENSHOT_DIR"))
            static_cast<QWidget*>(account.LoginWindow())
                ->grab()
                .save(QString::fromUtf8(directory) + "/" + fileName);
    }

    void SignIn(const char* user, const char* password)
    {
        Find<QLineEdit>("edit_login_user")->setText(user);
        Find<QLineEdit>("edit_login_password")->setText(password);
        Find<QPushButton>("btn_login_submit")->click();
    }
};

TEST_F(KovaultWindowTest, LoginWindowSignsInAndExplainsFailures)
{
    ASSERT_EQ(LoadAccountLibrary(account, Setup()), AccountLoad::Loaded);
    account.PromptLogin();
    EXPECT_EQ(window.Count(WM_ACCOUNT_SHOW_LOGIN), 1u);
    auto* dialog = static_cast<QWidget*>(account.LoginWindow());
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    auto* error = Find<QLabel>("lbl_login_error");
    auto* button = Find<QPushButton>("btn_login_submit");
    ASSERT_TRUE(error && button);
    Grab("login-dialog.png");

    SignIn("tester", "");
    EXPECT_EQ(error->text().toStdString(), StringTable::Resolve("@string/str_login_err_empty"));

    SignIn("tester", "wrong");
    EXPECT_FALSE(button->isEnabled()); // busy while the service answers
    EXPECT_EQ(button->text().toStdString(), StringTable::Resolve("@string/str_login_busy"));
    ASSERT_TRUE(ProcessUntil([&] { return button->isEnabled(); }));
    EXPECT_EQ(error->text().toStdString(), StringTable::Resolve("@string/str_login_err_password"));
    Grab("login-dialog-error.png");

    ASSERT_TRUE(account.SetService("http://127.0.0.1:1/shiro-cas"));
    SignIn("tester", "secret");
    ASSERT_TRUE(ProcessUntil([&] { return button->isEnabled(); }));
    EXPECT_EQ(error->text().toStdString(), StringTable::Resolve("@string/str_login_err_service"));

    ASSERT_TRUE(account.SetService("http://192.0.2.1/shiro-cas"));
    SignIn("tester", "secret");
    ASSERT_TRUE(ProcessUntil([&] { return button->isEnabled(); }));
    EXPECT_EQ(error->text().toStdString(), StringTable::Resolve("@string/str_login_err_insecure"));

    ASSERT_TRUE(account.SetService(service.SsoUrl()));
    SignIn("tester", "secret");
    ASSERT_TRUE(ProcessUntil([&] { return !dialog->isVisible(); }));
    EXPECT_EQ(window.Count(WM_ACCOUNT_LOGIN), 1u);
    EXPECT_TRUE(account.IsSignedIn());
    EXPECT_TRUE(error->text().isEmpty());
    EXPECT_TRUE(Find<QLineEdit>("edit_login_password")->text().isEmpty());
}
