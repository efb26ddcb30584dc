// SPDX-License-Identifier: GPL-2.0-or-later
// The reference keyboard's skin: every file the windows load exists with the size and
// the transparent parts its window expects, the layout of cfg.ini fits the images, every
// key rectangle lies on a key cap of the picture, and regenerating the skin gives the
// committed files.
#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>
#include <QPainterPath>
#include <filesystem>
#include <map>
#include <string>

#include "app/program_settings.h"
#include "skin/key_outline.h"
#include "skin/skin_image.h"
#include "skin/window_region.h"
#include "tests/support/test_support.h"

namespace {

const std::string& DataDir() {
  static const std::string dir = SourceDir() + "data/";
  return dir;
}

const AppSettings& ReferenceSettings() {
  static const AppSettings settings = [] {
    AppSettings s;
    RecordingWindowPort port;
    LoadSettings(DataDir(), s);
    return s;
  }();
  return settings;
}

QImage Skin(const std::string& name) { return LoadImage(SkinPath(DataDir(), name)).Image(); }

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

// Every file the program loads from the skins folder.
const char* const kSkinFiles[] = {
    "main_nr.png", "main_mask.png", "min_nr.png", "min_ov.png", "exit_nr.png", "exit_ov.png",
    "button_nr.png", "button_dn.png", "btn_nr.png", "btn_ov.png", "btn2_nr.png", "combo_nr.png",
    "combo_ov.png", "check_nr.png", "check_ov.png", "check_dn.png", "radio_nr.png", "radio_ov.png",
    "radio_dn.png", "recbtn_nr.png", "recbtn_dn.png", "macro_nr.png", "open.png", "close.png",
    "UP_N.png", "DN_N.png", "TM_N.png", "pickfundlg.png", "slider.png", "dpi_bar.png",
    "dpi_bar_ov.png", "msg_nr.png", "msgico.png", "keyimg.png", "progress_nr.png", "progress_ov.png",
    "menu_nr.bmp", "menu_ov.bmp", "menusub_nr.bmp", "menusub_ov.bmp",
};

bool Inside(const QRect& part, const QSize& window) { return QRect(QPoint(0, 0), window).contains(part); }

// Share of pixels whose colours differ by more than a little.
double DifferentShare(const QImage& a, const QImage& b) {
  const QImage x = a.convertToFormat(QImage::Format_ARGB32);
  const QImage y = b.convertToFormat(QImage::Format_ARGB32);
  long long different = 0;
  for (int row = 0; row < x.height(); ++row) {
    const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
    const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
    for (int col = 0; col < x.width(); ++col) {
      const int d = std::max({std::abs(qRed(p[col]) - qRed(q[col])), std::abs(qGreen(p[col]) - qGreen(q[col])),
                              std::abs(qBlue(p[col]) - qBlue(q[col])), std::abs(qAlpha(p[col]) - qAlpha(q[col]))});
      if (d > 8) ++different;
    }
  }
  return static_cast<double>(different) / (static_cast<double>(x.width()) * x.height());
}

}  // namespace

TEST(ReferenceSkin, EveryFileExistsBesideTheSourceAndTheBuiltProgram) {
  for (const char* name : kSkinFiles) {
    for (const std::string& folder : {DataDir(), BinDir()}) {
      const SkinImage image = LoadImage(SkinPath(folder, name));
      EXPECT_TRUE(image.IsLoaded()) << folder << "skins/" << name;
    }
  }
  // The menu library gets BMP files, everything else is PNG with an alpha channel.
  for (const char* name : kSkinFiles) {
    QImageReader reader(QString::fromStdString(SkinPath(DataDir(), name)));
    const bool bmp = std::string(name).ends_with(".bmp");
    EXPECT_EQ(reader.format(), bmp ? QByteArray("bmp") : QByteArray("png")) << name;
    if (!bmp) {
      EXPECT_TRUE(reader.read().hasAlphaChannel()) << name;
    }
  }
  EXPECT_TRUE(std::filesystem::exists(DataDir() + "appico.ico"));
  EXPECT_TRUE(std::filesystem::exists(BinDir() + "appico.ico"));
}

