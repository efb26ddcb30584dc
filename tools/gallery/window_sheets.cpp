// SPDX-License-Identifier: GPL-2.0-or-later
// The gallery's sheets of the small windows: the message box in its modes, the progress
// dialog at several positions and the keyboard picture with its marks. Each window is put
// into its state the way the program does it (window messages, key and mouse events) and
// drawn off-screen.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <memory>
#include <vector>

#include "app/program_settings.h"
#include "platform/messages.h"
#include "skin/app_font.h"
#include "skin/skin_image.h"
#include "skin/window_region.h"
#include "text/text_table.h"
#include "tools/gallery/gallery_canvas.h"
#include "tools/gallery/sheets.h"
#include "ui/kb_color_dlg.h"
#include "ui/msg_dlg.h"
#include "ui/progress_dlg.h"

namespace gallery {

namespace {

constexpr QPoint kPanelSpot(40, 500);
constexpr int kMargin = 16;
constexpr int kLabelHeight = 26;

// A sheet of window pictures in a grid, each under its label, on the main window's plain
// panel colour.
class Sheet {
 public:
  Sheet(int columns, QSize cell) : columns_(columns), cell_(cell) {}
  void Add(const QString& label, const QImage& picture) { items_.push_back({label, picture}); }
  QImage Picture() const {
    const int rows = (static_cast<int>(items_.size()) + columns_ - 1) / columns_;
    const QSize size(kMargin + columns_ * (cell_.width() + kMargin),
                     kMargin + rows * (kLabelHeight + cell_.height() + kMargin));
    QImage sheet = BackgroundFrom(LoadSkinImage("main_nr.png").Image(), kPanelSpot, QSize(1, 1)).scaled(size);
    QPainter p(&sheet);
    p.setFont(WindowFont(16, 600));
    p.setPen(QColor::fromRgb(ToQRgb(Settings().Txt_clr)));
    for (std::size_t i = 0; i < items_.size(); ++i) {
      const int column = static_cast<int>(i) % columns_, row = static_cast<int>(i) / columns_;
      const QPoint at(kMargin + column * (cell_.width() + kMargin), kMargin + row * (kLabelHeight + cell_.height() + kMargin));
      p.drawText(QRect(at, QSize(cell_.width(), kLabelHeight - 6)), Qt::AlignLeft | Qt::AlignVCenter, items_[i].label);
      p.drawImage(at + QPoint(0, kLabelHeight), items_[i].picture);
    }
    return sheet;
  }

