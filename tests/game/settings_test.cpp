// The settings files: a good file read whole, each kind of bad entry refused
// alone with one line naming the file and the line, key names to scan codes and
// back, the state file written and read again, and the order in which the
// built-in values, the state file, the settings file and the options win.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "display/key_names.h"
#include "game/observer.h"
#include "game/settings/files.h"
#include "game/settings/game_settings.h"
#include "net/transport.h"

namespace game::settings {
namespace {

constexpr const char* PATH = "/cfg/settings.toml";
constexpr int GREEN = 0, BLUE = 1;
constexpr int32_t RETURN = 28, CTRL = 29, KEY_A = 30, LEFT = 75;

Settings Read(const std::string& text, Problems& problems) {
  Settings settings;
  ReadSettingsText(text, PATH, settings, problems);
  return settings;
}

TEST(SettingsFile, AGoodFileSetsWhatItListsAndLeavesTheRest) {
  Problems problems;
  const Settings s = Read(
      "[sound]\nenabled = false\nvolume = 35\n[window]\nfull_screen = true\n"
      "[computer]\nlevel = 3\n[online]\ninput_delay = 4\nport = 5000\n"
      "[keys.green]\nfire = [\"Return\"]\nleft = [\"Left\", \"Keypad 4\", \"keypad 7\"]\n"
      "[keys.blue]\nfire = [\"left ctrl\"]\n",
      problems);
  EXPECT_TRUE(problems.empty()) << problems.front();
  EXPECT_FALSE(s.soundOn.value);
  EXPECT_EQ(s.volume.value, 35);
  EXPECT_TRUE(s.fullScreen.value);
  EXPECT_EQ(s.computerLevel.value, 3);
  EXPECT_EQ(s.inputDelay.value, 4);
  EXPECT_EQ(s.port.value, 5000);
  EXPECT_EQ(s.port.from, PATH);
  EXPECT_EQ(s.keys[GREEN][ACTION_FIRE].value, std::vector<int32_t>{RETURN});
  EXPECT_EQ(s.keys[GREEN][ACTION_LEFT].value, (std::vector<int32_t>{LEFT, 71}));  // one 75
  EXPECT_EQ(s.keys[BLUE][ACTION_FIRE].value, std::vector<int32_t>{CTRL});
  // Not listed: built in.
  EXPECT_EQ(s.keys[GREEN][ACTION_RIGHT].value, std::vector<int32_t>{77});
  EXPECT_EQ(s.keys[GREEN][ACTION_RIGHT].from, BUILT_IN);
  EXPECT_EQ(s.windowWidth.from, BUILT_IN);  // the state's, not the player's
  // Online play listens and joins where the transport expects the game.
  EXPECT_EQ(Settings{}.port.value, net::DEFAULT_PORT);
}

// Each bad file gives exactly one problem on its line, and the good setting on
// its last line still applies.
TEST(SettingsFile, EachBadEntryIsRefusedAloneWithItsLine) {
  struct Case {
    const char* text;
    int line;
    const char* problem;
    int listed = 0;  // key entries that stand
  };
  const Case cases[] = {
      {"[sound\nvolume = 7\n", 1, ""},  // does not parse: nothing applies
      {"[keys.green]\nfire = [\"Retrun\"]\n", 2, "unknown key name 'Retrun'"},
      {"[keys.green]\nfire = \"Return\"\n", 2, "must be a list of key names"},
      {"[keys.green]\nfire = []\n", 2, "must be a list of key names"},
      {"[keys.green]\nfire = [\"F13\"]\n", 2, "not one the game can read"},
      {"[keys.blue]\nfire = [\"Escape\"]\n", 2, "kept by the game"},
      {"[keys.blue]\nfire = [\"F11\"]\n", 2, "kept by the game"},
      {"[keys.blue]\nbrake = [\"Keypad 4\"]\n", 2, "is already green's left"},  // = Left
      {"[keys.green]\nfire = [\"Z\"]\n[keys.blue]\nleft = [\"Z\"]\n", 4,
       "'Z' in keys.blue.left is already green's fire", 1},
      {"[keys.green]\njump = [\"Z\"]\n", 2, "unknown setting 'keys.green.jump'"},
      {"[keys.red]\nfire = [\"Z\"]\n", 1, "unknown setting 'keys.red'"},
      {"[sound]\nvolume = 101\n", 2, "sound.volume must be a whole number from 0 to 100"},
      {"[sound]\nenabled = 1\n", 2, "sound.enabled must be true or false"},
      {"[online]\nport = 0\n", 2, "online.port must be a whole number from 1 to 65535"},
      {"[window]\nwidth = 800\n", 2, "unknown setting 'window.width'"},  // the state's
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Problems problems;
    const Settings s = Read(std::string(c.text) + "[computer]\nlevel = 1\n", problems);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].rfind(std::string(PATH) + ":" + std::to_string(c.line) + ": ", 0), 0u)
        << problems[0];
    EXPECT_NE(problems[0].find(c.problem), std::string::npos) << problems[0];
    EXPECT_EQ(s.computerLevel.value, c.line == 1 && *c.problem == '\0' ? 2 : 1);
    int listed = 0;  // the refused entry keeps its keys
    for (const auto& tank : s.keys) {
      for (const auto& keys : tank) listed += keys.from != BUILT_IN;
    }
    EXPECT_EQ(listed, c.listed);
  }
}

