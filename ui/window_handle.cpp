#include "ui/window_handle.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>
#include <deque>
#include <mutex>
#include <unordered_map>

#include "platform/messages.h"
#include "ui/window_message.h"

namespace {

struct Registry {
  std::mutex mutex;
  std::deque<TastorWindow> records;  // never shrinks: a stale handle stays readable
  std::unordered_map<HWND, QObject*> live;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // outlives every window, also at exit
  return *registry;
}

void Post(TastorWindow* self, unsigned msg, uintptr_t wParam, intptr_t lParam) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  const auto it = r.live.find(self);
  if (it == r.live.end()) return;
  QObject* target = it->second;
  if (msg == WM_CLOSE) {
    // Closing goes through the widget's own close(), which ends a modal run.
    QPointer<QObject> guard(target);
    QMetaObject::invokeMethod(
        target,
        [guard] {
          if (auto* widget = qobject_cast<QWidget*>(guard.data())) widget->close();
        },
        Qt::QueuedConnection);
    return;
  }
  // Posting is safe from any thread; the unregistering destructor takes the same lock, so
  // the target is alive here, and Qt drops the event if the target dies before delivery.
  QCoreApplication::postEvent(target, new WindowMessageEvent(msg, wParam, lParam));
}

}  // namespace

WindowHandle::WindowHandle(QObject* target) {
  Registry& r = TheRegistry();
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
