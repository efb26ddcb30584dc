// SPDX-License-Identifier: GPL-2.0-or-later
// Which hidraw nodes of the keyboard the logged-in user is given: only those that carry
// the interfaces the program opens (the vendor page 0xFF00 with usage 1, or consumer
// control, page 12 usage 1). A node that also carries a keyboard or keypad collection is
// the typing interface: whoever reads it reads every key typed, so it stays root-only,
// and so does a node whose descriptor cannot be read whole. tastor-udev-probe prints the
// verdict for udev; the same function is what the tests check.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace hidport {

enum class NodeRole {
  kVendor,      // a vendor interface of the program (0xFF00, usage 1)
  kConsumer,    // the consumer-control interface (12, usage 1)
  kTyping,      // a keyboard or keypad collection (1, usage 6 or 7): never granted
  kOther,       // nothing the program opens
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
