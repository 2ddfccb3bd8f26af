// crash_safety_test.cpp — saves killed at any moment, saves and imports at once, the sweep's race, file-size limits, a full disk.
//
// Each save runs in a child process (forked, so it shares nothing with the next one), the way two
// programs or a crashing host would run it; the checks look at the files and import them again.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "model/shared_string.h"
#include <peltatxt.h>
#include "support/entry_lists.h"
#include "support/files.h"
#include "support/records.h"
#include "support/slow_build.h"
#include "support/temp_dir.h"
#include "fs/file_system.h"

namespace peltatxt {
namespace {
using namespace testing;
namespace fsys = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

// n entries whose titles and texts name the version, a file of about 80 bytes per entry.
EntryList version(const std::u16string& name, int n) {
    std::vector<Rec> recs{folder(1, kNoParent, name)};
    for (int i = 0; i < n; ++i) {
        std::string number = std::to_string(i);
        std::u16string t = name + u" " + std::u16string(number.begin(), number.end());
        recs.push_back(entry(i + 2, 1, t, u"the text of " + t + u"\r\nits second line"));
    }
    return make_list(recs);
}

// What an import gives back, without the ids it numbers afresh.
std::vector<std::u16string> texts_of(const EntryListObject* list) {
    std::vector<std::u16string> out;
    if (!list) return out;
    for (const Rec& r : records_of(list)) out.push_back(r.title + u"|" + r.data);
    return out;
}

// Runs fn in a child (as nobody with drop, the private backup directory at state when given);
// its pid. The child's exit status is fn's result.
pid_t spawn(const std::function<int()>& fn, bool drop = false, const fsys::path& state = {}) {
    std::fflush(nullptr);
    pid_t child = ::fork();
    if (child == 0) {
        if (!state.empty()) ::setenv("XDG_STATE_HOME", state.c_str(), 1);
        if (drop && (::setgroups(0, nullptr) != 0 || ::setgid(kNogroup) != 0 || ::setuid(kNobody) != 0)) ::_exit(99);
        ::_exit(fn());
    }
    return child;
}

// The child's exit status, or 128 + the signal that ended it.
int wait_for(pid_t child) {
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int run(const std::function<int()>& fn, bool drop = false, const fsys::path& state = {}) {
    return wait_for(spawn(fn, drop, state));
}

std::vector<std::string> backups_in(const fsys::path& dir) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fsys::recursive_directory_iterator(dir, ec)) {
        std::string name = e.path().filename().string();
        if (name.size() > 16 && name.ends_with(".peltatxt-backup")) out.push_back(e.path().string());
    }
    return out;
}

// A target written in place: it has a second name, or (unprivileged) its directory takes no new
// file and its backup goes to the user's private directory.
struct InPlaceTarget {
    TempDir dir{"/var/tmp"};
    TempDir state{"/var/tmp"};  // XDG_STATE_HOME of the saving user
    bool unprivileged;
    fsys::path arg = dir / "notes.txt", file = dir / "notes.peltatxt";
    static constexpr int kEntries = kSlowBuild ? 4000 : 20000;
    EntryList old_list = version(u"old", kEntries), new_list = version(u"new", kEntries);
    std::string old_bytes, new_bytes;

