#pragma once
// Pictures the commands write: a viewer's read-back encoded by Qt.

#include <QByteArray>

#include "scene/GLTexture.h"

namespace lumora::cli {

// Rows top to bottom, B G R A, as the viewer reads them back; `format` is
// Qt's name of the file format ("PNG", "BMP", "PPM"). Throws when Qt cannot.
QByteArray EncodePicture(const TBitmap32& bitmap, const char* format);

}  // namespace lumora::cli
