// files_test.cpp — the tool's inputs and outputs: non-files refused at once, outputs saved like exports, causes named, temporary directories private and removed on a signal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "support/child_process.h"
#include "tool_runner.h"

namespace peltatxt::cli_testing {
namespace {
namespace fsys = std::filesystem;
using namespace std::chrono_literals;

const std::string kSample = PELTATXT_SAMPLE;
const std::string kGoldenJson = std::string(PELTATXT_GOLDEN) + "/sample.json";

// The tool run in a child process of its own, so that it can be stopped, timed and run as another user.
struct Spawned : testing::ChildProcess {
    Spawned(const std::vector<std::string>& args, const Options& options) : ChildProcess(PELTATXT_TOOL, args, options) {}
};

ToolRun run_within(const std::vector<std::string>& args, const Spawned::Options& options = {}) {
    Spawned tool(args, options);
    EXPECT_TRUE(tool.wait()) << "the tool did not end within 10 seconds";
    return tool.run();
}

std::size_t lines_in(const std::string& s) { return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n')); }

void expect_failure(const ToolRun& run, const std::string& file, const std::string& what) {
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(lines_in(run.err), 1u) << run.err;
    EXPECT_NE(run.err.find(file + ": "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(what), std::string::npos) << run.err;
}

mode_t mode_of(const std::string& p) {
    struct stat st {};
    ::lstat(p.c_str(), &st);
    return st.st_mode;
}

TEST(ToolInputs, NonFilesAreRefusedAtOnceWithoutOpeningThem) {
    TempDir dir;
    std::string fifo = dir / "pipe.peltatxt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string fifo_json = dir / "pipe.json";
    ASSERT_EQ(::mkfifo(fifo_json.c_str(), 0600), 0);
    for (const char* command : {"show", "to-json", "check"}) {
        SCOPED_TRACE(command);
        expect_failure(run_within({command, fifo}), fifo, "is a FIFO (named pipe), not a file");
        expect_failure(run_within({command, "/dev/zero"}), "/dev/zero", "is a device, not a file");
    }
    expect_failure(run_within({"check", fifo_json}), fifo_json, "is a FIFO (named pipe), not a file");
    expect_failure(run_within({"from-json", fifo_json, dir / "out"}), fifo_json, "is a FIFO (named pipe), not a file");
    expect_failure(run_within({"from-json", "/dev/zero", dir / "out"}), "/dev/zero", "is a device, not a file");
    fsys::create_symlink("/dev/zero", dir / "zero.json");
    expect_failure(run_within({"from-json", dir / "zero.json", dir / "out"}), dir / "zero.json", "is a device");
    EXPECT_FALSE(fsys::exists(dir / "out.peltatxt"));
}

TEST(ToolInputs, AJsonFileLargerThanTheLimitIsRefusedUnread) {
    TempDir dir;
    std::string big = dir / "big.json";
    int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, (off_t{1} << 30) + 1), 0);  // sparse: nothing is stored
    ::close(fd);
    // A 32-bit tool reads at most 256 MiB.
    expect_failure(run_within({"from-json", big, dir / "out"}), big,
                   sizeof(void*) == 4 ? "is larger than 256 MiB" : "is larger than 1 GiB");
}

TEST(ToolInputs, HostileShapesOfJsonAndCsvStayWithinEightTimesTheirSize) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs far more address space than the tool";
#else
    // About 10 MB each of shapes that give no record: the address space allowed is 8 times the
    // input and 32 MiB for the program itself, where a document tree took some 20 times the input.
    constexpr std::size_t kBytes = 10'000'000;
    auto repeated = [](std::string_view head, std::string_view unit, std::string_view tail) {
        std::string s(head);
        while (s.size() < kBytes) s.append(unit);
        return s.append(tail);
    };
    struct Case {
        const char* name;
        std::string content;
        const char* fault;  // a part of the one-line message, or nullptr for success
    };
    const Case cases[] = {
        {"arrays.json", repeated("[[]", ",[]", "]"), "record at /0: expected a record object, found an array"},
        {"unknown.json", repeated("[{\"x\":1}", ",{\"x\":1}", "]"), "record at /0: \"kind\" is missing"},
        {"blank.csv", repeated("folder,kind,letterCode,title,text,macro,comment,escaped\r\n", "\r\n", ""), nullptr},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write_bytes(dir / c.name, c.content);
        std::size_t kib = (8 * c.content.size() >> 10) + (32 << 10);
        std::string command = std::string(c.name).ends_with(".csv") ? "from-csv" : "from-json";
        ToolRun run = run_shell("ulimit -v " + std::to_string(kib) + " && \"$PELTATXT\" " + command + " " +
                                shell_quoted(dir / c.name) + " " + shell_quoted(dir / "out"));
        if (c.fault) {
            expect_failure(run, dir / c.name, c.fault);
        } else {
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.err, "");
        }
    }
#endif
}

