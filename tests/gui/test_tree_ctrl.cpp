// SPDX-License-Identifier: GPL-2.0-or-later
// CTreeCtrlEx: clicks and what they tell the parent (the selected item sends nothing, the
// empty area sends 0, right clicks, the mouse switched off), folder marks and depth limit,
// tool tips over 20 characters, the event list's insertion next to an item, and the
// library scan filling the tree.
#include "tests/gui/controls_fixture.h"

#include <memory>

#include "controls/tree_ctrl_ex.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_scan.h"
#include "platform/messages.h"

using namespace controls_test;

namespace {

class TreeCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    skin_.Put("open.png", Solid(QSize(9, 9), 0xFF00FF00));
    skin_.Put("close.png", Solid(QSize(9, 9), 0xFFFF0000));
    skin_.Use();
    parent_.setGeometry(100, 100, 400, 300);
    parent_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent_));
    ASSERT_TRUE(tree_.Create(&parent_, 261, nullptr, "open.png", "close.png", QRect(10, 10, 200, 200)));
  }
  void TearDown() override { tree_.setParent(nullptr); }

  HTREEITEM Folder(HTREEITEM parent, const char16_t* name) {
    return tree_.InsertItem(parent, CTreeCtrlEx::ITEM_FOLDER, false, {}, name, 0, 0, 5);
  }
  HTREEITEM Macro(HTREEITEM parent, const char16_t* name, uint32_t id) {
    return tree_.InsertItem(parent, CTreeCtrlEx::ITEM_LEAF, false, {}, name, id, 0, 5);
  }
  QPoint Centre(HTREEITEM item) { return tree_.ItemRect(item).center(); }
  void Click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(tree_.viewport(), button, {}, at);
    Pump();
  }
  std::vector<MessageLog::Message> Clicks() { return parent_.Of(WM_TREE_CLICK); }

  Restore restore_;
  SkinFolder skin_;
  MessageLog parent_;
  CTreeCtrlEx tree_;
};

}  // namespace

TEST_F(TreeCtrlTest, LeftClicksReportAChangeOfSelectionOnly) {
  HTREEITEM a = Macro(tree_.Root(), u"Jump", 1);
  HTREEITEM b = Macro(tree_.Root(), u"Run", 2);
  Click(Centre(a));
  EXPECT_EQ(a, tree_.GetSelectedItem());
  ASSERT_EQ(1u, Clicks().size());
  EXPECT_EQ(261u, Clicks()[0].wParam);
  EXPECT_EQ(reinterpret_cast<intptr_t>(a), Clicks()[0].lParam);

  // The selected item again: nothing is sent.
  Click(Centre(a));
  EXPECT_EQ(1u, Clicks().size());

  Click(Centre(b));
  ASSERT_EQ(2u, Clicks().size());
  EXPECT_EQ(reinterpret_cast<intptr_t>(b), Clicks()[1].lParam);

  // The empty area clears the selection and says so with 0; a second time says nothing.
  Click(QPoint(50, 180));
  EXPECT_EQ(nullptr, tree_.GetSelectedItem());
  ASSERT_EQ(3u, Clicks().size());
  EXPECT_EQ(0, Clicks()[2].lParam);
  Click(QPoint(50, 180));
  EXPECT_EQ(3u, Clicks().size());

  // Every click is reported when the control is told to.
  tree_.SetNotifyOnChangeOnly(false);
  Click(QPoint(50, 180));
  EXPECT_EQ(4u, Clicks().size());
}

TEST_F(TreeCtrlTest, RightClicksSelectAndReportOnRelease) {
  HTREEITEM a = Macro(tree_.Root(), u"Jump", 1);
  QTest::mousePress(tree_.viewport(), Qt::RightButton, {}, Centre(a));
  Pump();
  EXPECT_TRUE(parent_.Of(WM_TREE_RCLICK).empty());
  QTest::mouseRelease(tree_.viewport(), Qt::RightButton, {}, Centre(a));
  Pump();
  ASSERT_EQ(1u, parent_.Of(WM_TREE_RCLICK).size());
  EXPECT_EQ(reinterpret_cast<intptr_t>(a), parent_.Of(WM_TREE_RCLICK)[0].lParam);
  EXPECT_EQ(a, tree_.GetSelectedItem());

  Click(QPoint(50, 180), Qt::RightButton);
  ASSERT_EQ(2u, parent_.Of(WM_TREE_RCLICK).size());
  EXPECT_EQ(0, parent_.Of(WM_TREE_RCLICK)[1].lParam);
  EXPECT_EQ(nullptr, tree_.GetSelectedItem());
  EXPECT_TRUE(Clicks().empty());
}

