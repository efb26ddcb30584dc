// tastor-cli: the program's data and its main job without windows. Each command is one
// function over the common context; options common to every command are parsed first.
#pragma once

#include <string>
#include <vector>

#include "app/window_port.h"

// Message boxes print "Caption: text" on standard error and are kept, in the order they
// arose, for commands that report them.
class CollectingWindowPort : public ConsoleWindowPort {
 public:
  struct Message {
    std::u16string caption;
    std::u16string text;
  };
  int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, unsigned type) override;
  std::vector<Message> messages;
};

struct CliContext {
  std::string programFolder;  // where cfg.ini, text.xml and skins/ are read, ending with "/"
  std::string userDir;        // the user data folder when given with --user-dir
  bool simulate = false;      // talk to the simulated keyboard
  bool json = false;
  std::vector<std::string> args;  // the command's own arguments
  CollectingWindowPort port;
};

// Loads text.xml and cfg.ini from the program folder exactly as start-up does.
void LoadProgramData(CliContext& ctx);
// Builds (and creates one level of) the user data folder as start-up does.
void PrepareUserFolder(CliContext& ctx);

// Prints "tastor-cli: <text>" on standard error and returns exit status 1.
int Fail(const std::string& text);

int RunConfig(CliContext& ctx);
