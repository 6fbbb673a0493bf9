#include "ui/scannerwnd.h"

#include "scan/papertable.h"
#include "scan/scanimagenames.h"
#include "scan/twscanbase.h"
#include "ui/caption.h"
#include "ui/keyboard.h"
#include "ui/theme.h"
#include "ui/windowmessageevent.h"
#include "utility/tc_checkpath.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr int kWidth = 420;
constexpr int kCaptionHeight = 44;

const char* const kStyleSheet = R"(
QLabel#txt_scan_title { font-size: 14px; font-weight: bold; color: #1f2329; }
QLabel[role="scanLabel"] { font-size: 13px; color: #3a3f47; }
QLabel#txt_scan_status { font-size: 13px; color: #646a73; }
QLabel#txt_scan_status[problem="true"] { color: #d83931; }
QComboBox { min-height: 28px; font-size: 13px; }
QPushButton#btn_scan, QPushButton#btn_cancel { min-width: 88px; font-size: 13px; }
)";

QComboBox* MakeCombo(QWidget* parent, const char* name, const char* labelKey)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    // The label's text without its colon names the list for assistive tools.
    QString accessible = Theme::Text(labelKey);
    accessible.remove(QChar(0xFF1A));
    combo->setAccessibleName(accessible);
    combo->setFocusPolicy(Qt::StrongFocus);
    return combo;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* textKey, const char* role)
{
    auto* button = new QPushButton(Theme::Text(textKey), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setProperty("role", QString::fromLatin1(role));
    button->setFixedHeight(32);
    button->setAutoDefault(false);
    Keyboard::MakeReachable(button);
    return button;
}

} // namespace

CScannerWnd::CScannerWnd(ScannerWndSetup scannerSetup, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), setup(std::move(scannerSetup))
{
    setObjectName(QStringLiteral("rc_scan"));
    setWindowTitle(Theme::Text("@string/str_appTitle"));
    setFixedWidth(kWidth);
    setStyleSheet(QString::fromUtf8(kStyleSheet));

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(1, 1, 1, 1);
    root->setSpacing(0);
    root->addWidget(BuildCaption());
    root->addWidget(BuildForm());

    poll.setInterval(kPollMs);
    connect(&poll, &QTimer::timeout, this, &CScannerWnd::OnPoll);

    if (!setup.scanner || !PrepareScanDirectory()) {
        // Closes as soon as the owner has shown it, without a message.
        QMetaObject::invokeMethod(
            this, [this] { done(kClosed); }, Qt::QueuedConnection);
        return;
    }
    setup.scanner->Open(this);
    setup.scanner->SetOutputDirectory(scanDirectory);
    FillLists();
}

CScannerWnd::~CScannerWnd()
{
    poll.stop();
    if (setup.scanner)
        setup.scanner->Close();
}

// Pages of earlier openings are removed: the directory is emptied on every opening.
bool CScannerWnd::PrepareScanDirectory()
{
    if (setup.appDataDir.empty())
        return true;
    scanDirectory = setup.appDataDir + "scan/";
    if (TC_CHECKPATH::TC_DirectoryExist(scanDirectory.c_str()) &&
        !TC_CHECKPATH::TC_DeleteDirectory(scanDirectory.c_str()))
        return false;
    return TC_CHECKPATH::TC_CreateDirectory(scanDirectory.c_str());
}

QWidget* CScannerWnd::BuildCaption()
{
    auto* caption = new QWidget(this);
    caption->setObjectName(QStringLiteral("wnd_scanCaption"));
    caption->setFixedHeight(kCaptionHeight);
    auto* layout = new QHBoxLayout(caption);
    layout->setContentsMargins(20, 6, 10, 6);
    auto* title = new QLabel(Theme::Text("@string/str_appTitle"), caption);
    title->setObjectName(QStringLiteral("txt_scan_title"));
    layout->addWidget(title);
    layout->addStretch(1);
    auto* close = MakeCaptionButton(caption, "btn_close", "caption_close", "@string/str_acc_close");
    layout->addWidget(close);
    connect(close, &QPushButton::clicked, this, [this] { done(kClosed); });
    return caption;
}

QWidget* CScannerWnd::BuildForm()
{
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(28, 8, 28, 20);
    layout->setSpacing(14);

    auto* form = new QFormLayout;
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(10);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const auto row = [this, body, form](const char* name, const char* labelKey) {
        QComboBox* combo = MakeCombo(body, name, labelKey);
        auto* label = new QLabel(Theme::Text(labelKey), body);
        label->setProperty("role", QStringLiteral("scanLabel"));
        label->setBuddy(combo);
        form->addRow(label, combo);
        return combo;
    };
    scanners = row("cb_scanner", "@string/str_scan_scanner");
    sides = row("cb_side", "@string/str_scan_side");
    paperSizes = row("cb_paperSize", "@string/str_scan_paperSize");
    pixelModes = row("cb_pixelMode", "@string/str_scan_pixelMode");
    resolutions = row("cb_resolution", "@string/str_scan_resolution");
    layout->addLayout(form);

    status = new QLabel(body);
    status->setObjectName(QStringLiteral("txt_scan_status"));
    status->setWordWrap(true);
    status->hide();
    layout->addWidget(status);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    scanButton = MakeButton(body, "btn_scan", "@string/str_scan_btn_scan", "primary");
    auto* cancel = MakeButton(body, "btn_cancel", "@string/str_scan_btn_cancel", "secondary");
    buttons->addWidget(scanButton);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(scanButton, &QPushButton::clicked, this, &CScannerWnd::OnScan);
    connect(cancel, &QPushButton::clicked, this, &CScannerWnd::reject);
    return body;
}