    explicit InPlaceTarget(bool as_nobody) : unprivileged(as_nobody) {
        EXPECT_EQ(writeDataFile(handle(arg), new_list.get()), 1);
        new_bytes = read_bytes(file);
        EXPECT_EQ(writeDataFile(handle(arg), old_list.get()), 1);
        old_bytes = read_bytes(file);
        if (unprivileged) {
            EXPECT_EQ(::chown(file.c_str(), kNobody, kNogroup), 0);
            EXPECT_EQ(::chown(state.path().c_str(), kNobody, kNogroup), 0);
            ::chmod(dir.path().c_str(), 0755);  // root's: nobody may create nothing in it
        } else {
            fsys::create_hard_link(file, dir / "other-name");
        }
    }
    int save(const EntryList& list) const {
        return run([&] { return writeDataFile(handle(arg), list.get()); }, unprivileged, state.path());
    }
    pid_t start_save(const EntryList& list) const {
        return spawn([&] { return writeDataFile(handle(arg), list.get()); }, unprivileged, state.path());
    }
    // What an import by the saving user gives back: 1 the old records, 2 the new ones, 0 neither.
    int imported() const {
        return run(
            [&] {
                std::vector<std::u16string> got = texts_of(readDataFile(handle(file)));
                return got == texts_of(old_list.get()) ? 1 : got == texts_of(new_list.get()) ? 2 : 0;
            },
            unprivileged, state.path());
    }
    std::vector<std::string> backups() const {
        std::vector<std::string> b = backups_in(dir.path()), p = backups_in(state.path());
        b.insert(b.end(), p.begin(), p.end());
        return b;
    }
};

// A save in place killed at any moment leaves the previous content complete: in the target, or
// in its backup, which an import then reads; the next save completes and removes the backup.
TEST(CrashSafety, AnInPlaceSaveKilledAtAnyMomentKeepsThePreviousContent) {
    for (bool as_nobody : {false, true}) {
        if (as_nobody && ::geteuid() != 0) continue;
        SCOPED_TRACE(as_nobody ? "as nobody, in a directory that takes no new file" : "a hard-linked target");
        InPlaceTarget t(as_nobody);
        auto started = std::chrono::steady_clock::now();
        ASSERT_EQ(t.save(t.old_list), 1);
        const long save_us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started).count();
        std::mt19937 random(7);
        int torn = 0, kept_new = 0;
        for (int round = 0; round < (kSlowBuild ? 8 : 24); ++round) {
            SCOPED_TRACE(round);
            pid_t child = t.start_save(t.new_list);
            if (round % 2) {
                // At any moment of the save.
                ::usleep(static_cast<useconds_t>(std::uniform_int_distribution<long>(0, save_us * 3 / 2)(random)));
            } else {
                // While the target itself is written: once its backup is in place, as soon as it changes.
                while (t.backups().empty() && ::waitpid(child, nullptr, WNOHANG) == 0) {
                }
                struct stat was {}, now {};
                ::stat(t.file.c_str(), &was);
                for (int spin = 0; spin < 1000000; ++spin)
                    if (::stat(t.file.c_str(), &now) == 0 && (now.st_mtim.tv_nsec != was.st_mtim.tv_nsec ||
                                                             now.st_mtim.tv_sec != was.st_mtim.tv_sec))
                        break;
            }
            ::kill(child, SIGKILL);
            wait_for(child);
            std::string now = read_bytes(t.file);
            std::vector<std::string> backups = t.backups();
            ASSERT_LE(backups.size(), 1u);
            if (now != t.old_bytes && now != t.new_bytes) {
                ++torn;
                ASSERT_EQ(backups.size(), 1u) << "a torn target without a backup";
                EXPECT_EQ(read_bytes(backups[0]), t.old_bytes);
            }
            if (backups.empty()) {
                EXPECT_EQ(t.imported(), now == t.new_bytes ? 2 : 1);
            } else {
                EXPECT_EQ(read_bytes(backups[0]), t.old_bytes);
                EXPECT_EQ(t.imported(), 1) << "an import reads the complete backup";
            }
            kept_new += now == t.new_bytes && backups.empty();
            // The next save completes over whatever was left, and removes the backup.
            ASSERT_EQ(t.save(t.old_list), 1);
            EXPECT_EQ(read_bytes(t.file), t.old_bytes);
            EXPECT_TRUE(t.backups().empty());
        }
        std::printf("killed in-place saves: %d torn targets restored from the backup, %d already complete\n", torn,
                    kept_new);
    }
}

