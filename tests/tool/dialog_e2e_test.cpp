// The whole tool against the simulated component, offscreen: start-up, both
// adjustments, the serial number, the closing messages and the bad cases.
// Time runs ten times faster than on the line (the five-second EEPROM wait
// and the one-second settling wait still happen, scaled), so each run takes
// a few seconds; fifty times for the runs that go on to their pass limits.
#include <gtest/gtest.h>

#include <QImageReader>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <thread>

#include "sim_component.h"
#include "tool/calibration_dialog.h"

namespace pixmender {
namespace {

using testing::LoadSimComponent;
using testing::SimComponent;

// A clock that runs `speed` times faster than the wall clock; set the speed
// before the dialog starts.
class FastClock final : public Clock {
 public:
  uint64_t NowMs() override { return SystemClock().NowMs() * speed; }
  void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::microseconds(ms * 1000 / speed)); }
  uint32_t speed = 10;
};

const QString kVisibleDone = QString::fromUtf8("可见光图像调整完成");
const QString kInfraredDone = QString::fromUtf8("红外图像调整完成");
const QString kDeviceInitFailed = QString::fromUtf8("设备初始化失败");
const QString kNotInitialised = QString::fromUtf8("程序未正常初始化不能进行此操作");
const QString kPlaceSheet = QString::fromUtf8("请确认放入了校准纸!");
const QString kSerialWriteFailed = QString::fromUtf8("写入序列号失败");
const QString kVisibleNotCalibrated = QString::fromUtf8("可见光图像还没有校准");
const QString kInfraredNotCalibrated = QString::fromUtf8("红外图像还没有校准");
const QString kNoSerialWritten = QString::fromUtf8("还没有烧写序列号");

constexpr int kBase = CalibrationDialog::kBaseAddress;

class DialogEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_ = LoadSimComponent();
    ASSERT_NE(sim_, nullptr);
  }

  // Makes the dialog over the simulated component configured by `config`.
  std::unique_ptr<CalibrationDialog> Start(const std::string& config, const std::string& path = "") {
    setenv("TALVEXCAM_SIM", config.c_str(), 1);
    CalibrationDialog::Options options;
    options.link.clock = &clock_;
    options.link.componentPath = path.empty() ? testing::SimComponentPath() : path;
    options.message = [this](const QString& text) { messages_ << text; };
    auto dialog = std::make_unique<CalibrationDialog>(options);
    dialog->Initialise();
    dialog->show();
    return dialog;
  }

  // Runs an adjustment command and waits for its end, with the event loop running.
  void Adjust(CalibrationDialog& dialog, int command) {
    QSignalSpy finished(&dialog, &CalibrationDialog::AdjustmentFinished);
    dialog.RunCommand(command);
    ASSERT_TRUE(dialog.IsAdjusting());
    EXPECT_FALSE(dialog.Controls().visibleButton->isEnabled());
    EXPECT_FALSE(dialog.Controls().infraredButton->isEnabled());
    EXPECT_FALSE(dialog.Controls().serialInput->isEnabled());
    ASSERT_TRUE(finished.wait(120000));
    EXPECT_FALSE(dialog.IsAdjusting());
    EXPECT_TRUE(dialog.Controls().visibleButton->isEnabled());
  }

  // The calibration record at `offset` as its four values, each a high and a low word.
  std::array<int, 4> Record(int offset) const {
    std::array<int, 4> values{};
    for (int i = 0; i < 4; ++i) {
      values[i] = sim_->peekEeprom(0, kBase + offset + 2 * i) << 8 | sim_->peekEeprom(0, kBase + offset + 2 * i + 1);
    }
    return values;
  }

  static int Number(const QLineEdit* edit) { return edit->text().toInt(); }

  int EepromWrites() const {
    int n = 0;
    for (const TalvexSimWrite& w : sim_->Writes()) n += w.kind == TALVEX_SIM_EEPROM_WRITE;
    return n;
  }

  const SimComponent* sim_ = nullptr;
  FastClock clock_;
  QStringList messages_;
};

