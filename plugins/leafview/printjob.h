#pragma once

#include <QByteArray>
#include <QString>

class QPrinter;

enum class PrintResult
{
    Printed,
    Unreadable, // the document cannot be opened with this password
    Failed,     // the printer refused
};

// Prints the PDF `path` on `printer`: the printer's page range (all pages when none) and its
// number of copies, each page scaled to fit the printable area. The words are laid over the
// pages invisibly, so a document printed to a file keeps its text.
PrintResult PrintPdf(const QString& path, const QByteArray& password, QPrinter& printer);
