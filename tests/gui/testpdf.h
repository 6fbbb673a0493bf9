#pragma once

// PDFs made by the tests: pages of text written with Qt's PDF writer, protected copies made
// with qpdf, and the text pdftotext reads back.
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace TestPdf {

// Writes one A4 page per text, each text as a heading and a few lines under it, in a CJK font
// so Chinese shows.
inline void Write(const std::string& path, const std::vector<QString>& pages)
{
    QPdfWriter writer(QString::fromStdString(path));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(144);
    QPainter painter(&writer);
    QFont heading(QStringLiteral("Noto Sans CJK SC"), 24);
    QFont body(QStringLiteral("Noto Sans CJK SC"), 12);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        painter.setFont(heading);
        painter.drawText(QPointF(120, 200), pages[i]);
        painter.setFont(body);
        for (int line = 0; line < 6; ++line)
            painter.drawText(
                QPointF(120, 320 + line * 48),
                QStringLiteral("第 %1 页，第 %2 行：文档转换与查看。").arg(i + 1).arg(line + 1));
    }
}

// `count` pages titled "Page N".
inline void WriteNumbered(const std::string& path, int count)
{
    std::vector<QString> pages;
    for (int i = 1; i <= count; ++i)
        pages.push_back(QStringLiteral("Page %1").arg(i));
    Write(path, pages);
}

// A copy of `source` that needs `password` to open (AES-256); false when qpdf failed.
inline bool Protect(const std::string& source, const std::string& target,
                    const std::string& password)
{
    const QString secret = QString::fromStdString(password);
    return QProcess::execute(QStringLiteral("qpdf"),
                             {QStringLiteral("--encrypt"), secret,
                              secret + QStringLiteral("-owner"), QStringLiteral("256"),
                              QStringLiteral("--"), QString::fromStdString(source),
                              QString::fromStdString(target)}) == 0;
}

// Qt's PDF writer maps some ideographs to the look-alike radicals ("⼆" for "二"); the
// compatibility form folds them back.
inline QString Folded(const QString& text)
{
    return text.normalized(QString::NormalizationForm_KC);
}

// What pdftotext reads from the PDF at `path`, folded; empty when it cannot.
inline QString Text(const std::string& path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), QString::fromStdString(path), QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return Folded(QString::fromUtf8(process.readAllStandardOutput()));
}

// The page count pdfinfo reports; 0 when it cannot.
inline int PageCount(const std::string& path)
{
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {QString::fromStdString(path)});
    if (!process.waitForFinished(30000))
        return 0;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n'))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return 0;
}

} // namespace TestPdf
