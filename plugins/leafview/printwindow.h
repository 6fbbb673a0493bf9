#pragma once

#include <QByteArray>
#include <QString>

class QPrintDialog;
class QPrinter;
class QWidget;

// The print dialog for a document with `pageCount` pages: page range and copies. The caller
// owns the printer; the dialog is parented to `parent`.
QPrintDialog* MakePrintDialog(QPrinter& printer, int pageCount, QWidget* parent);

// Shows the print window for the PDF `path`, which prints it with the printer, page range and
// copies chosen once accepted, and returns. False (nothing shown) when the document cannot be
// opened. The work directory's "print.tmp" only prepares printing and shows nothing.
bool ShowPrintWindow(const QString& path, const QByteArray& password, QWidget* parent);
