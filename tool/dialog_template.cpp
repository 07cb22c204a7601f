#include "tool/dialog_template.h"

#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

namespace pixmender {
namespace {

enum class Kind { Group, Label, Button, Edit, ReadOnlyEdit };

// One control of the template: what it is, its identifier (empty for the
// captions that the dialog never addresses), its caption and its rectangle
// in dialog units.
struct ControlEntry {
  Kind kind;
  const char* id;
  const char8_t* caption;
  int x, y, width, height;
};

// Groups come first so that the controls inside them stack above their
// frames, as the controls of a template do. The strip above the video area
// holds the two commands and the serial number; the column to its right holds
// the results.
constexpr ControlEntry kControls[] = {
    {Kind::Group, "", u8"图像校准", 8, 4, 254, 54},
    {Kind::Group, "", u8"烧写序列号", 270, 4, 247, 54},
    {Kind::Group, "", u8"图像调整结果", 525, 4, 134, 138},
    {Kind::Group, "", u8"可见光调整结果", 531, 15, 122, 82},
    {Kind::Group, "", u8"红外图像调整结果", 531, 101, 122, 35},
    {Kind::Group, "", u8"统计结果", 525, 148, 134, 261},
    {Kind::Group, "", u8"R通道", 531, 160, 122, 76},
    {Kind::Group, "", u8"G通道", 531, 243, 122, 76},
    {Kind::Group, "", u8"B通道", 531, 326, 122, 76},

    {Kind::Button, "1017", u8"可见光自动调整", 16, 16, 112, 14},
    {Kind::Button, "1018", u8"红外自动调整", 142, 16, 112, 14},
    {Kind::ReadOnlyEdit, "1025", u8"", 16, 36, 238, 14},

    {Kind::Label, "", u8"输入序列号：", 278, 19, 52, 8},
    {Kind::Edit, "1026", u8"", 332, 16, 177, 14},
    {Kind::Label, "", u8"读出序列号：", 278, 39, 52, 8},
    {Kind::Edit, "1027", u8"", 332, 36, 177, 14},

    {Kind::Label, "", u8"亮度", 539, 29, 34, 8},
    {Kind::ReadOnlyEdit, "1010", u8"", 577, 26, 68, 14},
    {Kind::Label, "", u8"红增益", 539, 46, 34, 8},
    {Kind::ReadOnlyEdit, "1011", u8"", 577, 43, 68, 14},
    {Kind::Label, "", u8"绿增益", 539, 63, 34, 8},
    {Kind::ReadOnlyEdit, "1012", u8"", 577, 60, 68, 14},
    {Kind::Label, "", u8"蓝增益", 539, 80, 34, 8},
    {Kind::ReadOnlyEdit, "1013", u8"", 577, 77, 68, 14},

    {Kind::Label, "", u8"亮度", 539, 117, 34, 8},
    {Kind::ReadOnlyEdit, "1024", u8"", 577, 114, 68, 14},

    {Kind::Label, "", u8"均值", 539, 178, 30, 8},
    {Kind::ReadOnlyEdit, "1019", u8"", 571, 175, 74, 14},
    {Kind::Label, "", u8"方差", 539, 204, 30, 8},
    {Kind::ReadOnlyEdit, "1020", u8"", 571, 201, 74, 14},
    {Kind::Label, "", u8"均值", 539, 261, 30, 8},
    {Kind::ReadOnlyEdit, "1022", u8"", 571, 258, 74, 14},
    {Kind::Label, "", u8"方差", 539, 287, 30, 8},
    {Kind::ReadOnlyEdit, "1023", u8"", 571, 284, 74, 14},
    {Kind::Label, "", u8"均值", 539, 344, 30, 8},
    {Kind::ReadOnlyEdit, "1028", u8"", 571, 341, 74, 14},
    {Kind::Label, "", u8"方差", 539, 370, 30, 8},
    {Kind::ReadOnlyEdit, "1029", u8"", 571, 367, 74, 14},
};

QString Utf8(const char8_t* text) { return QString::fromUtf8(text); }

QWidget* MakeControl(const ControlEntry& entry, QDialog* dialog) {
  switch (entry.kind) {
    case Kind::Group:
      return new QGroupBox(Utf8(entry.caption), dialog);
    case Kind::Label:
      return new QLabel(Utf8(entry.caption), dialog);
    case Kind::Button:
      return new QPushButton(Utf8(entry.caption), dialog);
    case Kind::Edit:
      return new QLineEdit(dialog);
    case Kind::ReadOnlyEdit: {
      auto* edit = new QLineEdit(dialog);
      edit->setReadOnly(true);
      edit->setEnabled(false);
      return edit;
    }
  }
  return nullptr;
}

template <typename T>
T* Find(QDialog* dialog, const char* id) {
  return dialog->findChild<T*>(QString::fromLatin1(id), Qt::FindDirectChildrenOnly);
}

}  // namespace

QFont DialogFont() {
  const QString face = Utf8(u8"宋体");
  QFont font(face, 9);
  const QStringList installed = QFontDatabase::families();
  if (!installed.contains(face) && !installed.contains(QStringLiteral("SimSun"))) {
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    if (!chinese.isEmpty()) {
      font.setFamily(chinese.first());
    }
  }
  return font;
}

DialogUnits::DialogUnits(const QFont& font) {
  // The average character width as dialog templates measure it: the width
  // of the 52 letters, over 26, rounded to a whole pixel by halving.
  const QFontMetrics metrics(font);
  const int letters =
      metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  baseX_ = (letters / 26 + 1) / 2;
  baseY_ = metrics.height();
}

int DialogUnits::X(int units) const { return static_cast<int>(std::lround(units * baseX_ / 4.0)); }

int DialogUnits::Y(int units) const { return static_cast<int>(std::lround(units * baseY_ / 8.0)); }

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
  // Both corners are converted, so neighbouring controls meet without gaps.
  const int left = X(x);
  const int top = Y(y);
  return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}