// Two saves of one file at once both succeed, one after the other: the file is one of the two.
TEST(CrashSafety, TwoSavesOfOneFileAtOnceTakeTurns) {
    for (bool in_place : {false, true}) {
        SCOPED_TRACE(in_place ? "in place" : "by rename");
        TempDir dir;
        EntryList a = version(u"a", 500), b = version(u"b", 500);
        fsys::path arg = dir / "t.txt", file = dir / "t.peltatxt";
        ASSERT_EQ(writeDataFile(handle(arg), b.get()), 1);
        const std::string b_bytes = read_bytes(file);
        ASSERT_EQ(writeDataFile(handle(arg), a.get()), 1);
        const std::string a_bytes = read_bytes(file);
        if (in_place) fsys::create_hard_link(file, dir / "other-name");
        const std::size_t entries = static_cast<std::size_t>(std::distance(fsys::directory_iterator(dir.path()), {}));
        // 1: saved; 2: refused as busy, which only a save that keeps its turn past the wait (a
        // disk slow to sync) may cause; anything else is a spurious failure.
        auto save = [&](const EntryList& list) {
            return [&] {
                errno = 0;
                return writeDataFile(handle(arg), list.get()) == 1 ? 1 : errno == EBUSY ? 2 : 0;
            };
        };
        int busy = 0;
        for (int round = 0; round < 30; ++round) {
            pid_t first = spawn(save(a));
            pid_t second = spawn(save(b));
            int one = wait_for(first), other = wait_for(second);
            EXPECT_TRUE((one == 1 || one == 2) && (other == 1 || other == 2) && one + other < 4) << round;
            busy += one == 2 || other == 2;
            std::string now = read_bytes(file);
            EXPECT_TRUE(now == a_bytes || now == b_bytes) << round;
            EXPECT_EQ(static_cast<std::size_t>(std::distance(fsys::directory_iterator(dir.path()), {})), entries)
                << "nothing left behind";
        }
        EXPECT_LT(busy, 30) << "saves that always time out do not take turns";
    }
}

// An import while the file is saved in place again and again reads the old or the new records,
// never a mix.
TEST(CrashSafety, AnImportDuringAnInPlaceSaveSeesOneWholeVersion) {
    InPlaceTarget t(false);
    pid_t saver = spawn([&] {
        for (int i = 0; i < 40; ++i)
            if (writeDataFile(handle(t.arg), (i % 2 ? t.old_list : t.new_list).get()) != 1) return 1;
        return 0;
    });
    int imports = 0, mixed = 0;
    while (::waitpid(saver, nullptr, WNOHANG) == 0) {
        std::vector<std::u16string> got = texts_of(readDataFile(handle(t.file)));
        mixed += got != texts_of(t.old_list.get()) && got != texts_of(t.new_list.get());
        ++imports;
    }
    endDLL();
    EXPECT_EQ(mixed, 0) << "of " << imports << " imports";
    EXPECT_GT(imports, 0);
}

// Another save that keeps the file's turn longer than the wait: the save fails at once with EBUSY
// and changes nothing.
TEST(CrashSafety, ASaveThatCannotGetItsTurnFailsAsBusy) {
    TempDir dir;
    EntryList list = version(u"x", 10);
    ASSERT_EQ(writeDataFile(handle(dir / "t.txt"), list.get()), 1);
    const std::string before = read_bytes(dir / "t.peltatxt");
    int fd = ::open((dir / "t.peltatxt").c_str(), O_WRONLY | O_CLOEXEC);
    struct flock turn {};
    turn.l_type = F_WRLCK;
    turn.l_whence = SEEK_SET;
    turn.l_start = 0;
    turn.l_len = 1;
    if (::fcntl(fd, F_OFD_SETLK, &turn) != 0) GTEST_SKIP() << "no open-file-description locks here";
    EntryList other = version(u"y", 10);
    errno = 0;
    EXPECT_EQ(writeDataFile(handle(dir / "t.txt"), other.get()), 0);
    EXPECT_EQ(errno, EBUSY);
    EXPECT_EQ(read_bytes(dir / "t.peltatxt"), before);
    ::close(fd);
}