TEST_F(TreeCtrlTest, WithTheMouseOffButtonsDoNothing) {
  HTREEITEM a = Macro(tree_.Root(), u"Jump", 1);
  tree_.EnableMouse(false);
  Click(Centre(a));
  Click(Centre(a), Qt::RightButton);
  EXPECT_TRUE(parent_.received.empty());
  EXPECT_EQ(nullptr, tree_.GetSelectedItem());
  tree_.EnableMouse(true);
  Click(Centre(a));
  EXPECT_EQ(1u, Clicks().size());
}

TEST_F(TreeCtrlTest, FoldersOpenByTheirMarkOrADoubleClick) {
  HTREEITEM f = Folder(tree_.Root(), u"Games");
  HTREEITEM m = Macro(f, u"Jump", 1);
  EXPECT_TRUE(tree_.ItemRect(m).isEmpty());  // closed folders hide their items
  // A click on the mark opens it; one on the text only selects it.
  Click(QPoint(CTreeCtrlEx::kIndent / 2, Centre(f).y()));
  EXPECT_FALSE(tree_.ItemRect(m).isEmpty());
  Click(Centre(m));
  Click(QPoint(120, Centre(f).y()));
  EXPECT_FALSE(tree_.ItemRect(m).isEmpty());
  QTest::mouseDClick(tree_.viewport(), Qt::LeftButton, {}, QPoint(120, Centre(f).y()));
  EXPECT_TRUE(tree_.ItemRect(m).isEmpty());

  // The open mark is drawn for an open folder, the closed one otherwise.
  const QPoint markAt(CTreeCtrlEx::kIndent / 2, tree_.ItemRect(f).center().y());
  EXPECT_EQ(QColor(Qt::red).rgb(), tree_.viewport()->grab().toImage().pixel(markAt));
  tree_.Expand(f, true);
  EXPECT_EQ(QColor(Qt::green).rgb(), tree_.viewport()->grab().toImage().pixel(markAt));
}

TEST_F(TreeCtrlTest, FoldersNestSixDeepAndTakeMacrosAtEveryLevel) {
  HTREEITEM parent = tree_.Root();
  for (int level = 1; level <= 6; ++level) {
    parent = Folder(parent, u"Level");
    ASSERT_NE(nullptr, parent) << level;
    EXPECT_EQ(level - 1, tree_.Depth(parent));
  }
  // The sixth level has five folders above it: no further folder, but macros.
  EXPECT_EQ(nullptr, Folder(parent, u"Seventh"));
  EXPECT_NE(nullptr, Macro(parent, u"Deep", 7));
  // Items go only under folders and the top level.
  HTREEITEM m = Macro(tree_.Root(), u"Jump", 1);
  EXPECT_EQ(nullptr, Macro(m, u"Inner", 2));
  EXPECT_EQ(nullptr, Folder(nullptr, u"Nowhere"));
}

TEST_F(TreeCtrlTest, ToolTipsShowTextsLongerThanTwentyCharacters) {
  HTREEITEM shortItem = Macro(tree_.Root(), u"twenty characters!!!", 1);
  HTREEITEM longItem = Macro(tree_.Root(), u"twenty-one characters", 2);
  QTest::mouseMove(tree_.viewport(), Centre(shortItem));
  Pump();
  EXPECT_TRUE(tree_.TipText().empty());
  QTest::mouseMove(tree_.viewport(), Centre(longItem));
  Pump();
  EXPECT_EQ(u"twenty-one characters", tree_.TipText());
  QTest::mouseMove(tree_.viewport(), Centre(shortItem));
  Pump();
  EXPECT_TRUE(tree_.TipText().empty());
}

