// SPDX-License-Identifier: GPL-2.0-or-later
// The layout of an X display: the key's symbol at shift level 0 of the active group comes
// from the server's keyboard description (XKB); libxkbcommon turns symbols into characters.
#include "platform/keyboard_layout.h"

#include <mutex>

#include <xkbcommon/xkbcommon.h>
// Xlib last: its macros (None, Status, Bool, ...) must not meet the headers above.
#include <X11/XKBlib.h>

namespace {

struct DeadKeyAccent {
  xkb_keysym_t keysym;
  char32_t accent;
};

// Dead keys type nothing by themselves; their names show the accent alone, in its
// spacing form.
constexpr DeadKeyAccent kDeadKeyAccents[] = {
    {XKB_KEY_dead_grave, U'`'},          {XKB_KEY_dead_acute, U'\u00B4'},
    {XKB_KEY_dead_circumflex, U'^'},     {XKB_KEY_dead_tilde, U'~'},
    {XKB_KEY_dead_macron, U'\u00AF'},    {XKB_KEY_dead_breve, U'\u02D8'},
    {XKB_KEY_dead_abovedot, U'\u02D9'},  {XKB_KEY_dead_diaeresis, U'\u00A8'},
    {XKB_KEY_dead_abovering, U'\u02DA'}, {XKB_KEY_dead_doubleacute, U'\u02DD'},
    {XKB_KEY_dead_caron, U'\u02C7'},     {XKB_KEY_dead_cedilla, U'\u00B8'},
    {XKB_KEY_dead_ogonek, U'\u02DB'},    {XKB_KEY_dead_iota, U'\u037A'},
    {XKB_KEY_dead_voiced_sound, U'\u309B'}, {XKB_KEY_dead_semivoiced_sound, U'\u309C'},
};

char32_t CharacterOfKeysym(xkb_keysym_t keysym) {
  for (const DeadKeyAccent& d : kDeadKeyAccents) {
    if (d.keysym == keysym) return d.accent;
  }
  const char32_t typed = xkb_keysym_to_utf32(keysym);
  // The sharp s keeps its form, as its key cap shows it; some library versions give its
  // capital a symbol without a character.
  if (typed == U'\u00DF') return typed;
  const char32_t upper = xkb_keysym_to_utf32(xkb_keysym_to_upper(keysym));
  return upper != 0 ? upper : typed;
}

constexpr unsigned kMapParts = XkbKeyTypesMask | XkbKeySymsMask;
constexpr unsigned kMapEvents = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;

class X11KeyboardLayout final : public KeyboardLayout {
 public:
  X11KeyboardLayout(Display* display, int xkbEventBase)
      : display_(display), xkbEventBase_(xkbEventBase) {
    XkbSelectEvents(display_, XkbUseCoreKbd, kMapEvents, kMapEvents);
    map_ = XkbGetMap(display_, kMapParts, XkbUseCoreKbd);
  }
  ~X11KeyboardLayout() override {
    if (map_ != nullptr) XkbFreeKeyboard(map_, 0, True);
    XCloseDisplay(display_);
  }
  X11KeyboardLayout(const X11KeyboardLayout&) = delete;
  X11KeyboardLayout& operator=(const X11KeyboardLayout&) = delete;

  char32_t KeyCharacter(unsigned evdevCode) const override {
    std::lock_guard<std::mutex> lock(mutex_);
    FollowChanges();
    const unsigned keycode = evdevCode + 8;
    if (map_ == nullptr || keycode < map_->min_key_code || keycode > map_->max_key_code) return 0;
    const int groups = XkbKeyNumGroups(map_, keycode);
    if (groups == 0) return 0;
    XkbStateRec state{};
    const int active = XkbGetState(display_, XkbUseCoreKbd, &state) == Success ? state.group : 0;
    const int group = EffectiveGroup(active, groups, XkbKeyGroupInfo(map_, keycode));
    return CharacterOfKeysym(static_cast<xkb_keysym_t>(XkbKeySymEntry(map_, keycode, 0, group)));
  }

 private:
  // Reads the events that arrived since the last question and loads the keyboard
  // description again when the layout was replaced or changed (setxkbmap, a new keyboard).
  void FollowChanges() const {
    bool changed = false;
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type != xkbEventBase_) continue;
      const int kind = reinterpret_cast<const XkbEvent&>(event).any.xkb_type;
      changed = changed || kind == XkbNewKeyboardNotify || kind == XkbMapNotify;
    }
    if (!changed) return;
    if (map_ != nullptr) XkbFreeKeyboard(map_, 0, True);
    map_ = XkbGetMap(display_, kMapParts, XkbUseCoreKbd);
  }

  // The group a key uses when the active group is beyond the key's own groups, by the
  // key's out-of-range rule.
  static int EffectiveGroup(int active, int groups, unsigned groupInfo) {
    if (active < groups) return active;
    switch (XkbOutOfRangeGroupAction(groupInfo)) {
      case XkbClampIntoRange:
        return groups - 1;
      case XkbRedirectIntoRange: {
        const int target = XkbOutOfRangeGroupNumber(groupInfo);
        return target < groups ? target : 0;
      }
      default:
        return active % groups;
    }
  }

  Display* display_;
  int xkbEventBase_;
  mutable XkbDescPtr map_ = nullptr;
  mutable std::mutex mutex_;
};

}  // namespace

std::unique_ptr<KeyboardLayout> OpenX11KeyboardLayout(const std::string& display) {
  std::string name = display;
  int eventBase = 0;
  int errorBase = 0;
  int major = XkbMajorVersion;
  int minor = XkbMinorVersion;
  int reason = 0;
  Display* connection = XkbOpenDisplay(name.empty() ? nullptr : name.data(), &eventBase, &errorBase,
                                       &major, &minor, &reason);
  if (connection == nullptr) return nullptr;
  return std::make_unique<X11KeyboardLayout>(connection, eventBase);
}
