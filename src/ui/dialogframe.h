#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// What the borderless dialogs (message box, update box) share: the light caption band they
// are moved by, the white body and the border.
class CFramedDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kCaptionHeight = 40;
    // The buttons' measures: one wide button in the middle, or two small ones side by side.
    static constexpr int kButtonHeight = 34;
    static constexpr int kBigButtonWidth = 168;
    static constexpr int kSmallButtonWidth = 96;
    static constexpr int kSmallButtonLeft = 108;
    static constexpr int kButtonGap = 14;
    static constexpr int kIconSize = 40;

    explicit CFramedDialog(QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// A push button of a dialog's body, styled by its `role` ("primary", "secondary").
QPushButton* MakeDialogButton(QWidget* parent, const char* name, const char* role);

// The caption's title `txt_title` showing `text`, across a dialog `width` wide.
QLabel* MakeDialogTitle(QWidget* dialog, int width, const QString& text);
// The attention icon `img_attention_icon`, `size` pixels square, and the wrapping text
// `txt_attention_string` beside it.
QLabel* MakeAttentionIcon(QWidget* dialog, int size);
QLabel* MakeAttentionText(QWidget* dialog);