TEST_F(TreeCtrlTest, WalksLookupsAndRemovalKeepRecordsAndItemsTogether) {
  HTREEITEM f = Folder(tree_.Root(), u"Games");
  HTREEITEM g = Folder(f, u"Old");
  Macro(f, u"Jump", 1);
  Macro(g, u"Run", 2);
  Macro(tree_.Root(), u"Duck", 3);
  EXPECT_EQ(5, tree_.Count());
  EXPECT_TRUE(tree_.FindChild(f, u"JUMP"));
  EXPECT_FALSE(tree_.FindChild(tree_.Root(), u"Jump"));

  std::vector<std::u16string> order;
  tree_.Walk(tree_.Root(), [&](HTREEITEM, CTreeCtrlEx::ItemData&, const std::u16string& text) {
    order.push_back(text);
    return false;
  }, true);
  EXPECT_EQ((std::vector<std::u16string>{u"Run", u"Old", u"Jump", u"Games", u"Duck"}), order);

  const MacroItemPath path = tree_.ItemPath(tree_.Children(g)[0]);
  EXPECT_EQ((std::vector<std::u16string>{u"Games", u"Old", u"Run"}), path.names);
  EXPECT_FALSE(path.isFolder);
  EXPECT_EQ(2u, path.macroId);

  tree_.SelectItem(tree_.Children(g)[0]);
  EXPECT_EQ((std::vector<uint32_t>{2, 1}), tree_.RemoveSubtree(f));
  EXPECT_EQ(1, tree_.Count());
  EXPECT_EQ(nullptr, tree_.GetSelectedItem());
  EXPECT_FALSE(tree_.IsItem(g));
  tree_.DeleteAllItems();
  EXPECT_EQ(0, tree_.Count());
}

TEST_F(TreeCtrlTest, EventItemsGoRightBeforeOrAfterAnItem) {
  HTREEITEM a = tree_.AppendLeaf(nullptr, u"A", 'A', CTreeCtrlEx::EVENT_PRESS);
  HTREEITEM c = tree_.AppendLeaf(nullptr, u"C", 'C', CTreeCtrlEx::EVENT_PRESS);
  tree_.InsertItemNextTo(c, true, nullptr, u"B", 'B', CTreeCtrlEx::EVENT_PRESS);
  tree_.InsertItemNextTo(a, true, nullptr, u"first", 1, CTreeCtrlEx::EVENT_PRESS);
  tree_.InsertItemNextTo(c, false, nullptr, u"last", 2, CTreeCtrlEx::EVENT_PRESS);
  EXPECT_EQ(nullptr, tree_.InsertItemNextTo(tree_.Root(), true, nullptr, u"x", 0, 0));
  EXPECT_EQ(nullptr, tree_.InsertItemNextTo(nullptr, true, nullptr, u"x", 0, 0));
  std::vector<std::u16string> texts;
  for (HTREEITEM item : tree_.Children(tree_.Root())) texts.push_back(tree_.GetItemText(item));
  EXPECT_EQ((std::vector<std::u16string>{u"first", u"A", u"B", u"C", u"last"}), texts);
}

TEST_F(TreeCtrlTest, TheLibraryScanFillsTheTreeWithFoldersIconsAndMacros) {
  TempDir mac;
  MacroRecord record = MakeDefaultMacro(0x1234, u"x");
  const auto image = MacroFileImage(record);
  const std::string bytes(image.begin(), image.end());
  mac.Write("Jump.Run.mck", bytes);
  mac.Write("Games/Duck.mck", bytes);
  QImage icon = Solid(QSize(16, 16), 0xFF0000FF);
  ASSERT_TRUE(icon.save(QString::fromStdString(mac.path() + "Games/Games.png")));

  MacroScanContext scan;
  scan.tree = &tree_;
  scan.foldersEnabled = true;
  ASSERT_EQ(1, ScanMacroFolder(mac.path(), scan));
  EXPECT_EQ(3, tree_.Count());
  HTREEITEM games = nullptr;
  for (HTREEITEM item : tree_.Children(tree_.Root())) {
    if (tree_.IsFolder(item)) games = item;
    else EXPECT_EQ(u"Jump.Run", tree_.GetItemText(item));
  }
  ASSERT_NE(nullptr, games);
  EXPECT_TRUE(tree_.HasIcon(games));
  EXPECT_TRUE(tree_.HasIcon(tree_.Root()));
  ASSERT_EQ(1u, tree_.Children(games).size());
  EXPECT_EQ(0x1234u, tree_.FindData(tree_.Children(games)[0])->value);
  EXPECT_FALSE(tree_.HasIcon(tree_.Children(games)[0]));
}
