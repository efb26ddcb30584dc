// SPDX-License-Identifier: GPL-2.0-or-later
// "devices": the attached keyboards that match the VID and PID of cfg.ini, with their
// interfaces and report lengths, and whether the program can open the one it needs.
// With the real library it also names each hidraw node of the keyboard, whether this
// user may open it and what the udev rule's probe says of it, so that a node kept from
// the user (one that can deliver keys) is named with the reason.
// Exit status 0 when the program would find its keyboard, 1 otherwise (none attached, no
// permission, interfaces missing, product string not matching).
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <string>

#include "base/settings.h"
#include "cli/cli.h"
#include "cli/json_writer.h"
#include "cli/keyboard_link.h"
#include "device/usb_driver.h"
#include "libs/hidport/node_access.h"
#include "libs/hidport/sysfs.h"
#include "text/utf.h"

namespace {

// What an interface is to the program, told by its usage and report lengths.
struct Role {
  const char* name;
  int reportId;
};

Role RoleOf(const HidInterfaceSummary& i) {
  if (i.usagePage == kVendorUsagePage && i.usage == 1) {
    switch (i.featureLength) {
      case kMatrixReportLength: return {"matrix", kMatrixReportId};
      case kLedReportLength: return {"led", kLedReportId};
      case kColorReportLength: return {"colour", kColorReportId};
      case kMacroReportLength: return {"macro", kMacroReportId};
      default: break;
    }
  }
  if (i.usagePage == kConsumerUsagePage && i.usage == 1 && i.inputLength == kNotifyInputLength) {
    return {"consumer", 0};
  }
  return {"other", 0};
}

std::string Describe(const Role& role) {
  const std::string name = role.name;
  if (name == "matrix") return "key matrix (report 9)";
  if (name == "led") return "lighting (report 10)";
  if (name == "colour") return "colour group (report 11)";
  if (name == "macro") return "macro buffer (report 12)";
  if (name == "consumer") return "consumer control";
  return "not used by the program";
}

const char* ResultName(CUSBDriver::FindResult r) {
  switch (r) {
    case CUSBDriver::FindResult::Found: return "found";
    case CUSBDriver::FindResult::NoLibrary: return "no-library";
    case CUSBDriver::FindResult::Absent: return "absent";
    case CUSBDriver::FindResult::Incomplete: return "incomplete";
    case CUSBDriver::FindResult::NoPermission: return "no-permission";
    case CUSBDriver::FindResult::ProductMismatch: return "product-mismatch";
    case CUSBDriver::FindResult::NotSearched: break;
  }
  return "not-searched";
}

// One hidraw node of the keyboard as this user and the udev rule see it.
struct NodeState {
  std::string path;  // "/dev/hidraw3"
  hidport::NodeVerdict verdict;
  bool opens = false;  // this user may read and write it
};

std::vector<NodeState> KeyboardNodes(const AppSettings& settings) {
  std::vector<NodeState> nodes;
  for (const std::string& name : hidport::HidrawNodesOf("/sys", static_cast<uint16_t>(settings.VID),
                                                        static_cast<uint16_t>(settings.PID))) {
    NodeState n;
    n.path = "/dev/" + name;
    int error = 0;
    n.verdict = hidport::ClassifyNode(hidport::ReadReportDescriptor("/sys", name, &error));
    if (error == EFBIG) n.verdict.reason = "report descriptor longer than 4096 bytes";
    n.opens = ::access(n.path.c_str(), R_OK | W_OK) == 0;
    nodes.push_back(std::move(n));
  }
  return nodes;
}

std::string NodeLine(const NodeState& n) {
  if (n.opens) return "opens for this user (" + n.verdict.reason + ")";
  if (n.verdict.grant) return "may not be opened by this user; the udev rule grants it (" + n.verdict.reason + ")";
  return "may not be opened by this user: " + n.verdict.reason + ", so the udev rule keeps it root-only";
}

}  // namespace

int RunDevices(CliContext& ctx);
static CommandRegistrar g_devices{"devices", "devices [--json]",
                                  "the attached keyboards matching cfg.ini, their interfaces and report lengths",
                                  RunDevices, {kJsonOption},
                                  "Exit status 1 also when the program would not find its keyboard (none\n"
                                  "attached, no permission, interfaces missing, product string not matching).\n"};

