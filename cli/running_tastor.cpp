// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/running_tastor.h"

#include <dbus/dbus.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <utility>

#include "app/paths.h"
#include "cli/cmd_model_output.h"

namespace {

constexpr char kService[] = "org.tastor.Tastor";
constexpr char kPath[] = "/org/tastor/Tastor";
constexpr char kInterface[] = "org.tastor.Tastor1";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";
constexpr char kErrorPrefix[] = "org.tastor.Tastor1.Error.";
// The profile buttons the program has.
constexpr int kSlots = 3;

class BusError {
 public:
  BusError() { dbus_error_init(&error_); }
  ~BusError() { dbus_error_free(&error_); }
  BusError(const BusError&) = delete;
  BusError& operator=(const BusError&) = delete;
  DBusError* get() { return &error_; }
  bool Set() const { return dbus_error_is_set(&error_) != 0; }
  std::string Name() const { return error_.name != nullptr ? error_.name : ""; }
  std::string Message() const { return error_.message != nullptr ? error_.message : ""; }

 private:
  DBusError error_;
};

struct MessageUnref {
  void operator()(DBusMessage* m) const { dbus_message_unref(m); }
};
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

// The session bus's address: the variable, else the user's bus of the login session
// (systemd's $XDG_RUNTIME_DIR/bus). Never "autolaunch:": a command that only looks for a
// running program must not start a bus of its own.
std::string SessionBusAddress() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address != nullptr && *address != 0) return address;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == 0) return {};
  const std::string socket = std::string(runtime) + "/bus";
  struct stat st;
  if (::stat(socket.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return {};
  return "unix:path=" + socket;
}

// A folder as a comparable path: resolved where it exists, without a trailing "/".
std::string Comparable(const std::string& folder) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::weakly_canonical(folder, ec);
  if (ec) p = std::filesystem::path(folder).lexically_normal();
  std::string s = p.string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

bool ReadVariant(DBusMessage* reply, int type, void* value) {
  DBusMessageIter it, inner;
  if (!dbus_message_iter_init(reply, &it) || dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_VARIANT) return false;
  dbus_message_iter_recurse(&it, &inner);
  if (dbus_message_iter_get_arg_type(&inner) != type) return false;
  dbus_message_iter_get_basic(&inner, value);
  return true;
}

}  // namespace

struct RunningTastor::Connection {
  DBusConnection* bus = nullptr;
  ~Connection() {
    if (bus == nullptr) return;
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
  }

  // Calls a method of the program's object; the reply, or nothing with the answer's error.
  Message Call(const char* interface, const char* method, const std::function<bool(DBusMessage*)>& arguments,
               int timeoutMs, Answer& answer) {
    Message call(dbus_message_new_method_call(kService, kPath, interface, method));
    if (!call || (arguments && !arguments(call.get()))) {
      answer = {false, DBUS_ERROR_NO_MEMORY, "the call could not be made"};
      return nullptr;
    }
    BusError error;
    Message reply(dbus_connection_send_with_reply_and_block(bus, call.get(), timeoutMs, error.get()));
    if (!reply) {
      answer = {false, error.Set() ? error.Name() : DBUS_ERROR_FAILED, error.Set() ? error.Message() : "no answer"};
      return nullptr;
    }
    answer = {true, {}, {}};
    return reply;
  }

  Message GetProperty(const char* name, Answer& answer) {
    return Call(
        kProperties, "Get",
        [name](DBusMessage* m) {
          const char* interface = kInterface;
          return dbus_message_append_args(m, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &name,
                                          DBUS_TYPE_INVALID) != 0;
        },
        kCallTimeoutMs, answer);
  }
};

RunningTastor::RunningTastor(std::unique_ptr<Connection> connection) : connection_(std::move(connection)) {}
RunningTastor::RunningTastor(RunningTastor&& other) noexcept = default;
RunningTastor::~RunningTastor() = default;

std::optional<RunningTastor> RunningTastor::Find(std::string& why) {
  const std::string address = SessionBusAddress();
  if (address.empty()) {
    why = "No session bus";
    return std::nullopt;
  }
  auto connection = std::make_unique<Connection>();
  BusError error;
  connection->bus = dbus_connection_open_private(address.c_str(), error.get());
  if (connection->bus == nullptr || !dbus_bus_register(connection->bus, error.get())) {
    why = "No session bus (" + error.Message() + ")";
    return std::nullopt;
  }
  dbus_connection_set_exit_on_disconnect(connection->bus, FALSE);
  if (!dbus_bus_name_has_owner(connection->bus, kService, error.get())) {
    why = error.Set() ? "The session bus cannot say whether Tastor runs (" + error.Message() + ")"
                      : "No Tastor runs on the session bus";
    return std::nullopt;
  }
  RunningTastor program(std::move(connection));
  Answer answer;
  Message folder = program.connection_->GetProperty("UserDataFolder", answer);
  const char* text = nullptr;
  if (!folder || !ReadVariant(folder.get(), DBUS_TYPE_STRING, &text)) {
    why = "The Tastor on the session bus does not say which files it uses (" + answer.message + ")";
    return std::nullopt;
  }
  program.userDataFolder_ = text;
  Message simulated = program.connection_->GetProperty("Simulated", answer);
  dbus_bool_t flag = FALSE;
  if (!simulated || !ReadVariant(simulated.get(), DBUS_TYPE_BOOLEAN, &flag)) {
    why = "The Tastor on the session bus does not say which keyboard it uses (" + answer.message + ")";
    return std::nullopt;
  }
  program.simulated_ = flag != 0;
  return program;
}