 private:
  struct Item {
    QString label;
    QImage picture;
  };
  int columns_;
  QSize cell_;
  std::vector<Item> items_;
};

void Settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// A key press as the X server reports it: the key code (evdev + 8) and the Qt key.
void SendKey(QWidget* to, QEvent::Type type, int key, quint32 xKeycode) {
  QKeyEvent event(type, key, Qt::NoModifier, xKeycode, 0, 0);
  QApplication::sendEvent(to, &event);
}

std::unique_ptr<CMsgDlg> OpenBox(int mode, std::u16string_view text, int singleKey = 0) {
  auto box = std::make_unique<CMsgDlg>();
  box->mode = mode;
  box->message = text;
  box->singleKey = singleKey;
  box->ShowModeless();
  Settle();
  return box;
}

int KeyIndexOf(const KeyTable& table, uint8_t vk) {
  for (int i = 0; i < table.count; ++i) {
    if (table.keys[static_cast<std::size_t>(i)].key1 == vk) return i;
  }
  return -1;
}

}  // namespace

bool MessageBoxSheet(const QString& path) {
  const TextTable& t = TextTable::Instance();
  const QSize cell = LoadSkinImage("msg_nr.png").Size();
  if (cell.isEmpty()) return false;
  Sheet sheet(2, cell);

  auto message = OpenBox(CMsgDlg::MODE_MESSAGE, t.tc_msg8);
  sheet.Add(QStringLiteral("Message (mode 1)"), message->grab().toImage());

  auto question = OpenBox(CMsgDlg::MODE_QUESTION, t.tc_msg5);
  HoverAt(&question->OkButton(), QPoint(3, 3));
  sheet.Add(QStringLiteral("Question (mode 5), the mouse over OK"), question->grab().toImage());

  auto text = OpenBox(CMsgDlg::MODE_TEXT, t.tc_macro_msg11);
  text->Edit()->setText(QStringLiteral("Reload and sprint"));
  sheet.Add(QStringLiteral("Text (mode 2)"), text->grab().toImage());

  auto number = OpenBox(CMsgDlg::MODE_NUMBER, t.tc_macro_msg12);
  number->Edit()->setText(QStringLiteral("250"));
  sheet.Add(QStringLiteral("Number (mode 3)"), number->grab().toImage());

  // Left Ctrl held, then A and B, as the keyboard sends them.
  auto capture = OpenBox(CMsgDlg::MODE_CAPTURE, t.tc_msg7);
  QWidget* edit = capture->Edit();
  SendKey(edit, QEvent::KeyPress, Qt::Key_Control, 37);
  SendKey(edit, QEvent::KeyPress, Qt::Key_A, 38);
  SendKey(edit, QEvent::KeyRelease, Qt::Key_A, 38);
  SendKey(edit, QEvent::KeyPress, Qt::Key_B, 56);
  SendKey(edit, QEvent::KeyRelease, Qt::Key_B, 56);
  SendKey(edit, QEvent::KeyRelease, Qt::Key_Control, 37);
  sheet.Add(QStringLiteral("Key capture (mode 4): left Ctrl, A, B"), capture->grab().toImage());

  // Single key: right Ctrl, then keypad Enter; only the last key stays.
  auto single = OpenBox(CMsgDlg::MODE_CAPTURE, t.tc_msg7, 1);
  edit = single->Edit();
  SendKey(edit, QEvent::KeyPress, Qt::Key_Control, 105);
  SendKey(edit, QEvent::KeyPress, Qt::Key_Enter, 104);
  SendKey(edit, QEvent::KeyRelease, Qt::Key_Enter, 104);
  SendKey(edit, QEvent::KeyRelease, Qt::Key_Control, 105);
  sheet.Add(QStringLiteral("Key capture, single key: right Ctrl, then keypad Enter"), single->grab().toImage());

  return Save(sheet.Picture(), path);
}

bool ProgressSheet(const QString& path) {
  const QSize cell = LoadSkinImage("progress_nr.png").Size();
  if (cell.isEmpty()) return false;
  Sheet sheet(2, cell);
  for (int position : {0, 20, 70, 100}) {
    CProgressDlg dialog;
    SetUpApplyProgress(dialog);
    dialog.ShowModeless();
    Settle();
    // As the apply worker reports it.
    dialog.hwnd()->post(dialog.hwnd(), WM_APPLY_PROGRESS, static_cast<uintptr_t>(position), 0);
    Settle();
    sheet.Add(QStringLiteral("WM_APPLY_PROGRESS %1").arg(position), dialog.grab().toImage());
  }
  return Save(sheet.Picture(), path);
}

bool KeyboardPictureSheet(const QString& path) {
  const AppSettings& s = Settings();
  const QImage face = LoadSkinImage("main_nr.png").Image();
  const QRect kb(s.rcKB.left, s.rcKB.top, s.rcKB.Width(), s.rcKB.Height());
  const QRect area = kb.adjusted(-12, -12, 12, 40) & face.rect();
  Canvas canvas(area.size(), face.copy(area));

  // As the main window sets the picture up.
  CKBColorDlg picture;
  picture.SetColors(s.ClrKeyOv, s.ClrKeyDn, s.ClrKeyHasFunc);
  picture.SetKeyRects(s.KeyTable);
  picture.SetPictureBackground(face.copy(kb));
  int enter = -1;
  if (s.UnRectKey.Used()) {
    for (int i = 0; i < s.KeyTable.count; ++i) {
      if (s.KeyTable.keys[static_cast<std::size_t>(i)].matrixPos == s.UnRectKey.MatrixPosition()) enter = i;
    }
    std::vector<Point> corners = s.UnRectKey.Corners();
    if (corners.size() > 20) corners.resize(20);
    picture.SetPolygonKey(enter, corners);
  }
  picture.CreateChild(&canvas, kb.translated(-area.topLeft()));

  // Keys with functions of their own: F1 to F4, Q and E.
  for (uint8_t vk : std::initializer_list<uint8_t>{0x70, 0x71, 0x72, 0x73, 'Q', 'E'}) {
    if (const int i = KeyIndexOf(s.KeyTable, vk); i >= 0) picture.SetKeyFlag(i, 1);
  }
  // The first preset game group lit in the game colour, the space bar in blue.
  std::array<COLORREF, kKeyCount> colours{};
  for (uint8_t vk : s.GameKeySets[0]) {
    const int i = vk != 0 ? KeyIndexOf(s.KeyTable, vk) : -1;
    if (i >= 0) colours[static_cast<std::size_t>(i)] = s.clrGaoshou;
  }
  if (const int space = KeyIndexOf(s.KeyTable, 0x20); space >= 0) colours[static_cast<std::size_t>(space)] = RGB(40, 160, 255);
  picture.SetKeyColors(colours);

  const QString legend = QStringLiteral(
      "Own function: F1-F4, Q, E   Colour group: the first game preset and Space   Selected: Enter   Mouse over: G");
  canvas.Label(QRect(16, area.height() - 34, area.width() - 32, 24), legend);
  canvas.move(area.topLeft());
  canvas.ShowModeless();
  Settle();

  // The Enter key clicked, then the mouse over G: a point a little inside the key's area.
  auto pointOn = [&](int index) {
    const Rect& r = s.KeyTable.keys[static_cast<std::size_t>(index)].rect;
    for (int y = r.top; y < r.bottom; y += 2) {
      for (int x = r.left; x < r.right; x += 2) {
        if (picture.HitTest({x, y}) == index && picture.HitTest({x + 8, y + 8}) == index) return QPoint(x + 8, y + 8);
      }
    }
    return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  };
  if (enter >= 0) {
    const QPointF at(pointOn(enter));
    const QPointF global = picture.mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&picture, &press);
    QApplication::sendEvent(&picture, &release);
  }
  if (const int g = KeyIndexOf(s.KeyTable, 'G'); g >= 0) HoverAt(&picture, pointOn(g));
  Settle();
  return Save(canvas.grab().toImage(), path);
}

}  // namespace gallery
