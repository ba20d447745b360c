#pragma once

#include <QIcon>

namespace vantrel {

// Edge in pixels of the icon as the About box and a minimised window draw it.
inline constexpr int AppIconSize = 32;

// The program's icon (a resource compiled into the program).
QIcon VantrelIcon();

}  // namespace vantrel
