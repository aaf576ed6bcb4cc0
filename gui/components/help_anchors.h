// The sections of the help file (Zelvora.htm), one per screen that asks for help: the
// windows name the section, the help command opens the file there.
#pragma once

namespace zelvora::gui {

inline constexpr char kHelpAnchorMainWindow[] = "Tsukaikata";
inline constexpr char kHelpAnchorDateTab[] = "Hidukekinyuutab";
inline constexpr char kHelpAnchorPreventTab[] = "Hikinyuusetteitab";
inline constexpr char kHelpAnchorOtherTab[] = "Sonotatab";
inline constexpr char kHelpAnchorExtendTab[] = "Kakuchoutab";

}  // namespace zelvora::gui