TEST(ReferenceSkin, StateImagesShareASizeAndLookDifferent) {
  const std::vector<std::vector<std::string>> sets = {
      {"min_nr.png", "min_ov.png"},       {"exit_nr.png", "exit_ov.png"},
      {"button_nr.png", "button_dn.png"}, {"btn_nr.png", "btn_ov.png"},
      {"combo_nr.png", "combo_ov.png"},   {"check_nr.png", "check_ov.png", "check_dn.png"},
      {"radio_nr.png", "radio_ov.png", "radio_dn.png"}, {"recbtn_nr.png", "recbtn_dn.png"},
      {"dpi_bar.png", "dpi_bar_ov.png"},  {"menu_nr.bmp", "menu_ov.bmp"},
      {"menusub_nr.bmp", "menusub_ov.bmp"}, {"progress_nr.png", "progress_ov.png"},
      {"main_nr.png", "main_mask.png"},   {"UP_N.png", "DN_N.png", "TM_N.png"},
      {"open.png", "close.png"},          {"check_nr.png", "radio_nr.png"},
  };
  for (const auto& set : sets) {
    for (std::size_t i = 1; i < set.size(); ++i) {
      const QImage a = Skin(set[0]);
      const QImage b = Skin(set[i]);
      ASSERT_EQ(a.size(), b.size()) << set[0] << " / " << set[i];
      EXPECT_GT(DifferentShare(a, b), 0.05) << set[0] << " / " << set[i];
    }
  }
}

TEST(ReferenceSkin, ImagesFitTheFixedPositionsOfTheirWindows) {
  const QSize exit = Skin("exit_nr.png").size();
  const QSize btn = Skin("btn_nr.png").size();
  const QSize button = Skin("button_nr.png").size();
  const QSize combo = Skin("combo_nr.png").size();

  // Key function picker: page buttons 64 apart from (27, 90), OK at (390, 312) and Cancel
  // at (465, 312), the capture box and media button at (245, 144), the page area to 538.
  const QSize picker = Skin("pickfundlg.png").size();
  EXPECT_GE(picker.width(), 538);
  EXPECT_TRUE(Inside(QRect(QPoint(465, 312), btn), picker));
  EXPECT_LE(btn.width(), 465 - 390);
  const QSize btn2 = Skin("btn2_nr.png").size();
  EXPECT_LE(btn2.height(), 64);
  EXPECT_LE(27 + btn2.width(), 193);
  EXPECT_TRUE(Inside(QRect(QPoint(245, 144), button), QSize(538, 310)));
  EXPECT_TRUE(Inside(QRect(QPoint(245, 144), combo), QSize(538, 310)));

  // Message box: close at (W - 36, 10), Cancel at (W - 87, H - 45), OK at (W - 164, H - 45),
  // the icon at (45, 85), the texts to x 510 and the edit from y 100 to 124.
  const QSize msg = Skin("msg_nr.png").size();
  const int w = msg.width();
  const int h = msg.height();
  EXPECT_TRUE(Inside(QRect(QPoint(w - 36, 10), exit), msg));
  EXPECT_TRUE(Inside(QRect(QPoint(w - 87, h - 45), btn), msg));
  EXPECT_LE(w - 164 + btn.width(), w - 87);
  EXPECT_GE(w, 510);
  EXPECT_GE(h - 45, 124);
  EXPECT_TRUE(Inside(QRect(QPoint(45, 85), Skin("msgico.png").size()), QSize(w, h - 45)));

  // Progress dialog: close button at (489, 8), bar from (45, 101) to (486, 123); the bar
  // image is a full-size overlay, transparent outside the bar.
  const QImage progress = Skin("progress_nr.png");
  const QImage overlay = Skin("progress_ov.png");
  EXPECT_TRUE(Inside(QRect(QPoint(489, 8), exit), progress.size()));
  EXPECT_TRUE(Inside(QRect(QPoint(45, 101), QPoint(485, 122)), progress.size()));
  EXPECT_EQ(overlay.size(), progress.size());
  EXPECT_EQ(qAlpha(overlay.pixel(20, 20)), 0);
  EXPECT_EQ(qAlpha(overlay.pixel(250, 112)), 255);

  // Macro editor: the option column at Macro_Opt_X, the lists at their rectangles, the
  // close button at (W - 36, 10), the Save button at (X + 80, 309).
  const AppSettings& s = ReferenceSettings();
  const QSize macro = Skin("macro_nr.png").size();
  const int x = s.Macro_Opt_X;
  EXPECT_TRUE(Inside(QRect(QPoint(macro.width() - 36, 10), exit), macro));
  EXPECT_TRUE(Inside(QRect(QPoint(x, 74), Skin("recbtn_nr.png").size()), macro));
  EXPECT_LE(74 + Skin("recbtn_nr.png").height(), 129);
  EXPECT_TRUE(Inside(QRect(QPoint(x, 269), combo), macro));
  EXPECT_TRUE(Inside(QRect(QPoint(x + 80, 309), btn), macro));
  EXPECT_TRUE(Inside(ToQRect(s.rcMacroList).adjusted(0, 0, 0, 30), macro));
  EXPECT_TRUE(Inside(ToQRect(s.rcKeyList), macro));
  EXPECT_LE(s.rcKeyList.right, x);

  // Folder marks and event icons fit a 20-pixel tree row.
  for (const char* name : {"open.png", "close.png", "UP_N.png", "DN_N.png", "TM_N.png"}) {
    EXPECT_LE(Skin(name).height(), 20) << name;
  }
}

