// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/tastor_app.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "app/desktop_session.h"
#include "app/hook_library.h"
#include "app/paths.h"
#include "app/program_settings.h"
#include "app/startup.h"
#include "app/startup_trace.h"
#include "app/text_language.h"
#include "base/log.h"
#include "controls/control_look.h"
#include "controls/menu_library.h"
#include "controls/window_handle.h"
#include "platform/messages.h"
#include "platform/single_instance.h"
#include "platform/special_folders.h"
#include "platform/termination.h"
#include "skin/app_font.h"
#include "text/program_texts.h"
#include "text/text_table.h"
#include "text/utf.h"
#include "ui/qt_translation.h"
#include "ui/screen_fit.h"
#include "ui/tastor_dlg.h"
#include "ui/tray_presence.h"

CTastorApp::CTastorApp(StartOptions options) : options_(std::move(options)) { SetWindowPort(&port_); }

CTastorApp::~CTastorApp() { SetWindowPort(nullptr); }

bool CTastorApp::InitInstance() {
  // The program folder: where cfg.ini, text.xml, skins/ and the sibling libraries are.
  Paths().programFolder = options_.programFolder.empty() ? ProgramFolder() : options_.programFolder;
  const std::string& folder = Paths().programFolder;

  std::vector<std::string> overrideProblems;
  if (!DataInit(folder, Settings(), nullptr, &overrideProblems)) {
    Windows().MessageBox(nullptr, u"     Data Init failed.     ", u"Error", MB_OK);
    return false;
  }
  TraceStartup("settings and log");
  // text.xml, or the translation that --lang, the Language setting or the user's locale names.
  const TextChoice texts = ChooseTextFile(folder, options_.language, ToUtf8(Settings().Language),
                                          Settings().OriginOf(UserSwitch::kLanguage).path, EnvironmentLanguage());
  if (!texts.ok) std::fprintf(stderr, "tastor: %s; the texts of text.xml are shown\n", texts.reason.c_str());
  TextTable::Instance().Load(texts.path);
  TraceStartup("text table");
  if (!overrideProblems.empty()) {
    // The settings the user set that cannot be used: told once, the program goes on with
    // the values below them.
    std::u16string detail;
    for (const std::string& line : overrideProblems) detail += u"\n" + FromUtf8(line);
    std::u16string text = TextTable::Instance().tc_settings_not_used;
    if (text.empty()) text = english::tc_settings_not_used;
    if (const std::size_t at = text.find(u"%s"); at != std::u16string::npos) text.replace(at, 2, detail);
    Windows().MessageBox(nullptr, text, u"Warning", MB_OK | MB_ICONWARNING);
  }
  // StartHidden is a hidden start on every start; a plain start that finds the program
  // running still brings its window up (TakeSingleInstance asks for the option itself).
  if (Settings().StartHidden == 1) CTrayPresence::AskHiddenStart(true);
  WriteLaunchLines();
  WriteLog("Texts=%s (%s)", texts.path.c_str(), texts.reason.c_str());
  WriteLog("Window scale: %s", WindowScaleDescription().c_str());
  // Qt's own words (file dialogs, edit menus) in the same language.
  LoadQtTranslations(texts.language, qtTexts_);
  if (options_.nativeWayland) WriteLog("%s", NativeWaylandLimits());
  ApplyTitleDefault(Settings());
  // The skinned controls draw with the skin's colours and switches from here on.
  InstallControlLook(ControlLookOf(Settings()));
  LoadMenuLibrary(folder);
  TraceStartup("menu library");
  MakeUserDataFolder(Settings(), options_.userDir);
  // DPI awareness is declared only on newer Windows; Qt handles scaling everywhere else.
  CreateAppFont(folder, Settings().FontName, Settings().FontSize);
  TraceStartup("user data folder and font");

  if (!TakeSingleInstance()) return false;
  TraceStartup("single instance");


  // The main window's run ends when it closes, not when it is hidden, and closing a
  // message box while it is hidden must not end the program.
  QApplication::setQuitOnLastWindowClosed(false);
  CTastorDlg dialog(options_.simulate);
  TraceStartup("main window object");
  // The key-capture library is first needed by the picker and the macro editor, which
  // open only on a click: it loads once the window has been painted.
  QObject::connect(&dialog, &CTastorDlg::startFinished, [&folder] {
    if (PathFileExists(HookLibraryPath(folder))) LoadHookLibrary(folder);
    TraceStartup("key-capture library");
  });
  InstallTerminationHandler(&dialog, [&dialog] {
    QApplication::closeAllWindows();
    dialog.close();
  });
  dialog.RunMain();
  TraceStartup("main window closed");
  return false;
}

bool CTastorApp::TakeSingleInstance() {
  const QString name = QString::fromStdU16String(InstanceMutexName());
  instance_ = std::make_unique<SingleInstance>(name);
  if (!instance_->Acquire()) {
    // Another instance runs: wake its window, found by the program's title, and end. A
    // hidden start (the autostart entry of a second session login, a script) asks for no
    // window, so the running one is left as it is.
    if (options_.hidden) {
      WriteLog("Already running: the hidden start ends and leaves its window as it is");
      return false;
    }
    SingleInstance::SendWake(name, QString::fromStdU16String(TextTable::Instance().tc_title));
    return false;
  }
  QObject::connect(instance_.get(), &SingleInstance::wakeRequested, [](const QString& caption) {
    if (HWND window = Windows().FindWindow(caption.toStdU16String())) {
      Windows().PostMessage(window, WM_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK);
    }
  });
  return true;
}

int CTastorApp::ExitInstance() {
  UnloadHookLibrary();
  if (instance_) instance_->Release();
  instance_.reset();
  WriteLog("Driver exit");
  RemoveAppFont(Paths().programFolder);
  return 0;
}
