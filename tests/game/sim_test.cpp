// brazdovar-sim against the game driven in-process: the same keys give the same
// numbers, and whole matches end, restart and leave as the game does.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "display/keys.h"
#include "game_fixture.h"

namespace game::testing {
namespace {

struct SimRun {
  std::vector<std::string> lines;
  int status;
};

// Runs the tool with the script text, by default where the sprites are.
SimRun RunSim(const std::string& script, const std::string& extraArguments = "",
              const std::string& directory = BRAZDOVAR_SOURCE_DIR "/assets") {
  // CTest runs the tests in parallel processes: one script file per test.
  const std::string scriptPath = ::testing::TempDir() + "game_sim_" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                 ".txt";
  std::ofstream(scriptPath) << script;
  const std::string command = "cd '" + directory + "' && " BRAZDOVAR_SIM " " +
                              extraArguments + " " + scriptPath;
  SimRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {{}, -1};
  std::string line;
  for (int c; (c = std::fgetc(pipe)) != EOF;) {
    if (c != '\n') {
      line += static_cast<char>(c);
    } else {
      run.lines.push_back(line);
      line.clear();
    }
  }
  run.status = pclose(pipe);
  return run;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

bool IsEvent(const std::string& line, const std::string& event) {
  return line.rfind("{\"event\":\"" + event + "\"", 0) == 0;
}

// The number after `"name":` that follows `after` in the line.
double Field(const std::string& line, const std::string& after, const std::string& name) {
  const size_t start = line.find(after);
  EXPECT_NE(start, std::string::npos) << after;
  const size_t at = line.find("\"" + name + "\":", start);
  EXPECT_NE(at, std::string::npos) << name;
  return std::strtod(line.c_str() + at + name.size() + 3, nullptr);
}

void ExpectTankMatches(const std::string& line, const char* name, const Tank& tank) {
  const std::string tankKey = std::string("\"") + name + "\":{";
  EXPECT_EQ(Field(line, tankKey, "x"), tank.x) << name;
  EXPECT_EQ(Field(line, tankKey, "y"), tank.y) << name;
  EXPECT_EQ(Field(line, tankKey, "heading"), tank.heading) << name;
  EXPECT_EQ(Field(line, tankKey, "speed"), tank.speed) << name;
  EXPECT_EQ(Field(line, tankKey, "animation"), tank.animation) << name;
  const std::string tankPart = line.substr(line.find(tankKey));
  for (int slot = 0; slot < SHOT_SLOTS; ++slot) {
    const std::string slotKey = "{\"slot\":" + std::to_string(slot) + ",";
    const bool listed = tankPart.find(slotKey) != std::string::npos &&
                        (std::string(name) == "blue" ||
                         tankPart.find(slotKey) < tankPart.find("\"blue\":{"));
    ASSERT_EQ(listed, tank.shots[slot].active == 1) << name << " slot " << slot;
    if (!listed) continue;
    EXPECT_EQ(Field(tankPart, slotKey, "x"), tank.shots[slot].x);
    EXPECT_EQ(Field(tankPart, slotKey, "y"), tank.shots[slot].y);
    EXPECT_EQ(Field(tankPart, slotKey, "heading"), tank.shots[slot].heading);
  }
}

using SimTest = GameTest;

TEST_F(SimTest, ReplaysTheSameNumbersAsTheGameInProcess) {
  const SimRun run = RunSim("400 Up Ctrl G R A\n200 Left D\n");
  ASSERT_EQ(run.status, 0);
  ASSERT_FALSE(run.lines.empty());
  EXPECT_TRUE(IsEvent(run.lines.back(), "script_end"));
  int frames = 0;
  for (const std::string& line : run.lines) {
    if (!IsEvent(line, "frame")) continue;
    ++frames;
    const double time = Field(line, "{", "time_ms");
    if (time < 400) {
      EXPECT_NE(line.find("\"keys\":[\"Up\",\"Ctrl\",\"G\",\"R\",\"A\"]"), std::string::npos);
      Step({display::KEY_UP, display::KEY_CTRL, display::KEY_G, display::KEY_R, display::KEY_A});
    } else {
      Step({display::KEY_LEFT, display::KEY_D});
    }
    EXPECT_EQ(Field(line, "{", "frame"), frames);
    ExpectTankMatches(line, "green", green());
    ExpectTankMatches(line, "blue", blue());
  }
  // Ticks run at their due times, 35, 70, ..., 595; the script ends at 600.
  EXPECT_EQ(frames, 17);
  EXPECT_TRUE(decisions().empty());
}

// A match decided, SPACE for a new one, that one decided too and ESC: with or
// without the sprites, as the hit tests use fixed boxes.
TEST_F(SimTest, MatchesEndRestartAndEscLeaves) {
  const std::filesystem::path empty = ::testing::TempDir() + "game_no_sprites";
  std::filesystem::create_directories(empty);
  for (const std::string directory : {BRAZDOVAR_SOURCE_DIR "/assets", empty.c_str()}) {
    const SimRun run = RunSim("700 Ctrl\n100 Space\n1500 Ctrl\n3000 Esc\n", "", directory);
    EXPECT_EQ(run.status, 0) << directory;
    std::vector<std::string> events;
    for (const std::string& line : run.lines) {
      if (!IsEvent(line, "frame")) events.push_back(line);
    }
    ASSERT_EQ(events.size(), 4u) << directory;
    for (size_t end : {0, 2}) {
      EXPECT_TRUE(IsEvent(events[end], "match_end"));
      EXPECT_NE(events[end].find("\"message\":\"Zeleni tenk je ubio pticu. Plavi je pobedio.\","
                                 "\"winner\":2"),
                std::string::npos);
    }
    EXPECT_TRUE(IsEvent(events[1], "new_match"));
    EXPECT_NE(events[1].find("\"green\":{\"x\":488,\"y\":216,\"heading\":90,\"speed\":0"),
              std::string::npos);
    EXPECT_TRUE(IsEvent(events[3], "program_end"));
    EXPECT_NE(events[3].find("\"status\":0"), std::string::npos);
    // Leaving waits the 1000 ms pause after ESC is seen.
    EXPECT_GE(Field(events[3], "{", "time_ms") - 2300, 1000);
  }
}

// The computer's keys take the players' path: a computer match recorded with its
// chosen keys, played back as an ordinary key script without the computer, gives
// the very same lines, frame for frame. The seed alone fixes the match.
TEST_F(SimTest, AComputerMatchReplaysThroughTheKeyScript) {
  const std::string computers = "--computer=3 --computer-green=1 --seed=";
  const SimRun recorded = RunSim("120000 Esc\n", computers + "7");
  ASSERT_EQ(recorded.status, 0);
  ASSERT_TRUE(IsEvent(recorded.lines.back(), "program_end"));
  // A value may also stand apart from its option.
  EXPECT_EQ(RunSim("120000 Esc\n", "--computer 3 --computer-green 1 --seed 7").lines,
            recorded.lines);
  EXPECT_NE(RunSim("120000 Esc\n", computers + "8").lines, recorded.lines);

  // Frame step k reads the keys set by the pass at its own time: each stretch
  // ends just after its frame step.
  std::string script;
  int64_t stretchEnd = 0;
  for (const std::string& line : recorded.lines) {
    if (!IsEvent(line, "frame")) continue;
    const auto time = static_cast<int64_t>(Field(line, "{", "time_ms"));
    const size_t keysAt = line.find("\"keys\":[") + 8;
    std::string keys = line.substr(keysAt, line.find(']', keysAt) - keysAt);
    for (char& c : keys) {
      if (c == '"' || c == ',') c = ' ';
    }
    script += std::to_string(time + 1 - stretchEnd) + " Esc " + keys + "\n";
    stretchEnd = time + 1;
  }
  script += "5000 Esc\n";
  const SimRun replayed = RunSim(script);
  ASSERT_EQ(replayed.status, 0);
  EXPECT_EQ(replayed.lines, recorded.lines);
}

// The screen after the asked frame; the virtual clock makes a second run give
// the same lines and the same picture bit for bit.
TEST_F(SimTest, DumpsTheScreenAfterTheAskedFrameTheSameEveryRun) {
  const std::string pam = ::testing::TempDir() + "game_sim_frame.pam";
  const SimRun run = RunSim("300 Ctrl A\n200 Left D F\n", "--dump-frame 3 " + pam);
  ASSERT_EQ(run.status, 0);
  const std::string data = ReadFile(pam);
  const SimRun again = RunSim("300 Ctrl A\n200 Left D F\n", "--dump-frame 3 " + pam);
  EXPECT_GT(run.lines.size(), 12u);
  EXPECT_EQ(again.lines, run.lines);
  EXPECT_TRUE(ReadFile(pam) == data);
  const std::string header =
      "P7\nWIDTH 640\nHEIGHT 480\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  ASSERT_EQ(data.size(), header.size() + 640 * 480 * 4);
  EXPECT_EQ(data.substr(0, header.size()), header);
  auto rgba = [&](int x, int y) {
    const size_t at = header.size() + (static_cast<size_t>(y) * 640 + x) * 4;
    return std::string(data, at, 4);
  };
  // The top-left wall block's lit corner, copied opaquely with its alpha.
  EXPECT_EQ(rgba(0, 0), std::string("\xC4\xA8\x8A\xFF", 4));

  // Frame 3 shows green's first shot where that frame left it (the centre of the
  // ball is its brightest pixel, stored with alpha 0), and not one step further.
  const std::string frame3 = run.lines.at(2);
  ASSERT_NE(frame3.find("\"frame\":3,"), std::string::npos);
  const int x = static_cast<int>(std::lround(Field(frame3, "{\"slot\":0,", "x")));
  const int y = static_cast<int>(std::lround(Field(frame3, "{\"slot\":0,", "y")));
  const std::string centre("\xFF\xFF\xE0\x00", 4);
  EXPECT_EQ(rgba(x + 2, y + 2), centre);
  EXPECT_NE(rgba(x - 9 + 2, y + 2), centre);
}

// --help is usage, not a script; a bad option is one line on stderr and status 2.
TEST_F(SimTest, HelpAndBadOptions) {
  const SimRun help = RunSim("", "--help");
  EXPECT_EQ(help.status, 0);
  ASSERT_FALSE(help.lines.empty());
  EXPECT_EQ(help.lines[0], "Usage: brazdovar-sim [OPTION]... SCRIPT");
  const std::string errors = ::testing::TempDir() + "game_sim_errors.txt";
  for (const char* bad : {"--sede=7", "--seed=x", "--computer"}) {
    const SimRun run = RunSim("100\n", std::string(bad) + " 2>" + errors);
    EXPECT_EQ(WEXITSTATUS(run.status), 2) << bad;
    EXPECT_TRUE(run.lines.empty()) << bad;
    const std::string message = ReadFile(errors);
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
  }
}

}  // namespace
}  // namespace game::testing
