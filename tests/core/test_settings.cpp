// SPDX-License-Identifier: GPL-2.0-or-later
// Reading cfg.ini: defaults, value syntaxes, messages and the key table.
#include <gtest/gtest.h>

#include "app/paths.h"
#include "app/startup.h"
#include "base/ini_reader.h"
#include "base/settings.h"
#include "device/usb_driver.h"
#include "macro/macro_limits.h"
#include "model/key_names.h"
#include "platform/keyboard_layout.h"
#include "platform/special_folders.h"
#include "tests/support/test_support.h"
#include "text/utf.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  // Loads a cfg.ini made of the given lines under [OPT] (plus appdir, so that the
  // "APPDATA=NULL" box does not show in every test) and an optional [KEY] section.
  AppSettings Load(const std::string& opt, const std::string& keys = "", bool withAppdir = true) {
    std::string text = "[OPT]\n";
    if (withAppdir) text += "appdir=Tastor\n";
    text += opt + "\n[KEY]\n" + keys;
    dir_.Write("cfg.ini", text);
    AppSettings s;
    EXPECT_EQ(1, LoadSettings(dir_.path(), s));
    return s;
  }
  TempDir dir_;
  RecordingWindowPort port_;
};

// Settings are values: two cfg.ini files read side by side in one process each keep their
// own key names, user data folder and keyboard identity.
TEST_F(SettingsTest, TwoSettingsFilesServeSideBySide) {
  TempDir other;
  dir_.Write("cfg.ini", "[OPT]\nappdir=TastorA\nKbType=0\nVID=0x2F68\nPID=0x0A17\n");
  other.Write("cfg.ini", "[OPT]\nappdir=TastorB\nKbType=1\nVID=0x1234\nPID=0x0001\n");
  AppSettings first, second;
  ASSERT_EQ(1, LoadSettings(dir_.path(), first));
  ASSERT_EQ(1, LoadSettings(other.path(), second));
  EXPECT_TRUE(port_.boxes.empty());

  SetKeyboardLayout(&UsKeyboardLayout());
  // KbType 1 is the layout variant that swaps the names of Y and Z.
  EXPECT_EQ(u"Y", KeyName(0x59, KeyNaming::For(first)));
  EXPECT_EQ(u"Z", KeyName(0x59, KeyNaming::For(second)));
  EXPECT_EQ(u"Y", KeyName(0x59, KeyNaming::For(first)));
  SetKeyboardLayout(nullptr);

  EXPECT_EQ(u"VID_2F68&PID_0A17", DeviceIdString(first));
  EXPECT_EQ(u"VID_1234&PID_0001", DeviceIdString(second));

  const std::string saved = Paths().userDataFolder;
  MakeUserDataFolder(first);
  EXPECT_EQ(AppDataFolder() + "/TastorA/", Paths().userDataFolder);
  MakeUserDataFolder(second);
  EXPECT_EQ(AppDataFolder() + "/TastorB/", Paths().userDataFolder);
  EXPECT_TRUE(PathFileExists(AppDataFolder() + "/TastorA/"));
  Paths().userDataFolder = saved;
}