TEST(ToolOutputs, ToJsonWritesThroughALinkAndKeepsTheFileItNames) {
    TempDir dir;
    write_bytes(dir / "real.json", "old");
    ::chmod((dir / "real.json").c_str(), 0600);
    fsys::create_symlink("real.json", dir / "out.json");
    ToolRun run = run_within({"to-json", kSample, "-o", dir / "out.json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(S_ISLNK(mode_of(dir / "out.json")));
    EXPECT_EQ(read_bytes(dir / "real.json"), read_bytes(kGoldenJson));
    EXPECT_EQ(mode_of(dir / "real.json") & 07777, 0600u);
    std::vector<std::string> names;
    for (const auto& e : fsys::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"out.json", "real.json"}));
}

TEST(ToolOutputs, AnOutputThatIsTheInputIsRefused) {
    TempDir dir;
    std::string data = dir / "x.peltatxt";
    write_bytes(data, read_bytes(kSample));
    fsys::create_symlink("x.peltatxt", dir / "link");
    fsys::create_hard_link(data, dir / "hard");
    for (std::string out :
         {data, (dir / "link").string(), (dir / "hard").string(), dir.path().string() + "/./x.peltatxt"}) {
        SCOPED_TRACE(out);
        expect_failure(run_within({"to-json", data, "-o", out}), out, "is the input file");
        expect_failure(run_within({"to-csv", data, "-o", out}), out, "is the input file");
        EXPECT_EQ(read_bytes(data), read_bytes(kSample));
    }
    // from-json whose derived output is the JSON file itself.
    std::string json = dir / "in.peltatxt";
    write_bytes(json, read_bytes(kGoldenJson));
    expect_failure(run_within({"from-json", json, dir / "in"}), json, "is the input file");
    EXPECT_EQ(read_bytes(json), read_bytes(kGoldenJson));
    // The same for from-csv.
    std::string csv = dir / "table.peltatxt";
    ASSERT_EQ(run_within({"to-csv", kSample, "-o", csv}).status, 0);
    std::string table = read_bytes(csv);
    expect_failure(run_within({"from-csv", csv, dir / "table"}), csv, "is the input file");
    EXPECT_EQ(read_bytes(csv), table);
}

