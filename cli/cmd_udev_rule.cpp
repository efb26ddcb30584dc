// SPDX-License-Identifier: GPL-2.0-or-later
// "udev-rule": udev rules that let the logged-in user open the configured keyboard's
// configuration interfaces without root, and nothing else of it. For every hidraw node of
// the keyboard (matched by the VID and PID of cfg.ini on its HID device, whatever the bus)
// udev runs tastor-udev-probe as root; it reads the node's report descriptor and grants
// only nodes that carry the program's interfaces and nothing that can deliver keys. Access
// goes through the seat (TAG+="uaccess"), nothing is made world-writable.
//
// udev runs the probe named in the rule as root at every plug-in, so the rule names only a
// probe that only root can change (root_only_path.h). "udev-rule --install", run as root,
// copies the probe into such a folder and writes the rule file; the build names the
// probe's installed path with --installed-probe (see DESIGN.md).
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/settings.h"
#include "base/stored_file.h"
#include "cli/cli.h"
#include "cli/root_only_path.h"

int RunUdevRule(CliContext& ctx);
static CommandRegistrar g_udevRule{
    "udev-rule", "udev-rule [--probe PATH] | --install [--probe PATH] [--prefix DIR] [--rules-dir DIR]",
    "udev rules that let the logged-in user open the keyboard's configuration interfaces (not its typing) "
    "without root",
    RunUdevRule,
    {{"--probe", "PATH",
      "prints the rule for that probe. The probe and every folder above it must be owned by root and "
      "writable by no group or other user, or nothing is printed (exit 1): anyone who can replace the "
      "probe would become root"},
     {"--install", nullptr,
      "as root (sudo): copies the probe (beside tastor-cli, or --probe PATH) to /usr/local/lib/tastor/, "
      "writes /etc/udev/rules.d/70-tastor.rules naming that copy and reloads udev's rules"},
     {"--prefix", "DIR", "with --install: the copy goes to DIR/lib/tastor/ instead"},
     {"--rules-dir", "DIR", "with --install: the rule file goes to DIR instead"},
     {"--installed-probe", "PATH",
      "prints the rule for the path where a package or \"cmake --install\" run by root puts the probe "
      "(not checked, as it need not exist yet)"}},
    "The rule has udev run tastor-udev-probe, as root, for each hidraw node of the keyboard\n"
    "(VID and PID of cfg.ini); only nodes of the vendor interfaces and the consumer control that\n"
    "cannot deliver keys are given to the user at the seat. The typing stays root-only.\n"
    "Without an option it prints the rule for the probe beside this tastor-cli, checked as for --probe.\n"};