TEST_F(SettingsTest, MissingFileGivesEveryDefault) {
  AppSettings s;
  std::string problem;
  ASSERT_EQ(1, LoadSettings(dir_.path(), s, &problem));
  // No message box: the caller reports the file that is not there.
  EXPECT_EQ("No such file or directory", problem);
  EXPECT_TRUE(port_.boxes.empty());

  EXPECT_EQ(0, s.KeyTable.count);
  EXPECT_EQ(0u, s.KeyTable.keys[0].code);
  EXPECT_EQ(0, s.VID);
  EXPECT_EQ(0, s.PID);
  EXPECT_EQ(350, s.Macro_Opt_X);
  EXPECT_EQ(2, s.TrayIcon);
  EXPECT_EQ(192, s.MacroBufferSize);
  EXPECT_EQ((Rect{30, 76, 180, 326}), s.rcMacroList);
  EXPECT_EQ((Rect{295, 180, 969, 365}), s.rcKB);
  EXPECT_EQ((Rect{19, 247, 261, 501}), s.rcLED);
  EXPECT_EQ((Point{933, 29}), s.ptExit);
  EXPECT_EQ((Point{0, 5}), s.LightVal);
  EXPECT_EQ((Point{1, 5}), s.SpeedVal);
  EXPECT_EQ(0xFFFFFFu, s.clrGaoshou);
  EXPECT_EQ(0x0000FFu, s.ClrKeyOv);
  EXPECT_EQ(0x0000FFu, s.ClrKeyHasFunc);
  EXPECT_EQ(0u, s.Txt_clr);
  EXPECT_EQ(30, s.ModesCount);
  EXPECT_EQ(29, s.Modes[29]);
  EXPECT_EQ(6, s.LightPercentageCount);
  EXPECT_EQ(100, s.LightPercentage[5]);
  EXPECT_EQ((std::array<uint8_t, 3>{0, 4, 5}), s.LEDParam);
  // Lighting modes: codes 1..30, no speed for the first two, no brightness for 4..7.
  EXPECT_EQ((LedModeEntry{1, 0, 1}), s.LedModeTable[0]);
  EXPECT_EQ((LedModeEntry{2, 0, 1}), s.LedModeTable[1]);
  EXPECT_EQ((LedModeEntry{5, 1, 0}), s.LedModeTable[4]);
  EXPECT_EQ((LedModeEntry{8, 1, 0}), s.LedModeTable[7]);
  EXPECT_EQ((LedModeEntry{30, 1, 1}), s.LedModeTable[29]);
  EXPECT_FALSE(s.UnRectKey.Used());
}

TEST_F(SettingsTest, IntegersFollowTheProfileRules) {
  const AppSettings s = Load(
      "Debug=0\nSuwnd=-3\nMatchStr=12abc\nBtnTips=abc\nApplyNow=\nKbType=0x2\n"
      "VID=70000\nTrayIcon=65537\nlistTRANS=7\nListTrans=9\nmacro_opt_x = 400 ");
  EXPECT_EQ(-3, s.Suwnd);
  EXPECT_EQ(12, s.MatchStr);         // trailing text ignored
  EXPECT_EQ(0, s.BtnTips);           // no number: 0, not the default
  EXPECT_EQ(0, s.ApplyNow);          // empty value: the default
  EXPECT_EQ(2, s.KbType);            // a hexadecimal prefix is understood
  EXPECT_EQ(70000 & 0xFFFF, s.VID);  // 16-bit values keep their low bits
  EXPECT_EQ(1, s.TrayIcon);
  EXPECT_EQ(7, s.ListTrans);         // names ignore case; the first occurrence wins
  EXPECT_EQ(400, s.Macro_Opt_X);
  EXPECT_TRUE(port_.boxes.empty());
}

TEST_F(SettingsTest, StringsAreTrimmedUnquotedAndCut) {
  const AppSettings s = Load(
      "Title=  \"My Keyboard\"  \nUSBString='Gaming Board'\n"
      "FontName=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\n");
  EXPECT_EQ(u"My Keyboard", s.Title);
  EXPECT_EQ(u"Gaming Board", s.USBString);
  EXPECT_EQ(29u, s.FontName.size());  // a buffer of 30 keeps 29 characters
  EXPECT_EQ(u"Tastor", s.appdir);
}

