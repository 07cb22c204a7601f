#include "tool/calibration_dialog.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

#include "tool/about_box.h"
#include "tool/calibration_grab.h"
#include "tool/raster_image.h"
#include "tool/video_area.h"

namespace pixmender {
namespace {

const char* const kDeviceInitFailed = "设备初始化失败";
const char* const kNotInitialised = "程序未正常初始化不能进行此操作";
const char* const kPlaceSheet = "请确认放入了校准纸!";
const char* const kVisibleDone = "可见光图像调整完成";
const char* const kVisibleFailed = "可见光图像校准失败";
const char* const kInfraredDone = "红外图像调整完成";
const char* const kInfraredFailed = "红外图像校准失败";
const char* const kSerialWriteFailed = "写入序列号失败";
const char* const kVisibleNotCalibrated = "可见光图像还没有校准";
const char* const kInfraredNotCalibrated = "红外图像还没有校准";
const char* const kNoSerialWritten = "还没有烧写序列号";
const char* const kAboutEntry = "关于 Pixmender(&A)...";


QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// Floats are shown as the dialog framework shows them: "%.6g".
QString FloatText(float value) { return QString::number(static_cast<double>(value), 'g', 6); }

void ReadInt(const QLineEdit* edit, int& member) {
  bool ok = false;
  const int value = edit->text().trimmed().toInt(&ok);
  if (ok) member = value;
}

void ReadFloat(const QLineEdit* edit, float& member) {
  bool ok = false;
  const float value = edit->text().trimmed().toFloat(&ok);
  if (ok) member = value;
}

}  // namespace

CalibrationDialog::CalibrationDialog(Options options, QWidget* parent)
    : QDialog(parent), options_(std::move(options)) {
  // The graph's "GetFormat!" is a message box of the dialog like any other.
  if (!options_.link.message) options_.link.message = [this](const QString& text) { Message(text); };
  link_ = std::make_unique<CameraLink>(options_.link);
  controls_ = BuildDialogTemplate(this, [](QWidget* p) { return new VideoArea(p); });

  // Linux window managers give dialogs no system menu to extend, so the
  // window menu is the dialog's own: right click or Alt+Space opens it.
  windowMenu_ = new QMenu(this);
  windowMenu_->setObjectName("windowMenu");
  windowMenu_->addSeparator();
  QAction* about = windowMenu_->addAction(Text(kAboutEntry));
  about->setData(kAboutCommand);
  connect(about, &QAction::triggered, this, [this] { RunCommand(kAboutCommand); });

  for (QPushButton* button : {controls_.visibleButton, controls_.infraredButton}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
  connect(controls_.visibleButton, &QPushButton::clicked, this, [this] { RunCommand(kVisibleCommand); });
  connect(controls_.infraredButton, &QPushButton::clicked, this, [this] { RunCommand(kInfraredCommand); });
  connect(controls_.serialInput, &QLineEdit::textChanged, this, &CalibrationDialog::OnSerialTextChanged);
  MoveMembersToControls();
}

CalibrationDialog::~CalibrationDialog() {
  stopWorker_ = true;
  if (worker_.joinable()) worker_.join();
  // The graph delivers frames into the video area: stop it before the widgets go.
  link_->Close();
}

void CalibrationDialog::Initialise() {
  VideoWindow* window = dynamic_cast<VideoWindow*>(controls_.videoArea);
  const int result = link_->Open(nullptr, kBaseAddress, true, window);
  initialised_ = result == 0;
  if (!initialised_) Message(Text(kDeviceInitFailed));
}

void CalibrationDialog::RunCommand(int command) {
  if (command == kAboutCommand) {
    ShowAboutBox(this);
    return;
  }
  if (command != kVisibleCommand && command != kInfraredCommand && command != kSaveCommand) return;
  if (IsAdjusting()) return;  // the inputs are disabled while a run goes on
  if (!initialised_) {
    Message(Text(kNotInitialised));
    return;
  }
  if (command == kSaveCommand) {
    SavePicture();
  } else {
    StartAdjustment(command == kVisibleCommand ? RunKind::Visible : RunKind::Infrared);
  }
}

void CalibrationDialog::StartAdjustment(RunKind kind) {
  SetInputsEnabled(false);
  stopWorker_ = false;
  const int brightness = kind == RunKind::Visible ? visibleBrightness_ : infraredBrightness_;
  CameraLink* link = link_.get();
  worker_ = std::thread([this, kind, brightness, link] {
    AdjustmentOutcome outcome = kind == RunKind::Visible
                                    ? RunVisibleAdjustment(*link, kBaseAddress, brightness, stopWorker_)
                                    : RunInfraredAdjustment(*link, kBaseAddress, brightness, stopWorker_);
    QMetaObject::invokeMethod(this, [this, kind, outcome] { FinishAdjustment(kind, outcome); },
                              Qt::QueuedConnection);
  });
}

void CalibrationDialog::FinishAdjustment(RunKind kind, const AdjustmentOutcome& outcome) {
  if (worker_.joinable()) worker_.join();
  SetInputsEnabled(true);
  lastOutcome_ = outcome;
  if (outcome.cancelled) return;

  const SensorSettings& s = outcome.settings;
  if (kind == RunKind::Visible) {
    visibleBrightness_ = s.brightness;
    visibleRed_ = s.red;
    visibleGreen_ = s.green;
    visibleBlue_ = s.blue;
  } else {
    infraredBrightness_ = s.brightness;
  }
  const ChannelStatistics& st = outcome.statistics;
  redMean_ = st.redMean;
  greenMean_ = st.greenMean;
  blueMean_ = st.blueMean;
  redVariance_ = st.redVariance;
  greenVariance_ = st.greenVariance;
  blueVariance_ = st.blueVariance;

  if (outcome.result == PassResult::NoSheet) {
    Message(Text(kPlaceSheet));
    emit AdjustmentFinished();
    return;
  }
  if (kind == RunKind::Visible) {
    const bool done = outcome.result == PassResult::Converged;
    if (done) visibleCalibrated_ = true;
    controls_.status->setText(Text(done ? kVisibleDone : kVisibleFailed));
  } else {
    const bool done = outcome.result == PassResult::Converged;
    if (done) infraredCalibrated_ = true;
    controls_.status->setText(Text(done ? kInfraredDone : kInfraredFailed));
  }
  if (outcome.serial) ShowSerialNumber(*outcome.serial);
  serialWritten_ = true;
  MoveMembersToControls();
  emit AdjustmentFinished();
}

void CalibrationDialog::OnSerialTextChanged(const QString& text) {
  // The worker owns the camera link while a run goes on; the edit is
  // disabled then, but a text set by the program still arrives here.
  if (IsAdjusting()) return;
  MoveControlsToMembers();
  // Counted in UTF-16 code units, which is what the EEPROM stores; a scanner
  // typing 13 characters triggers exactly one write.
  if (text.size() != kSerialWords) return;
  if (!initialised_) {
    Message(Text(kNotInitialised));
    return;
  }
  uint16_t words[kSerialWords];
  for (int i = 0; i < kSerialWords; ++i) words[i] = text.at(i).unicode();
  if (link_->WriteWords(kBaseAddress + kSerialOffset, kSerialWords, words)) {
    ShowSerialNumber(ReadSerialNumber(*link_, kBaseAddress));
    serialWritten_ = true;
  } else {
    Message(Text(kSerialWriteFailed));
  }
}

void CalibrationDialog::ShowSerialNumber(const std::u16string& words) {
  // The words are shown as a zero-terminated text, as a C string would end.
  const size_t end = words.find(u'\0');
  const std::u16string shown = words.substr(0, end);
  controls_.serialReadBack->setText(QString::fromUtf16(shown.data(), static_cast<qsizetype>(shown.size())));
}

void CalibrationDialog::SavePicture() {
  // The picture goes into "pic" in the user's pictures folder.
  QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (pictures.isEmpty()) pictures = QDir::homePath();
  const QString folder = pictures + "/pic";
  QDir().mkpath(folder);
  savedPath_ = folder + "/1.jpg";
  RasterImage image;
  GrabForCalibration(*link_, image, savedPath_);
  MoveMembersToControls();
}

void CalibrationDialog::SetInputsEnabled(bool enabled) {
  controls_.visibleButton->setEnabled(enabled);
  controls_.infraredButton->setEnabled(enabled);
  controls_.serialInput->setEnabled(enabled);
}

void CalibrationDialog::Message(const QString& text) {
  if (options_.message) {
    options_.message(text);
  } else {
    QMessageBox::information(this, QStringLiteral("Pixmender"), text);
  }
}

void CalibrationDialog::MoveMembersToControls() {
  controls_.visibleBrightness->setText(QString::number(visibleBrightness_));
  controls_.visibleRed->setText(QString::number(visibleRed_));
  controls_.visibleGreen->setText(QString::number(visibleGreen_));
  controls_.visibleBlue->setText(QString::number(visibleBlue_));
  controls_.infraredBrightness->setText(QString::number(infraredBrightness_));
  controls_.redMean->setText(FloatText(redMean_));
  controls_.redVariance->setText(FloatText(redVariance_));
  controls_.greenMean->setText(FloatText(greenMean_));
  controls_.greenVariance->setText(FloatText(greenVariance_));
  controls_.blueMean->setText(FloatText(blueMean_));
  controls_.blueVariance->setText(FloatText(blueVariance_));
}

void CalibrationDialog::MoveControlsToMembers() {
  ReadInt(controls_.visibleBrightness, visibleBrightness_);
  ReadInt(controls_.visibleRed, visibleRed_);
  ReadInt(controls_.visibleGreen, visibleGreen_);
  ReadInt(controls_.visibleBlue, visibleBlue_);
  ReadInt(controls_.infraredBrightness, infraredBrightness_);
  ReadFloat(controls_.redMean, redMean_);
  ReadFloat(controls_.redVariance, redVariance_);
  ReadFloat(controls_.greenMean, greenMean_);
  ReadFloat(controls_.greenVariance, greenVariance_);
  ReadFloat(controls_.blueMean, blueMean_);
  ReadFloat(controls_.blueVariance, blueVariance_);
}

void CalibrationDialog::done(int result) {
  // A run holds the dialog: it cannot close until the run ends.
  if (IsAdjusting()) return;
  if (!visibleCalibrated_) Message(Text(kVisibleNotCalibrated));
  if (!infraredCalibrated_) Message(Text(kInfraredNotCalibrated));
  if (!serialWritten_) Message(Text(kNoSerialWritten));
  QDialog::done(result);
}

void CalibrationDialog::keyPressEvent(QKeyEvent* event) {
  // Enter never closes the dialog; in the serial edit the focus stays there.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Space && (event->modifiers() & Qt::AltModifier)) {
    windowMenu_->popup(mapToGlobal(QPoint(0, 0)));
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CalibrationDialog::contextMenuEvent(QContextMenuEvent* event) {
  windowMenu_->popup(event->globalPos());
  event->accept();
}

}  // namespace pixmender
