#include "tool/selftest.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QThread>
#include <cstdio>
#include <optional>

#include "tool/calibration_dialog.h"

namespace pixmender {
namespace {

constexpr int kBase = CalibrationDialog::kBaseAddress;

void Print(const QString& text) {
  std::fputs(text.toUtf8().constData(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

QString WordsAsText(const uint16_t* words, int count) {
  int n = 0;
  while (n < count && words[n] != 0) ++n;
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(words), n);
}

// A calibration record: four values, each as a high-byte word and a low-byte word.
QString RecordText(const uint16_t* words) {
  QString hex;
  for (int i = 0; i < 8; ++i) hex += QString::asprintf("%s%04X", i ? " " : "", words[i]);
  auto value = [&](int i) { return ((words[2 * i] & 0xFF) << 8) | (words[2 * i + 1] & 0xFF); };
  return QString::asprintf("%s -> brightness %d, red %d, green %d, blue %d", hex.toUtf8().constData(), value(0),
                           value(1), value(2), value(3));
}

void RunAndWait(CalibrationDialog& dialog, int command, const char* name) {
  QEventLoop loop;
  QObject::connect(&dialog, &CalibrationDialog::AdjustmentFinished, &loop, &QEventLoop::quit);
  dialog.RunCommand(command);
  if (dialog.IsAdjusting()) loop.exec();
  const AdjustmentOutcome& outcome = dialog.LastOutcome();
  Print(QString::asprintf("%s adjustment: %s (%d passes; means R %.1f G %.1f B %.1f)", name,
                          dialog.Controls().status->text().toUtf8().constData(), outcome.passes,
                          outcome.statistics.redMean, outcome.statistics.greenMean, outcome.statistics.blueMean));
}

}  // namespace

int RunSelfTest(const QString& serial) {
  CalibrationDialog::Options options;
  options.message = [](const QString& text) { Print(QStringLiteral("message: ") + text); };
  CalibrationDialog dialog(options);
  dialog.Initialise();
  if (!dialog.IsInitialised()) {
    dialog.done(QDialog::Rejected);
    return 1;
  }
  dialog.show();
  // The first frame comes a moment after the graph starts.
  std::optional<GrabbedFrame> frame;
  for (int wait = 0; wait < 50 && !(frame = dialog.Link().GrabFrame()); ++wait) {
    QCoreApplication::processEvents();
    QThread::msleep(100);
  }
  if (frame) {
    Print(QString::asprintf("camera %d open, live video %d x %d, %d bits per pixel", dialog.Link().SelectedIndex(),
                            frame->format.width, frame->format.height, frame->format.bitCount));
  }

  RunAndWait(dialog, CalibrationDialog::kVisibleCommand, "visible");
  RunAndWait(dialog, CalibrationDialog::kInfraredCommand, "infrared");
  dialog.Controls().serialInput->setText(serial);
  Print(QStringLiteral("serial number read back: ") + dialog.Controls().serialReadBack->text());

  uint16_t words[64] = {};
  dialog.Link().ReadWords(kBase, 64, words);
  Print(QString::asprintf("EEPROM records at word %d:", kBase));
  Print(QString::asprintf("  identity %d..%d: ", kBase, kBase + 9) + WordsAsText(words, 10));
  Print(QString::asprintf("  serial   %d..%d: ", kBase + 14, kBase + 26) + WordsAsText(words + 14, 13));
  Print(QString::asprintf("  visible  %d..%d: ", kBase + 48, kBase + 55) + RecordText(words + 48));
  Print(QString::asprintf("  infrared %d..%d: ", kBase + 56, kBase + 63) + RecordText(words + 56));

  const bool passed = dialog.VisibleCalibrated() && dialog.InfraredCalibrated() &&
                      dialog.Controls().serialReadBack->text() == serial;
  dialog.done(QDialog::Accepted);
  return passed ? 0 : 1;
}

}  // namespace pixmender
