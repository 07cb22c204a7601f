// Writes a RasterImage through Qt's image writers, the encoder chosen by the
// MIME type that the file name's last three characters name.
#ifndef PIXMENDER_RASTER_IMAGE_SAVER_H
#define PIXMENDER_RASTER_IMAGE_SAVER_H

#include <QByteArray>
#include <QString>

namespace pixmender {

class RasterImage;

class RasterImageSaver {
 public:
  // "image/jpeg", "image/tiff" or "image/bmp" for a name ending in jpg, tif or
  // bmp (any case); empty for any other name.
  static QByteArray MimeTypeForFileName(const QString& fileName);
  // The installed writer's format for a MIME type; empty when none is installed.
  static QByteArray WriterFormatForMimeType(const QByteArray& mimeType);

  // Writes 1-, 8- and 24-bit images; writes nothing for another bit count, an
  // unknown ending or a missing writer. Failures are not reported.
  void Save(const RasterImage& image, const QString& fileName) const;
};

}  // namespace pixmender

#endif
