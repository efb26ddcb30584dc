// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/gui_options.h"

#include <cstring>
#include <iterator>

#include "app/man_page.h"
#include "app/paths.h"
#include "app/version.h"

namespace {

enum class Opt { Simulate, ProgramDir, UserDir, Lang, Hidden, Version, Help, HelpMan, QuitAfterFirstPaint };

struct OptionInfo {
  Opt id;
  const char* name;   // "--lang"
  const char* alias;  // another name for it, or null
  const char* value;  // the value's placeholder, or null when it takes none
  const char* help;
};

constexpr OptionInfo kOptions[] = {
    {Opt::Simulate, "--simulate", nullptr, nullptr, "talk to the simulated keyboard instead of a real one"},
    {Opt::ProgramDir, "--program-dir", nullptr, "DIR",
     "read cfg.ini, text.xml and skins/ from DIR (default: the folder of the program)"},
    {Opt::UserDir, "--user-dir", nullptr, "DIR",
     "keep the profiles and macros in DIR (default: $XDG_DATA_HOME/ and the appdir of cfg.ini)"},
    {Opt::Lang, "--lang", nullptr, "CODE",
     "show the texts of translations/CODE/text.xml (de, de_DE or de_DE.UTF-8; en: text.xml); "
     "default: the Language setting, else the first language of LANGUAGE, LC_ALL, LC_MESSAGES or LANG that has texts"},
    {Opt::Hidden, "--hidden", "--background", nullptr,
     "start in the tray without showing the window, where the desktop has a tray; "
     "elsewhere the window opens as usual (StartHidden=1 in the settings does the same)"},
    {Opt::Version, "--version", nullptr, nullptr, "print the version and end"},
    {Opt::Help, "--help", "-h", nullptr, "print this help and end"},
    {Opt::HelpMan, "--help-man", nullptr, nullptr, "print the manual page tastor(1) in roff and end"},
    {Opt::QuitAfterFirstPaint, "--quit-after-first-paint", nullptr, nullptr,
     "end once the main window has been painted (for timing the start)"},
};

// Qt's own options, read by QApplication: those with a value and those without.
constexpr const char* kQtValueOptions[] = {"platform", "platformpluginpath", "platformtheme", "plugin", "display",
                                           "session", "style", "stylesheet", "geometry", "title", "name",
                                           "qwindowgeometry", "qwindowtitle", "qwindowicon"};
constexpr const char* kQtFlagOptions[] = {"reverse", "nograb", "dograb", "sync", "widgetcount"};

constexpr const char* kSeeHelp = " (tastor --help lists the options)";

// "-platform" or "--platform" named as Qt spells it, without its dashes; "" for other text.
std::string QtOptionName(const std::string& arg) {
  if (arg.size() < 2 || arg[0] != '-') return {};
  return arg.substr(arg[1] == '-' ? 2 : 1);
}

bool IsIn(const std::string& name, const char* const* begin, const char* const* end) {
  for (const char* const* n = begin; n != end; ++n) {
    if (name == *n) return true;
  }
  return false;
}

std::string Term(const OptionInfo& o) {
  std::string term = o.name;
  if (o.value != nullptr) term += std::string(" ") + o.value;
  if (o.alias != nullptr) term += std::string(", ") + o.alias;
  return term;
}

// Text broken into lines of at most width characters (words longer than that stand alone).
std::vector<std::string> Wrap(const std::string& text, std::size_t width) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(at, end - at);
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      lines.push_back(line);
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    at = end + 1;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

GuiCommandLine ParseGuiCommandLine(const std::vector<std::string>& args) {
  GuiCommandLine result;
  GuiOptions& o = result.options;
  auto refuse = [&result](const std::string& text) {
    result.action = GuiCommandLine::Action::Refused;
    result.error = "tastor: " + text + kSeeHelp;
    return result;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::string value;
    bool hasInlineValue = false;
    if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
      value = arg.substr(arg.find('=') + 1);
      arg = arg.substr(0, arg.find('='));
      hasInlineValue = true;
    }
    const OptionInfo* info = nullptr;
    for (const OptionInfo& candidate : kOptions) {
      if (arg == candidate.name || (candidate.alias != nullptr && arg == candidate.alias)) info = &candidate;
    }
    if (info != nullptr) {
      if (info->value != nullptr && !hasInlineValue) {
        if (i + 1 >= args.size()) return refuse(arg + " needs a value, " + info->value);
        value = args[++i];
      } else if (info->value == nullptr && hasInlineValue) {
        return refuse(arg + " takes no value");
      }
      const bool folder = info->id == Opt::ProgramDir || info->id == Opt::UserDir;
      if (folder && value.empty()) return refuse(arg + " needs a folder");
      switch (info->id) {
        case Opt::Simulate: o.simulate = true; break;
        case Opt::ProgramDir: o.programFolder = WithTrailingSlash(value); break;
        case Opt::UserDir: o.userDir = WithTrailingSlash(value); break;
        case Opt::Lang: o.language = value; break;
        case Opt::Hidden: o.hidden = true; break;
        case Opt::QuitAfterFirstPaint: o.quitAfterFirstPaint = true; break;
        // The first of these asked for wins; the rest of the line is not read.
        case Opt::Version: result.action = GuiCommandLine::Action::Version; return result;
        case Opt::Help: result.action = GuiCommandLine::Action::Help; return result;
        case Opt::HelpMan: result.action = GuiCommandLine::Action::HelpMan; return result;
      }
      continue;
    }
    // Qt's own options go on to QApplication (restored with the name as given).
    if (hasInlineValue) arg = args[i];
    const std::string qt = QtOptionName(arg);
    if (IsIn(qt, std::begin(kQtFlagOptions), std::end(kQtFlagOptions))) continue;
    if ((qt.rfind("style=", 0) == 0 || qt.rfind("stylesheet=", 0) == 0) && arg[1] != '-') continue;
    if (IsIn(qt, std::begin(kQtValueOptions), std::end(kQtValueOptions))) {
      if (i + 1 >= args.size()) return refuse(arg + " needs a value");
      const std::string& qtValue = args[++i];
      if (qt == "platform") o.platform = qtValue;
      if (qt == "display") o.display = qtValue;
      continue;
    }
    if (!arg.empty() && arg[0] == '-') return refuse("unknown option \"" + arg + "\"");
    return refuse("unexpected argument \"" + arg + "\"");
  }
  return result;
}

