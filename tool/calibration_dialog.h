// The production-line dialog: live video of the camera, the visible-light and
// infrared adjustments, the serial number, and the results.
#ifndef PIXMENDER_CALIBRATION_DIALOG_H
#define PIXMENDER_CALIBRATION_DIALOG_H

#include <QDialog>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "tool/adjustment_run.h"
#include "tool/camera_link.h"
#include "tool/dialog_template.h"
#include "tool/show_message.h"

class QMenu;

namespace pixmender {

class CalibrationDialog : public QDialog {
  Q_OBJECT

 public:
  // Command identifiers of the dialog.
  static constexpr int kAboutCommand = 16;
  static constexpr int kSaveCommand = 1014;
  static constexpr int kVisibleCommand = 1017;
  static constexpr int kInfraredCommand = 1018;
  static constexpr int kBaseAddress = 3072;

  struct Options {
    CameraLink::Options link;
    // Shows a message box; empty: a modal QMessageBox.
    ShowMessage message;
  };

  explicit CalibrationDialog(Options options, QWidget* parent = nullptr);
  ~CalibrationDialog() override;

  // Opens the camera link with live video in the video area; shows
  // "设备初始化失败" when that fails. Called once, before the dialog runs.
  void Initialise();

  // Runs a command as a menu, a button or a message from outside would.
  void RunCommand(int command);

  bool IsInitialised() const { return initialised_; }
  bool IsAdjusting() const { return worker_.joinable(); }
  bool VisibleCalibrated() const { return visibleCalibrated_; }
  bool InfraredCalibrated() const { return infraredCalibrated_; }
  bool SerialWritten() const { return serialWritten_; }
  const DialogControls& Controls() const { return controls_; }
  CameraLink& Link() { return *link_; }
  // The path the last save command wrote its picture to.
  const QString& SavedPicturePath() const { return savedPath_; }
  QMenu* WindowMenu() const { return windowMenu_; }
  // The outcome of the last adjustment run.
  const AdjustmentOutcome& LastOutcome() const { return lastOutcome_; }

 signals:
  // An adjustment run has ended and its results are shown.
  void AdjustmentFinished();

 public slots:
  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  enum class RunKind { Visible, Infrared };

  void StartAdjustment(RunKind kind);
  void FinishAdjustment(RunKind kind, const AdjustmentOutcome& outcome);
  void OnSerialTextChanged(const QString& text);
  void SavePicture();
  void ShowSerialNumber(const std::u16string& words);
  void SetInputsEnabled(bool enabled);
  void Message(const QString& text);
  // The dialog framework's data exchange: members to controls, and back.
  void MoveMembersToControls();
  void MoveControlsToMembers();

  Options options_;
  std::unique_ptr<CameraLink> link_;
  DialogControls controls_{};
  QMenu* windowMenu_ = nullptr;

  int visibleBrightness_ = 1024;
  int visibleRed_ = 192;
  int visibleGreen_ = 168;
  int visibleBlue_ = 176;
  int infraredBrightness_ = 1408;
  float redMean_ = 0, greenMean_ = 0, blueMean_ = 0;
  float redVariance_ = 0, greenVariance_ = 0, blueVariance_ = 0;
  bool initialised_ = false;
  bool visibleCalibrated_ = false;
  bool infraredCalibrated_ = false;
  bool serialWritten_ = false;
  QString savedPath_;
  AdjustmentOutcome lastOutcome_;

  // The adjustment worker: started by the GUI thread, joined by it when the
  // run reports back (or in the destructor after asking it to stop).
  std::thread worker_;
  std::atomic<bool> stopWorker_{false};
};

}  // namespace pixmender

#endif