DialogControls BuildDialogTemplate(QDialog* dialog, const std::function<QWidget*(QWidget* parent)>& makeVideoArea) {
  DialogControls controls;
  if (dialog == nullptr) {
    return controls;
  }
  dialog->setWindowTitle(Utf8(u8"烧写序列号+图像校准"));
  const QFont font = DialogFont();
  dialog->setFont(font);
  const DialogUnits units(font);
  dialog->setFixedSize(units.X(kTemplateWidth), units.Y(kTemplateHeight));

  QWidget* video = makeVideoArea ? makeVideoArea(dialog) : nullptr;
  if (video == nullptr) {
    auto* frame = new QFrame(dialog);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    video = frame;
  } else if (video->parentWidget() != dialog) {
    video->setParent(dialog);
    video->show();
  }
  video->setObjectName(QStringLiteral("1006"));
  video->setGeometry(units.Rect(kVideoAreaUnits.x(), kVideoAreaUnits.y(), kVideoAreaUnits.width(),
                                kVideoAreaUnits.height()));

  for (const ControlEntry& entry : kControls) {
    QWidget* control = MakeControl(entry, dialog);
    if (entry.id[0] != '\0') {
      control->setObjectName(QString::fromLatin1(entry.id));
    }
    control->setGeometry(units.Rect(entry.x, entry.y, entry.width, entry.height));
  }

  controls.videoArea = video;
  controls.visibleButton = Find<QPushButton>(dialog, "1017");
  controls.infraredButton = Find<QPushButton>(dialog, "1018");
  controls.status = Find<QLineEdit>(dialog, "1025");
  controls.serialInput = Find<QLineEdit>(dialog, "1026");
  controls.serialReadBack = Find<QLineEdit>(dialog, "1027");
  controls.visibleBrightness = Find<QLineEdit>(dialog, "1010");
  controls.visibleRed = Find<QLineEdit>(dialog, "1011");
  controls.visibleGreen = Find<QLineEdit>(dialog, "1012");
  controls.visibleBlue = Find<QLineEdit>(dialog, "1013");
  controls.infraredBrightness = Find<QLineEdit>(dialog, "1024");
  controls.redMean = Find<QLineEdit>(dialog, "1019");
  controls.redVariance = Find<QLineEdit>(dialog, "1020");
  controls.greenMean = Find<QLineEdit>(dialog, "1022");
  controls.greenVariance = Find<QLineEdit>(dialog, "1023");
  controls.blueMean = Find<QLineEdit>(dialog, "1028");
  controls.blueVariance = Find<QLineEdit>(dialog, "1029");
  return controls;
}

}  // namespace pixmender
