// SPDX-License-Identifier: GPL-2.0-or-later
// Key capture through the X11 RECORD extension. Two display connections are used, as the
// extension requires: one to create and end the recording context, one that delivers the
// recorded key events, pumped by a thread of its own from a select() loop. The thread is
// stopped through a pipe so that removehook never waits on a silent display.
#include "libs/taphook/taphook.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>

#include "platform/messages.h"
#include "platform/virtual_keys.h"

namespace {

struct Hook {
  Display* control = nullptr;
  Display* data = nullptr;
  XRecordContext context = 0;
  std::thread pump;
  int stopPipe[2] = {-1, -1};
};

std::mutex g_lifecycle;  // installhook and removehook
Hook* g_hook = nullptr;
std::atomic<int> g_status{0};
std::atomic<HWND> g_window{nullptr};

void OnRecorded(XPointer, XRecordInterceptData* recorded) {
  if (recorded->category == XRecordFromServer && recorded->data != nullptr) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(recorded->data);
    const int type = bytes[0] & 0x7F;
    const unsigned keycode = bytes[1];
    if (type == KeyPress || type == KeyRelease) {
      const uint8_t vk = VirtualKeyFromXKeycode(keycode);
      HWND window = g_window.load();
      if (vk != 0 && g_status.load() != 0 && window != nullptr && window->post != nullptr) {
        window->post(window, WM_HOOK_KEY, vk, type == KeyRelease ? 0x80 : 0);
      }
    }
  }
  XRecordFreeData(recorded);
}

// Enables the context on the data connection, tells installhook whether that worked, then
// delivers the recorded events until removehook writes to the stop pipe. installhook waits
// for the answer, so a removehook right after it never disables the context before it was
// enabled (the data connection would then wait for the recording forever when closed).
void Pump(Hook* hook, std::promise<bool>* enabled) {
  const bool ok = XRecordEnableContextAsync(hook->data, hook->context, OnRecorded, nullptr) != 0;
  enabled->set_value(ok);
  if (!ok) return;
  const int fd = ConnectionNumber(hook->data);
  for (;;) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {hook->stopPipe[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents != 0) break;
    if (fds[0].revents & (POLLERR | POLLHUP)) break;
    XRecordProcessReplies(hook->data);
  }
}

void Destroy(Hook* hook) {
  if (hook->context != 0) {
    XRecordDisableContext(hook->control, hook->context);
    XSync(hook->control, False);
  }
  if (hook->pump.joinable()) {
    const char stop = 1;
    [[maybe_unused]] const ssize_t n = ::write(hook->stopPipe[1], &stop, 1);
    hook->pump.join();
  }
  if (hook->context != 0) XRecordFreeContext(hook->control, hook->context);
  if (hook->data != nullptr) XCloseDisplay(hook->data);
  if (hook->control != nullptr) XCloseDisplay(hook->control);
  for (int fd : hook->stopPipe) {
    if (fd >= 0) ::close(fd);
  }
  delete hook;
}

}  // namespace

extern "C" int installhook(void) {
  std::lock_guard<std::mutex> lock(g_lifecycle);
  if (g_hook != nullptr) return 1;
  XInitThreads();
  auto* hook = new Hook;
  hook->control = XOpenDisplay(nullptr);
  hook->data = hook->control != nullptr ? XOpenDisplay(nullptr) : nullptr;
  int major = 0, minor = 0;
  if (hook->data == nullptr || !XRecordQueryVersion(hook->control, &major, &minor) ||
      ::pipe(hook->stopPipe) != 0) {
    Destroy(hook);
    return 0;
  }
  XRecordClientSpec clients = XRecordAllClients;
  XRecordRange* range = XRecordAllocRange();
  if (range == nullptr) {
    Destroy(hook);
    return 0;
  }
  range->device_events.first = KeyPress;
  range->device_events.last = KeyRelease;
  hook->context = XRecordCreateContext(hook->control, 0, &clients, 1, &range, 1);
  XFree(range);
  XSync(hook->control, False);
  if (hook->context == 0) {
    Destroy(hook);
    return 0;
  }
  std::promise<bool> enabled;
  std::future<bool> answer = enabled.get_future();
  hook->pump = std::thread(Pump, hook, &enabled);
  if (!answer.get()) {
    hook->pump.join();
    Destroy(hook);
    return 0;
  }
  g_hook = hook;
  return 1;
}

extern "C" int removehook(void) {
  std::lock_guard<std::mutex> lock(g_lifecycle);
  if (g_hook == nullptr) return 0;
  g_status.store(0);
  Destroy(g_hook);
  g_hook = nullptr;
  return 1;
}

extern "C" void SetHookStatus(int on) { g_status.store(on != 0 ? 1 : 0); }

extern "C" void SetReciveWindow(HWND window) { g_window.store(window); }
