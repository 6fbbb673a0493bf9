#pragma once

#include <QWidget>

#include <string_view>

// A page whose content a later part of the window supplies: its title and an empty-state
// picture, so the window looks whole in the meantime.
class CPlaceholderPage : public QWidget
{
    Q_OBJECT

public:
    // `titleKey` is a "@string/" key; empty for no title.
    explicit CPlaceholderPage(std::string_view titleKey, QWidget* parent = nullptr);
};
