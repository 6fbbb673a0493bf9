#include "printwindow.h"

#include "printjob.h"
#include "tiles/leafviewapi.h"
#include "utility/stringtable.h"

#include <poppler-qt6.h>

#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

namespace {

// The printer a print window sets up, owned by that window: a child object is deleted after
// the dialog's own destructor has run.
class PrinterHolder : public QObject
{
public:
    explicit PrinterHolder(QObject* window) : QObject(window), printer(QPrinter::HighResolution) {}
    QPrinter printer;
};

} // namespace

QPrintDialog* MakePrintDialog(QPrinter& printer, int pageCount, QWidget* parent)
{
    printer.setFromTo(1, pageCount);
    auto* dialog = new QPrintDialog(&printer, parent);
    dialog->setObjectName(QStringLiteral("dlg_print"));
    dialog->setWindowTitle(QString::fromStdString(StringTable::Resolve("@string/str_print_title")));
    dialog->setMinMax(1, pageCount);
    dialog->setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintToFile |
                       QAbstractPrintDialog::PrintShowPageSize |
                       QAbstractPrintDialog::PrintCollateCopies);
    return dialog;
}

bool ShowPrintWindow(const QString& path, const QByteArray& password, QWidget* parent)
{
    if (QFileInfo(path).fileName() == QLatin1String(kPrintWarmUpFile))
        return true;
    const auto document = Poppler::Document::load(path, password, password);
    if (!document || document->isLocked() || document->numPages() <= 0)
        return false;
    // Shown without a loop of its own: the document is printed when the dialog is accepted,
    // and the dialog goes when it closes.
    auto* holder = new PrinterHolder(nullptr);
    holder->printer.setDocName(QFileInfo(path).fileName());
    QPrintDialog* dialog = MakePrintDialog(holder->printer, document->numPages(), parent);
    holder->setParent(dialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::accepted, holder,
                     [holder, path, password] { PrintPdf(path, password, holder->printer); });
    dialog->open();
    return true;
}
