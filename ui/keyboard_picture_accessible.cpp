// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/keyboard_picture_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "app/program_settings.h"
#include "model/key_names.h"
#include "model/profile.h"
#include "model/profile_store.h"
#include "text/text_table.h"
#include "text/utf.h"
#include "ui/kb_color_dlg.h"

namespace {

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

// The virtual-key code of a key whose record holds only one modifier bit.
uint32_t ModifierKeyOf(uint8_t modifiers) {
  switch (modifiers) {
    case MOD_LCTRL: return 0xA2;
    case MOD_LSHIFT: return 0xA0;
    case MOD_LALT: return 0xA4;
    case MOD_LWIN: return 0x5B;
    case MOD_RCTRL: return 0xA3;
    case MOD_RSHIFT: return 0xA1;
    case MOD_RALT: return 0xA5;
    case MOD_RWIN: return 0x5C;
    default: return 0;
  }
}

// One key of the picture.
class AccessibleKey : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  AccessibleKey(CKBColorDlg* picture, int index) : picture_(picture), index_(index) {}

  bool isValid() const override { return picture_ != nullptr && index_ < picture_->KeyCount(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return picture_ != nullptr ? picture_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(picture_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessible::Role role() const override { return QAccessible::ListItem; }
  void setText(QAccessible::Text, const QString&) override {}

  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    const KeyTable& table = Settings().KeyTable;
    const KeyFunction& record = table.keys[static_cast<std::size_t>(index_)];
    if (t == QAccessible::Name) return Q(KeyCapName(record, index_));
    if (t != QAccessible::Description) return {};
    ProfileStore& store = TheProfileStore();
    auto lock = store.Lock();
    const Profile* profile = store.Current();
    if (profile == nullptr) return {};
    const KeyFunction& function = profile->keys[static_cast<std::size_t>(index_)];
    if (IsDefaultFunction(function, record)) return Q(TextTable::Instance().tc_acc_default);
    return Q(FunctionName(function, KeyNaming::For(Settings())));
  }

  QRect rect() const override {
    if (!isValid()) return {};
    const QRect key = picture_->KeyBounds(index_);
    return QRect(picture_->mapToGlobal(key.topLeft()), key.size());
  }

  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    s.focusable = true;
    s.selectable = true;
    s.focused = picture_->hasFocus() && picture_->FocusKey() == index_;
    s.selected = picture_->ClickedKey() == index_;
    if (!picture_->isVisible()) s.invisible = true;
    return s;
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }
  QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
  void doAction(const QString& action) override {
    if (!isValid()) return;
    if (action == setFocusAction()) {
      picture_->setFocus(Qt::OtherFocusReason);
      picture_->SetFocusKey(index_);
    } else if (action == pressAction()) {
      picture_->SetFocusKey(index_);
      picture_->ActivateKey(index_);
    }
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QPointer<CKBColorDlg> picture_;
  int index_;
};

// The picture: a list of its keys.
class AccessiblePicture : public QAccessibleWidget {
 public:
  explicit AccessiblePicture(CKBColorDlg* picture) : QAccessibleWidget(picture, QAccessible::List) {}
  ~AccessiblePicture() override {
    for (QAccessible::Id id : ids_) QAccessible::deleteAccessibleInterface(id);
  }

  CKBColorDlg* Picture() const { return static_cast<CKBColorDlg*>(object()); }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && Picture()->accessibleName().isEmpty()) return Q(TextTable::Instance().tc_acc_keyboard);
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return Picture()->KeyCount(); }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    if (ids_.size() <= static_cast<std::size_t>(index)) ids_.resize(static_cast<std::size_t>(index) + 1, 0);
    QAccessible::Id& id = ids_[static_cast<std::size_t>(index)];
    if (id == 0) id = QAccessible::registerAccessibleInterface(new AccessibleKey(Picture(), index));
    return QAccessible::accessibleInterface(id);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (std::size_t i = 0; i < ids_.size(); ++i) {
      if (ids_[i] != 0 && QAccessible::accessibleInterface(ids_[i]) == child) return static_cast<int>(i);
    }
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const int key = Picture()->HitTest(Picture()->mapFromGlobal(QPoint(x, y)));
    return key >= 0 ? child(key) : nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    return Picture()->hasFocus() && Picture()->FocusKey() >= 0 ? child(Picture()->FocusKey()) : nullptr;
  }

 private:
  mutable std::vector<QAccessible::Id> ids_;
};

