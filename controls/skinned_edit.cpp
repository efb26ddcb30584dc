#include "controls/skinned_edit.h"

#include <QLineEdit>

namespace {

QString CssColour(COLORREF c) {
  return QStringLiteral("#%1%2%3")
      .arg(c & 0xFF, 2, 16, QLatin1Char('0'))
      .arg((c >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
      .arg((c >> 16) & 0xFF, 2, 16, QLatin1Char('0'));
}

}  // namespace

void ApplySkinnedEditLook(QLineEdit* edit, COLORREF textColour, COLORREF fieldColour, COLORREF frameColour) {
  if (edit == nullptr) return;
  edit->setFrame(false);
  // The same frame with and without the focus: no ring in the platform's highlight colour.
  edit->setStyleSheet(QStringLiteral("QLineEdit{background:%1;color:%2;border:1px solid %3;padding:0 3px;"
                                     "selection-background-color:%3;selection-color:%2}")
                          .arg(CssColour(fieldColour), CssColour(textColour), CssColour(frameColour)));
}