std::string GuiHelpText() {
  constexpr std::size_t kTermWidth = 30, kLineWidth = 80;
  std::string text =
      "Usage: tastor [OPTION...]\n"
      "The configuration program of the keyboard: its keys, lighting, macros and profiles.\n"
      "\nOptions:\n";
  for (const OptionInfo& o : kOptions) {
    const std::string term = "  " + Term(o);
    const std::vector<std::string> lines = Wrap(o.help, kLineWidth - kTermWidth);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string left = i == 0 ? term : std::string();
      text += left;
      if (i == 0 && left.size() + 1 > kTermWidth) {
        text += "\n";
        text += std::string(kTermWidth, ' ');
      } else {
        text += std::string(kTermWidth - left.size(), ' ');
      }
      text += lines[i] + "\n";
    }
  }
  text += "\nQt's own options (-platform, -display, -session, -style, ...) are passed on to Qt.\n";
  return text;
}

std::string GuiManPage() {
  ManPage page;
  page.name = "tastor";
  page.summary = "configure the keys, lighting, macros and profiles of a USB gaming keyboard";
  page.version = TastorVersion();
  page.date = TastorReleaseDate();
  page.synopsis = {"tastor [OPTION...]"};

  ManSection description{"Description", {}, {}};
  description.paragraphs = {
      "Tastor is the configuration program of a USB gaming keyboard. Its skinned window shows the keyboard "
      "of the current profile: a click on a key gives it another key or a key combination, a media function, "
      "a recorded macro or its default function. The lighting panel sets the lighting mode, speed and "
      "brightness; the macro editor records and edits macros; three profiles are kept and switched by hand or "
      "while a program linked to a profile runs. Apply writes the profile into the keyboard's own memory.",
      "The settings file cfg.ini, the text table text.xml and the images of skins/ in the program folder make "
      "it one keyboard's program. A second start shows the window of the program already running. With "
      "TrayIcon=1 or 3 in cfg.ini, or with --hidden, the program keeps an icon in the desktop's tray. The user's "
      "switches (TrayIcon, ApplyNow, Debug, HookDLL, Language, Scale, StartHidden) may be set over cfg.ini in "
      "/etc/tastor/cfg.ini and then in the user's $XDG_CONFIG_HOME/Tastor/settings.ini, which "
      "\"tastor-cli set-option\" writes.",
      "The windows need an X11 display: in a Wayland session they run on XWayland. tastor-cli(1) does the same "
      "work from the command line."};
  page.sections.push_back(description);

  ManSection options{"Options", {}, {}};
  for (const OptionInfo& o : kOptions) options.items.push_back({Term(o), o.help, ""});
  options.paragraphs = {"Qt's own options (-platform, -display, -session, -style and the others Qt documents) "
                        "are passed on to Qt; any other option is refused."};
  page.sections.push_back(options);

  page.sections.push_back(ManSection{
      "Environment",
      {},
      {{"LANGUAGE", "a colon-separated list of languages tried in order for the texts, unless the locale is C or POSIX", ""},
       {"LC_ALL, LC_MESSAGES, LANG", "the locale whose language chooses the texts, the first one set", ""},
       {"DISPLAY", "the X11 display (or XWayland's) the windows are shown on", ""},
       {"QT_QPA_PLATFORM", "a Qt platform chosen by the user (offscreen, xcb, ...), used as it is", ""},
       {"XDG_DATA_HOME", "the application-data folder that holds the user data folder (default ~/.local/share)", ""},
       {"TASTOR_SIM_DIR", "the memory folder of the simulated keyboard (--simulate)", ""}}});
  page.sections.push_back(ManSection{
      "Files",
      {},
      {{"cfg.ini, text.xml, skins/, translations/LANG/text.xml",
        "in the program folder: the keyboard's settings, the texts, the window images and the translations", ""},
       {"$XDG_DATA_HOME/APPDIR/", "the user data folder: pro.dct and curid.dct (the profiles), Mac/ (the macros)", ""},
       {"/etc/tastor/cfg.ini", "the system's values of the user's switches, over cfg.ini", ""},
       {"$XDG_CONFIG_HOME/Tastor/settings.ini", "the user's values of the same switches, over both (default ~/.config)",
        ""},
       {"Log.txt", "the diagnostic log on the desktop, with Debug=2 in the settings", ""}}});
  page.sections.push_back(ManSection{
      "Exit status",
      {},
      {{"0", "the program ended normally", ""},
       {"1", "it could not start: no X11 display, or cfg.ini could not be read", ""},
       {"2", "an unknown option or a missing value on the command line", ""}}});
  page.sections.push_back(ManSection{"See also", {"tastor-cli(1)"}, {}});
  return RenderManPage(page);
}