int RunDevices(CliContext& ctx) {
  WordsBetween(ctx.options, 0, 0, "devices takes no arguments besides --json");
  LoadProgramData(ctx);
  PrepareUserFolder(ctx);

  const std::string library = HidLibraryPath(ctx.programFolder, ctx.simulate);
  CUSBDriver driver(ctx.settings);
  if (!LoadKeyboardLibrary(ctx, driver)) return 1;

  const std::string id = ToUtf8(DeviceIdString(ctx.settings));
  const std::vector<HidInterfaceSummary> interfaces = driver.ListInterfaces();
  const int count = driver.CountKeyboards();
  const int found = driver.FindDev();
  const CUSBDriver::FindResult result = driver.LastFindResult();
  const std::u16string product = found ? driver.MatrixProductString() : std::u16string();
  driver.ClearHandle();

  std::map<int, std::vector<HidInterfaceSummary>> keyboards;
  for (const HidInterfaceSummary& i : interfaces) keyboards[i.keyboard].push_back(i);
  const std::string message = FindResultMessage(result, id, driver);
  const std::vector<NodeState> nodes = ctx.simulate ? std::vector<NodeState>() : KeyboardNodes(ctx.settings);

  if (ctx.json) {
    JsonWriter w;
    w.BeginObject();
    w.Key("deviceId").String(std::string_view(id));
    w.Key("library").String(std::string_view(library));
    w.Key("simulated").Bool(ctx.simulate);
    w.Key("count").Int(count);
    w.Key("keyboards").BeginArray();
    for (const auto& [number, list] : keyboards) {
      w.BeginObject().Key("keyboard").Int(number + 1).Key("interfaces").BeginArray();
      for (const HidInterfaceSummary& i : list) {
        const Role role = RoleOf(i);
        w.BeginObject()
            .Key("usagePage").Int(i.usagePage)
            .Key("usage").Int(i.usage)
            .Key("inputLength").Int(i.inputLength)
            .Key("outputLength").Int(i.outputLength)
            .Key("featureLength").Int(i.featureLength)
            .Key("role").String(std::string_view(role.name));
        if (role.reportId != 0) w.Key("reportId").Int(role.reportId);
        w.EndObject();
      }
      w.EndArray().EndObject();
    }
    w.EndArray();
    if (!ctx.simulate) {
      w.Key("nodes").BeginArray();
      for (const NodeState& n : nodes) {
        w.BeginObject()
            .Key("node").String(std::string_view(n.path))
            .Key("role").String(std::string_view(hidport::NodeRoleName(n.verdict.role)))
            .Key("granted").Bool(n.verdict.grant)
            .Key("opens").Bool(n.opens)
            .Key("reason").String(std::string_view(n.verdict.reason))
            .EndObject();
      }
      w.EndArray();
    }
    w.Key("found").Bool(found != 0);
    w.Key("result").String(std::string_view(ResultName(result)));
    if (found) w.Key("product").String(std::u16string_view(product));
    if (!message.empty()) w.Key("message").String(std::string_view(message));
    w.EndObject();
    std::fputs(w.Text().c_str(), stdout);
  } else {
    std::printf("Keyboard %s (VID and PID of cfg.ini)%s\n", id.c_str(), ctx.simulate ? ", simulated" : "");
    std::printf("Keyboards attached: %d\n", count);
    for (const auto& [number, list] : keyboards) {
      std::printf("\nKeyboard %d\n", number + 1);
      std::printf("  %-11s %-7s %6s %7s %8s  %s\n", "usage page", "usage", "input", "output", "feature", "used as");
      for (const HidInterfaceSummary& i : list) {
        std::printf("  0x%04X      0x%04X  %6d %7d %8d  %s\n", i.usagePage, i.usage, i.inputLength, i.outputLength,
                    i.featureLength, Describe(RoleOf(i)).c_str());
      }
    }
    if (!nodes.empty()) {
      std::printf("\nhidraw nodes of the keyboard (the udev rule's verdict):\n");
      for (const NodeState& n : nodes) {
        std::printf("  %-13s %-10s %s\n", n.path.c_str(), hidport::NodeRoleName(n.verdict.role), NodeLine(n).c_str());
      }
    }
    if (found) {
      std::printf("\nThe program finds its keyboard: all four report interfaces open, product \"%s\".\n",
                  ToUtf8(product).c_str());
    }
  }
  if (!found) return Fail(message);
  return 0;
}
