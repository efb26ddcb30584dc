#include "skin/app_font.h"

#include <QFontDatabase>
#include <optional>

#include "app/settings.h"
#include "platform/special_folders.h"

namespace {
std::optional<QFont> g_font;
int g_fontId = -1;
}  // namespace

const QFont* AppFont() { return g_font ? &*g_font : nullptr; }

void CreateAppFont(const std::string& programFolder) {
  const AppSettings& s = Settings();
  const std::string file = programFolder + "appfont.ttf";
  if (s.FontName.empty() || !PathFileExists(file)) return;
  QFont font(QString::fromStdU16String(s.FontName));
  font.setPixelSize(s.FontSize > 0 ? s.FontSize : 15);
  // Weight 90 of the font description; the nearest weight the face offers is drawn.
  font.setWeight(static_cast<QFont::Weight>(90));
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  g_font = font;
  g_fontId = QFontDatabase::addApplicationFont(QString::fromStdString(file));
}

void RemoveAppFont(const std::string& /*programFolder*/) {
  if (Settings().FontName.empty()) return;
  if (g_fontId >= 0) QFontDatabase::removeApplicationFont(g_fontId);
  g_fontId = -1;
  g_font.reset();
}
