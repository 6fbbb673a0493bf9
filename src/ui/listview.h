#pragma once

#include <QString>

class QHBoxLayout;
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

// An icon button of a row with its tooltip from the string table.
QPushButton* MakeRowButton(QWidget* parent, const char* name, const char* icon,
                           const char* tooltipKey);

// Names the row buttons of `cell` for screen readers: what the button does and the file.
void NameRowButtons(QWidget* cell, const QString& fileName);

// The cell widget holding a row's buttons, laid out from the left.
QWidget* MakeButtonCell(QWidget* parent, QHBoxLayout*& layout);

} // namespace ListView
