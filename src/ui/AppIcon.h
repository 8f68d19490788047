// The program's icon, the one the desktop shows for it: PNGs of each size built into the
// program and decoded by our own PNG reader.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <vector>

namespace verid {

// The sizes built in, smallest first.
const std::vector<int>& AppIconSizes();
// The built-in picture of exactly that size (null for another size).
QImage AppIconImage(int size);
// Every built-in size in one icon: the windows' icon.
QIcon AppWindowIcon();
// The icon at any size: the next larger built-in picture, scaled down smoothly.
QPixmap AppIcon(int size);

}  // namespace verid
