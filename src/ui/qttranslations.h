#pragma once

class QCoreApplication;

// Qt's own texts (print and file dialogs, edit menus) in the program's language, Chinese.
// False when Qt's translations are not installed; those texts stay English then.
bool InstallQtTranslations(QCoreApplication& app);