TEST_F(DialogEndToEnd, VisibleAndInfraredAdjustmentsConvergeAndStoreTheirRecords) {
  auto dialog = Start("sizes=640x480;fps=30");
  ASSERT_TRUE(dialog->IsInitialised()) << messages_.join(", ").toStdString();
  const DialogControls& c = dialog->Controls();

  Adjust(*dialog, CalibrationDialog::kVisibleCommand);
  EXPECT_EQ(c.status->text(), kVisibleDone);
  EXPECT_TRUE(dialog->VisibleCalibrated());
  const std::array<int, 4> shown = {Number(c.visibleBrightness), Number(c.visibleRed), Number(c.visibleGreen), Number(c.visibleBlue)};
  EXPECT_EQ(Record(48), shown);
  // Converged: every channel mean within 2 of the largest, the largest in 195..215.
  const float r = c.redMean->text().toFloat(), g = c.greenMean->text().toFloat(), b = c.blueMean->text().toFloat();
  const float m = std::max({r, g, b});
  EXPECT_GE(m, 195.0f);
  EXPECT_LE(m, 215.0f);
  EXPECT_LE(m - std::min({r, g, b}), 2.0f);
  EXPECT_GT(c.redVariance->text().toFloat(), 0.0f);

  Adjust(*dialog, CalibrationDialog::kInfraredCommand);
  EXPECT_EQ(c.status->text(), kInfraredDone);
  EXPECT_TRUE(dialog->InfraredCalibrated());
  EXPECT_EQ(Record(56), (std::array<int, 4>{Number(c.infraredBrightness), 192, 168, 176}));
  EXPECT_EQ(Number(c.visibleBrightness), shown[0]) << "the infrared run leaves the visible results";

  // The last sensor programming was the infrared set-up.
  EXPECT_EQ(sim_->peekSensor(0, 0x2F), 144);
  EXPECT_EQ(sim_->peekSensor(0, 0x09), Number(c.infraredBrightness));

  // A serial number: twelve characters write nothing, the thirteenth writes once.
  const int writesBefore = EepromWrites();
  c.serialInput->setText("ABC123456789");
  EXPECT_EQ(EepromWrites(), writesBefore);
  QTest::keyClick(c.serialInput, Qt::Key_0);
  EXPECT_EQ(EepromWrites(), writesBefore + 13);
  EXPECT_EQ(c.serialReadBack->text(), "ABC1234567890");
  for (int i = 0; i < 13; ++i) EXPECT_EQ(sim_->peekEeprom(0, kBase + 14 + i), "ABC1234567890"[i]);
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join(", ").toStdString();

  // Enter in the serial edit neither closes the dialog nor moves the focus.
  c.serialInput->setFocus();
  QTest::keyClick(c.serialInput, Qt::Key_Return);
  EXPECT_TRUE(dialog->isVisible());

  dialog->done(QDialog::Accepted);
  EXPECT_TRUE(messages_.isEmpty()) << "everything was done: " << messages_.join(", ").toStdString();
}

TEST_F(DialogEndToEnd, ASheetTooDimFailsBothRunsAtTheirPassLimitsWithoutStoring) {
  clock_.speed = 50;  // 160 passes: the settling wait takes 20 ms, over two frames at 120 per second
  auto dialog = Start("sizes=320x240;fps=120;sheet=10;serial=ABC1234567890");
  ASSERT_TRUE(dialog->IsInitialised());
  // Before any run each result edit shows its member's starting value.
  const std::pair<const char*, const char*> starting[] = {
      {"1010", "1024"}, {"1011", "192"}, {"1012", "168"}, {"1013", "176"}, {"1024", "1408"}, {"1019", "0"},
      {"1020", "0"},    {"1022", "0"},   {"1023", "0"},   {"1028", "0"},   {"1029", "0"}};
  for (const auto& [id, text] : starting) {
    const auto* edit = dialog->findChild<QLineEdit*>(QString::fromLatin1(id));
    ASSERT_NE(edit, nullptr) << id;
    EXPECT_EQ(edit->text().toStdString(), text) << id;
  }

  // Even the longest exposure leaves the sheet short of the targets: each run
  // ends at its pass limit with the brightness at its cap.
  const struct { int command; const char* failed; int passLimit; const QLineEdit* brightness; int brightnessCap; } runs[] = {
      {CalibrationDialog::kVisibleCommand, "可见光图像校准失败", 100, dialog->Controls().visibleBrightness, 5000},
      {CalibrationDialog::kInfraredCommand, "红外图像校准失败", 60, dialog->Controls().infraredBrightness, 6000},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.command);
    sim_->clearWrites();
    Adjust(*dialog, run.command);
    EXPECT_EQ(dialog->Controls().status->text().toStdString(), run.failed);
    int passes = 0;  // each pass programs the brightness register 0x09 once
    for (const TalvexSimWrite& w : sim_->Writes()) passes += w.kind == TALVEX_SIM_SENSOR && w.address == 0x09;
    EXPECT_EQ(passes, run.passLimit);
    EXPECT_EQ(EepromWrites(), 0) << "a failed run stores no calibration record";
    EXPECT_EQ(Number(run.brightness), run.brightnessCap);
    EXPECT_EQ(dialog->Controls().serialReadBack->text(), "ABC1234567890");
  }
  dialog->done(QDialog::Rejected);  // the runs read the serial number back, which counts as written
  EXPECT_EQ(messages_, (QStringList{kVisibleNotCalibrated, kInfraredNotCalibrated}));
}

