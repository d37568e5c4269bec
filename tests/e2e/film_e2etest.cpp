// orbisk-film from outside: the MP4 it writes as ffprobe and ffmpeg see it,
// its frames against orbisk-shot's, ranges rendered apart and joined, Ctrl-C,
// and its failures.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "tests/e2e/e2e.h"
#include "tests/e2e/fulldisk.h"

namespace {

const std::string kFilm = ORBISK_BUILD_DIR "/orbisk-film";
const std::string kShot = ORBISK_BUILD_DIR "/orbisk-shot";
// Small and exact: 4 frames a second puts every frame on a time that prints
// exactly, and --lossless decodes to the rendered pixels.
const std::string kSmall = " --size 96x64 --fps 4 --seed 3 --lossless";

class Film : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    display = new e2e::VirtualDisplay("320x240");
    workDir = new std::string(e2e::makeWorkDir());
  }
  static void TearDownTestSuite() {
    delete display;
    delete workDir;
  }

  // Runs a shell command in the work folder under the display; its status.
  static int sh(const std::string& command) {
    if (!display->ok()) return -1;
    const int raw = system(("cd '" + *workDir + "' && DISPLAY=" + display->name() + " timeout 600 " + command).c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  static int film(const std::string& args, const std::string& name) {
    return sh(kFilm + " " + args + " >'" + name + ".out' 2>'" + name + ".err'");
  }
  static std::string file(const std::string& name) { return e2e::readFile(*workDir + "/" + name); }
  // Frames and duration as ffprobe counts them: "frames=N duration=S".
  static std::string probe(const std::string& mp4) {
    sh("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames:format=duration "
       "-of default=nw=1 '" + mp4 + "' | tr '\\n' ' ' >probe.txt");
    return file("probe.txt");
  }
  // Every decoded frame as RGB bytes.
  static std::string decoded(const std::string& video) {
    sh("ffmpeg -v error -y -i '" + video + "' -f rawvideo -pix_fmt rgb24 decoded.rgb");
    return file("decoded.rgb");
  }

  static e2e::VirtualDisplay* display;
  static std::string* workDir;
};
e2e::VirtualDisplay* Film::display = nullptr;
std::string* Film::workDir = nullptr;

TEST_F(Film, ShortFilmIsAnMp4WhoseFramesAreTheShots) {
  ASSERT_EQ(0, film("--out whole.mp4 --frames 0:6" + kSmall, "whole")) << file("whole.err");
  EXPECT_EQ("nb_read_frames=6 duration=1.500000 ", probe("whole.mp4"));
  // Progress: the first and last lines of a run into a file.
  const std::string err = file("whole.err");
  EXPECT_NE(std::string::npos, err.find("frame 1/6 (16%)")) << err;
  EXPECT_NE(std::string::npos, err.find("frame 6/6 (100%)")) << err;
  EXPECT_NE(std::string::npos, file("whole.out").find("quality: "));

  // Frame 5: 1.25 s into the flight after 5 * 60 / 4 = 75 steps.
  ASSERT_EQ(0, sh("ffmpeg -v error -y -i whole.mp4 -vf 'select=eq(n\\,5)' -frames:v 1 -pix_fmt rgb24 film5.png"));
  ASSERT_EQ(0, sh(kShot + " --path-time 1.25 --steps 75 --seed 3 --size 96x64 --out shot5.png >/dev/null 2>&1"));
  const e2e::Image fromFilm = e2e::loadImage(*workDir + "/film5.png");
  const e2e::Image fromShot = e2e::loadImage(*workDir + "/shot5.png");
  ASSERT_EQ(96, fromFilm.width);
  EXPECT_TRUE(fromFilm.rgb == fromShot.rgb) << "film frame 5 differs from orbisk-shot at 1.25 s";

  // The two halves rendered apart and joined without re-encoding.
  ASSERT_EQ(0, film("--out a.mp4 --frames 0:3" + kSmall, "a")) << file("a.err");
  ASSERT_EQ(0, film("--out b.mp4 --from 0.75 --to 1.5" + kSmall, "b")) << file("b.err");
  e2e::writeFile(*workDir + "/pieces.txt", "file 'a.mp4'\nfile 'b.mp4'\n");
  ASSERT_EQ(0, sh("ffmpeg -v error -y -f concat -safe 0 -i pieces.txt -c copy joined.mp4"));
  EXPECT_EQ("nb_read_frames=6 duration=1.500000 ", probe("joined.mp4"));
  const std::string whole = decoded("whole.mp4");
  EXPECT_EQ(96u * 64 * 3 * 6, whole.size());
  EXPECT_TRUE(whole == decoded("joined.mp4")) << "joined halves differ from the whole film";

  // A PNG folder holds the same frames under their own numbers.
  ASSERT_EQ(0, film("--out frames/ --frames 5:6 --size 96x64 --fps 4 --seed 3", "png")) << file("png.err");
  EXPECT_TRUE(e2e::loadImage(*workDir + "/frames/frame-000005.png").rgb == fromShot.rgb);
}

TEST_F(Film, CtrlCLeavesAPlayableFilmAndSaysHowToResume) {
  // Interrupted once the first frame is out.
  const int status = sh("sh -c '" + kFilm + " --out cut.mp4" + kSmall +
                        " >cut.out 2>cut.err & p=$!; n=0; "
                        "while ! grep -q \"frame 1/\" cut.err && [ $n -lt 600 ]; do sleep 0.1; n=$((n+1)); done; "
                        "kill -INT $p; wait $p'");
  EXPECT_EQ(130, status) << file("cut.err");
  const std::string err = file("cut.err");
  const size_t resume = err.find("resume with: " + kFilm + " --out cut-from-");
  ASSERT_NE(std::string::npos, resume) << err;
  // Every option of the run again, the range last.
  const std::string line = err.substr(resume, err.find('\n', resume) - resume);
  for (const char* option : {"--size 96x64", "--fps 4", "--seed 3", "--lossless", "--quality full"})
    EXPECT_NE(std::string::npos, line.find(option)) << line;
  const size_t frames = line.find("--frames ");
  ASSERT_NE(std::string::npos, frames) << line;
  const long next = std::stol(line.substr(frames + 9));
  EXPECT_GE(next, 1);
  EXPECT_EQ("nb_read_frames=" + std::to_string(next), probe("cut.mp4").substr(0, probe("cut.mp4").find(' ')));
  // The program's loader lines are held back; the tool's own are not.
  const std::string out = file("cut.out");
  EXPECT_EQ(std::string::npos, out.find("compiling shader")) << out;
  EXPECT_NE(std::string::npos, out.find("flight ")) << out;
}

// On a disk that fills, the film stops at the first frame it cannot write,
// names it, keeps what it wrote whole (an MP4 closed, playable) and says how
// to go on; no file is left cut short, under its name or a temporary one.
TEST_F(Film, FullDiskStopsAtTheFirstFailedFrame) {
  e2e::FullDisk disk(200 * 1024);
  if (!disk.ok()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  const std::string dir = disk.dir();
  EXPECT_EQ(1, film("--out " + dir + "/frames/ --frames 0:200 --size 96x64 --fps 4 --seed 3", "fullpng"));
  std::string err = file("fullpng.err");
  const size_t failed = err.find("ERROR: cannot write '" + dir + "/frames/frame-");
  ASSERT_NE(std::string::npos, failed) << err;
  EXPECT_NE(std::string::npos, err.find("No space left on device", failed)) << err;
  const long firstLost = std::stol(err.substr(failed + 21 + dir.size() + 14));
  ASSERT_GT(firstLost, 0) << err;
  EXPECT_NE(std::string::npos, err.find("--frames " + std::to_string(firstLost) + ":200")) << err;
  EXPECT_NE(std::string::npos, err.find("--size 96x64")) << err;
  // Frames before it are whole pictures; nothing else is there.
  ASSERT_EQ(0, sh("ls -A '" + dir + "/frames' >listing.txt"));
  std::string expected;
  for (long k = 0; k < firstLost; ++k) {
    char name[32];
    snprintf(name, sizeof name, "frame-%06ld.png\n", k);
    expected += name;
  }
  EXPECT_EQ(expected, file("listing.txt"));
  // The last one decodes (read from a copy: the reader writes beside it).
  char lastName[32];
  snprintf(lastName, sizeof lastName, "frame-%06ld.png", firstLost - 1);
  ASSERT_EQ(0, sh("cp '" + dir + "/frames/" + lastName + "' last.png"));
  EXPECT_EQ(96, e2e::loadImage(*workDir + "/last.png").width);

  ASSERT_EQ(0, sh("rm -rf '" + dir + "/frames'"));
  EXPECT_EQ(1, film("--out " + dir + "/cut.mp4 --frames 0:300" + kSmall, "fullmp4"));
  err = file("fullmp4.err");
  EXPECT_NE(std::string::npos, err.find("ERROR: cannot write '" + dir + "/cut.mp4': No space left on device")) << err;
  const size_t holds = err.find("cut.mp4 holds frames 0 to ");
  ASSERT_NE(std::string::npos, holds) << err;
  const long last = std::stol(err.substr(holds + 26));
  EXPECT_NE(std::string::npos, err.find("--frames " + std::to_string(last + 1) + ":300")) << err;
  EXPECT_EQ("nb_read_frames=" + std::to_string(last + 1), probe(dir + "/cut.mp4").substr(0, probe(dir + "/cut.mp4").find(' ')));
  ASSERT_EQ(0, sh("ls -A '" + dir + "' >listing.txt"));
  EXPECT_EQ("cut.mp4\nfiller\n", file("listing.txt"));
}

TEST_F(Film, BadFlagsAndMissingAssets) {
  for (const std::string args : {"", "--out f.mp4 --fps 0", "--out f.mp4 --frames 4:2", "--out f.mp4 --bogus",
                                 "--out f.avi", "--out f.mp4 --quality ultra"}) {
    EXPECT_EQ(2, film(args, "bad")) << args;
    EXPECT_NE(std::string::npos, file("bad.err").find("\nsee --help\n")) << args;
    EXPECT_EQ(std::string::npos, file("bad.err").find("usage: orbisk-film")) << "one line, not the usage";
  }
  // Past the flight's end: found once the paths are loaded, still a usage error.
  EXPECT_EQ(2, film("--out late.mp4 --frames 100000:100001" + kSmall, "late"));
  EXPECT_NE(std::string::npos, file("late.err").find("past its end")) << file("late.err");

  const std::string dir = e2e::makeWorkDir();
  e2e::removeFile(dir, "models/atmosphere.obj");
  const int raw = system(("cd '" + dir + "' && DISPLAY=" + display->name() + " " + kFilm + " --out x.mp4" + kSmall +
                          " >missing.out 2>missing.err")
                             .c_str());
  EXPECT_EQ(1, WIFEXITED(raw) ? WEXITSTATUS(raw) : -1);
  EXPECT_NE(std::string::npos, e2e::readFile(dir + "/missing.err").find("ERROR: Could not load atmosphere model! Quitting..."));
  EXPECT_NE(0, access((dir + "/x.mp4").c_str(), F_OK)) << "a film was left behind";
}

}  // namespace
