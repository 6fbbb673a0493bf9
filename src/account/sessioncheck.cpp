#include "account/sessioncheck.h"

#include "account/accountlibrary.h"
#include "account/userinfosession.h"
#include "base/dialogservice.h"
#include "base/taskbasethread.h"
#include "base/tokenrecord.h"

SessionCheck CheckSessionBeforeConversion(const SessionCheckParts& parts)
{
    if (!parts.account.IsSignedIn()) {
        parts.account.PromptLogin();
        return SessionCheck::NotSignedIn;
    }
    const TokenRecord token = parts.tokens.GetToken(false);
    if (!token.ok) {
        parts.tokenThread.StartWithNotice(parts.mainWnd, parts.dialogs);
        return SessionCheck::TokenPending;
    }
    if (token.token.empty()) {
        if (parts.account.IsSignedIn()) {
            parts.account.Logout();
            parts.dialogs.ShowMessage(parts.mainWnd, MsgBoxMode::Notice,
                                      "@string/str_msgbox_server_data_login");
        }
        return SessionCheck::TokenEmpty;
    }
    if (!parts.userInfo.GetUserInfo(true).ok) {
        parts.userInfoThread.StartWithNotice(parts.mainWnd, parts.dialogs);
        return SessionCheck::UserInfoPending;
    }
    return SessionCheck::Ready;
}
