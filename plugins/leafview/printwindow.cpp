#include "printwindow.h"

#include "printjob.h"
#include "tiles/leafviewapi.h"
#include "utility/stringtable.h"

#include <poppler-qt6.h>

#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

#include <memory>

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
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QFileInfo(path).fileName());
    const std::unique_ptr<QPrintDialog> dialog(
        MakePrintDialog(printer, document->numPages(), parent));
    if (dialog->exec() != QDialog::Accepted)
        return false;
    return PrintPdf(path, password, printer) == PrintResult::Printed;
}
