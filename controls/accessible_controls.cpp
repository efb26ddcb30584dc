// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/accessible_controls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <algorithm>
#include <map>

#include "controls/color_btn_dlg.h"
#include "controls/combo_btn.h"
#include "controls/png_btn.h"
#include "controls/png_slider.h"
#include "controls/tree_ctrl_ex.h"
#include "text/text_table.h"

namespace {

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

// ---- buttons ---------------------------------------------------------------------------

// A CPngBtn: a push button, or a toggle where it shows a checked state (page buttons,
// check boxes, the current profile's button). A button that only shows a text (the
// lighting panel's value fields) reads as a label.
class AccessiblePngBtn : public QAccessibleWidget {
 public:
  explicit AccessiblePngBtn(CPngBtn* button, QAccessible::Role role = QAccessible::Button)
      : QAccessibleWidget(button, IsLabel(button) ? QAccessible::StaticText : role) {
    if (role == QAccessible::Button && !IsLabel(button)) addControllingSignal(QStringLiteral("clicked(bool)"));
  }

  static bool IsLabel(const CPngBtn* button) {
    return button->focusPolicy() == Qt::NoFocus && button->testAttribute(Qt::WA_TransparentForMouseEvents);
  }

  CPngBtn* Button() const { return static_cast<CPngBtn*>(object()); }

  QString text(QAccessible::Text t) const override {
    const CPngBtn* b = Button();
    switch (t) {
      case QAccessible::Name: {
        if (!b->accessibleName().isEmpty()) return b->accessibleName();
        if (!b->Caption().empty()) return Q(b->Caption());
        return b->toolTip();
      }
      case QAccessible::Description:
        return b->accessibleDescription();
      default:
        return QAccessibleWidget::text(t);
    }
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    const CPngBtn* b = Button();
    if (role() == QAccessible::StaticText) return s;
    if (b->CheckStyle() || b->GetCheck()) {
      s.checkable = true;
      s.checked = b->GetCheck();
    }
    if (b->isDown()) s.pressed = true;
    return s;
  }

  QStringList actionNames() const override {
    if (role() == QAccessible::StaticText || !widget()->isEnabled()) return {};
    return {pressAction()};
  }
  void doAction(const QString& action) override {
    if (action == pressAction() && widget()->isEnabled()) Button()->click();
  }
};

// A CComboBtn: a combo box whose value is the selected item's text; pressing opens its list.
class AccessibleComboBtn : public AccessiblePngBtn {
 public:
  explicit AccessibleComboBtn(CComboBtn* combo) : AccessiblePngBtn(combo, QAccessible::ComboBox) {}

  CComboBtn* Combo() const { return static_cast<CComboBtn*>(object()); }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Q(Combo()->Caption());
    if (t == QAccessible::Name && Combo()->accessibleName().isEmpty()) return Q(Combo()->Caption());
    return AccessiblePngBtn::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    return s;
  }
  QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
  void doAction(const QString& action) override {
    if (action == showMenuAction() || action == pressAction()) Combo()->OpenList();
  }
};

// ---- sliders ---------------------------------------------------------------------------

// The bar is the slider a reader sees (it takes the focus); its thumb is a part of it.
class AccessibleSlider : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit AccessibleSlider(CPngSliderBar* bar) : QAccessibleWidget(bar, QAccessible::Slider) {}

  CPngSliderBar* Bar() const { return static_cast<CPngSliderBar*>(object()); }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }
  int childCount() const override { return 0; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return QString::number(Bar()->GetPos());
    return QAccessibleWidget::text(t);
  }

  QVariant currentValue() const override { return Bar()->GetPos(); }
  void setCurrentValue(const QVariant& value) override { Bar()->SetPosByUser(value.toInt()); }
  QVariant maximumValue() const override { return Bar()->Slider().Max(); }
  QVariant minimumValue() const override { return Bar()->Slider().Min(); }
  QVariant minimumStepSize() const override { return 1; }
};

// ---- colour swatch ---------------------------------------------------------------------

class AccessibleSwatch : public QAccessibleWidget {
 public:
  explicit AccessibleSwatch(CColorBtnDlg* swatch) : QAccessibleWidget(swatch, QAccessible::Button) {}
  CColorBtnDlg* Swatch() const { return static_cast<CColorBtnDlg*>(object()); }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = Swatch()->Selected();
    return s;
  }
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& action) override {
    if (action == pressAction()) Swatch()->Choose();
  }
};

// ---- the macro tree --------------------------------------------------------------------

// One item of the tree. It keeps the item's handle and asks the tree whether the item still
// exists before each use, so that an item removed meanwhile reads as gone.
class AccessibleTreeItem : public QAccessibleInterface {
 public:
  AccessibleTreeItem(CTreeCtrlEx* tree, HTREEITEM item) : tree_(tree), item_(item) {}

