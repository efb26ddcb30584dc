// SPDX-License-Identifier: GPL-2.0-or-later
// The installed program: cmake --install into a temporary prefix gives the program folder
// (with links to the data in share/tastor/), the links in bin/ that run it from there, the
// desktop entry, the AppStream data, the icons, the manual pages, the shell completions and
// the udev rule; cpack makes a Debian package of the same files and its debug symbols
// package, which lintian passes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

#include "app/desktop_session.h"
#include "app/version.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

// The full path of a program on $PATH, or "".
std::string Which(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path != nullptr ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const std::string full = dir + "/" + program;
    if (::access(full.c_str(), X_OK) == 0) return full;
  }
  return {};
}

// Installs the build into a fresh prefix.
class InstalledTree : public ::testing::Test {
 protected:
  void SetUp() override {
    const RunResult r = RunProgram({TASTOR_CMAKE, "--install", TASTOR_BUILD_DIR, "--prefix", prefix_.path()});
    ASSERT_EQ(0, r.status) << r.out << r.err;
  }
  std::string P(const std::string& relative) const { return prefix_.path() + relative; }
  TempDir prefix_;
};

// The width and height of a PNG file, from its IHDR chunk.
std::pair<int, int> PngSize(const std::string& path) {
  const std::string bytes = ReadFile(path);
  if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) return {0, 0};
  auto be32 = [&](std::size_t at) {
    int v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
    return v;
  };
  return {be32(16), be32(20)};
}

