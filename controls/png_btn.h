// SPDX-License-Identifier: GPL-2.0-or-later
// CPngBtn: the program's one button. Push buttons, check boxes, radio buttons, page
// buttons, close and minimise buttons are all drawn from three skin images (normal _nr,
// hover _ov, pressed _dn) over a copy of the dialog's background under the button, with an
// optional caption over the image.
//
// A button object is constructed empty (for example as a member of its dialog) and gets
// its window from one of the creation functions below. When creation fails the object
// stays without a window: the owner's later calls act on it harmlessly and nothing shows.
// A click reaches the owner as the clicked() signal; owners tell their buttons apart by
// the sending button.
#pragma once

#include <QAbstractButton>
#include <QFont>
#include <QImage>
#include <string>
#include <string_view>

#include "base/types.h"

class CPngBtn : public QAbstractButton {
  Q_OBJECT
 public:
  CPngBtn();
  ~CPngBtn() override;

  // True once a creation function has given the button its window.
  bool Exists() const { return created_; }

  // The caption and its indent: 0 centres it, 1 or more left-aligns it that many pixels
  // from the left edge. Redraws.
  void SetText(std::u16string_view caption, int indent = 0);
  const std::u16string& Caption() const { return caption_; }
  int TextIndent() const { return indent_; }

  // Sets the tool tip (made on first use) to text and turns it on; a null text does
  // nothing.
  void SetTooltipText(const char16_t* text);

  // The checked flag is the owner's: the button never changes it on a click.
  void SetCheck(bool checked);
  bool GetCheck() const { return checked_; }

  // Replaces the images by copies of the given ones, each cut to source (the whole image
  // when source is null); the disabled image is the normal one again.
  void SetImages(const QImage& normal, const QImage& hover, const QImage& pressed, const QRect* source = nullptr);

  void SetTextColors(COLORREF normal, COLORREF hover, COLORREF pressed);
  // Text-format flags of draw_text.h; 0 draws captions in one line, vertically centred,
  // with an ellipsis when too long, centred when the indent is below 1.
  void SetTextFormat(unsigned format);
  unsigned TextFormat() const { return textFormat_; }

  void SetCheckStyle(bool on) { checkStyle_ = on; }
  bool CheckStyle() const { return checkStyle_; }
  void SetPressShift(bool on) { pressShift_ = on; }
  bool PressShift() const { return pressShift_; }
  void SetDebugFrame(bool on) { debugFrame_ = on; }
  bool DebugFrame() const { return debugFrame_; }
  // Draws with the application font (when there is one) instead of the own font.
  void UseAppFont(bool on);
  // The font captions are drawn with: the application font, else the own font
  // ("MS Shell Dlg", height 15, normal weight).
  const QFont& DrawingFont() const;

  // The part of the dialog's background under the button, drawn under every state.
  void SetBackground(const QImage& background) { background_ = background; }

  bool Hovering() const { return hovering_; }

  // What the button draws in its present state.
  enum class Face { Normal, Hover, Pressed, Disabled };
  struct Look {
    Face face = Face::Normal;
    COLORREF textColour = 0;
    bool shifted = false;  // the image is drawn one pixel left and one down
    friend bool operator==(const Look&, const Look&) = default;
  };
  Look CurrentLook() const;
  const QImage& ImageOf(Face face) const;

  QSize sizeHint() const override;
  // A button without a window (its creation failed) never shows: it has no parent, and
  // showing it would make it an empty window of its own.
  void setVisible(bool visible) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  // Owner drawing: background, state image, caption, debug frame.
  virtual void DrawItem(QPainter& painter);
  void mouseMoveEvent(QMouseEvent* event) override;
  // Enter presses the focused button as Space does (the skinned dialog lets both through).
  void keyPressEvent(QKeyEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  friend bool AttachButton(CPngBtn& button, QWidget* parent, const QRect& rect);
  void SetHovering(bool on);

  bool created_ = false;
  QImage normal_, hover_, pressed_, disabled_;
  QImage background_;
  std::u16string caption_;
  int indent_ = 0;
  COLORREF colourNormal_ = RGB(200, 200, 200);
  COLORREF colourHover_ = RGB(100, 100, 100);
  COLORREF colourPressed_ = RGB(0, 0, 0);
  bool checked_ = false;
  bool checkStyle_ = false;
  bool pressShift_ = false;
  bool hovering_ = false;
  unsigned textFormat_ = 0;
  bool appFont_ = false;
  QFont ownFont_;
  bool tipMade_ = false;
  bool debugFrame_ = false;
};

// Creation: each gives the button its window with empty text, copies of its three state
// images and the Btn_txt_clr settings as text colours, and returns whether the button now
// exists.

// From skin files: the three files from the skins folder; the button takes the normal
// image's size with its top-left corner at `at` in the parent, and a copy of the parent's
// background image there (none when background is null). Draws with the application font
// and the UIDebug frame. With tips, the caption is also the tool tip. Fails (and creates
// nothing) when a file does not load.
bool CreatePngBtn(CPngBtn& button, QWidget* parent, QPoint at, const std::string& normal,
                  const std::string& hover, const std::string& pressed, bool checkStyle,
                  const QImage* background, const char16_t* caption = nullptr, bool tips = false);

// From skin files, cut: each image cut to source (the whole normal image when null),
// placed at `at`; own font, no background.
bool CreatePngBtnCut(CPngBtn& button, QWidget* parent, QPoint at, const std::string& normal,
                     const std::string& hover, const std::string& pressed, const QRect* source,
                     bool checkStyle, bool pressShift, const char16_t* caption = nullptr, bool tips = false);

// From loaded images over a given window rectangle, images cut to source or whole; own
// font, no background, no caption. The check-style and the push-style variant.
bool CreatePngCheckBtn(CPngBtn& button, QWidget* parent, const QRect& window, const QImage& normal,
                       const QImage& hover, const QImage& pressed, const QRect* source = nullptr);
bool CreatePngPushBtn(CPngBtn& button, QWidget* parent, const QRect& window, const QImage& normal,
                      const QImage& hover, const QImage& pressed, const QRect* source = nullptr);