  bool isValid() const override { return tree_ != nullptr && tree_->IsItem(item_); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return tree_ != nullptr ? tree_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(tree_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessible::Role role() const override { return QAccessible::TreeItem; }
  void setText(QAccessible::Text, const QString&) override {}

  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    const TextTable& texts = TextTable::Instance();
    switch (t) {
      case QAccessible::Name: return Q(tree_->GetItemText(item_));
      case QAccessible::Description:
        return tree_->IsFolder(item_) ? Q(texts.tc_acc_folder) : Q(texts.tc_mac_def);
      default: return {};
    }
  }

  QRect rect() const override {
    if (!isValid()) return {};
    const QRect row = tree_->ItemRect(item_);
    if (row.isEmpty()) return {};
    return QRect(tree_->viewport()->mapToGlobal(row.topLeft()), row.size());
  }

  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    s.selectable = true;
    s.selected = tree_->GetSelectedItem() == item_;
    s.focusable = true;
    s.focused = s.selected && tree_->hasFocus();
    if (tree_->ItemRect(item_).isEmpty()) s.invisible = true;
    if (tree_->IsFolder(item_)) {
      s.expandable = true;
      const CTreeCtrlEx::ItemData* d = tree_->FindData(item_);
      s.expanded = d != nullptr && d->expanded != 0;
      s.collapsed = !s.expanded;
    }
    return s;
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(&actions_);
    return nullptr;
  }

 private:
  class Actions : public QAccessibleActionInterface {
   public:
    explicit Actions(AccessibleTreeItem& item) : item_(item) {}
    QStringList actionNames() const override {
      if (!item_.isValid()) return {};
      QStringList names{pressAction()};
      if (item_.tree_->IsFolder(item_.item_)) names << toggleAction();
      return names;
    }
    void doAction(const QString& action) override {
      if (!item_.isValid()) return;
      if (action == pressAction()) item_.tree_->SelectItem(item_.item_);
      if (action == toggleAction()) item_.tree_->Toggle(item_.item_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

   private:
    AccessibleTreeItem& item_;
  };

  QPointer<CTreeCtrlEx> tree_;
  HTREEITEM item_;
  Actions actions_{*this};
};

// The tree: its items in display order are its children (folders' items follow them).
class AccessibleTree : public QAccessibleWidget {
 public:
  explicit AccessibleTree(CTreeCtrlEx* tree) : QAccessibleWidget(tree, QAccessible::Tree) {}
  ~AccessibleTree() override {
    for (const auto& [item, id] : ids_) QAccessible::deleteAccessibleInterface(id);
  }

  CTreeCtrlEx* Tree() const { return static_cast<CTreeCtrlEx*>(object()); }

  int childCount() const override { return static_cast<int>(Tree()->AllItems().size()); }
  QAccessibleInterface* child(int index) const override {
    const std::vector<HTREEITEM> items = Tree()->AllItems();
    if (index < 0 || index >= static_cast<int>(items.size())) return nullptr;
    Forget();
    const HTREEITEM item = items[static_cast<std::size_t>(index)];
    const auto found = ids_.find(item);
    if (found != ids_.end()) return QAccessible::accessibleInterface(found->second);
    auto* made = new AccessibleTreeItem(Tree(), item);
    ids_[item] = QAccessible::registerAccessibleInterface(made);
    return made;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const std::vector<HTREEITEM> items = Tree()->AllItems();
    for (const auto& [item, id] : ids_) {
      if (QAccessible::accessibleInterface(id) != child) continue;
      const auto at = std::find(items.begin(), items.end(), item);
      return at == items.end() ? -1 : static_cast<int>(at - items.begin());
    }
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint at = Tree()->viewport()->mapFromGlobal(QPoint(x, y));
    const HTREEITEM item = Tree()->HitTest(at);
    if (item == nullptr) return nullptr;
    const std::vector<HTREEITEM> items = Tree()->AllItems();
    const auto found = std::find(items.begin(), items.end(), item);
    return found == items.end() ? nullptr : child(static_cast<int>(found - items.begin()));
  }

 private:
  // Interfaces of items the tree no longer has go.
  void Forget() const {
    for (auto it = ids_.begin(); it != ids_.end();) {
      if (Tree()->IsItem(it->first)) {
        ++it;
      } else {
        QAccessible::deleteAccessibleInterface(it->second);
        it = ids_.erase(it);
      }
    }
  }
  mutable std::map<HTREEITEM, QAccessible::Id> ids_;
};

// ---- the factory -----------------------------------------------------------------------

QAccessibleInterface* MakeInterface(const QString&, QObject* object) {
  if (object == nullptr || !object->isWidgetType()) return nullptr;
  if (auto* combo = qobject_cast<CComboBtn*>(object)) return new AccessibleComboBtn(combo);
  if (auto* button = qobject_cast<CPngBtn*>(object)) return new AccessiblePngBtn(button);
  if (auto* bar = qobject_cast<CPngSliderBar*>(object)) return new AccessibleSlider(bar);
  if (auto* swatch = qobject_cast<CColorBtnDlg*>(object)) return new AccessibleSwatch(swatch);
  if (auto* tree = qobject_cast<CTreeCtrlEx*>(object)) return new AccessibleTree(tree);
  return nullptr;
}

}  // namespace

void InstallAccessibleControls() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(MakeInterface);
}

void NotifyAccessibleValue(QObject* slider, int value) {
  if (!QAccessible::isActive() || slider == nullptr) return;
  QAccessibleValueChangeEvent event(slider, value);
  QAccessible::updateAccessibility(&event);
}

void NotifyAccessibleState(QWidget* control) {
  if (!QAccessible::isActive() || control == nullptr) return;
  QAccessible::State changed;
  changed.checked = true;
  changed.pressed = true;
  QAccessibleStateChangeEvent state(control, changed);
  QAccessible::updateAccessibility(&state);
  QAccessibleEvent name(control, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&name);
}
