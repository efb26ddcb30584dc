// SPDX-License-Identifier: GPL-2.0-or-later
// The yardstick of the start-up benchmark: a bare Qt window program of the main window's
// size that ends once its window has been painted, started the same way as tastor.
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

class BareWindow : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), Qt::darkGray);
    if (!painted_) QTimer::singleShot(0, this, &QWidget::close);
    painted_ = true;
  }

 private:
  bool painted_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  BareWindow window;
  window.resize(1380, 720);
  window.show();
  return app.exec();
}
