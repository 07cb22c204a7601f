// The dialog on a real (virtual) X server: its Chinese texts are drawn with
// a font that has their glyphs, not as empty boxes.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "sim_component.h"
#include "tool/calibration_dialog.h"

namespace pixmender {
namespace {

// Counts pixels clearly darker than the widget's background inside `rect`.
int DarkPixels(const QImage& image, const QRect& rect) {
  int dark = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      if (qGray(image.pixel(x, y)) < 96) ++dark;
    }
  }
  return dark;
}

TEST(DialogScreenshot, ChineseTextsAreRenderedWithAFontThatHasTheirGlyphs) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server (xvfb-run)";
  ASSERT_FALSE(QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
      << "no font for simplified Chinese is installed";

  setenv("TALVEXCAM_SIM", "sizes=640x480;fps=30", 1);
  CalibrationDialog::Options options;
  options.link.componentPath = testing::SimComponentPath();
  QStringList messages;
  options.message = [&](const QString& text) { messages << text; };
  CalibrationDialog dialog(options);
  dialog.Initialise();
  ASSERT_TRUE(dialog.IsInitialised()) << messages.join(", ").toStdString();
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QTest::qWait(1500);  // a few frames of live video reach the video area

  const QFontMetrics metrics(dialog.font());
  for (char32_t c : {U'烧', U'写', U'序', U'列', U'号', U'图', U'像', U'校', U'准'}) {
    EXPECT_TRUE(metrics.inFontUcs4(c)) << "the dialog font lacks U+" << std::hex << static_cast<unsigned>(c);
  }

  const QImage shot = dialog.screen()->grabWindow(dialog.winId()).toImage();
  QTemporaryDir folder;  // not the working directory of the run
  ASSERT_TRUE(shot.save(folder.filePath("pixmender_dialog.png")));

  // The buttons' captions are drawn: dark strokes inside the button faces.
  for (QPushButton* button : {dialog.Controls().visibleButton, dialog.Controls().infraredButton}) {
    const QRect face(button->mapTo(&dialog, QPoint(4, 4)), button->size() - QSize(8, 8));
    EXPECT_GT(DarkPixels(shot, face), 20) << button->text().toStdString();
  }
  // Live video shows in the video area (the sheet is light, not the empty black or grey).
  const QWidget* video = dialog.Controls().videoArea;
  const QPoint centre = video->mapTo(&dialog, video->rect().center());
  EXPECT_GT(qGray(shot.pixel(centre)), 120);

  dialog.done(QDialog::Accepted);
}

}  // namespace
}  // namespace pixmender
