// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/window_handle.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <deque>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/messages.h"
#include "ui/window_message.h"

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
  QObject* courier = nullptr;
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

// The UI thread's end of the hand-over.
class WindowCourier : public QObject {
  Q_OBJECT

 public slots:
  void RunPending() { ::RunPending(TheRegistry()); }
};

namespace {

// The courier, made on first need (under the registry's lock). Windows are made on the UI
// thread, so the first window makes it there; one made by another thread is moved there.
QObject* Courier(Registry& r) {
  if (r.courier == nullptr) {
    r.courier = new WindowCourier;
    if (QCoreApplication* app = QCoreApplication::instance()) r.courier->moveToThread(app->thread());
  }
  return r.courier;
}

void HandOver(Registry& r, std::function<void()> task) {
  QObject* courier = nullptr;
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    Courier(r);
    r.pending.push_back(std::move(task));
    // One call of the courier runs everything waiting; only the first needs it.
    if (r.pending.size() == 1) courier = r.courier;
  }
  // Called by name, so the call is built inside Qt and carries nothing of this thread's.
  if (courier != nullptr) QMetaObject::invokeMethod(courier, "RunPending", Qt::QueuedConnection);
}

void Post(TastorWindow* self, unsigned msg, uintptr_t wParam, intptr_t lParam) {
  Registry& r = TheRegistry();
  if (OnUiThread()) {
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
    task();
    return;
  }
  HandOver(TheRegistry(), std::move(task));
}

WindowHandle::WindowHandle(QObject* target) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  Courier(r);
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