// Saves with named temporary files into one directory from two processes at once: the sweep of
// one never removes the other's temporary file, not even in the moment after it is created.
TEST(CrashSafety, TheSweepNeverRemovesALiveTemporaryFile) {
    TempDir dir;
    EntryList list = version(u"s", 50);
    // A temporary file of a live process that has not locked it yet, and one of a process that is gone.
    pid_t sleeper = spawn([] { return ::pause(), 0; });
    pid_t gone = spawn([] { return 0; });
    wait_for(gone);
    const fsys::path unlocked = dir / (".peltatxt-" + std::to_string(sleeper) + "-00000000000000ab.new");
    const fsys::path stale = dir / (".peltatxt-" + std::to_string(gone) + "-00000000000000cd.new");
    write_bytes(unlocked, "x");
    write_bytes(stale, "x");
    auto saves = [&](const char* name) {
        return [&, name] {
            fs::use_unnamed_temporaries(false);
            for (int i = 0; i < 150; ++i)
                if (writeDataFile(handle(dir / name), list.get()) != 1) return 1;
            return 0;
        };
    };
    pid_t first = spawn(saves("a.txt")), second = spawn(saves("b.txt"));
    EXPECT_EQ(wait_for(first), 0);
    EXPECT_EQ(wait_for(second), 0);
    EXPECT_TRUE(fsys::exists(unlocked)) << "its process still runs";
    EXPECT_FALSE(fsys::exists(stale)) << "its process is gone";
    ::kill(sleeper, SIGKILL);
    wait_for(sleeper);
}

// Under a file-size limit the save fails with EFBIG before a write would raise SIGXFSZ (which
// would end a host that does not ignore it), and the previous file stays.
TEST(CrashSafety, AFileSizeLimitRefusesTheSaveInsteadOfEndingTheProcess) {
    for (bool in_place : {false, true}) {
        SCOPED_TRACE(in_place ? "in place" : "by rename");
        TempDir dir;
        EntryList small = version(u"small", 10), big = version(u"big", 20000);
        ASSERT_EQ(writeDataFile(handle(dir / "t.txt"), small.get()), 1);
        const std::string before = read_bytes(dir / "t.peltatxt");
        if (in_place) fsys::create_hard_link(dir / "t.peltatxt", dir / "other-name");
        int status = run([&] {
            struct rlimit limit {64 * 1024, 64 * 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            errno = 0;
            int ok = writeDataFile(handle(dir / "t.txt"), big.get());
            return ok == 0 && errno == EFBIG ? 0 : 1;
        });
        EXPECT_EQ(status, 0) << "128 + 25 is SIGXFSZ";
        EXPECT_EQ(read_bytes(dir / "t.peltatxt"), before);
        EXPECT_EQ(static_cast<std::size_t>(std::distance(fsys::directory_iterator(dir.path()), {})), in_place ? 2u : 1u);
    }
}

// On a full disk (a small tmpfs) the save fails with ENOSPC and the previous file stays.
TEST(CrashSafety, AFullDiskFailsTheSaveAndKeepsThePreviousFile) {
    TempDir dir;
    if (::mount("peltatxt-test", dir.path().c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    EntryList small = version(u"small", 10), big = version(u"big", 20000);
    ASSERT_EQ(writeDataFile(handle(dir / "t.txt"), small.get()), 1);
    const std::string before = read_bytes(dir / "t.peltatxt");
    errno = 0;
    EXPECT_EQ(writeDataFile(handle(dir / "t.txt"), big.get()), 0);
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(read_bytes(dir / "t.peltatxt"), before);
    EXPECT_EQ(static_cast<std::size_t>(std::distance(fsys::directory_iterator(dir.path()), {})), 1u);
    ::umount(dir.path().c_str());
}

}  // namespace
}  // namespace peltatxt
