// SPDX-License-Identifier: GPL-2.0-or-later
// CMyList: the program's list of item pointers, in one of two modes. In the owning mode
// (16) removing a node hands the item to the destroy callback, when one is set, and then
// frees it; in the referring mode (17, the mode after construction) the list never frees
// its items. Items keep their address while they are in the list.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>

enum : int32_t {
  kListOwnsItems = 16,
  kListRefersToItems = 17,
};

template <typename T>
class CMyList {
 public:
  using DestroyFn = std::function<void(T*)>;
  using Node = typename std::list<T*>::iterator;
  using ConstNode = typename std::list<T*>::const_iterator;

  CMyList() = default;
  ~CMyList() { RemoveAll(); }
  CMyList(const CMyList&) = delete;
  CMyList& operator=(const CMyList&) = delete;

  // Sets the ownership mode and the destroy callback (empty for none).
  void SetMode(int32_t mode, DestroyFn destroy = {}) {
    mode_ = mode;
    destroy_ = std::move(destroy);
  }
  int32_t Mode() const { return mode_; }
  int32_t Count() const { return static_cast<int32_t>(nodes_.size()); }
  bool Empty() const { return nodes_.empty(); }

  // Appends at the tail; false only when the node cannot be allocated.
  bool Append(T* item) {
    try {
      nodes_.push_back(item);
      return true;
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  // Appends an item the list is to own (owning mode); the item is freed by the list.
  T* Append(std::unique_ptr<T> item) {
    T* raw = item.get();
    if (!Append(raw)) return nullptr;
    item.release();
    return raw;
  }

  // Unlinks the node and applies the ownership rule to its item.
  void Remove(Node node) {
    T* item = *node;
    nodes_.erase(node);
    Dispose(item);
  }
  // Puts an item the list is to own in the node's place (owning mode); the item that was
  // there goes by the ownership rule. Null when the item is empty.
  T* Replace(Node node, std::unique_ptr<T> item) {
    if (!item) return nullptr;
    T* old = *node;
    *node = item.release();
    Dispose(old);
    return *node;
  }
  // Removes every node from the head.
  void RemoveAll() {
    while (!nodes_.empty()) Remove(nodes_.begin());
  }

  Node begin() { return nodes_.begin(); }
  Node end() { return nodes_.end(); }
  ConstNode begin() const { return nodes_.begin(); }
  ConstNode end() const { return nodes_.end(); }
  T* Head() const { return nodes_.empty() ? nullptr : nodes_.front(); }
  T* Tail() const { return nodes_.empty() ? nullptr : nodes_.back(); }

 private:
  void Dispose(T* item) {
    if (mode_ != kListOwnsItems) return;
    if (destroy_) destroy_(item);
    delete item;
  }

  int32_t mode_ = kListRefersToItems;
  DestroyFn destroy_;
  std::list<T*> nodes_;
};
