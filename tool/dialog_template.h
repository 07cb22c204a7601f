// The calibration dialog's controls, laid out as its dialog template lays
// them out: fixed positions in dialog units, no layouts, no behaviour. The
// dialog's own code connects the controls and moves its members into them.
#ifndef PIXMENDER_DIALOG_TEMPLATE_H
#define PIXMENDER_DIALOG_TEMPLATE_H

#include <QFont>
#include <QRect>
#include <functional>

class QDialog;
class QLineEdit;
class QPushButton;
class QWidget;

namespace pixmender {

// The controls the dialog works with; each also carries its identifier as
// its objectName ("1017", ...).
struct DialogControls {
  QWidget* videoArea = nullptr;  // 1006
  QPushButton* visibleButton = nullptr;   // 1017
  QPushButton* infraredButton = nullptr;  // 1018
  QLineEdit* status = nullptr;            // 1025
  QLineEdit* serialInput = nullptr;       // 1026
  QLineEdit* serialReadBack = nullptr;    // 1027
  QLineEdit* visibleBrightness = nullptr;   // 1010
  QLineEdit* visibleRed = nullptr;          // 1011
  QLineEdit* visibleGreen = nullptr;        // 1012
  QLineEdit* visibleBlue = nullptr;         // 1013
  QLineEdit* infraredBrightness = nullptr;  // 1024
  QLineEdit* redMean = nullptr;             // 1019
  QLineEdit* redVariance = nullptr;         // 1020
  QLineEdit* greenMean = nullptr;           // 1022
  QLineEdit* greenVariance = nullptr;       // 1023
  QLineEdit* blueMean = nullptr;            // 1028
  QLineEdit* blueVariance = nullptr;        // 1029
};

// The dialog font: "宋体" 9 pt, or, where that face is not installed, the
// first installed face that covers simplified Chinese, so the captions show.
QFont DialogFont();

// Dialog units to pixels the way dialog templates convert them: a horizontal
// unit is a quarter of the font's average character width, a vertical unit an
// eighth of its height.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  int X(int units) const;
  int Y(int units) const;
  QRect Rect(int x, int y, int width, int height) const;
  int BaseX() const { return baseX_; }
  int BaseY() const { return baseY_; }

 private:
  int baseX_;
  int baseY_;
};

// The template's size in dialog units and the video area's place in it.
inline constexpr int kTemplateWidth = 667;
inline constexpr int kTemplateHeight = 416;
inline constexpr QRect kVideoAreaUnits{8, 63, 509, 346};

// Builds the calibration dialog's template into `dialog`: title, font, size
// and every control with its caption. `makeVideoArea` makes the widget placed
// as control 1006; without it (or when it gives null) a plain frame stands there.
DialogControls BuildDialogTemplate(QDialog* dialog, const std::function<QWidget*(QWidget* parent)>& makeVideoArea);

}  // namespace pixmender

#endif
