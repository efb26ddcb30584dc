#include "text/text_table.h"

TextTable& TextTable::Instance() {
  static TextTable table;
  return table;
}

void TextTable::Load(const std::string& /*path*/) {
  // The XML reader that fills the entries from text.xml is not built yet; until then
  // every entry stays empty except the name of the space bar, which has a default.
  if (tc_space.empty()) tc_space = u"Space";
}

const std::u16string& TextTable::LedModeName(int index) const {
  static const std::u16string kEmpty;
  if (index < 0 || index >= kLedModeCount) return kEmpty;
  return tc_led_mode[index];
}
