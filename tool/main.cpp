// pixmender: the production-line calibration dialog.
//   pixmender              the dialog, as the operator uses it
//   pixmender --selftest [--serial <13 characters>]
//                          runs the dialog once through a visible and an
//                          infrared adjustment and a serial number, prints
//                          the camera's EEPROM records and closes it
#include <gst/gst.h>

#include <QApplication>
#include <cstring>

#include "tool/selftest.h"
#include "tool/calibration_dialog.h"

int main(int argc, char** argv) {
  gst_init(&argc, &argv);
  QApplication app(argc, argv);

  bool selftest = false;
  QString serial = QStringLiteral("PXMSELFTEST01");
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--selftest") == 0) {
      selftest = true;
    } else if (std::strcmp(argv[i], "--serial") == 0 && i + 1 < argc) {
      serial = QString::fromLocal8Bit(argv[++i]);
    }
  }
  if (selftest) return pixmender::RunSelfTest(serial);

  pixmender::CalibrationDialog dialog(pixmender::CalibrationDialog::Options{});
  dialog.Initialise();
  dialog.exec();
  return 0;
}
