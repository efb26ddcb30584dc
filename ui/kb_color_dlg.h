// SPDX-License-Identifier: GPL-2.0-or-later
// CKBColorDlg: the keyboard picture, a child window of the main window at rcKB. It draws
// the keyboard image over the main window's background, frames the keys whose function
// differs from the default, fills the keys of the colour group with their colours, frames
// the key under the mouse and the selected key, and tells its parent which key was clicked
// (WM_KEY_CLICKED, posted on the release of the left button).
//
// From the keyboard (a tab stop): the arrow keys move a focus key across the keys by rows
// as drawn, and Enter or Space click the focus key. Assistive technology sees every key as
// an item (ui/keyboard_picture_accessible.h).
//
// It knows keys only by index: key i is record i of the key table and key function i of a
// profile. The main window and the lighting panel fill its arrays; it decides nothing
// about profiles.
#pragma once

#include <QImage>
#include <QPainterPath>
#include <array>
#include <cstdint>
#include <span>

#include "base/key_function.h"
#include "base/types.h"
#include "controls/keyboard_focus.h"
#include "ui/skinned_dialog.h"

class CKBColorDlg : public CSkinnedDialog, public FocusAreaProvider {
  Q_OBJECT
 public:
  // Loads keyimg.png from the skins folder.
  explicit CKBColorDlg(QWidget* parent = nullptr);

  // Frame colours: under the mouse (ClrKeyOv), the selected key (ClrKeyDn), a key with a
  // function of its own (ClrKeyHasFunc). All red until set.
  void SetColors(COLORREF hover, COLORREF selected, COLORREF hasFunction);
  // The key rectangles, copied from the key table in order; the table's count is the
  // number of keys the picture knows.
  void SetKeyRects(const KeyTable& table);
  // The picture of the main window's background under the picture, drawn scaled to the
  // window under the keyboard image.
  void SetPictureBackground(const QImage& background);

  // Makes one key an outline: one straight line from each point to the next. Ignored for
  // an index above 125 or fewer than 3 points.
  void SetPolygonKey(int32_t index, std::span<const Point> points);
  // Marks a key as carrying a function of its own (1) or not (0). A negative index means
  // the clicked key (nothing when there is none); an index above 125 is ignored. Redraws.
  void SetKeyFlag(int32_t index, uint32_t value);
  // The colours shown on the keys (0: none), all at once; redraw with Redraw.
  void SetKeyColors(std::span<const COLORREF, kKeyCount> colours);
  void SetKeyColor(int32_t index, COLORREF colour);
  // Forgets the clicked key.
  void ResetClickedKey() { clicked_ = -1; }
  void Redraw() { update(); }

  // The key at a point of the picture, or -1.
  int32_t HitTest(QPoint point) const;

  int32_t ClickedKey() const { return clicked_; }
  int32_t HoverKey() const { return hover_; }
  int32_t PolygonKey() const { return polygonKey_; }
  int KeyCount() const { return keyCount_; }
  uint32_t KeyFlag(int32_t index) const;
  COLORREF KeyColor(int32_t index) const;
  const QImage& KeyImage() const { return keyImage_; }
  // A key's rectangle in the picture (the bounds of an outline key); empty for no key.
  QRect KeyBounds(int32_t index) const;
  // The key the keyboard is on (-1 before the picture first had the focus).
  int32_t FocusKey() const { return focus_; }
  void SetFocusKey(int32_t index);
  // What a click on the key does: it becomes the clicked key and the parent hears of it.
  void ActivateKey(int32_t index);
  QRect FocusArea() const override;

 protected:
  void Paint(QPainter& painter) override;
  // A press on the picture does not move the main window: a key click ends on its release.
  void OnBackgroundPress(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  QPainterPath KeyPath(int index) const;
  void DrawOutline(QPainter& painter, int index, COLORREF colour) const;
  // The clicked and hovered key's frame, drawn around the key's own outline.
  void DrawOuterOutline(QPainter& painter, int index, COLORREF colour) const;
  static constexpr qreal kOuterOutline = 2.0;

  QImage keyImage_;
  QImage pictureBackground_;
  std::array<uint32_t, kKeyCount> hasFunction_{};
  std::array<COLORREF, kKeyCount> colours_{};
  std::array<Rect, kKeyCount> rects_{};
  int keyCount_ = 0;
  int32_t clicked_ = -1;
  int32_t hover_ = -1;
  int32_t focus_ = -1;
  int32_t polygonKey_ = -1;
  QPainterPath polygon_;
  COLORREF hoverColour_ = 255;
  COLORREF selectedColour_ = 255;
  COLORREF functionColour_ = 255;
};
