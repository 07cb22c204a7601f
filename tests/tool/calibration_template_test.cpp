// The calibration dialog's controls and the About box.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <memory>

#include "tool/about_box.h"
#include "tool/dialog_template.h"

namespace pixmender {
namespace {

QString Text(const char8_t* text) { return QString::fromUtf8(text); }

QStringList Sorted(QStringList list) {
  list.sort();
  return list;
}

class CalibrationTemplate : public ::testing::Test {
 protected:
  void SetUp() override { controls_ = BuildDialogTemplate(&dialog_, nullptr); }

  QDialog dialog_;
  DialogControls controls_;
};

TEST_F(CalibrationTemplate, TitleFontAndSize) {
  EXPECT_EQ(dialog_.windowTitle(), Text(u8"烧写序列号+图像校准"));
  EXPECT_EQ(dialog_.font().pointSize(), 9);
  const DialogUnits units(dialog_.font());
  EXPECT_EQ(dialog_.size(), QSize(units.X(667), units.Y(416)));
}

TEST_F(CalibrationTemplate, ButtonsCarryTheirCaptions) {
  const struct {
    const char* id;
    QPushButton* button;
    const char8_t* caption;
  } buttons[] = {
      {"1017", controls_.visibleButton, u8"可见光自动调整"},
      {"1018", controls_.infraredButton, u8"红外自动调整"},
  };
  for (const auto& b : buttons) {
    auto* found = dialog_.findChild<QPushButton*>(QString::fromLatin1(b.id));
    ASSERT_NE(found, nullptr) << b.id;
    EXPECT_EQ(found, b.button) << b.id;
    EXPECT_EQ(found->text(), Text(b.caption)) << b.id;
    EXPECT_TRUE(found->isEnabled());
  }
}

TEST_F(CalibrationTemplate, EditsAreFoundByIdentifier) {
  const struct {
    const char* id;
    QLineEdit* edit;
    bool readOnly;
  } edits[] = {
      {"1025", controls_.status, true},          {"1026", controls_.serialInput, false},
      {"1027", controls_.serialReadBack, false}, {"1010", controls_.visibleBrightness, true},
      {"1011", controls_.visibleRed, true},      {"1012", controls_.visibleGreen, true},
      {"1013", controls_.visibleBlue, true},     {"1024", controls_.infraredBrightness, true},
      {"1019", controls_.redMean, true},         {"1020", controls_.redVariance, true},
      {"1022", controls_.greenMean, true},       {"1023", controls_.greenVariance, true},
      {"1028", controls_.blueMean, true},        {"1029", controls_.blueVariance, true},
  };
  for (const auto& e : edits) {
    auto* found = dialog_.findChild<QLineEdit*>(QString::fromLatin1(e.id));
    ASSERT_NE(found, nullptr) << e.id;
    EXPECT_EQ(found, e.edit) << e.id;
    EXPECT_TRUE(found->text().isEmpty()) << e.id;
    // Read-only edits are disabled controls: shown, never typed into.
    EXPECT_EQ(found->isReadOnly(), e.readOnly) << e.id;
    EXPECT_EQ(found->isEnabled(), !e.readOnly) << e.id;
  }
  EXPECT_EQ(dialog_.findChildren<QLineEdit*>().size(), std::size(edits));
}

TEST_F(CalibrationTemplate, GroupsAndLabelsCarryTheirCaptions) {
  QStringList groups;
  for (const QGroupBox* group : dialog_.findChildren<QGroupBox*>()) {
    groups << group->title();
  }
  const QStringList expectedGroups = {
      Text(u8"图像校准"),       Text(u8"烧写序列号"),       Text(u8"图像调整结果"),
      Text(u8"可见光调整结果"), Text(u8"红外图像调整结果"), Text(u8"统计结果"),
      Text(u8"R通道"),          Text(u8"G通道"),            Text(u8"B通道"),
  };
  EXPECT_EQ(Sorted(groups), Sorted(expectedGroups));

  QStringList labels;
  for (const QLabel* label : dialog_.findChildren<QLabel*>()) {
    labels << label->text();
  }
  const QStringList expectedLabels = {
      Text(u8"输入序列号："), Text(u8"读出序列号："), Text(u8"亮度"), Text(u8"红增益"), Text(u8"绿增益"),
      Text(u8"蓝增益"),       Text(u8"亮度"),         Text(u8"均值"), Text(u8"方差"),   Text(u8"均值"),
      Text(u8"方差"),         Text(u8"均值"),         Text(u8"方差"),
  };
  EXPECT_EQ(Sorted(labels), Sorted(expectedLabels));
}

TEST_F(CalibrationTemplate, VideoAreaSitsAtItsPlaceInDialogUnits) {
  auto* frame = qobject_cast<QFrame*>(controls_.videoArea);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->objectName(), QStringLiteral("1006"));
  const DialogUnits units(dialog_.font());
  const QRect place = frame->geometry();
  EXPECT_EQ(place, units.Rect(8, 63, 509, 346));
  EXPECT_NEAR(place.width(), 509.0 * units.BaseX() / 4, 1.0);
  EXPECT_NEAR(place.height(), 346.0 * units.BaseY() / 8, 1.0);
}

TEST_F(CalibrationTemplate, ControlsStayInsideTheDialogAndOffTheVideo) {
  const QRect client(QPoint(0, 0), dialog_.size());
  const QRect video = controls_.videoArea->geometry();
  for (QWidget* child : dialog_.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child == controls_.videoArea) {
      continue;
    }
    const QString name = child->objectName();
    EXPECT_TRUE(client.contains(child->geometry())) << name.toStdString();
    EXPECT_FALSE(video.intersects(child->geometry())) << name.toStdString();
  }
}

TEST(CalibrationTemplateVideo, FactoryMakesTheVideoArea) {
  QDialog dialog;
  QWidget* made = nullptr;
  const DialogControls controls = BuildDialogTemplate(&dialog, [&](QWidget* parent) {
    made = new QLabel(parent);
    return made;
  });
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(controls.videoArea, made);
  EXPECT_EQ(made->parentWidget(), &dialog);
  EXPECT_EQ(made->objectName(), QStringLiteral("1006"));
  EXPECT_EQ(made->geometry(), DialogUnits(dialog.font()).Rect(8, 63, 509, 346));
}

TEST(CalibrationAboutBox, TextsAndConfirmation) {
  QWidget owner;
  const std::unique_ptr<QDialog> box(BuildAboutBox(&owner));
  EXPECT_EQ(box->windowTitle(), Text(u8"关于 Pixmender"));
  QStringList texts;
  for (const QLabel* label : box->findChildren<QLabel*>()) {
    if (!label->text().isEmpty()) {
      texts << label->text();
    }
  }
  EXPECT_EQ(texts, QStringList{Text(u8"Pixmender 1.0 版")});
  const QList<QPushButton*> buttons = box->findChildren<QPushButton*>();
  ASSERT_EQ(buttons.size(), 1);
  EXPECT_EQ(buttons.front()->text(), Text(u8"确定"));
  box->setResult(QDialog::Rejected);
  buttons.front()->click();
  EXPECT_EQ(box->result(), QDialog::Accepted);
}

}  // namespace
}  // namespace pixmender
