#pragma once

#include <QString>

#include <functional>
#include <span>

class QPushButton;
class QTableView;
class QWidget;
class CMcListAdapterBase;

// What the three file lists share: the look of the view, the row height and column widths,
// and the small icon buttons of the last column.
namespace ListView {

inline constexpr int kHeaderHeight = 30;
inline constexpr int kRowHeight = 44;

// A view named `name` over `model`: fixed widths for the first three columns, the last one
// stretched, no horizontal scroll bar, no selection.
QTableView* Make(QWidget* parent, const char* name, CMcListAdapterBase* model);

// An icon button of a row: its object name, icon and the string-table key of its tooltip.
struct RowButtonSpec
{
    const char* name;
    const char* icon;
    const char* tooltipKey;
};

// The cell widget holding a row's buttons, laid out from the left in the order given; a
// click hands `clicked` the button's object name.
QWidget* MakeButtonCell(QWidget* parent, std::span<const RowButtonSpec> buttons,
                        const std::function<void(const QString& name)>& clicked);
// The button `name` of a button cell; null when there is no cell or no such button.
QPushButton* FindRowButton(const QWidget* cell, const char* name);

// Names the row buttons of `cell` for screen readers: what the button does and the file.
void NameRowButtons(QWidget* cell, const QString& fileName);

} // namespace ListView