TEST_F(SettingsTest, RectanglesAndPoints) {
  const AppSettings s = Load(
      "rcKB=10, 20, 300, 100\nrcWeb=10, 20, 300, 100\nrcLED=1,2,3\nrcMacroList=\n"
      "rcKeyList=5,6,7,8,9\nptMin=800, 10\nptProfile=7\nptMacro=4,5 \n");
  EXPECT_EQ((Rect{10, 20, 310, 120}), s.rcKB);    // x, y, width, height
  EXPECT_EQ((Rect{10, 20, 300, 100}), s.rcWeb);   // left, top, right, bottom
  EXPECT_EQ((Rect{19, 247, 261, 501}), s.rcLED);  // three values: default kept
  EXPECT_EQ((Rect{30, 76, 180, 326}), s.rcMacroList);
  EXPECT_EQ((Rect{5, 6, 7, 8}), s.rcKeyList);     // values beyond four are ignored
  EXPECT_EQ((Point{821, 10}), s.ptExit);          // no ptExit: ptMin moved 21 right
  EXPECT_EQ((Point{33, 49}), s.ptProfile);
  EXPECT_EQ((Point{4, 5}), s.ptMacro);            // surrounding blanks are trimmed off
  EXPECT_EQ((std::vector<std::u16string>{u"Wrong rect num", u"Wrong POINT num"}), port_.Texts());
}

TEST_F(SettingsTest, MalformedExitPointFallsBackToMinimisePlusTwentyOne) {
  const AppSettings s = Load("ptMin=700, 12\nptExit=x\n");
  EXPECT_EQ((Point{721, 12}), s.ptExit);
  EXPECT_EQ((std::vector<std::u16string>{u"Wrong POINT num"}), port_.Texts());
}

TEST_F(SettingsTest, ModesAndPercentages) {
  EXPECT_EQ(30, Load("Modes=abc").ModesCount);
  EXPECT_EQ(7, Load("Modes=abc").Modes[7]);
  const AppSettings s = Load("Modes=3, 1, x, 5\nLightPercentage=10,50\n");
  EXPECT_EQ(2, s.ModesCount);
  EXPECT_EQ(3, s.Modes[0]);
  EXPECT_EQ(1, s.Modes[1]);
  EXPECT_EQ(0, s.Modes[2]);
  EXPECT_EQ(2, s.LightPercentageCount);
  EXPECT_EQ(50, s.LightPercentage[1]);
  EXPECT_EQ(0, s.LightPercentage[2]);
}

TEST_F(SettingsTest, ColoursInheritMissingComponents) {
  const AppSettings s = Load(
      "clrGaoshou=255, 0, 0\nTxt_clr=10, 20, 30\nBtn_txt_clr_nr=40\nBtn_txt_clr_ov=\n"
      "Btn_txt_clr_dn=50, 60\nMenu_txt_clr_nr=1,2,3,4\nClrKeyOv=\n");
  EXPECT_EQ(0x0000FFu, s.clrGaoshou);
  EXPECT_EQ(RGB(10, 20, 30), s.Txt_clr);
  EXPECT_EQ(RGB(40, 20, 30), s.Btn_txt_clr_nr);
  EXPECT_EQ(0u, s.Btn_txt_clr_ov);  // empty: the default, and nothing inherited from it
  EXPECT_EQ(RGB(50, 60, 30), s.Btn_txt_clr_dn);
  EXPECT_EQ(RGB(1, 2, 3), s.Menu_txt_clr_nr);
  EXPECT_EQ(0x0000FFu, s.ClrKeyOv);
  // A colour key before any had a value takes 0 for its missing components.
  EXPECT_EQ(RGB(9, 0, 0), Load("Txt_clr=9").Txt_clr);
  EXPECT_EQ(0xFFFFFFu, Load("").clrGaoshou);
}