// Each output that cannot be written, with the cause the user is told.
TEST(ToolOutputs, FailuresNameTheRealCause) {
    TempDir dir;
    write_bytes(dir / "ro.json", "keep");
    ::chmod((dir / "ro.json").c_str(), 0444);
    write_bytes(dir / "ro.peltatxt", "keep");
    ::chmod((dir / "ro.peltatxt").c_str(), 0444);
    fsys::create_directory(dir / "sub.json");
    fsys::create_directory(dir / "sub.peltatxt");
    ASSERT_EQ(::mkfifo((dir / "fifo.peltatxt").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo.json").c_str(), 0600), 0);
    struct Case {
        std::vector<std::string> args;
        std::string file, cause;
    } cases[] = {
        {{"to-json", kSample, "-o", dir / "ro.json"}, dir / "ro.json", "cannot write: is read-only"},
        {{"to-json", kSample, "-o", dir / "sub.json"}, dir / "sub.json", "cannot write: is a directory"},
        {{"to-json", kSample, "-o", dir / "fifo.json"}, dir / "fifo.json", "cannot write: is a FIFO (named pipe), not a regular file"},
        {{"to-json", kSample, "-o", "/dev/full"}, "/dev/full", "cannot write: is a device, not a regular file"},
        {{"to-json", kSample, "-o", dir / "none/out.json"}, dir / "none/out.json", "cannot write: no such directory"},
        {{"from-json", kGoldenJson, dir / "ro"}, dir / "ro.peltatxt", "cannot write: is read-only"},
        {{"from-json", kGoldenJson, dir / "sub"}, dir / "sub.peltatxt", "cannot write: is a directory"},
        {{"from-json", kGoldenJson, dir / "fifo"}, dir / "fifo.peltatxt", "cannot write: is a FIFO (named pipe), not a regular file"},
        {{"from-json", kGoldenJson, dir / "none/out"}, dir / "none/out.peltatxt", "cannot write: no such directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.file);
        expect_failure(run_within(c.args), c.file, c.cause);
    }
    EXPECT_EQ(read_bytes(dir / "ro.json"), "keep");
    EXPECT_EQ(read_bytes(dir / "ro.peltatxt"), "keep");
}

TEST(ToolOutputs, PermissionDeniedAsAnUnprivilegedUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to become nobody";
    TempDir dir;  // root's, 0755: nobody may create nothing in it
    ::chmod(dir.path().c_str(), 0755);
    write_bytes(dir / "roots.json", "keep");
    ::chmod((dir / "roots.json").c_str(), 0644);
    Spawned::Options nobody{{}, true};
    expect_failure(run_within({"to-json", kSample, "-o", dir / "new.json"}, nobody), dir / "new.json",
                   "cannot write: cannot create a file in " + dir.path().string() + ": permission denied");
    expect_failure(run_within({"to-json", kSample, "-o", dir / "roots.json"}, nobody), dir / "roots.json",
                   "cannot write: permission denied");
    expect_failure(run_within({"from-json", kGoldenJson, dir / "new"}, nobody), dir / "new.peltatxt",
                   "cannot write: cannot create a file in " + dir.path().string() + ": permission denied");
    expect_failure(run_within({"from-json", kGoldenJson, dir / "roots.json"}, nobody), dir / "roots.peltatxt",
                   "cannot write: cannot create a file in");
    EXPECT_EQ(read_bytes(dir / "roots.json"), "keep");
    EXPECT_FALSE(fsys::exists(dir / "new.json"));
}

// The cause of a failed export, as the plug-in leaves it, named in the tool's one line.
TEST(ToolOutputs, AFailedExportNamesItsCause) {
    TempDir dir;
    fsys::create_symlink("/nonexistent/directory/notes.peltatxt", dir / "dangling.peltatxt");
    fsys::create_symlink("loop-b.peltatxt", dir / "loop-a.peltatxt");
    fsys::create_symlink("loop-a.peltatxt", dir / "loop-b.peltatxt");
    struct Case {
        std::vector<std::string> args;
        std::string file, why;
    } cases[] = {
        {{"from-json", kGoldenJson, dir / "dangling"}, dir / "dangling.peltatxt", "cannot write: no such directory"},
        {{"from-json", kGoldenJson, dir / "loop-a"}, dir / "loop-a.peltatxt",
         "cannot write: too many levels of symbolic links"},
    };
    for (const Case& c : cases) expect_failure(run_within(c.args), c.file, c.why);
    // A full disk, and a full TMPDIR under check.
    TempDir small;
    if (::geteuid() != 0 || std::system(("mount -t tmpfs -o size=64k peltatxt-test " + small.path().string()).c_str()) != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    std::system(("dd if=/dev/zero of=" + (small / "filler").string() + " bs=4k 2>/dev/null").c_str());  // until full
    expect_failure(run_within({"from-json", kGoldenJson, small / "notes"}), small / "notes.peltatxt",
                   "cannot write: no space left on device");
    ToolRun check = run_tool({"check", kSample}, {{"TMPDIR", small.path().string()}});
    EXPECT_EQ(check.status, 2) << check.err;
    EXPECT_NE(check.err.find("no space left on device"), std::string::npos) << check.err;
    std::system(("umount " + small.path().string()).c_str());
}

// A JSON file of many records, so that check spends a while exporting and importing them.
std::string many_records(std::size_t n) {
    std::string json = "[\n";
    for (std::size_t i = 0; i < n; ++i) {
        json += R"({"kind": "locked", "title": "record )" + std::to_string(i) + R"(", "text": "line one\r\nline two"})";
        json += i + 1 < n ? ",\n" : "\n";
    }
    return json + "]\n";
}

std::vector<fsys::path> tool_dirs(const fsys::path& tmp) {
    std::vector<fsys::path> out;
    for (const auto& e : fsys::directory_iterator(tmp))
        if (e.path().filename().string().rfind("peltatxt-", 0) == 0) out.push_back(e.path());
    return out;
}

TEST(ToolCheck, ItsTemporaryDirectoryIsPrivateAndRemovedOnSigintAndSigterm) {
    TempDir dir;
    write_bytes(dir / "many.json", many_records(200000));
    for (int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        fsys::path tmp = dir.path() / ("tmp-" + std::to_string(sig));
        fsys::create_directory(tmp);
        Spawned tool({"check", dir / "many.json"}, {{{"TMPDIR", tmp.string()}}, false});
        // Wait for the directory to appear (the JSON is read and parsed first), then stop the tool.
        auto deadline = std::chrono::steady_clock::now() + 60s;
        std::vector<fsys::path> seen;
        while ((seen = tool_dirs(tmp)).empty() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        ASSERT_EQ(seen.size(), 1u) << "check made no temporary directory";
        EXPECT_EQ(mode_of(seen[0].string()) & 07777, 0700u);
        tool.signal(sig);
        ASSERT_TRUE(tool.wait(30s));
        EXPECT_EQ(tool.run().status, 128 + sig) << "ended by the signal, as before: " << tool.run().err;
        EXPECT_TRUE(tool_dirs(tmp).empty()) << "the temporary directory is left behind";
    }
}

}  // namespace
}  // namespace peltatxt::cli_testing
