#include "viewer/Picture.h"

#include <QBuffer>
#include <QImage>

#include <cstring>
#include <stdexcept>
#include <string>

#include "images/BMPFile.h"

namespace lumora {

QByteArray EncodePicture(const TBitmap32& bitmap, const char* format) {
  if (!std::strcmp(format, "BMP")) {
    const std::string bmp = EncodeBMP(bitmap);
    return QByteArray(bmp.data(), static_cast<qsizetype>(bmp.size()));
  }
  const QImage view(bitmap.Data.data(), bitmap.Width, bitmap.Height, bitmap.Width * 4, QImage::Format_RGB32);
  const QImage rgb = view.convertToFormat(QImage::Format_RGB888);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!rgb.save(&buffer, format)) throw std::runtime_error(std::string("cannot encode the picture as ") + format);
  return bytes;
}

}  // namespace lumora
