#include "tool/about_box.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <memory>

#include "tool/dialog_template.h"

namespace pixmender {

QDialog* BuildAboutBox(QWidget* parent) {
  auto* box = new QDialog(parent);
  box->setWindowTitle(QString::fromUtf8(u8"关于 Pixmender"));
  const QFont font = DialogFont();
  box->setFont(font);
  const DialogUnits units(font);
  box->setFixedSize(units.X(170), units.Y(62));

  const QIcon icon = QApplication::windowIcon();
  if (!icon.isNull()) {
    auto* picture = new QLabel(box);
    const QRect place = units.Rect(14, 14, 21, 20);
    picture->setPixmap(icon.pixmap(place.size()));
    picture->setGeometry(place);
  }
  auto* text = new QLabel(QString::fromUtf8(u8"Pixmender 1.0 版"), box);
  text->setGeometry(units.Rect(42, 14, 114, 8));

  auto* ok = new QPushButton(QString::fromUtf8(u8"确定"), box);
  ok->setDefault(true);
  ok->setGeometry(units.Rect(113, 41, 50, 14));
  QObject::connect(ok, &QPushButton::clicked, box, &QDialog::accept);
  return box;
}

void ShowAboutBox(QWidget* parent) {
  const std::unique_ptr<QDialog> box(BuildAboutBox(parent));
  box->exec();
}

}  // namespace pixmender