namespace {

constexpr char kProbeName[] = "tastor-udev-probe";
constexpr char kRuleFileName[] = "70-tastor.rules";
constexpr char kDefaultPrefix[] = "/usr/local";
constexpr char kProgramSubfolder[] = "/lib/tastor";
// uaccess is acted on by 73-seat-late.rules, so the rule file must sort before it.
constexpr char kDefaultRulesDir[] = "/etc/udev/rules.d";
// A probe is a small program; a file larger than this is no probe.
constexpr off_t kMaxProbeBytes = 64 * 1024 * 1024;
constexpr mode_t kProgramMode = 0755;
constexpr mode_t kRuleMode = 0644;
constexpr mode_t kFolderMode = 0755;

// tastor-udev-probe beside this program, found by the program's real path.
std::string DefaultProbePath() {
  char self[PATH_MAX];
  if (::realpath("/proc/self/exe", self) == nullptr) return kProbeName;
  std::string path = self;
  return path.substr(0, path.rfind('/') + 1) + kProbeName;
}

// udev splits a program line at blanks and gives quotes and % and $ their own meaning.
std::string PathProblem(const std::string& probe) {
  if (probe.empty() || probe[0] != '/') return "the probe's path must be absolute: " + probe;
  if (probe.find_first_of(" \t\"'%$\\\n") != std::string::npos) {
    return "the probe's path may not hold blanks, quotes, % or $: " + probe;
  }
  return {};
}

std::string RuleText(const AppSettings& s, const std::string& probe) {
  // The HID device above a hidraw node is named "<bus>:<VID>:<PID>.<n>" in upper-case hex.
  char device[32];
  std::snprintf(device, sizeof device, "????:%04X:%04X.*", s.VID, s.PID);
  char head[1024];
  std::snprintf(head, sizeof head,
                "# Tastor: lets the logged-in user open the configuration interfaces of the keyboard\n"
                "# VID_%04X&PID_%04X without root. udev runs tastor-udev-probe as root for each hidraw node\n"
                "# of it. The probe reads the node's report descriptor and gives the user at the seat only\n"
                "# nodes whose input is vendor-defined or consumer control and that cannot deliver keys.\n"
                "# The node that carries the typing stays root-only. Only root may be able to change the\n"
                "# probe. Install: sudo tastor-cli udev-rule --install (writes %s/%s)\n",
                s.VID, s.PID, kDefaultRulesDir, kRuleFileName);
  std::string text = head;
  // Removal events need no access.
  text += "ACTION==\"remove\", GOTO=\"tastor_end\"\n";
  text += "SUBSYSTEM==\"hidraw\", KERNELS==\"" + std::string(device) + "\", IMPORT{program}=\"" + probe + " %k\"\n";
  text += "SUBSYSTEM==\"hidraw\", KERNELS==\"" + std::string(device) +
          "\", ENV{TASTOR_HID_ACCESS}==\"1\", TAG+=\"uaccess\"\n";
  text += "LABEL=\"tastor_end\"\n";
  return text;
}

std::string HowToInstallSafely() {
  return "Install the probe where only root can change it: \"sudo tastor-cli udev-rule --install\" copies it to " +
         std::string(kDefaultPrefix) + kProgramSubfolder + "/ and writes " + kDefaultRulesDir + "/" + kRuleFileName +
         " (the Tastor package brings both)";
}

// Creates the folder and those above it that are missing, each owned by root with mode
// 0755, after checking that only root can change the part that exists.
std::string MakeRootOnlyFolder(const std::string& folder) {
  std::string existing = folder;
  struct stat st {};
  while (::stat(existing.c_str(), &st) != 0) {
    if (errno != ENOENT) return existing + ": " + std::strerror(errno);
    existing = existing.substr(0, existing.rfind('/'));
    if (existing.empty()) existing = "/";
  }
  if (const RootOnlyCheck above = CheckRootOnlyPath(existing, RootOnlyKind::kFolder); !above.ok()) {
    return above.problem;
  }
  for (std::size_t at = existing.size() == 1 ? 1 : existing.size() + 1; at <= folder.size(); ++at) {
    if (at != folder.size() && folder[at] != '/') continue;
    const std::string step = folder.substr(0, at);
    if (::mkdir(step.c_str(), kFolderMode) != 0 && errno != EEXIST) return step + ": " + std::strerror(errno);
  }
  const RootOnlyCheck made = CheckRootOnlyPath(folder, RootOnlyKind::kFolder);
  return made.problem;
}

// Reads the probe to be installed from one descriptor: the file opened is the file copied,
// whatever the owner of its folder does meanwhile. Only a plain executable (ELF), not a
// link and not a second name of another file, is taken.
std::string ReadProbe(const std::string& path, std::vector<uint8_t>& bytes) {
  const UniqueFd fd = OpenFileForReading(path, /*followLinks=*/false);
  if (!fd.Valid()) {
    return path + ": " + (errno == EINVAL ? std::string("not a regular file") : std::strerror(errno));
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return path + ": " + std::strerror(errno);
  if (st.st_nlink != 1) return path + " has other names (hard links); copy it afresh";
  if (st.st_size <= 0 || st.st_size > kMaxProbeBytes) return path + " is no probe (" + std::to_string(st.st_size) + " bytes)";
  bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
  const long n = ReadUpTo(fd.Get(), bytes);
  if (n < 0) return path + ": " + std::strerror(errno);
  if (n != st.st_size) return path + " changed while it was read";
  bytes.resize(static_cast<std::size_t>(n));
  static constexpr uint8_t kElf[] = {0x7F, 'E', 'L', 'F'};
  if (bytes.size() < sizeof kElf || std::memcmp(bytes.data(), kElf, sizeof kElf) != 0) {
    return path + " is not a program (no ELF header)";
  }
  return {};
}

std::string ReplaceProblem(const std::string& path, const ReplaceResult& r) {
  return path + ": " + (r.stage == ReplaceStage::kCreate ? "cannot be created: " : "cannot be written: ") +
         std::strerror(r.error);
}

std::string SyncFolder(const std::string& folder) {
  const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.Valid() || ::fsync(fd.Get()) != 0) return folder + ": " + std::strerror(errno);
  return {};
}

// Puts the program in place as <folder>/tastor-udev-probe: written whole and flushed
// under a name of its own, given mode 0755, then renamed over the old one, so that udev
// never runs a partial or non-executable probe.
std::string InstallProbe(const std::vector<uint8_t>& bytes, const std::string& folder, const std::string& target) {
  const std::string staging = folder + "/." + kProbeName + ".installing";
  if (const ReplaceResult r = ReplaceFileContents(staging, bytes); !r.ok()) return ReplaceProblem(staging, r);
  if (::chown(staging.c_str(), 0, 0) != 0 || ::chmod(staging.c_str(), kProgramMode) != 0 ||
      ::rename(staging.c_str(), target.c_str()) != 0) {
    const int error = errno;
    const std::string problem = staging + ": " + std::strerror(error);
    ::unlink(staging.c_str());
    return problem;
  }
  return SyncFolder(folder);
}

std::string InstallRuleFile(const std::string& text, const std::string& path) {
  const std::vector<uint8_t> bytes(text.begin(), text.end());
  if (const ReplaceResult r = ReplaceFileContents(path, bytes); !r.ok()) return ReplaceProblem(path, r);
  // An old file of the same name may have had other bits.
  if (::chmod(path.c_str(), kRuleMode) != 0) return path + ": " + std::strerror(errno);
  return {};
}

// Asks udev to read its rules again with "udevadm control --reload", taken from the
// system's own folders (never $PATH: this runs as root) with a plain environment. A
// machine without a running udev daemon is no failure: udev reads the rule when it starts.
std::string ReloadUdev() {
  for (const char* udevadm : {"/usr/bin/udevadm", "/bin/udevadm", "/usr/sbin/udevadm", "/sbin/udevadm"}) {
    if (::access(udevadm, X_OK) != 0) continue;
    char* argv[] = {const_cast<char*>(udevadm), const_cast<char*>("control"), const_cast<char*>("--reload"), nullptr};
    char* envp[] = {const_cast<char*>("PATH=/usr/sbin:/usr/bin:/sbin:/bin"), nullptr};
    pid_t pid = 0;
    if (const int err = ::posix_spawn(&pid, udevadm, nullptr, nullptr, argv, envp); err != 0) {
      return std::string(udevadm) + " could not be run (" + std::strerror(err) +
             "); udev reads the rule when it next starts or reloads";
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return "udev reloaded its rules";
    return "\"udevadm control --reload\" failed (no udev daemon running?); udev reads the rule when it starts";
  }
  return "udevadm was not found, so no udev runs here; udev reads the rule when it starts";
}

struct Options {
  std::string probe;
  std::string installedProbe;
  std::string prefix;
  std::string rulesDir;
  bool install = false;
};

int Install(const AppSettings& s, const Options& o) {
  if (::geteuid() != 0) {
    return Fail("udev-rule --install must run as root: sudo tastor-cli udev-rule --install");
  }
  // Nothing made here may be writable by others, whatever umask sudo passed on.
  ::umask(022);
  const std::string source = o.probe.empty() ? DefaultProbePath() : o.probe;
  std::vector<uint8_t> bytes;
  if (const std::string problem = ReadProbe(source, bytes); !problem.empty()) return Fail(problem);

  const std::string prefix = o.prefix.empty() ? kDefaultPrefix : o.prefix;
  const std::string folder = (prefix == "/" ? std::string() : prefix) + kProgramSubfolder;
  if (const std::string problem = PathProblem(folder + "/" + kProbeName); !problem.empty()) return Refuse(problem);
  if (const std::string problem = MakeRootOnlyFolder(folder); !problem.empty()) {
    return Fail("the probe is installed only where root alone can change it: " + problem);
  }
  const std::string target = folder + "/" + kProbeName;
  if (const std::string problem = InstallProbe(bytes, folder, target); !problem.empty()) return Fail(problem);
  // What udev will run, checked as the printed rule checks it.
  const RootOnlyCheck installed = CheckRootOnlyPath(target, RootOnlyKind::kFile);
  if (!installed.ok()) return Fail(installed.problem);

  const std::string rulesDir = o.rulesDir.empty() ? kDefaultRulesDir : o.rulesDir;
  if (const std::string problem = MakeRootOnlyFolder(rulesDir); !problem.empty()) {
    return Fail("the rule is written only where root alone can change it: " + problem);
  }
  const std::string rulePath = rulesDir + "/" + kRuleFileName;
  if (const std::string problem = InstallRuleFile(RuleText(s, installed.resolved), rulePath); !problem.empty()) {
    return Fail(problem);
  }
  std::printf("Installed the probe as %s\nWrote %s\n%s.\n", installed.resolved.c_str(), rulePath.c_str(),
              ReloadUdev().c_str());
  std::printf("Plug the keyboard in again (or run \"sudo udevadm trigger --subsystem-match=hidraw\") for the "
              "rule to act on it now.\n");
  return std::fflush(stdout) == 0 ? 0 : Fail(std::string("standard output: ") + std::strerror(errno));
}

}  // namespace

int RunUdevRule(CliContext& ctx) {
  const ParsedArgs& args = ctx.options;
  WordsBetween(args, 0, 0,
               "udev-rule takes --probe PATH, --install [--prefix DIR] [--rules-dir DIR] or --installed-probe PATH");
  Options o;
  o.probe = args.Value("--probe").value_or("");
  o.installedProbe = args.Value("--installed-probe").value_or("");
  o.prefix = args.Value("--prefix").value_or("");
  o.rulesDir = args.Value("--rules-dir").value_or("");
  o.install = args.Flag("--install");
  if (!o.install && (!o.prefix.empty() || !o.rulesDir.empty())) return Refuse("--prefix and --rules-dir go with --install");
  if (!o.installedProbe.empty() && (o.install || !o.probe.empty())) {
    return Refuse("--installed-probe goes alone");
  }
  for (const std::string* dir : {&o.prefix, &o.rulesDir}) {
    if (!dir->empty() && (*dir)[0] != '/') return Refuse("the folder must be absolute: " + *dir);
  }
  for (const std::string* given : {&o.probe, &o.installedProbe}) {
    if (given->empty()) continue;
    if (const std::string problem = PathProblem(*given); !problem.empty()) return Refuse(problem);
  }
  LoadProgramData(ctx);
  const AppSettings& s = ctx.settings;
  if (s.VID == 0 && s.PID == 0) return Fail("cfg.ini names no keyboard (VID and PID are 0)");
  if (o.install) return Install(s, o);

  std::string probe = o.installedProbe;
  if (probe.empty()) {
    const RootOnlyCheck check = CheckRootOnlyPath(o.probe.empty() ? DefaultProbePath() : o.probe, RootOnlyKind::kFile);
    if (!check.ok()) {
      return Fail("udev would run the probe as root, but " + check.problem + ", so a program that is not root " +
                  "could replace it and become root. " + HowToInstallSafely() + ".");
    }
    probe = check.resolved;
  }
  // A link may have led to a path udev cannot take.
  if (const std::string problem = PathProblem(probe); !problem.empty()) return Fail(problem);
  const std::string text = RuleText(s, probe);
  if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
    return Fail(std::string("standard output: ") + std::strerror(errno));
  }
  return 0;
}
