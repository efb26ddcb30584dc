// SPDX-License-Identifier: GPL-2.0-or-later
// The floor of the start-up benchmark: the least a program must do to show what tastor's
// main window shows first. A frameless Qt window of the size of skins/main_nr.png (beside
// the executable) that paints that image and one line of text, and ends once it has been
// painted. Started by bench_startup in the same way as tastor.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

class FloorWindow : public QWidget {
 public:
  explicit FloorWindow(QImage face) : QWidget(nullptr, Qt::FramelessWindowHint), face_(std::move(face)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(face_.size());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(0, 0, face_);
    painter.setPen(Qt::white);
    painter.drawText(QRect(55, 600, 200, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Version 1.0"));
    if (!painted_) QTimer::singleShot(0, this, &QWidget::close);
    painted_ = true;
  }

 private:
  QImage face_;
  bool painted_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QImage face(QCoreApplication::applicationDirPath() + QStringLiteral("/skins/main_nr.png"));
  if (face.isNull()) return 1;
  FloorWindow window(std::move(face));
  window.show();
  return app.exec();
}