TEST_F(SettingsTest, LightingModesGameSetsAndLists) {
  const AppSettings s = Load(
      "LedOpt2=7, 1\nLedOpt30=9,0,0,5,5\nLedOpt3=\nGaoshouKey3=41, 0x57, 1G\n"
      "GaoshouKey15=A0\nKeyNotSet=FA,5B\nLEDParam=2\nDefSpeed=3\nDefLight=4\n");
  EXPECT_EQ((LedModeEntry{7, 1, 0}), s.LedModeTable[1]);   // a missing value gives 0
  EXPECT_EQ((LedModeEntry{9, 0, 0}), s.LedModeTable[29]);
  EXPECT_EQ((LedModeEntry{3, 1, 1}), s.LedModeTable[2]);   // empty: the built-in entry
  EXPECT_EQ(0x41, s.GameKeySets[2][0]);
  EXPECT_EQ(0x57, s.GameKeySets[2][1]);
  EXPECT_EQ(0, s.GameKeySets[2][2]);                       // "1G" ends the list
  EXPECT_EQ(0xA0, s.GameKeySets[14][0]);
  EXPECT_EQ((std::array<uint8_t, 4>{0xFA, 0x5B, 0, 0}), s.KeyNotSet);
  EXPECT_EQ((std::array<uint8_t, 3>{2, 0, 0}), s.LEDParam);  // one value read: used alone
  EXPECT_EQ((std::array<uint8_t, 3>{0, 3, 4}), Load("DefSpeed=3\nDefLight=4").LEDParam);
}

TEST_F(SettingsTest, UnRectKeyOutline) {
  // Eight values are not enough to count as an outline.
  EXPECT_FALSE(Load("UnRectKey=60, 1,1, 5,1, 5,5, 1").UnRectKey.Used());
  const AppSettings closed = Load("UnRectKey=60, 10,10, 50,10, 50,40, 10,10, 0,0, 99,99");
  EXPECT_TRUE(closed.UnRectKey.Used());
  EXPECT_EQ(60, closed.UnRectKey.MatrixPosition());
  EXPECT_EQ((std::vector<Point>{{10, 10}, {50, 10}, {50, 40}, {10, 10}}), closed.UnRectKey.Corners());
  EXPECT_TRUE(port_.boxes.empty());

  const AppSettings open = Load("UnRectKey=60, 10,10, 50,10, 50,40, 20,40");
  EXPECT_EQ(4u, open.UnRectKey.Corners().size());  // kept anyway
  ASSERT_EQ(1u, port_.boxes.size());
  EXPECT_EQ(u"EnterPt[0]!=EnterPt[Last] ", port_.boxes[0].text);
  EXPECT_EQ(u"Error", port_.boxes[0].caption);
}

TEST_F(SettingsTest, KeyTableEndsAtTheFirstMissingKey) {
  const AppSettings s = Load("",
                             "K1=0,0,10,10,2,41,0,1\nK2=0,0,10,10,2,42,0,2\nK3=0,0,10,10,2,43,0,3\n"
                             "K4=0,0,10,10,2,44,0,4\nK5=0,0,10,10,2,45,0,5\nK7=0,0,10,10,2,46,0,6\n");
  EXPECT_EQ(5, s.KeyTable.count);
  EXPECT_EQ(0u, s.KeyTable.keys[5].code);
}

TEST_F(SettingsTest, BadMatrixPositionDropsTheLineAndReusesItsSlot) {
  const AppSettings s = Load("",
                             "K1=1,2,3,4,2,41,0,7\nK2=5,6,7,8,2,42,0,130\nK3=9,10,11,12,2,43,0,8\n");
  ASSERT_EQ(2, s.KeyTable.count);
  EXPECT_EQ(0x43, s.KeyTable.keys[1].key1);
  EXPECT_EQ(8, s.KeyTable.keys[1].matrixPos);
  EXPECT_EQ((Rect{9, 10, 11, 12}), s.KeyTable.keys[1].rect);
  ASSERT_EQ(1u, port_.boxes.size());
  EXPECT_EQ(u"Wrong matrix index value!", port_.boxes[0].text);
  EXPECT_EQ(u"Warning", port_.boxes[0].caption);
}

TEST_F(SettingsTest, KeyTableHoldsAtMost126Keys) {
  std::string keys;
  for (int n = 1; n <= 130; ++n) keys += "K" + std::to_string(n) + "=0,0,1,1,2,41,0," + std::to_string(n % 126) + "\n";
  EXPECT_EQ(126, Load("", keys).KeyTable.count);
}