TEST(ReferenceSkin, MainWindowLayoutFitsTheBackgroundAndItsShape) {
  const AppSettings& s = ReferenceSettings();
  const SkinImage background = LoadImage(SkinPath(DataDir(), "main_nr.png"));
  const SkinImage mask = LoadImage(SkinPath(DataDir(), "main_mask.png"));
  ASSERT_EQ(background.Size(), mask.Size());
  const WindowShape shape = MainWindowShape(background, mask, s.clrMask);
  ASSERT_EQ(shape.source, ShapeSource::Mask);
  // The shape cuts the corners: not the full rectangle, and transparent where it is cut.
  const QRect window(QPoint(0, 0), background.Size());
  EXPECT_FALSE(shape.region.contains(QPoint(0, 0)));
  EXPECT_FALSE(shape.region.contains(QPoint(window.right(), window.bottom())));
  EXPECT_EQ(qAlpha(background.Image().pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(background.Image().pixel(window.center())), 255);
  // Without the mask, clrMask keys out the same corners.
  const WindowShape keyed = MainWindowShape(background, SkinImage(), s.clrMask);
  EXPECT_FALSE(keyed.region.contains(QPoint(0, 0)));
  EXPECT_TRUE(keyed.region.contains(window.center()));

  const QImage keys = Skin("keyimg.png");
  EXPECT_GE(keys.width(), 1000);
  EXPECT_EQ(QSize(s.rcKB.Width(), s.rcKB.Height()), keys.size());

  std::map<std::string, QRect> parts = {
      {"minimise", QRect(QPoint(s.ptMin.x, s.ptMin.y), Skin("min_nr.png").size())},
      {"close", QRect(QPoint(s.ptExit.x, s.ptExit.y), Skin("exit_nr.png").size())},
      {"profile 1", QRect(QPoint(s.ptProfile.x, s.ptProfile.y), Skin("button_nr.png").size())},
      {"profile 3", QRect(QPoint(s.ptProfile.x, s.ptProfile.y + 66), Skin("button_nr.png").size())},
      {"macro", QRect(QPoint(s.ptMacro.x, s.ptMacro.y), Skin("button_nr.png").size())},
      {"reset", QRect(QPoint(s.ptReset.x, s.ptReset.y), Skin("button_nr.png").size())},
      {"apply", QRect(QPoint(s.ptApplyBtn.x + 126, s.ptApplyBtn.y), Skin("btn_nr.png").size())},
      {"keyboard", ToQRect(s.rcKB).adjusted(0, 0, 0, 30)},
      {"lighting", ToQRect(s.rcLED)},
      {"web link", ToQRect(s.rcWeb)},
      {"version", QRect(55, 600, 200, 20)},
  };
  for (const auto& [name, part] : parts) {
    EXPECT_TRUE(shape.region.contains(part)) << name;
    for (const QPoint corner : {part.topLeft(), part.topRight(), part.bottomLeft(), part.bottomRight()}) {
      EXPECT_TRUE(shape.region.contains(corner)) << name;
    }
  }
  // Profile buttons 33 apart do not overlap; nothing overlaps the keyboard picture.
  EXPECT_LE(Skin("button_nr.png").height(), 33);
  for (const auto& [name, part] : parts) {
    if (name != "keyboard") {
      EXPECT_FALSE(part.intersects(ToQRect(s.rcKB))) << name;
    }
  }

  // Lighting panel parts inside rcLED: the mode button, the two sliders with their value
  // fields to the right, the thumb and the track inside the slider's height.
  const QSize panel(s.rcLED.Width(), s.rcLED.Height());
  const int brightTop = s.ptLEDMode.y + 15 + 50;
  const int speedTop = brightTop + s.BarH + 40;
  EXPECT_TRUE(Inside(QRect(QPoint(s.ptLEDMode.x, s.ptLEDMode.y), Skin("combo_nr.png").size()), panel));
  EXPECT_LE(s.ptLEDMode.y + Skin("combo_nr.png").height(), brightTop - 24);
  EXPECT_TRUE(Inside(QRect(15, brightTop, s.BarW + 10 + 30, s.BarH), panel));
  EXPECT_TRUE(Inside(QRect(15, speedTop, s.BarW + 10 + 25, s.BarH), panel));
  EXPECT_TRUE(Inside(QRect(QPoint(15, speedTop), Skin("combo_nr.png").size()), panel));
  EXPECT_EQ(s.BarW, 180);  // the slider's scale runs from 12 to 168
  EXPECT_LE(Skin("slider.png").height() + s.SliderY, s.BarH);
  EXPECT_LE(Skin("dpi_bar.png").height() + 6, s.BarH);
  EXPECT_LE(Skin("dpi_bar.png").width(), s.BarW);
}

TEST(ReferenceSkin, EveryKeyRectangleLiesOnAKeyCap) {
  const AppSettings& s = ReferenceSettings();
  const QImage keys = Skin("keyimg.png").convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(s.KeyTable.count, 106);
  // Between the caps the keyboard's back-light shines: dark orange. The caps' rims are
  // neutral grey.
  auto backlit = [&](QPoint p) {
    const QRgb c = keys.pixel(p);
    return qRed(c) - qBlue(c) > 12;
  };
  const QPainterPath enter = KeyOutlinePath(s.UnRectKey.Corners());
  for (int k = 0; k < s.KeyTable.count; ++k) {
    const KeyFunction& key = s.KeyTable.keys[static_cast<std::size_t>(k)];
    const QRect r = ToQRect(key.rect);
    ASSERT_TRUE(QRect(QPoint(0, 0), keys.size()).contains(r)) << k;
    const bool isEnter = key.matrixPos == s.UnRectKey.MatrixPosition();
    int rimTotal = 0;
    int rimLit = 0;
    int outTotal = 0;
    int outLit = 0;
    for (int x = r.left(); x <= r.right(); ++x) {
      for (int y = r.top(); y <= r.bottom(); ++y) {
        // The ring two pixels inside the rectangle: the cap's rim, where no legend is.
        if (std::min({x - r.left(), r.right() - x, y - r.top(), r.bottom() - y}) != 2) continue;
        if (isEnter && !enter.contains(QPointF(x + 0.5, y + 0.5))) continue;
        ++rimTotal;
        rimLit += backlit(QPoint(x, y));
      }
    }
    for (const QPoint p : {QPoint(r.center().x(), r.top() - 1), QPoint(r.center().x(), r.bottom() + 1),
                           QPoint(r.left() - 1, r.center().y()), QPoint(r.right() + 1, r.center().y())}) {
      ++outTotal;
      outLit += backlit(p);
    }
    EXPECT_EQ(rimLit, 0) << "key " << k << " rim pixels on the back-light: " << rimLit << "/" << rimTotal;
    if (!isEnter) {
      EXPECT_EQ(outLit, outTotal) << "key " << k << " has cap pixels outside its rectangle";
    }
  }
}

TEST(ReferenceSkin, RegeneratingGivesTheCommittedFiles) {
  TempDir dir;
  dir.Write("cfg.ini", ReadFile(DataDir() + "cfg.ini"));
  const RunResult run = RunProgram({BinDir() + "tastor-skin-gen", "--data", dir.path()}, {"QT_QPA_PLATFORM=offscreen"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(dir.path() + "cfg.ini"), ReadFile(DataDir() + "cfg.ini"))
      << "cfg.ini's generated lines differ from the layout: run tastor-skin-gen --data data";
  for (const char* name : kSkinFiles) {
    const QImage made = LoadImage(SkinPath(dir.path(), name)).Image();
    const QImage committed = Skin(name);
    ASSERT_EQ(made.size(), committed.size()) << name;
    EXPECT_LT(DifferentShare(made, committed), 0.002) << name;
  }
  const QImage madeIcon(QString::fromStdString(dir.path() + "appico.ico"));
  const QImage committedIcon(QString::fromStdString(DataDir() + "appico.ico"));
  ASSERT_EQ(madeIcon.size(), committedIcon.size());
  EXPECT_LT(DifferentShare(madeIcon, committedIcon), 0.002);
}
