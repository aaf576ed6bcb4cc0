// The program's icon: a page with a date stamp on it, drawn as an SVG kept in the source
// (resources/zelvora.svg, compiled in as a Qt resource) and rendered to the sizes a desktop
// uses. The main window and the about dialog show it; the build also writes it out as PNG
// files for the desktop's icon theme. A build without Qt Svg (ZELVORA_SVG_ICON off, as for
// Windows) compiles in those PNG files instead (resources/windows/icons, rendered from the
// same SVG by scripts/make-windows-icon.sh).
#pragma once

#include <QIcon>
#include <QImage>
#include <array>

namespace zelvora::gui {

// The square sizes, in pixels, that the icon is rendered to.
inline constexpr std::array<int, 8> kProgramIconSizes = {16, 22, 24, 32, 48, 64, 128, 256};

// The icon's SVG resource path (present when the build draws the SVG).
inline constexpr char kProgramIconResource[] = ":/zelvora/zelvora.svg";

// The icon at every size of kProgramIconSizes. Needs a QGuiApplication.
QIcon ProgramIcon();

// The icon drawn at `size` × `size` pixels on a transparent background; a null image when
// the SVG (or, without Svg, every PNG) cannot be read. Without Svg a size that has no PNG of
// its own is scaled down from the next larger one (or up from the largest).
QImage RenderProgramIcon(int size);

}  // namespace zelvora::gui
