#pragma once
// Pictures of the view as files, for the window and the command line:
// Windows bitmaps by our own writer, other formats by Qt.

#include <QByteArray>

#include "images/Bitmap32.h"

namespace lumora {

// Rows top to bottom, B G R A, as the viewer reads them back; `format` is
// Qt's name of the file format ("PNG", "BMP", "PPM"). Throws when the
// picture cannot be encoded.
QByteArray EncodePicture(const TBitmap32& bitmap, const char* format);

}  // namespace lumora
