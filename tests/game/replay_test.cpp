// Replays: brazdovar-sim's --record and --replay agree line for line on random
// scripts and computer matches, bad files are refused in one line with status 2,
// and the replays folder keeps the newest files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "audio/output.h"
#include "display/keys.h"
#include "game/fingerprint.h"
#include "game/replay/replay_folder.h"
#include "game/replay/replay_keys.h"
#include "game/replay/watch_step.h"
#include "game_fixture.h"

namespace game::testing {
namespace {

struct SimOutput {
  std::vector<std::string> lines;  // standard output, clock times left out
  std::string errors;              // standard error
  int status = -1;
};

std::string TestFile(const std::string& suffix) {
  return ::testing::TempDir() + "replay_" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name() + suffix;
}

std::string Slurp(const std::string& path) {
  std::stringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

// brazdovar-sim in the sprite folder with the arguments, bounded in time.
SimOutput Sim(const std::string& arguments) {
  const std::string errors = TestFile(".err");
  const std::string command = "cd '" BRAZDOVAR_SOURCE_DIR "/assets' && timeout -s KILL 60 " +
                              std::string(BRAZDOVAR_SIM) + " " + arguments + " 2>'" + errors + "'";
  SimOutput run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  static const std::regex clock("\"time_ms\":[0-9]+");
  std::string line;
  for (int c; (c = std::fgetc(pipe)) != EOF;) {
    if (c != '\n') {
      line += static_cast<char>(c);
    } else {
      run.lines.push_back(std::regex_replace(line, clock, ""));
      line.clear();
    }
  }
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.errors = Slurp(errors);
  return run;
}

// A two-player script of `ms` milliseconds: stretches of 100 to 600 ms with up to
// three random keys, each match-over screen answered by the Space or Esc held.
std::string RandomScript(std::mt19937& random, int ms) {
  static const char* const KEYS[] = {"Left", "Right", "Up", "Down", "Ctrl", "D",
                                     "G",    "R",     "F",  "A",    "Space"};
  std::string script;
  for (int at = 0; at < ms;) {
    const int length = 100 + static_cast<int>(random() % 500);
    script += std::to_string(length);
    for (unsigned k = random() % 4; k > 0; --k) script += std::string(" ") + KEYS[random() % 11];
    script += "\n";
    at += length;
  }
  return script + (random() % 2 == 0 ? "2000 Esc\n" : "");
}

TEST(ReplayTest, RecordedRunsReplayLineForLine) {
  std::mt19937 random(20261207);
  std::vector<std::string> runs;
  for (int i = 0; i < 4; ++i) {
    const std::string script = TestFile(std::to_string(i) + ".txt");
    std::ofstream(script) << RandomScript(random, 20000);
    runs.push_back(script);
  }
  for (int i = 0; i < 3; ++i) {
    const std::string script = TestFile("c" + std::to_string(i) + ".txt");
    std::ofstream(script) << "30000 Space\n" << (i == 0 ? "" : "3000 Esc\n");
    runs.push_back("--computer=" + std::to_string(1 + random() % 3) + " --computer-green=" +
                   std::to_string(1 + random() % 3) + " --seed=" + std::to_string(random()) +
                   " " + script);
  }
  const std::string replay = TestFile(".replay");
  for (const std::string& arguments : runs) {
    const SimOutput recorded = Sim("--record=" + replay + " " + arguments);
    ASSERT_EQ(recorded.status, 0) << arguments << recorded.errors;
    const SimOutput replayed = Sim("--replay=" + replay);
    EXPECT_EQ(replayed.status, 0) << arguments << replayed.errors;
    EXPECT_EQ(replayed.errors, "") << arguments;
    EXPECT_GT(replayed.lines.size(), 10u) << arguments;
    EXPECT_EQ(replayed.lines, recorded.lines) << arguments;
  }
}

// A minute of two players' play, keys changing every 100 to 600 ms, fits in 4 KB.
TEST(ReplayTest, AMinuteOfPlayTakesAtMostFourKilobytes) {
  const std::string script = TestFile(".txt"), replay = TestFile(".replay");
  std::mt19937 random(1207);
  std::string minute;
  for (int at = 0; at < 60000;) {
    const int length = 100 + static_cast<int>(random() % 500);
    minute += std::to_string(length) + (random() % 2 ? " Left" : " Right") +
              (random() % 2 ? " D" : " G") + (random() % 2 ? " Down" : " F") + "\n";
    at += length;
  }
  std::ofstream(script) << minute;
  const SimOutput run = Sim("--record=" + replay + " " + script);
  ASSERT_EQ(run.status, 0);
  EXPECT_GE(run.lines.size(), 60000u / 35u);  // the tanks turn and back: no match ends
  EXPECT_LE(std::filesystem::file_size(replay), 4096u);
}

TEST(ReplayTest, BadFilesAreRefusedInOneLineAndACutFilePlaysToItsEnd) {
  const std::string rules = RulesFingerprint();
  const std::string other = rules == "0000000000000000" ? "1111111111111111" : "0000000000000000";
  const std::string header = "brazdovar-replay 1\ngame 1.0.0\nrules " + rules + "\nwhen now\n";
  struct Case {
    const char* name;
    std::string text;
    const char* problem;  // in the one line on standard error
  };
  const Case cases[] = {
      {"empty", "", "not a replay file"},
      {"other text", "hello\n", "not a replay file"},
      {"binary", std::string("\x89PNG\r\n\x1a\n\0\0", 10), "not a replay file"},
      {"newer", "brazdovar-replay 2\n", "format version 2 is newer"},
      {"other rules", "brazdovar-replay 1\nrules " + other + "\nmatch\n1 0 0\nstop\n",
       "other rules"},
      {"no rules", "brazdovar-replay 1\ngame 1\n", "no rules fingerprint"},
      {"keys too big", header + "match\n3 32 0\nstop\n", "line 6: bad numbers"},
      {"no count", header + "match\n0 1 1\nstop\n", "line 6: bad numbers"},
      {"huge count", header + "match\n99999999999999999999999 1 1\n", "line 6: bad numbers"},
      {"signed", header + "match\n-1 1 1\n", "line 6: not a line"},
      {"too long", header + "match\n1 1 1" + std::string(200, ' ') + "\n", "line 6 is too long"},
      {"keys outside", header + "5 0 0\n", "line 5: frame steps outside a match"},
      {"bad computer", header + "computer red 2 7\n", "line 5: bad computer line"},
      {"after the end", header + "match\n1 0 0\nstop\nmatch\n", "line 8: text after the ending"},
      {"too many frames", header + "match\n1048576 0 0\n1 0 0\n", "line 7: a match longer"},
      {"missing", "", "No such file"},
  };
  for (const Case& bad : cases) {
    const std::string path = TestFile("_bad.replay");
    std::filesystem::remove(path);
    if (std::string(bad.name) != "missing") std::ofstream(path, std::ios::binary) << bad.text;
    const SimOutput run = Sim("--replay=" + path);
    EXPECT_EQ(run.status, 2) << bad.name;
    EXPECT_TRUE(run.lines.empty()) << bad.name;
    EXPECT_EQ(run.errors.find("brazdovar-sim: " + path + ": "), 0u)
        << bad.name << ": " << run.errors;
    EXPECT_NE(run.errors.find(bad.problem), std::string::npos) << bad.name << ": " << run.errors;
    EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << bad.name << ": one line";
  }
  // Cut in the middle of a line: the whole runs before it play, then the run ends.
  const std::string cut = TestFile("_cut.replay");
  std::ofstream(cut) << header << "match\n3 4 0\n2 0 8\n4 1";
  const SimOutput run = Sim("--replay=" + cut);
  EXPECT_EQ(run.status, 0);
  ASSERT_EQ(run.lines.size(), 6u);
  EXPECT_EQ(run.lines.back(), "{\"event\":\"script_end\",,\"frames\":5}");
  EXPECT_NE(run.errors.find("cut short"), std::string::npos);
  EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << "one line";
}

// A replay that cannot be written is said once, and the run plays on.
TEST(ReplayTest, AnUnwritableRecordIsOneLineAndTheRunGoesOn) {
  const std::string script = TestFile(".txt");
  std::ofstream(script) << "700 Ctrl\n100 Space\n700 Ctrl\n100 Esc\n";
  const SimOutput plain = Sim(script);
  const SimOutput run = Sim("--record=/nonexistent/folder/x.replay " + script);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.lines, plain.lines);
  EXPECT_NE(run.errors.find("cannot write the replay /nonexistent/folder/x.replay"),
            std::string::npos);
  EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << "one line";
}

// A paused replay stands still, and so do its engines; playing on brings them back.
using WatchTest = GameTest;
TEST_F(WatchTest, PausingStillsThePictureAndTheEngines) {
  replay::Replay recorded;
  recorded.matches.push_back({{{200, TANK_ACCELERATE, TANK_ACCELERATE}}, 0});
  replay::ReplayKeys keys(std::move(recorded));
  keys.Install();
  replay::WatchReplay(&keys);
  const auto engine = [] { return audio::CurrentLevels().Engine(audio::Source::Green).speed; };
  const auto watch = [](std::initializer_list<int32_t> held) {
    HoldKeys(held);
    replay::WatchStep();
  };
  for (int i = 0; i < 5; ++i) watch({});
  const double x = green().x;
  EXPECT_GT(engine(), 0.0f);
  watch({display::KEY_SPACE});
  for (int i = 0; i < 3; ++i) watch({});
  EXPECT_EQ(green().x, x);
  EXPECT_EQ(engine(), 0.0f);
  watch({display::KEY_SPACE});
  EXPECT_LT(green().x, x);
  EXPECT_GT(engine(), 0.0f);
  SetKeyChooser(TankSide::Green, nullptr);
  SetKeyChooser(TankSide::Blue, nullptr);
}

TEST(ReplayFolderTest, KeepsTheNewestReplaysAndLeavesOtherFilesAlone) {
  namespace fs = std::filesystem;
  const fs::path folder = TestFile("_folder");
  fs::remove_all(folder);
  fs::create_directories(folder);
  for (int day = 1; day <= 28; ++day) {
    for (const char* hour : {"09", "21"}) {
      char name[64];
      std::snprintf(name, sizeof name, "2026-02-%02d_%s-00-00.replay", day, hour);
      std::ofstream(folder / name) << "x";
    }
  }
  std::ofstream(folder / "notes.txt") << "mine";
  replay::PruneReplays(folder, replay::KEPT_REPLAYS);
  EXPECT_FALSE(fs::exists(folder / "2026-02-03_21-00-00.replay"));
  EXPECT_TRUE(fs::exists(folder / "2026-02-04_09-00-00.replay"));
  EXPECT_TRUE(fs::exists(folder / "notes.txt"));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 51);
  // Two sessions begun in the same second get two files.
  const std::string first = replay::NewReplayPath(folder, 0);
  std::ofstream(first) << "x";
  EXPECT_EQ(replay::NewReplayPath(folder, 0), first.substr(0, first.size() - 7) + "-2.replay");
  fs::remove_all(folder);
}

}  // namespace
}  // namespace game::testing