uint32_t RunningTastor::CurrentSlot() {
  Answer answer;
  Message reply = connection_->GetProperty("CurrentProfile", answer);
  dbus_uint32_t slot = 0;
  if (!reply || !ReadVariant(reply.get(), DBUS_TYPE_UINT32, &slot)) return 0;
  return slot;
}

std::vector<RunningTastor::ProfileButton> RunningTastor::Profiles() {
  std::vector<ProfileButton> buttons;
  Answer answer;
  Message reply = connection_->Call(kInterface, "ListProfiles", {}, kCallTimeoutMs, answer);
  DBusMessageIter it, array;
  if (!reply || !dbus_message_iter_init(reply.get(), &it) || dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_ARRAY) {
    return buttons;
  }
  dbus_message_iter_recurse(&it, &array);
  // Another process's answer: only well-formed entries, and no more than the buttons.
  while (dbus_message_iter_get_arg_type(&array) == DBUS_TYPE_STRUCT && buttons.size() < kSlots) {
    DBusMessageIter entry;
    dbus_message_iter_recurse(&array, &entry);
    ProfileButton button;
    const char* name = nullptr;
    if (dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_UINT32) {
      dbus_message_iter_get_basic(&entry, &button.slot);
      if (dbus_message_iter_next(&entry) && dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_STRING) {
        dbus_message_iter_get_basic(&entry, &name);
        button.name = name;
        buttons.push_back(std::move(button));
      }
    }
    dbus_message_iter_next(&array);
  }
  return buttons;
}

RunningTastor::Answer RunningTastor::SwitchProfile(uint32_t slot) {
  Answer answer;
  connection_->Call(
      kInterface, "SwitchProfile",
      [slot](DBusMessage* m) {
        const dbus_uint32_t value = slot;
        return dbus_message_append_args(m, DBUS_TYPE_UINT32, &value, DBUS_TYPE_INVALID) != 0;
      },
      kApplyTimeoutMs, answer);
  return answer;
}

RunningTastor::Answer RunningTastor::Apply() {
  Answer answer;
  connection_->Call(kInterface, "Apply", {}, kApplyTimeoutMs, answer);
  return answer;
}

bool RunningTastor::IsError(const Answer& answer, const char* name) {
  return !answer.ok && answer.errorName == std::string(kErrorPrefix) + name;
}

std::optional<int> ApplyThroughRunningProgram(CliContext& ctx) {
  // The options of "apply", already checked by its option list.
  const int position = ctx.options.Number("--profile", 0);
  const bool flagsGiven = ctx.options.Value("--flags").has_value();
  // The folder the command would work on, as start-up builds it.
  LoadProgramData(ctx);
  PrepareUserFolder(ctx);

  std::string why;
  std::optional<RunningTastor> program = RunningTastor::Find(why);
  if (!program) {
    std::printf("%s: applying directly.\n", why.c_str());
    return std::nullopt;
  }
  if (Comparable(program->UserDataFolder()) != Comparable(Paths().userDataFolder)) {
    std::printf("The running Tastor uses the files of %s: applying directly.\n", program->UserDataFolder().c_str());
    return std::nullopt;
  }
  if (program->Simulated() != ctx.simulate) {
    std::printf("The running Tastor talks to %s keyboard: applying directly.\n",
                program->Simulated() ? "the simulated" : "the real");
    return std::nullopt;
  }
  if (flagsGiven) {
    return Refuse("the running Tastor applies whole profiles: leave out --flags, or end Tastor first");
  }

  const RunningTastor::Answer answer = position != 0 ? program->SwitchProfile(static_cast<uint32_t>(position))
                                                     : program->Apply();
  const std::string which = position != 0 ? "profile " + std::to_string(position) : "the current profile";
  if (!answer.ok) {
    const std::string text = "the running Tastor did not apply " + which + ": " + answer.message;
    return RunningTastor::IsError(answer, "InvalidSlot") ? Refuse(text) : Fail(text);
  }
  const uint32_t slot = position != 0 ? static_cast<uint32_t>(position) : program->CurrentSlot();
  std::string name;
  for (const RunningTastor::ProfileButton& button : program->Profiles()) {
    if (button.slot == slot) name = button.name;
  }
  std::printf("Profile %u \"%s\" applied to the keyboard through the running Tastor.\n", slot, name.c_str());
  return 0;
}