void CScannerWnd::FillLists()
{
    for (const std::string& name : setup.scanner->ListSourceNames())
        scanners->addItem(QString::fromStdString(name));
    if (scanners->count() == 0) {
        scanners->setEnabled(false);
        paperSizes->setEnabled(false);
        ShowStatus("@string/str_scan_no_scanner", true);
    }
    sides->addItem(Theme::Text("@string/str_scan_side_single"), 0);
    sides->addItem(Theme::Text("@string/str_scan_side_double"), 1);
    pixelModes->addItem(Theme::Text("@string/str_scan_pixel_bw"), 0);
    pixelModes->addItem(Theme::Text("@string/str_scan_pixel_gray"), 1);
    pixelModes->addItem(Theme::Text("@string/str_scan_pixel_color"), 2);
    resolutions->addItem(QStringLiteral("100"));
    sides->setCurrentIndex(0);
    pixelModes->setCurrentIndex(0);
    resolutions->setCurrentIndex(0);
    if (scanners->count() > 0) {
        scanners->setCurrentIndex(0);
        OnScannerChanged();
    }
    connect(scanners, &QComboBox::currentIndexChanged, this, &CScannerWnd::OnScannerChanged);
}

void CScannerWnd::OnScannerChanged()
{
    TW_ScanBase& scanner = *setup.scanner;
    scanner.CloseSource();
    paperSizes->clear();
    paperEntries.clear();
    if (!scanner.OpenSource(scanners->currentText().toStdString())) {
        paperSizes->setEnabled(false);
        return;
    }
    std::vector<int> codes;
    const bool flatbedAnswered = scanner.GetSupportedSizes(codes, 0) == 1;
    const bool feederAnswered = scanner.GetSupportedSizes(codes, 1) == 1;
    for (const int code : PaperChoices(flatbedAnswered, feederAnswered, std::move(codes))) {
        const auto name = PaperNames().find(code);
        if (name == PaperNames().end())
            continue;
        paperSizes->addItem(Theme::Text(name->second));
        paperEntries.push_back(code);
    }
    paperSizes->setEnabled(!paperEntries.empty());
    if (!paperEntries.empty())
        paperSizes->setCurrentIndex(0);
}

void CScannerWnd::OnScan()
{
    TW_ScanBase& scanner = *setup.scanner;
    if (scanner.IsScanning())
        return;
    if (setup.imageNames)
        scanner.SetImageName(setup.imageNames->Next());
    ScanSettings settings;
    settings.side = static_cast<std::int16_t>(sides->currentIndex());
    settings.pixelMode = static_cast<std::int16_t>(pixelModes->currentIndex());
    settings.resolution = static_cast<std::int16_t>(resolutions->currentText().toInt());
    const int paper = paperSizes->currentIndex();
    settings.paperSize = static_cast<std::int16_t>(
        paper >= 0 && paper < static_cast<int>(paperEntries.size()) ? paperEntries[paper] : 0);
    settings.transferCount = -1;
    settings.sourceName = scanners->currentText().toStdString();
    if (scanner.Scan(settings) != 1) {
        if (scanners->count() > 0)
            ShowStatus("@string/str_scan_not_started", true);
        return;
    }
    ShowStatus("@string/str_scan_scanning", false);
    scanButton->setEnabled(false);
    poll.start();
}

void CScannerWnd::OnPoll()
{
    const char* problem = nullptr;
    switch (setup.scanner->ProcessEvent()) {
    case ScanEvent::None:
        if (setup.scanner->IsScanning())
            return;
        break;
    case ScanEvent::PagesSaved:
        // The pages' messages are queued; the first one closes the window.
        poll.stop();
        return;
    case ScanEvent::DeviceLost:
        problem = "@string/str_scan_device_lost";
        break;
    case ScanEvent::ScanFailed:
        problem = "@string/str_scan_failed";
        break;
    case ScanEvent::SaveFailed:
        problem = "@string/str_scan_save_failed";
        break;
    }
    poll.stop();
    scanButton->setEnabled(true);
    if (problem)
        ShowStatus(problem, true);
    else
        status->hide();
}

void CScannerWnd::ShowStatus(const char* textKey, bool problem)
{
    status->setText(Theme::Text(textKey));
    status->setProperty("problem", problem);
    status->style()->unpolish(status);
    status->style()->polish(status);
    status->show();
}

void CScannerWnd::PostWindowMessage(WindowMessage message)
{
    QCoreApplication::postEvent(this, new WindowMessageEvent(std::move(message)));
}

bool CScannerWnd::event(QEvent* event)
{
    if (event->type() != WindowMessageEvent::EventType())
        return QDialog::event(event);
    WindowMessage& message = static_cast<WindowMessageEvent*>(event)->Message();
    // Only the first delivered page counts: the window closes with it.
    if (message.id == WM_OPEN_IN_VIEWER && isVisible() && result() != kDelivered) {
        if (!message.payload.empty() && setup.owner)
            setup.owner->PostWindowMessage(std::move(message));
        done(kDelivered);
    }
    return true;
}

void CScannerWnd::mousePressEvent(QMouseEvent* event)
{
    MoveByCaption(*this, *event, kCaptionHeight);
}

void CScannerWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QColor(Theme::kBorder));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
