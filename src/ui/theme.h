#pragma once

#include <QIcon>
#include <QString>

#include <string_view>

class QApplication;
class QPixmap;
class QSize;

// The program's look: the default font with its CJK fallbacks, the style sheet and the
// embedded SVG icons.
namespace Theme {

inline constexpr const char* kPrimary = "#3370ff";
inline constexpr const char* kText = "#1f2329";
inline constexpr const char* kBorder = "#dee0e3";

// Sets the application font and style sheet; call once after the QApplication exists.
void Apply(QApplication& app);

// A text for a control: "@string/NAME" resolved through the string table.
QString Text(std::string_view text);

// An embedded icon by its file stem, ":/icons/<name>.svg".
QIcon Icon(std::string_view name);
// The icon drawn at `size` logical pixels for a widget on `devicePixelRatio`.
QPixmap Pixmap(std::string_view name, const QSize& size, qreal devicePixelRatio = 1.0);

} // namespace Theme