TEST_F(SettingsTest, KeyKindsAndModifierFolding) {
  const AppSettings s = Load("",
                             "K1=0,0,1,1,2,A0,0,0\n"      // left shift alone
                             "K2=0,0,1,1,2,A5,1,1\n"      // right alt added to left ctrl
                             "K3=0,0,1,1,2,5C,0,2\n"      // right Windows key
                             "K4=0,0,1,1,2,11,0,3\n"      // control counts as left control
                             "K5=0,0,1,1,2,41,3,4\n"      // A with left ctrl + left shift
                             "K6=0,0,1,1,1,11,FF,5\n"     // mouse left click
                             "K7=0,0,1,1,4,1234567,0,6\n" // only 24 bits of the value
                             "K8=0,0,1,1,2,FA,0,7\n");    // Fn
  const auto& k = s.KeyTable.keys;
  EXPECT_EQ(0x020000A0u, k[0].code);
  EXPECT_EQ(0, k[0].key1);
  EXPECT_EQ(MOD_LSHIFT, k[0].modifiers);
  EXPECT_EQ(MOD_LCTRL | MOD_RALT, k[1].modifiers);
  EXPECT_EQ(MOD_RWIN, k[2].modifiers);
  EXPECT_EQ(MOD_LCTRL, k[3].modifiers);
  EXPECT_EQ(0x41, k[4].key1);
  EXPECT_EQ(0x03, k[4].modifiers);
  EXPECT_EQ(0x01000011u, k[5].code);
  EXPECT_EQ(0, k[5].modifiers);  // modifiers belong to kind 2 only
  EXPECT_EQ(0x04234567u, k[6].code);
  EXPECT_EQ(250, k[7].key1);
  EXPECT_EQ(7, k[7].matrixPos);
}

TEST_F(SettingsTest, ParseErrorKeepsValuesOfThePreviousLine) {
  const AppSettings s = Load("",
                             "K1=1,2,3,4,2,41,0,9\n"
                             "K2=5,6,x,8,2,42,0,10\n"   // stops at the third piece
                             "K3=7,8,9,10\n");          // only a rectangle: the rest carries over
  ASSERT_EQ(3, s.KeyTable.count);
  const auto& k = s.KeyTable.keys;
  EXPECT_EQ((Rect{5, 6, 3, 4}), k[1].rect);
  EXPECT_EQ(0x41, k[1].key1);
  EXPECT_EQ(9, k[1].matrixPos);  // shares its position with K1: the matrix decides later
  EXPECT_EQ((Rect{7, 8, 9, 10}), k[2].rect);
  EXPECT_EQ(0x41, k[2].key1);
  EXPECT_EQ((std::vector<std::u16string>{u"Data parse error!"}), port_.Texts());
}

TEST_F(SettingsTest, EmptyAppdirIsReported) {
  Load("", "", false);
  ASSERT_EQ((std::vector<std::u16string>{u"APPDATA=NULL"}), port_.Texts());
  EXPECT_EQ(u"Error", port_.boxes[0].caption);
}

TEST_F(SettingsTest, MacroLimitsFollowTheBufferSize) {
  EXPECT_EQ(62, DeriveMacroLimits(Load("")).eventsPerMacro);
  const MacroLimits small = DeriveMacroLimits(Load("MacroBufferSize=100"));
  EXPECT_EQ(100, small.bufferSize);
  EXPECT_EQ(32, small.eventsPerMacro);
  EXPECT_EQ(10, small.bufferCount);
  EXPECT_EQ(40950, small.delayMax);
}