TEST_F(DialogEndToEnd, WithoutAWorkingComponentEveryCommandSaysSoAndClosingNamesEverything) {
  // (The camera link's tests go through every way the open can fail.)
  const std::pair<std::string, std::string> cases[] = {{"", "/nonexistent/talvexcam.ax"}, {"fail=register", ""}};
  for (const auto& [config, path] : cases) {
    SCOPED_TRACE(config + path);
    messages_.clear();
    auto dialog = Start(config, path);
    EXPECT_FALSE(dialog->IsInitialised());
    EXPECT_EQ(messages_, QStringList{kDeviceInitFailed});
    messages_.clear();
    dialog->RunCommand(CalibrationDialog::kVisibleCommand);
    dialog->RunCommand(CalibrationDialog::kInfraredCommand);
    dialog->RunCommand(CalibrationDialog::kSaveCommand);
    dialog->Controls().serialInput->setText("ABC1234567890");
    EXPECT_EQ(messages_, QStringList(4, kNotInitialised));
    EXPECT_FALSE(dialog->IsAdjusting());
    messages_.clear();
    dialog->done(QDialog::Rejected);
    EXPECT_EQ(messages_, (QStringList{kVisibleNotCalibrated, kInfraredNotCalibrated, kNoSerialWritten}));
  }
}

TEST_F(DialogEndToEnd, ACameraThatStopsStreamingEndsTheRunWithoutStoring) {
  auto dialog = Start("sizes=640x480;fps=30");
  ASSERT_TRUE(dialog->IsInitialised());
  QTest::qWait(300);
  ASSERT_EQ(sim_->setStreaming(0, 0), TALVEX_OK);
  QTest::qWait(300);
  EXPECT_FALSE(dialog->Link().GrabFrame().has_value());
  Adjust(*dialog, CalibrationDialog::kVisibleCommand);
  EXPECT_EQ(messages_, QStringList{kPlaceSheet});
  EXPECT_TRUE(dialog->LastOutcome().grabFailed);
  EXPECT_FALSE(dialog->VisibleCalibrated());
  EXPECT_EQ(dialog->Controls().status->text(), QString());
  EXPECT_EQ(sim_->peekEeprom(0, kBase + 48), 0);
}

TEST_F(DialogEndToEnd, SerialNumbersAreStoredAsUtf16CodeUnitsAndAFailedReadBackIsReported) {
  const QString serial = QString::fromUtf8("序列号ABCDEFGHIJ");
  ASSERT_EQ(serial.size(), 13);
  for (const bool stuck : {true, false}) {
    SCOPED_TRACE(stuck ? "a word that does not take the write" : "every word takes it");
    messages_.clear();
    auto dialog = Start("sizes=640x480;fps=30" + (stuck ? ";fail=stuck=" + std::to_string(kBase + 20) : ""));
    ASSERT_TRUE(dialog->IsInitialised());
    dialog->Controls().serialInput->setText(serial);
    EXPECT_EQ(sim_->peekEeprom(0, kBase + 14), 0x5E8F);  // 序
    EXPECT_EQ(dialog->Controls().serialReadBack->text(), stuck ? QString() : serial);
    EXPECT_EQ(dialog->SerialWritten(), !stuck);
    EXPECT_EQ(messages_, stuck ? QStringList{kSerialWriteFailed} : QStringList());
    const int writes = EepromWrites();  // longer texts write nothing more
    dialog->Controls().serialInput->setText(serial + "K");
    EXPECT_EQ(EepromWrites(), writes);
  }
}

TEST_F(DialogEndToEnd, SaveCommandWritesTheCroppedFrameIntoThePicturesFolder) {
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  const QByteArray oldHome = qgetenv("HOME");
  qputenv("HOME", home.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
  QStandardPaths::setTestModeEnabled(false);
  auto dialog = Start("sizes=640x480;fps=30");
  ASSERT_TRUE(dialog->IsInitialised());
  QTest::qWait(300);
  dialog->RunCommand(CalibrationDialog::kSaveCommand);
  const QString path = dialog->SavedPicturePath();
  EXPECT_TRUE(path.endsWith("/pic/1.jpg")) << path.toStdString();
  QImageReader reader(path);
  EXPECT_EQ(reader.format(), "jpeg");
  // 640 x 480 cropped to [35, 604) x [28, 451).
  EXPECT_EQ(reader.size(), QSize(569, 423));
  qputenv("HOME", oldHome);
}

TEST_F(DialogEndToEnd, WindowMenuOffersTheAboutBox) {
  auto dialog = Start("sizes=640x480;fps=30");
  QMenu* menu = dialog->WindowMenu();
  ASSERT_NE(menu, nullptr);
  const QList<QAction*> actions = menu->actions();
  ASSERT_EQ(actions.size(), 2);
  EXPECT_TRUE(actions[0]->isSeparator());
  EXPECT_EQ(actions[1]->text(), QString::fromUtf8("关于 Pixmender(&A)..."));
  EXPECT_EQ(actions[1]->data().toInt(), CalibrationDialog::kAboutCommand);
}

}  // namespace
}  // namespace pixmender