QAccessibleInterface* MakeInterface(const QString&, QObject* object) {
  if (auto* picture = qobject_cast<CKBColorDlg*>(object)) return new AccessiblePicture(picture);
  return nullptr;
}

}  // namespace

void InstallKeyboardPictureAccessible() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(MakeInterface);
}

std::u16string KeyCapName(const KeyFunction& record, int index) {
  std::u16string name;
  if (record.key1 != 0) {
    name = KeyName(record.key1, KeyNaming::For(Settings()));
  } else if (const uint32_t modifier = ModifierKeyOf(record.modifiers); modifier != 0) {
    name = KeyName(modifier, KeyNaming::For(Settings()));
  } else {
    name = FunctionName(record, KeyNaming::For(Settings()));
  }
  return name.empty() ? u"#" + FromUtf8(std::to_string(index)) : name;
}

void NotifyKeyFocus(CKBColorDlg* picture, int key) {
  if (!QAccessible::isActive() || picture == nullptr || key < 0) return;
  QAccessibleEvent focus(picture, QAccessible::Focus);
  focus.setChild(key);
  QAccessible::updateAccessibility(&focus);
}

void NotifyKeySelected(CKBColorDlg* picture, int key) {
  if (!QAccessible::isActive() || picture == nullptr) return;
  QAccessibleEvent selection(picture, QAccessible::SelectionWithin);
  QAccessible::updateAccessibility(&selection);
  if (key < 0) return;
  QAccessibleEvent chosen(picture, QAccessible::Selection);
  chosen.setChild(key);
  QAccessible::updateAccessibility(&chosen);
}

int NeighbourKey(const std::vector<QRect>& bounds, int from, KeyStep step) {
  const int count = static_cast<int>(bounds.size());
  if (from < 0 || from >= count) return count > 0 ? 0 : -1;
  const QRect here = bounds[static_cast<std::size_t>(from)];
  const QPoint centre = here.center();
  int best = from;
  long bestScore = std::numeric_limits<long>::max();
  if (step == KeyStep::kLeft || step == KeyStep::kRight) {
    // The keys of the same row: those whose height takes in this key's centre.
    for (int i = 0; i < count; ++i) {
      const QRect& r = bounds[static_cast<std::size_t>(i)];
      if (i == from || r.isEmpty() || centre.y() < r.top() || centre.y() > r.bottom()) continue;
      const int dx = r.center().x() - centre.x();
      if ((step == KeyStep::kRight) != (dx > 0) || dx == 0) continue;
      if (std::abs(dx) < bestScore) {
        bestScore = std::abs(dx);
        best = i;
      }
    }
    return best;
  }
  // The nearest row wholly above or below this key, then the key nearest in x on it.
  const bool up = step == KeyStep::kUp;
  const auto gap = [&](const QRect& r) -> long {
    if (up) return r.bottom() < here.top() ? here.top() - r.bottom() : -1;
    return r.top() > here.bottom() ? r.top() - here.bottom() : -1;
  };
  long nearest = std::numeric_limits<long>::max();
  for (int i = 0; i < count; ++i) {
    const QRect& r = bounds[static_cast<std::size_t>(i)];
    const long g = gap(r);
    if (i != from && !r.isEmpty() && g >= 0 && g < nearest) nearest = g;
  }
  if (nearest == std::numeric_limits<long>::max()) return from;
  // Keys of that row start within half a key's height of the nearest one.
  const long tolerance = std::max(1, here.height() / 2);
  for (int i = 0; i < count; ++i) {
    const QRect& r = bounds[static_cast<std::size_t>(i)];
    const long g = gap(r);
    if (i == from || r.isEmpty() || g < 0 || g > nearest + tolerance) continue;
    // A key the column passes through wins; otherwise the nearest edge.
    const long dx = centre.x() >= r.left() && centre.x() <= r.right()
                        ? 0
                        : std::min(std::abs(r.left() - centre.x()), std::abs(r.right() - centre.x()));
    if (dx < bestScore) {
      bestScore = dx;
      best = i;
    }
  }
  return best;
}
