#pragma once

// Icons and bitmaps as Qt images (framework-internal).

#include <QIcon>
#include <QImage>

#include "framework/AfxTypes.h"

namespace afx {

QIcon IconToQIcon(HICON icon);
// The bitmap resource's image; null when there is none.
QImage LoadBitmapImage(UINT nID);

}  // namespace afx
