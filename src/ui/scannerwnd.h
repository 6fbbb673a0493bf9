#pragma once

#include "base/windowmessage.h"

#include <QDialog>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class ScanImageNames;
class TW_ScanBase;

// What the scanner window works with, handed down by the program's composition root.
struct ScannerWndSetup
{
    std::unique_ptr<TW_ScanBase> scanner; // the window's own; closed with the window
    ScanImageNames* imageNames = nullptr; // the process's numbering of scanned images
    std::string appDataDir;               // ends with '/'; "scan/" below it holds the pages
    MessageTarget* owner = nullptr;       // receives WM_OPEN_IN_VIEWER with the saved page
};

// The scanner dialog behind the PDFScanner function: scanner, sides, paper, image mode and
// resolution, a scan that runs without blocking the window (its events are polled from a
// timer), and the first saved page handed to the owner, which opens it in the viewer.
// Results: 1 a page was delivered, 2 cancelled, 8 closed or not initialised.
class CScannerWnd : public QDialog, public MessageTarget
{
    Q_OBJECT

public:
    static constexpr int kDelivered = 1;
    static constexpr int kCancelled = 2;
    static constexpr int kClosed = 8;
    // How often a running scan's events are looked at.
    static constexpr int kPollMs = 20;

    CScannerWnd(ScannerWndSetup setup, QWidget* parent);
    ~CScannerWnd() override;

    // Receives TW_ScanBase's messages; they are handled in the window's event queue.
    void PostWindowMessage(WindowMessage message) override;
    // Escape cancels as btn_cancel does.
    void reject() override { done(kCancelled); }

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool PrepareScanDirectory();
    QWidget* BuildCaption();
    QWidget* BuildForm();
    void FillLists();
    void OnScannerChanged();
    void OnScan();
    void OnPoll();
    void ShowStatus(const char* textKey, bool problem);

    ScannerWndSetup setup;
    std::string scanDirectory;
    std::vector<int> paperEntries; // the codes of cb_paperSize's entries, in display order
    QComboBox* scanners = nullptr;
    QComboBox* sides = nullptr;
    QComboBox* paperSizes = nullptr;
    QComboBox* pixelModes = nullptr;
    QComboBox* resolutions = nullptr;
    QLabel* status = nullptr;
    QPushButton* scanButton = nullptr;
    QTimer poll;
};
