#pragma once

#include <QIcon>
#include <QImage>

// The product's icon, drawn for each of its sizes (48, 32, 24 and 16 pixels) so that the
// small ones stay crisp instead of being scaled down.
QImage drawAppIcon(int size);
QIcon appIcon();
