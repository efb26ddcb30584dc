// SPDX-License-Identifier: GPL-2.0-or-later
// The skinned horizontal slider: CPngSliderBar, the track drawn from dpi_bar.png (and its
// fill from dpi_bar_ov.png) over a copy of the dialog's background, and CPngSlider, the
// thumb inside it that the user drags. Steps may sit at arbitrary pixel positions along the
// track (a position table) or be spaced evenly.
//
// Notifications are posted: 0x801 (step under the thumb) while the thumb is dragged, once
// per change of step, and 0x800 (final step) when a position is set; both go from the
// thumb to the bar and from the bar on to its dialog with the bar's slider id as lParam.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <vector>

class CPngSliderBar;

class CPngSlider : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMaxScalePositions = 250;

  explicit CPngSlider(CPngSliderBar& bar);

  // The position table for a scale of `steps` steps: 12 and 168 at the ends, the 156 pixels
  // between divided evenly with the remainder spread one pixel each over the first steps.
  // A scale that does not match the range shows a warning and is set all the same; a scale
  // below 2 steps has no spacing and leaves the steps evenly spaced.
  void SetScalePos(int steps);
  const std::vector<int>& ScalePositions() const { return scale_; }

  // Shows a step (one outside the range shows the lowest); with notify, posts 0x800.
  void SetPos(int step, bool notify);
  int GetPos() const { return pos_; }

  // The step nearest to a coordinate along the track, within the range.
  int StepAt(int coordinate) const;
  // The coordinate of a step's position along the track.
  int PositionOf(int step) const;

  void SetCrossPos(int y);
  int CrossPos() const { return crossPos_; }
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Id() const { return id_; }
  bool Dragging() const { return dragging_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  friend bool CreatePngSlider(const QImage&, QWidget*, const QImage&, CPngSliderBar&, int, int, int, QPoint,
                              const QRect&, const QRect&);
  int TrackLength() const;
  int CentreOfThumb() const { return x() + width() / 2; }
  void PlaceThumb(int centre);

  CPngSliderBar& bar_;
  QImage image_;
  std::vector<int> scale_;
  int crossPos_ = 0;
  int id_ = 0;
  int min_ = 0;
  int max_ = 1;
  int pos_ = 0;
  bool notifyWhileDragging_ = false;
  bool dragging_ = false;
  int dragStartX_ = 0;     // global x of the press
  int dragStartLeft_ = 0;  // the thumb's left edge at the press
  int lastPosted_ = 0;
};

class CPngSliderBar : public QWidget {
  Q_OBJECT
 public:
  CPngSliderBar();
  ~CPngSliderBar() override;

  bool Exists() const { return created_; }
  // A bar without a window (its creation failed) never shows: without a parent it would
  // become an empty window of its own.
  void setVisible(bool visible) override;
  CPngSlider& Slider() { return slider_; }
  const CPngSlider& Slider() const { return slider_; }

  // When on, setting a position by program also posts 0x800 (off after creation).
  void SetNotifyOnSet(bool on) { notifyOnSet_ = on; }
  bool NotifyOnSet() const { return notifyOnSet_; }

  int Id() const { return id_; }
  bool HasFill() const { return !fill_.isNull(); }
  int FillPos() const { return fillPos_; }
  void SetFillPos(int pixels);
  const QImage& Track() const { return track_; }
  bool Debug() const { return debug_; }

  // Shorthands for the thumb's position.
  void SetPos(int step, bool notify) { slider_.SetPos(step, notify); }
  int GetPos() const { return slider_.GetPos(); }
  // A step the user chose (a click on the track, a key, assistive technology): set within
  // the range, and one 0x800 reaches the dialog, as for a click.
  void SetPosByUser(int step);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  // A press on the track is the bar's (it sets the position on the release).
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // The bar takes the focus: the arrow keys move one step, Page Up and Page Down a tenth
  // of the range, Home and End to the ends.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  friend bool CreatePngSlider(const QImage&, QWidget*, const QImage&, CPngSliderBar&, int, int, int, QPoint,
                              const QRect&, const QRect&);
  bool created_ = false;
  CPngSlider slider_{*this};
  QImage track_;
  QImage fill_;
  int fillPos_ = 0;
  int id_ = 0;
  bool notifyOnSet_ = false;
  bool debug_ = false;
};

// Creates a slider in dialog: the bar over windowRect, its track and fill bitmaps made of
// copyRect of the dialog's background with dpi_bar.png and dpi_bar_ov.png drawn on at
// imageOffset, a thumb of the thumb image's size inside it, the range min to max and the
// slider id; the position starts at min. Refused with a message box when the thumb image is
// missing ("Slider img is null"), when dpi_bar.png does not load ("File not exist: %s") or
// when the range has no second step (max not above min).
bool CreatePngSlider(const QImage& thumb, QWidget* dialog, const QImage& background, CPngSliderBar& bar, int min,
                     int max, int id, QPoint imageOffset, const QRect& copyRect, const QRect& windowRect);
