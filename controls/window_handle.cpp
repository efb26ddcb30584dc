// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/window_handle.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QWidget>
#include <sys/eventfd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "base/stored_file.h"
#include "controls/window_message.h"
#include "platform/messages.h"

namespace {

struct Registry {
  std::mutex mutex;
  std::deque<TastorWindow> records;  // never shrinks: a stale handle stays readable
  std::unordered_map<HWND, QObject*> live;
  // Work of other threads for the UI thread (their messages, the window port's calls) is
  // handed over here, under the mutex, and run there by the courier; nothing the other
  // thread builds is read by the UI thread except through the mutex (which the thread
  // checker sees, unlike the inside of Qt's event queue).
  std::vector<std::function<void()>> pending;
  // The other threads wake the UI thread by writing to this eventfd, never by calling into
  // Qt; the courier's notifier on the UI thread watches it.
  UniqueFd wake{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
  QObject* courier = nullptr;  // made on the UI thread only
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // outlives every window, also at exit
  return *registry;
}

// Delivers a message on the UI thread. WM_CLOSE goes through the widget's own close(),
// which ends a modal run; any other message becomes a Qt event, which Qt drops if the
// target dies before delivery.
void Deliver(Registry& r, HWND window, unsigned msg, uintptr_t wParam, intptr_t lParam) {
  std::lock_guard<std::mutex> lock(r.mutex);
  const auto it = r.live.find(window);
  if (it == r.live.end()) return;
  QObject* target = it->second;
  if (msg == WM_CLOSE) {
    QPointer<QObject> guard(target);
    QMetaObject::invokeMethod(
        target,
        [guard] {
          if (auto* widget = qobject_cast<QWidget*>(guard.data())) widget->close();
        },
        Qt::QueuedConnection);
    return;
  }
  QCoreApplication::postEvent(target, new WindowMessageEvent(msg, wParam, lParam));
}

bool OnUiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app == nullptr || QThread::currentThread() == app->thread();
}

// Runs what other threads have handed over, in their order.
void RunPending(Registry& r) {
  std::vector<std::function<void()>> batch;
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    batch.swap(r.pending);
  }
  for (const auto& task : batch) task();
}

}  // namespace

// The UI thread's end of the hand-over: a notifier on the registry's eventfd. The wake is
// read before the batch is taken, so a task handed over after the take writes a new wake.
class WindowCourier : public QObject {
  Q_OBJECT

 public:
  explicit WindowCourier(int wakeFd) : notifier_(wakeFd, QSocketNotifier::Read, this) {
    connect(&notifier_, &QSocketNotifier::activated, this, &WindowCourier::RunPending);
  }

 public slots:
  void RunPending() {
    Registry& r = TheRegistry();
    eventfd_t count = 0;
    while (::eventfd_read(r.wake.Get(), &count) != 0 && errno == EINTR) {
    }
    ::RunPending(r);
  }

 private:
  QSocketNotifier notifier_;
};

namespace {

// Makes the courier on the UI thread, once there is an application to run it. Windows are
// made on the UI thread, so the first window makes it; work handed over before that waits
// in the registry, and the eventfd already holds its wake.
void EnsureCourier(Registry& r) {
  std::lock_guard<std::mutex> lock(r.mutex);
  if (r.courier != nullptr || !r.wake.Valid()) return;
  const QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() != app->thread()) return;
  r.courier = new WindowCourier(r.wake.Get());
}

// Called by another thread: the task waits in the registry and the UI thread is woken
// through the eventfd, so this thread calls nothing of Qt's.
void HandOver(Registry& r, std::function<void()> task) {
  std::lock_guard<std::mutex> lock(r.mutex);
  r.pending.push_back(std::move(task));
  // One run of the courier takes everything waiting; only the first needs a wake.
  if (r.pending.size() != 1) return;
  while (::eventfd_write(r.wake.Get(), 1) != 0) {
    if (errno == EINTR) continue;
    // Only without an eventfd (none could be made); the task then runs with the UI
    // thread's next post.
    std::fprintf(stderr, "tastor: cannot wake the UI thread: %s\n", std::strerror(errno));
    break;
  }
}

void Post(TastorWindow* self, unsigned msg, uintptr_t wParam, intptr_t lParam) {
  Registry& r = TheRegistry();
  if (OnUiThread()) {
    EnsureCourier(r);
    // What other threads handed over before comes first: a message of the UI thread may
    // answer one of theirs that has not been delivered yet.
    RunPending(r);
    Deliver(r, self, msg, wParam, lParam);
    return;
  }
  // A window gone by then drops the message at delivery.
  HandOver(r, [&r, self, msg, wParam, lParam] { Deliver(r, self, msg, wParam, lParam); });
}

}  // namespace

void WindowHandle::RunOnUiThread(std::function<void()> task) {
  if (OnUiThread()) {
    EnsureCourier(TheRegistry());
    task();
    return;
  }
  HandOver(TheRegistry(), std::move(task));
}

WindowHandle::WindowHandle(QObject* target) {
  Registry& r = TheRegistry();
  EnsureCourier(r);
  std::lock_guard<std::mutex> lock(r.mutex);
  r.records.push_back(TastorWindow{Post});
  hwnd_ = &r.records.back();
  r.live.emplace(hwnd_, target);
}

WindowHandle::~WindowHandle() {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.live.erase(hwnd_);
}

QObject* WindowHandle::TargetOf(HWND hwnd) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  const auto it = r.live.find(hwnd);
  return it == r.live.end() ? nullptr : it->second;
}

HWND WindowHandle::HandleOf(const QObject* target) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (const auto& [hwnd, object] : r.live) {
    if (object == target) return hwnd;
  }
  return nullptr;
}

#include "window_handle.moc"
