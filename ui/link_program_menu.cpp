// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/link_program_menu.h"

#include <unistd.h>

#include "app/paths.h"
#include "app/profile_switch.h"
#include "base/log.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "text/text_table.h"
#include "text/utf.h"
#include "ui/msg_dlg.h"

// Sets the current profile's linked program and saves the profiles.
void CLinkProgramMenu::Link(const std::u16string& program) {
  ProfileStore& store = TheProfileStore();
  {
    auto lock = store.Lock();
    Profile* profile = store.Current();
    if (profile == nullptr) return;
    SetLinkedProgram(*profile, program);
  }
  WriteLog("Link program: %s", ToUtf8(program).c_str());
  if (save_) {
    save_();
  } else if (SaveProfiles(store, Paths().userDataFolder) != 1) {
    WriteLog("Link program: the profiles were not saved");
  }
}

void CLinkProgramMenu::AppendTo(MenuItems& items) {
  const TextTable& t = TextTable::Instance();
  items.AddTop(kLinkProgram, t.tc_link_program);
  const int parent = items.Count();
  if (!items.AddTop(kRunningPrograms, t.tc_link_running)) return;
  offered_.clear();
  for (const std::u16string& name : LinkableProgramNames(scanner_.Scan(), static_cast<int>(::getpid()))) {
    if (!items.Add(parent, kFirstProgram + static_cast<int>(offered_.size()), name)) break;  // the menu is full
    offered_.push_back(name);
  }
  if (offered_.empty()) items.Add(parent, kRunningPrograms, t.tc_link_none);
}

bool CLinkProgramMenu::OnCommand(QWidget* owner, int value) {
  if (value == kLinkProgram) {
    std::u16string program;
    {
      ProfileStore& store = TheProfileStore();
      auto lock = store.Lock();
      if (store.Current() == nullptr) return true;
      program = store.Current()->LinkedProgram();
    }
    if (CMsgDlg::EditText(owner, TextTable::Instance().tc_link_prompt, program) == 1) Link(program);
    return true;
  }
  if (value == kRunningPrograms) return true;  // "(none found)"
  const int index = value - kFirstProgram;
  if (index < 0 || index >= static_cast<int>(offered_.size())) return false;
  Link(offered_[static_cast<std::size_t>(index)]);
  return true;
}