TEST_F(InstalledTree, RunsThroughTheLinksInBinFromItsProgramFolder) {
  for (const char* program : {"tastor", "tastor-cli"}) {
    const fs::path link = P("bin/") + program;
    ASSERT_TRUE(fs::is_symlink(link)) << link;
    EXPECT_EQ(fs::path("../lib/tastor") / program, fs::read_symlink(link));
  }
  for (const char* file : {"tastor", "tastor-cli", "libHidPort.so", "libHidPortSim.so", "libTapHook.so",
                           "libVelum.so", "cfg.ini", "text.xml", "appico.ico", "skins/main_nr.png",
                           "translations/de/text.xml", "translations/en/text.xml"}) {
    EXPECT_TRUE(fs::is_regular_file(P("lib/tastor/") + file)) << file;
  }
  // The data is in share/tastor/; the program folder links to it with relative links.
  for (const char* entry : {"cfg.ini", "text.xml", "appico.ico", "skins", "translations"}) {
    const fs::path link = P("lib/tastor/") + entry;
    ASSERT_TRUE(fs::is_symlink(link)) << link;
    EXPECT_EQ(fs::path("../../share/tastor") / entry, fs::read_symlink(link));
    EXPECT_TRUE(fs::exists(P("share/tastor/") + entry)) << entry;
  }

  RunResult r = RunProgram({P("bin/tastor-cli"), "--version"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(std::string("tastor-cli ") + TastorVersion() + "\n", r.out);
  r = RunProgram({P("bin/tastor"), "--version"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(std::string("tastor ") + TastorVersion() + "\n", r.out);

  // Through the link, the program reads cfg.ini and loads the simulator of lib/tastor/.
  TempDir user;
  r = RunProgram({P("bin/tastor-cli"), "--user-dir", user.path(), "--simulate", "apply"},
                 {"TASTOR_SIM_DIR=", "TASTOR_SIM_NO_PAUSES=1", "TASTOR_SIM_ABSENT="});
  ASSERT_EQ(0, r.status) << r.out << r.err;
  EXPECT_TRUE(Has(r.out, "Progress: 20 70 100")) << r.out;
  EXPECT_EQ(504u, ReadFile(user.path() + "sim/report-09.bin").size());
  r = RunProgram({P("bin/tastor-cli"), "config", "--json"});
  EXPECT_TRUE(Has(r.out, "\"VID\": 12136")) << r.out;
}

TEST_F(InstalledTree, AutostartStartsTheInstalledProgramHiddenThroughItsBinLink) {
  TempDir config;
  const std::string entry = config.path() + "autostart/org.tastor.Tastor.desktop";
  // bin/ on PATH: the entry names the program as the desktop finds it there.
  const std::vector<std::string> env = {"XDG_CONFIG_HOME=" + config.path(), "PATH=" + P("bin") + ":/usr/bin:/bin"};
  RunResult r = RunProgram({P("bin/tastor-cli"), "autostart", "on"}, env);
  ASSERT_EQ(0, r.status) << r.err;
  std::string text = ReadFile(entry);
  EXPECT_TRUE(Has(text, "\nExec=tastor --hidden\n")) << text;
  EXPECT_TRUE(Has(text, "\nTryExec=tastor\n")) << text;
  r = RunProgram({P("bin/tastor-cli"), "autostart", "status"}, env);
  EXPECT_TRUE(Has(r.out, "Starts: tastor --hidden  (" + P("bin/tastor") + ")")) << r.out;
  // Without bin/ on PATH, the program's own path.
  r = RunProgram({P("bin/tastor-cli"), "autostart", "on"}, {"XDG_CONFIG_HOME=" + config.path(), "PATH=/usr/bin:/bin"});
  ASSERT_EQ(0, r.status) << r.err;
  text = ReadFile(entry);
  EXPECT_TRUE(Has(text, "\nExec=" + P("lib/tastor/tastor") + " --hidden\n")) << text;
}

TEST_F(InstalledTree, DesktopEntryAndAppStreamDataPassTheirValidators) {
  const std::string desktop = P("share/applications/") + kDesktopAppId + ".desktop";
  const std::string metainfo = P("share/metainfo/") + kDesktopAppId + ".metainfo.xml";
  ASSERT_TRUE(fs::is_regular_file(desktop));
  ASSERT_TRUE(fs::is_regular_file(metainfo));
  // The interface scripts reach the running program through.
  EXPECT_TRUE(fs::is_regular_file(P("share/dbus-1/interfaces/org.tastor.Tastor1.xml")));
  const std::string entry = ReadFile(desktop);
  EXPECT_TRUE(Has(entry, "\nStartupWMClass=tastor\n"));
  EXPECT_TRUE(Has(entry, std::string("\nIcon=") + kDesktopAppId + "\n"));
  EXPECT_TRUE(Has(entry, "\nCategories=")) << entry;
  EXPECT_TRUE(Has(entry, "\nKeywords=")) << entry;
  for (const char* german : {"\nName[de]=", "\nGenericName[de]=Tastatur-Einstellungen\n", "\nComment[de]=Tasten, ",
                             "\nKeywords[de]=Tastatur;"}) {
    EXPECT_TRUE(Has(entry, german)) << german;
  }
  // The AppStream data: the licence of the program, German texts, no made-up addresses.
  const std::string data = ReadFile(metainfo);
  EXPECT_TRUE(Has(data, "<project_license>GPL-2.0-or-later</project_license>"));
  EXPECT_TRUE(Has(data, "<summary xml:lang=\"de\">"));
  EXPECT_TRUE(Has(data, "<p xml:lang=\"de\">"));
  EXPECT_TRUE(Has(data, "<recommends>\n    <control>keyboard</control>\n    <control>pointing</control>\n  </recommends>"));
  EXPECT_FALSE(Has(data, "<requires>"));
  EXPECT_FALSE(Has(data, "example")) << data;
  EXPECT_FALSE(Has(data, "<url")) << data;

  const std::string desktopValidate = Which("desktop-file-validate");
  const std::string appstreamcli = Which("appstreamcli");
  if (desktopValidate.empty() || appstreamcli.empty()) {
    GTEST_SKIP() << "desktop-file-validate or appstreamcli is missing (scripts/setup.sh installs them)";
  }
  RunResult r = RunProgram({desktopValidate, desktop});
  EXPECT_EQ(0, r.status) << r.out << r.err;
  EXPECT_EQ("", r.out + r.err);
  r = RunProgram({appstreamcli, "validate", "--no-net", "--pedantic", metainfo});
  EXPECT_EQ(0, r.status) << r.out << r.err;
}

TEST_F(InstalledTree, ModaliasAndUdevRuleNameTheKeyboardOfCfgIni) {
  // cfg.ini: VID=12136 (0x2F68), PID=2583 (0x0A17).
  const std::string metainfo = ReadFile(P("share/metainfo/") + kDesktopAppId + ".metainfo.xml");
  EXPECT_TRUE(Has(metainfo, "<modalias>usb:v2F68p0A17d*</modalias>")) << metainfo;
  EXPECT_TRUE(Has(metainfo, std::string("<release version=\"") + TastorVersion() + "\""));

  // The installed rule is the one tastor-cli prints for the installed probe (which is
  // root's here, so the rule is printed), whole and line by line.
  const std::string probe = P("lib/tastor/tastor-udev-probe");
  const std::string rule = ReadFile(P("lib/udev/rules.d/70-tastor.rules"));
  const RunResult printed = RunProgram({P("bin/tastor-cli"), "udev-rule", "--probe", probe});
  ASSERT_EQ(0, printed.status) << printed.err;
  EXPECT_EQ(rule, printed.out);
  // Every line is a comment or a rule of comma-separated key, operator, quoted value.
  const std::string pair = R"re([A-Z_]+(\{[A-Za-z_]+\})?(==|!=|\+=|-=|:=|=)"[^"]*")re";
  const std::regex ruleLine(pair + "(, " + pair + ")*");
  std::istringstream lines(rule);
  std::vector<std::string> rules;
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    EXPECT_TRUE(std::regex_match(line, ruleLine)) << "not a rule line: " << line;
    rules.push_back(line);
  }
  ASSERT_EQ(rules.size(), 4u) << rule;
  EXPECT_EQ(rules[0], "ACTION==\"remove\", GOTO=\"tastor_end\"");
  EXPECT_TRUE(Has(rules[1], "KERNELS==\"????:2F68:0A17.*\", IMPORT{program}=\"" + probe + " %k\"")) << rules[1];
  EXPECT_TRUE(Has(rules[2], "ENV{TASTOR_HID_ACCESS}==\"1\", TAG+=\"uaccess\"")) << rules[2];
  EXPECT_EQ(rules[3], "LABEL=\"tastor_end\"");
  // udev's own check, where its udevadm has one.
  const std::string udevadm = Which("udevadm");
  if (!udevadm.empty() && RunProgram({udevadm, "verify", "--help"}).status == 0) {
    const RunResult verified = RunProgram({udevadm, "verify", P("lib/udev/rules.d/70-tastor.rules")});
    EXPECT_EQ(0, verified.status) << verified.out << verified.err;
  }
}

TEST_F(InstalledTree, HicolorIconsInEverySizeFromTheScalableIcon) {
  const std::string svg = ReadFile(P("share/icons/hicolor/scalable/apps/") + kDesktopAppId + ".svg");
  EXPECT_TRUE(Has(svg, "<svg ")) << svg.substr(0, 100);
  EXPECT_EQ(ReadFile(SourceDir() + "packaging/tastor.svg"), svg);
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const std::string dim = std::to_string(size) + "x" + std::to_string(size);
    const std::string icon = P("share/icons/hicolor/") + dim + "/apps/" + kDesktopAppId + ".png";
    EXPECT_EQ(std::make_pair(size, size), PngSize(icon)) << icon;
  }
  EXPECT_TRUE(fs::is_regular_file(P("share/doc/tastor/README.md")));
  EXPECT_TRUE(fs::is_regular_file(P("share/doc/tastor/screenshots/main_window.png")));
}

TEST_F(InstalledTree, LicenceChangelogManualPagesAndCompletions) {
  EXPECT_EQ(ReadFile(SourceDir() + "packaging/copyright"), ReadFile(P("share/doc/tastor/copyright")));
  EXPECT_TRUE(Has(ReadFile(SourceDir() + "LICENSE"), "GNU GENERAL PUBLIC LICENSE\n                       Version 2"));
  // The changelog is compressed as Debian's tools do it: gzip without a name or time.
  const std::string changelog = ReadFile(P("share/doc/tastor/changelog.Debian.gz"));
  ASSERT_GE(changelog.size(), 10u);
  EXPECT_EQ("\x1f\x8b", changelog.substr(0, 2));
  EXPECT_EQ(std::string(4, '\0'), changelog.substr(4, 4));  // no time
  EXPECT_EQ(0, changelog[3] & 0x08);                          // no name
  EXPECT_TRUE(fs::is_regular_file(P("share/bash-completion/completions/tastor-cli")));
  EXPECT_TRUE(fs::is_regular_file(P("share/zsh/vendor-completions/_tastor-cli")));
  // The template of the system-wide overrides: PREFIX/etc/ under a prefix other than /usr.
  EXPECT_TRUE(Has(ReadFile(P("etc/tastor/cfg.ini")), "[OPT]\n"));

  // The manual pages are what the programs print, and man renders them without a warning.
  for (const char* program : {"tastor", "tastor-cli"}) {
    const std::string page = P("share/man/man1/") + program + ".1.gz";
    ASSERT_TRUE(fs::is_regular_file(page)) << page;
    if (!OnPath("man")) continue;
    const RunResult r = RunProgram({"/bin/sh", "-c", std::string("man --warnings -E UTF-8 -l '") + page + "' >/dev/null"},
                                   {"MANWIDTH=80", "LC_ALL=C.UTF-8", "MANPAGER=cat", "PAGER=cat"});
    EXPECT_EQ(0, r.status) << program << r.err;
    EXPECT_EQ("", r.err) << program;
  }
}

// The lines of lintian's report that are errors or warnings.
std::string LintianProblems(const std::string& report) {
  std::istringstream lines(report);
  std::string line, problems;
  while (std::getline(lines, line)) {
    if (line.rfind("E: ", 0) == 0 || line.rfind("W: ", 0) == 0) problems += line + "\n";
  }
  return problems;
}

TEST(DebianPackage, HoldsTheInstalledFilesWithComputedDependenciesAndUdevScripts) {
  const std::string dpkgDeb = Which("dpkg-deb");
  if (dpkgDeb.empty() || Which("dpkg-shlibdeps").empty()) {
    GTEST_SKIP() << "dpkg-deb or dpkg-shlibdeps is missing (scripts/setup.sh installs dpkg-dev)";
  }
  TempDir out;
  RunResult r = RunProgram({TASTOR_CPACK, "-G", "DEB", "--config", std::string(TASTOR_BUILD_DIR) + "/CPackConfig.cmake",
                            "-B", out.path()});
  ASSERT_EQ(0, r.status) << r.out << r.err;
  std::string deb, dbgsym;
  for (const auto& entry : fs::directory_iterator(out.path())) {
    if (entry.path().extension() == ".deb") deb = entry.path();
    if (entry.path().extension() == ".ddeb") dbgsym = entry.path();
  }
  ASSERT_FALSE(deb.empty()) << r.out;
  ASSERT_FALSE(dbgsym.empty()) << r.out;
  EXPECT_TRUE(Has(deb, std::string("tastor_") + TastorVersion() + "-1_")) << deb;
  EXPECT_TRUE(Has(dbgsym, std::string("tastor-dbgsym_") + TastorVersion() + "-1_")) << dbgsym;

  r = RunProgram({dpkgDeb, "--contents", deb});
  ASSERT_EQ(0, r.status) << r.err;
  for (const char* file : {"./usr/lib/tastor/tastor-cli", "./usr/lib/tastor/tastor", "./usr/lib/tastor/libHidPort.so",
                           "./usr/share/tastor/cfg.ini", "./usr/share/tastor/translations/de/text.xml",
                           "./usr/share/tastor/skins/main_nr.png",
                           "./usr/lib/udev/rules.d/70-tastor.rules", "./usr/share/applications/org.tastor.Tastor.desktop",
                           "./usr/share/metainfo/org.tastor.Tastor.metainfo.xml",
                           "./usr/share/dbus-1/interfaces/org.tastor.Tastor1.xml",
                           "./usr/share/icons/hicolor/256x256/apps/org.tastor.Tastor.png",
                           "./usr/share/icons/hicolor/scalable/apps/org.tastor.Tastor.svg",
                           "./usr/share/man/man1/tastor.1.gz", "./usr/share/man/man1/tastor-cli.1.gz",
                           "./usr/share/bash-completion/completions/tastor-cli",
                           "./usr/share/zsh/vendor-completions/_tastor-cli",
                           "./usr/share/doc/tastor/copyright", "./usr/share/doc/tastor/changelog.Debian.gz",
                           "./usr/share/doc/tastor/README.md", "./etc/tastor/cfg.ini"}) {
    EXPECT_TRUE(Has(r.out, std::string(file) + "\n")) << file;
  }
  EXPECT_TRUE(std::regex_search(r.out, std::regex("\\./usr/bin/tastor-cli -> \\.\\./lib/tastor/tastor-cli\n"))) << r.out;
  EXPECT_TRUE(Has(r.out, "./usr/lib/tastor/cfg.ini -> ../../share/tastor/cfg.ini\n"));
  EXPECT_TRUE(Has(r.out, "./usr/lib/tastor/skins -> ../../share/tastor/skins\n"));
  // Nothing of the build tree or the tests goes into the package, nor debug information.
  EXPECT_FALSE(Has(r.out, "tests")) << r.out;
  EXPECT_FALSE(Has(r.out, "gallery"));
  EXPECT_FALSE(Has(r.out, "/usr/lib/debug"));
  r = RunProgram({dpkgDeb, "--contents", dbgsym});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(std::regex_search(r.out, std::regex("\\./usr/lib/debug/\\.build-id/[0-9a-f]{2}/[0-9a-f]+\\.debug\n"))) << r.out;

  r = RunProgram({dpkgDeb, "--field", deb, "Depends"});
  ASSERT_EQ(0, r.status) << r.err;
  for (const char* dependency : {"libc6", "libhidapi-hidraw0", "libqt6widgets6", "libx11-6"}) {
    EXPECT_TRUE(Has(r.out, dependency)) << r.out;
  }
  // No address that leads nowhere; the windows need XWayland in a Wayland session.
  r = RunProgram({dpkgDeb, "--field", deb, "Maintainer", "Homepage", "Recommends"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_FALSE(Has(r.out, "Homepage")) << r.out;
  EXPECT_FALSE(Has(r.out, "tastor.example")) << r.out;
  EXPECT_TRUE(Has(r.out, "Recommends: xwayland\n")) << r.out;

  TempDir control;
  ASSERT_EQ(0, RunProgram({dpkgDeb, "--control", deb, control.path()}).status);
  for (const char* script : {"postinst", "postrm"}) {
    const std::string path = control.path() + script;
    struct stat st {};
    ASSERT_EQ(0, ::stat(path.c_str(), &st)) << script;
    EXPECT_TRUE(st.st_mode & S_IXUSR) << script;
    EXPECT_TRUE(Has(ReadFile(path), "udevadm control --reload-rules")) << script;
    // Where no udev runs the script does nothing and succeeds.
    r = RunProgram({"/bin/sh", path, std::string(script) == "postinst" ? "configure" : "remove"},
                   {"PATH=/nonexistent"});
    EXPECT_EQ(0, r.status) << script << r.err;
  }

  // The system-wide overrides are a conffile, shipped setting nothing, so that an
  // administrator's edits survive upgrades and a reinstall.
  EXPECT_EQ("/etc/tastor/cfg.ini\n", ReadFile(control.path() + "conffiles"));
  TempDir unpacked;
  ASSERT_EQ(0, RunProgram({dpkgDeb, "--extract", deb, unpacked.path()}).status);
  const std::string etc = ReadFile(unpacked.path() + "etc/tastor/cfg.ini");
  EXPECT_TRUE(Has(etc, "\n[OPT]\n") && Has(etc, "\n;StartHidden=")) << etc;
  EXPECT_FALSE(std::regex_search(etc, std::regex("\n[A-Za-z]+="))) << etc;

  // Debian's own checker finds no error and no warning in either package.
  const std::string lintian = Which("lintian");
  if (lintian.empty()) GTEST_SKIP() << "lintian is missing (scripts/setup.sh installs it)";
  r = RunProgram({lintian, "--pedantic", deb, dbgsym});
  EXPECT_EQ("", LintianProblems(r.out + r.err)) << r.out << r.err;
  EXPECT_EQ(0, r.status) << r.out << r.err;
}

}  // namespace
