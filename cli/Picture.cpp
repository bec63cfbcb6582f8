#include "cli/Picture.h"

#include <QBuffer>
#include <QImage>

#include <stdexcept>
#include <string>

namespace lumora::cli {

QByteArray EncodePicture(const TBitmap32& bitmap, const char* format) {
  const QImage view(bitmap.Data.data(), bitmap.Width, bitmap.Height, bitmap.Width * 4, QImage::Format_RGB32);
  const QImage rgb = view.convertToFormat(QImage::Format_RGB888);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!rgb.save(&buffer, format)) throw std::runtime_error(std::string("cannot encode the picture as ") + format);
  return bytes;
}

}  // namespace lumora::cli