// Refusing one entry brings back built-in keys that may clash with another.
TEST(SettingsFile, ARefusedEntryCanRefuseTheOneWhoseKeyItsDefaultHolds) {
  Problems problems;
  const Settings s = Read("[keys.green]\nfire = [\"A\"]\n[keys.blue]\nfire = [\"Left\"]\n",
                          problems);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find(":2: key 'A' in keys.green.fire is already blue's fire"),
            std::string::npos)
      << problems[0];
  EXPECT_NE(problems[1].find(":4: key 'Left' in keys.blue.fire is already green's left"),
            std::string::npos)
      << problems[1];
  EXPECT_EQ(s.keys[GREEN][ACTION_FIRE].value, std::vector<int32_t>{CTRL});
  EXPECT_EQ(s.keys[BLUE][ACTION_FIRE].value, std::vector<int32_t>{KEY_A});
}

TEST(KeyNames, NamesGoToTheKeyTableAndBack) {
  int named = 0;
  for (int32_t code = 0; code < 128; ++code) {
    const std::string name = display::KeyNameOfCode(code);
    if (name.empty()) continue;
    ++named;
    EXPECT_EQ(display::KeyCodeOfName(name), code) << name;
  }
  EXPECT_GE(named, 80);
  EXPECT_EQ(display::KeyNameOfCode(LEFT), "Left");  // not Keypad 4
  EXPECT_EQ(display::KeyNameOfCode(CTRL), "Left Ctrl");
  EXPECT_EQ(display::KeyCodeOfName("Keypad Enter"), RETURN);
  EXPECT_EQ(display::KeyCodeOfName("right ctrl"), CTRL);
  EXPECT_EQ(display::KeyNameOfCode(127), "");
}

class SettingsFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    // CTest runs each test in a process of its own, at the same time: a folder each.
    root_ = std::filesystem::path(::testing::TempDir()) /
            (std::string("settings_test_") +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
    setenv("XDG_STATE_HOME", (root_ / "state").c_str(), 1);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  static void Write(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << text;
  }

  std::filesystem::path root_;
};

TEST_F(SettingsFolders, TheStateIsWrittenAtomicallyAndReadBack) {
  Settings remembered;
  remembered.fullScreen.value = true;
  remembered.windowWidth.value = 1000;
  remembered.soundOn.value = false;
  remembered.lastHost.value = "host \"one\"\\\n";
  const std::string path = FindPaths().state;
  ASSERT_EQ(path, (root_ / "state/brazdovar/state.toml").string());
  ASSERT_EQ(WriteFileAtomically(path, StateText(remembered)), "");  // makes the folders
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root_ / "state/brazdovar"),
                          std::filesystem::directory_iterator()),
            1);  // no temporary file left
  Problems problems;
  const auto text = ReadFileText(path, problems);
  ASSERT_TRUE(text);
  Settings read;
  ReadStateText(*text, path, read, problems);
  EXPECT_TRUE(problems.empty()) << problems.front();
  EXPECT_TRUE(read.fullScreen.value);
  EXPECT_EQ(read.windowWidth.value, 1000);
  EXPECT_EQ(read.windowHeight.value, 480);
  EXPECT_FALSE(read.soundOn.value);
  EXPECT_EQ(read.lastHost.value, remembered.lastHost.value);

  // A folder in the way: one line, nothing written.
  Write((root_ / "blocked").string(), "");
  EXPECT_NE(WriteFileAtomically((root_ / "blocked/state.toml").string(), "x"), "");
  // Missing files and folders are no problem.
  EXPECT_FALSE(ReadFileText((root_ / "none/settings.toml").string(), problems));
  EXPECT_TRUE(problems.empty());
}

TEST_F(SettingsFolders, OptionsWinOverTheSettingsFileWhichWinsOverTheState) {
  const Paths paths = FindPaths();
  Write(paths.state, "[window]\nfull_screen = true\nwidth = 900\n[sound]\nenabled = true\n");
  Write(paths.settings, "[window]\nfull_screen = false\n[sound]\nenabled = true\n");
  const char* argv[] = {"brazdovar", "--mute", "--computer=3"};
  const Settings s = LoadSettings(ParseOptions(3, argv));
  EXPECT_FALSE(s.fullScreen.value);
  EXPECT_EQ(s.fullScreen.from, paths.settings);
  EXPECT_EQ(s.windowWidth.value, 900);
  EXPECT_EQ(s.windowWidth.from, paths.state);
  EXPECT_FALSE(s.soundOn.value);
  EXPECT_EQ(s.soundOn.from, COMMAND_LINE);
  EXPECT_EQ(s.computerLevel.value, 3);
  const std::string text = SettingsText(s);
  EXPECT_NE(text.find("window.width = 900                      # " + paths.state + "\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("keys.green.fire = [\"Left Ctrl\"]         # default\n"), std::string::npos);
}

// The host joined is remembered when the game ends, for the next --join alone.
TEST_F(SettingsFolders, TheHostJoinedIsRememberedForTheNextJoin) {
  const char* argv[] = {"brazdovar", "--join"};
  const Options options = ParseOptions(2, argv);
  ASSERT_TRUE(options.error.empty()) << options.error;
  EXPECT_TRUE(options.joining);
  EXPECT_EQ(LoadSettings(options).lastHost.value, "");
  ApplySettings(LoadSettings(options));
  RememberJoinedHost("127.0.0.1:27500");
  ReportProgramEnding(0);
  const Settings next = LoadSettings(options);
  EXPECT_EQ(next.lastHost.value, "127.0.0.1:27500");
  EXPECT_EQ(next.lastHost.from, FindPaths().state);
  SetObserver(nullptr);
}

}  // namespace
}  // namespace game::settings
