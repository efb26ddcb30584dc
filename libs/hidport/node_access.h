// SPDX-License-Identifier: GPL-2.0-or-later
// Which hidraw nodes of the keyboard the logged-in user is given: only those that carry
// the interfaces the program opens (a top-level application collection of the vendor page
// 0xFF00 with usage 1, or consumer control, page 12 usage 1) and nothing that can deliver
// keys. Whoever reads a node that delivers keys reads every key typed, so such a node stays
// root-only: a keyboard or keypad collection at any depth, an input field of the keyboard
// page 7, an input field of any page but consumer or vendor (0xFF00-0xFFFF), and a
// descriptor that cannot be read whole (cut, malformed, longer than the kernel's 4096
// bytes). tastor-udev-probe prints the verdict for udev, tastor-cli devices for the nodes
// the user cannot open; the tests and the fuzz target check this one function.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace hidport {

enum class NodeRole {
  kVendor,      // a vendor interface of the program (0xFF00, usage 1)
  kConsumer,    // the consumer-control interface (12, usage 1)
  kTyping,      // may deliver keys (see above): never granted
  kOther,       // nothing the program opens, or input of another page
  kUnreadable,  // empty, truncated or malformed descriptor
};

struct NodeVerdict {
  NodeRole role = NodeRole::kUnreadable;
  bool grant = false;  // give the seat's user access
  std::string reason;  // one line for the log
};

NodeVerdict ClassifyNode(std::span<const uint8_t> descriptor);

// "vendor", "consumer", "typing", "other", "unreadable".
const char* NodeRoleName(NodeRole role);

}  // namespace hidport
