// SPDX-License-Identifier: GPL-2.0-or-later
// Key numbers of the input layer to the program's virtual-key codes.
#include <gtest/gtest.h>

#include "platform/virtual_keys.h"

TEST(VirtualKeys, ModifiersKeypadAndInternationalKeys) {
  EXPECT_EQ('A', VirtualKeyFromXKeycode(38));
  EXPECT_EQ(VK_LSHIFT, VirtualKeyFromXKeycode(50));
  EXPECT_EQ(VK_RSHIFT, VirtualKeyFromXKeycode(62));
  EXPECT_EQ(VK_RCONTROL, VirtualKeyFromXKeycode(105));
  EXPECT_EQ(VK_TASTOR_KP_ENTER, VirtualKeyFromXKeycode(104));
  EXPECT_EQ(VK_RETURN, VirtualKeyFromEvdev(28));
  EXPECT_EQ(VK_RMENU, VirtualKeyFromEvdev(100));
  EXPECT_EQ(VK_OEM_102, VirtualKeyFromEvdev(86));
  EXPECT_EQ(VK_TASTOR_RO, VirtualKeyFromEvdev(89));
  EXPECT_EQ(0, VirtualKeyFromEvdev(0));
  EXPECT_EQ(0, VirtualKeyFromEvdev(1000));
  EXPECT_EQ(0, VirtualKeyFromXKeycode(3));
  EXPECT_EQ(30u, EvdevFromVirtualKey('A'));
  EXPECT_EQ(0u, EvdevFromVirtualKey(0xFF));
}