TEST(NumberList, PiecesMustBeWholeNumbers) {
  EXPECT_EQ((std::vector<uint32_t>{1, 2, 3}), ParseNumberList(u" 1, 2,3", 10, 10, 1023));
  EXPECT_EQ((std::vector<uint32_t>{1}), ParseNumberList(u"1, 2 ,3", 10, 10, 1023));
  EXPECT_EQ((std::vector<uint32_t>{1, 2}), ParseNumberList(u"1,,2", 10, 10, 1023));
  EXPECT_EQ((std::vector<uint32_t>{0x1F, 0xab}), ParseNumberList(u"0x1F,ab", 16, 10, 1023));
  EXPECT_EQ((std::vector<uint32_t>{}), ParseNumberList(u"0x", 16, 10, 1023));
  EXPECT_EQ((std::vector<uint32_t>{0xFFFFFFFBu}), ParseNumberList(u"-5", 10, 10, 1023));
  EXPECT_EQ((std::vector<uint32_t>{1, 2}), ParseNumberList(u"1,2,3", 10, 2, 1023));
  // The working buffer cuts the text before it is split.
  EXPECT_EQ((std::vector<uint32_t>{12}), ParseNumberList(u"12345", 10, 10, 3));
}

TEST(IniReader, SectionsKeysAndEncodings) {
  TempDir dir;
  // UTF-16 little-endian with a byte-order mark.
  std::string utf16 = "\xFF\xFE";
  for (const char16_t c : std::u16string(u"[Opt]\r\nTitle=K\u00e9y\r\n")) {
    utf16.push_back(static_cast<char>(c & 0xFF));
    utf16.push_back(static_cast<char>(c >> 8));
  }
  EXPECT_EQ(u"K\u00e9y", IniFile::Load(dir.Write("a.ini", utf16)).GetString(u"OPT", u"title", u"", 100));
  // 8-bit text in the system code page.
  EXPECT_EQ(u"\u20ac5", IniFile::Load(dir.Write("b.ini", "[OPT]\nA=\x80" "5\n")).GetString(u"OPT", u"A", u"", 100));
  // UTF-8 with its mark.
  EXPECT_EQ(u"\u00e9", IniFile::Load(dir.Write("c.ini", "\xEF\xBB\xBF[OPT]\nA=\xC3\xA9\n")).GetString(u"OPT", u"A", u"", 100));
  // A section that appears twice is one section; comment lines are skipped.
  const IniFile twice = IniFile::Parse(u"[OPT]\nA=1\n;B=2\n[KEY]\nK1=x\n[opt]\nB=3\nA=4\n");
  EXPECT_EQ(1, twice.GetInt(u"OPT", u"A", 0));
  EXPECT_EQ(3, twice.GetInt(u"OPT", u"B", 0));
  EXPECT_FALSE(IniFile::Parse(u"A=1\n").Find(u"OPT", u"A").has_value());
  EXPECT_EQ(u"d", IniFile::Load(dir.path() + "missing.ini").GetString(u"OPT", u"A", u"d", 10));
}

TEST(IniReader, AFileUpToTheLimitIsReadAndALargerOneRefused) {
  TempDir dir;
  // Padding of comment lines fills the file up to the limit; the key at its end is read.
  std::string text = "[OPT]\nFirst=1\n";
  const std::string comment = ";" + std::string(1000, 'x') + "\n";
  while (text.size() + comment.size() < IniFile::kMaxFileBytes - 16) text += comment;
  text += "Near=2\n";
  text.resize(IniFile::kMaxFileBytes, '\n');
  std::string problem = "not set";
  const IniFile ini = IniFile::Load(dir.Write("limit.ini", text), &problem);
  EXPECT_EQ("", problem);
  EXPECT_EQ(1, ini.GetInt(u"OPT", u"First", 0));
  EXPECT_EQ(2, ini.GetInt(u"OPT", u"Near", 0));
  // One byte more and the file is refused whole, like an unreadable one.
  const IniFile refused = IniFile::Load(dir.Write("huge.ini", text + "\n"), &problem);
  EXPECT_EQ("larger than 4 MiB", problem);
  EXPECT_EQ(0, refused.GetInt(u"OPT", u"First", 0));
}

}  // namespace
