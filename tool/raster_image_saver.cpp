#include "tool/raster_image_saver.h"

#include <QImage>
#include <QImageWriter>
#include <QList>
#include <array>
#include <cmath>
#include <vector>

#include "tool/raster_image.h"

namespace pixmender {

namespace {

struct EncoderEnding {
  const char* ending;
  const char* mimeType;
};

constexpr std::array<EncoderEnding, 3> kEncoderEndings{{
    {"jpg", "image/jpeg"},
    {"tif", "image/tiff"},
    {"bmp", "image/bmp"},
}};

int DotsPerMetre(int dpi) { return static_cast<int>(std::lround(dpi / 0.0254)); }

QList<QRgb> GreyColourTable() {
  QList<QRgb> table;
  table.reserve(256);
  for (int i = 0; i < 256; ++i) table.append(qRgba(i, i, i, 255));
  return table;
}

}  // namespace

QByteArray RasterImageSaver::MimeTypeForFileName(const QString& fileName) {
  if (fileName.size() < 3) return {};
  const QString ending = fileName.right(3);
  for (const EncoderEnding& e : kEncoderEndings) {
    if (ending.compare(QLatin1String(e.ending), Qt::CaseInsensitive) == 0) return e.mimeType;
  }
  return {};
}

QByteArray RasterImageSaver::WriterFormatForMimeType(const QByteArray& mimeType) {
  if (mimeType.isEmpty() || !QImageWriter::supportedMimeTypes().contains(mimeType)) return {};
  const QList<QByteArray> formats = QImageWriter::imageFormatsForMimeType(mimeType);
  return formats.isEmpty() ? QByteArray() : formats.first();
}

void RasterImageSaver::Save(const RasterImage& image, const QString& fileName) const {
  if (image.IsEmpty()) return;
  const QByteArray format = WriterFormatForMimeType(MimeTypeForFileName(fileName));
  if (format.isEmpty()) return;

  // The bitmap lies over the image's own rows; only the 1-bit data goes
  // through a complemented copy, since its bits are stored the other way
  // round from the black-and-white table the writers are given.
  std::vector<uchar> inverted;
  QImage bitmap;
  switch (image.BitsPerPixel()) {
    case 1: {
      const uchar* data = image.Row(0);
      inverted.assign(data, data + image.ByteSize());
      for (uchar& b : inverted) b = static_cast<uchar>(~b);
      bitmap = QImage(inverted.data(), image.Width(), image.Height(), image.Stride(), QImage::Format_Mono);
      bitmap.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
      break;
    }
    case 8:
      bitmap = QImage(image.Row(0), image.Width(), image.Height(), image.Stride(), QImage::Format_Indexed8);
      bitmap.setColorTable(GreyColourTable());
      break;
    case 24:
      // Byte 0 of a pixel is blue.
      bitmap = QImage(image.Row(0), image.Width(), image.Height(), image.Stride(), QImage::Format_BGR888);
      break;
    default:
      return;
  }
  if (bitmap.isNull()) return;
  bitmap.setDotsPerMeterX(DotsPerMetre(image.DpiX()));
  bitmap.setDotsPerMeterY(DotsPerMetre(image.DpiY()));

  QImageWriter writer(fileName, format);
  writer.write(bitmap);  // a failed write is not reported to the caller
}

}  // namespace pixmender
