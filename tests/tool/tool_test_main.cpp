// The common main of Pixmender's test programs: Qt's application object
// (offscreen, or the X server of the screenshot tests, unless the test run
// chose a platform) and GStreamer, started once per process as the tool does.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", PIXMENDER_TEST_PLATFORM, 0);
  testing::InitGoogleTest(&argc, argv);
  gst_init(&argc, &argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
