// save_targets_test.cpp — what an export does to each kind of target, as root and as an unprivileged user.
//
// Every case runs the export in a child process: once with the test's own privileges and, when
// the tests run as root (as in CI), once more as the user nobody, in a directory that belongs to
// it, so that permissions are really checked. After each export the target, whatever it links
// to and the directory listing are compared with what they were: a refused export changes
// nothing; a successful one leaves the new content in the real file with its mode, owner, links
// and extended attributes as they were, and no other file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

#include <peltatxt.h>
#include "support/entry_lists.h"
#include "support/file_metadata.h"
#include "support/files.h"
#include "support/records.h"
#include "support/temp_dir.h"
#include "fs/save_target.h"
#include "fs/file_system.h"

namespace peltatxt {
namespace {
using namespace testing;
namespace fsys = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

// A directory under /tmp that every user can reach, owned by the user who exports into it.
struct Scratch : TempDir {
    explicit Scratch(uid_t owner, gid_t group) : TempDir("/tmp") {
        ::chmod(path().c_str(), 0755);
        if (::geteuid() == 0) {
            EXPECT_EQ(::chown(path().c_str(), owner, group), 0);
        }
    }
};

// Everything about one directory entry that an export must keep (or, refused, leave alone): the
// entry itself (a symbolic link is not followed) and the content of a regular file.
using Meta = FileMetadata;
Meta meta_of(const fsys::path& p) { return metadata_of(p, {.follow_links = false, .content = true}); }

// The state of every entry of a directory, by name.
std::map<std::string, Meta> snapshot(const fsys::path& dir) {
    std::map<std::string, Meta> out;
    for (const auto& e : fsys::directory_iterator(dir)) out[e.path().filename().string()] = meta_of(e.path());
    return out;
}

struct Actor {
    const char* name;
    uid_t uid;
    gid_t gid;
    bool drop;  // drop to uid/gid in the child
};

// The actors a case runs as: the test's own user, and nobody when the test may become nobody.
std::vector<Actor> actors() {
    std::vector<Actor> out{{"self", ::geteuid(), ::getegid(), false}};
    if (::geteuid() == 0) out.push_back({"nobody", kNobody, kNogroup, true});
    return out;
}

// The actor's private backup directory (XDG_STATE_HOME) for a save in place whose directory
// takes no new file: on a disk, or (in_memory) on tmpfs, where no backup may go.
struct StateHome : TempDir {
    StateHome(const Actor& who, bool in_memory) : TempDir(in_memory ? "/dev/shm" : "/var/tmp") {
        ::chmod(path().c_str(), 0700);
        if (::geteuid() == 0) {
            EXPECT_EQ(::chown(path().c_str(), who.uid, who.gid), 0);
        }
    }
};

// Runs writeDataFile(path, list) in a child as the actor, with umask 022; its result, or -1.
int export_as(const Actor& who, const fsys::path& path, const EntryList& list, bool backup_on_disk = true) {
    StateHome state(who, !backup_on_disk);
    std::fflush(nullptr);
    pid_t child = ::fork();
    if (child == 0) {
        ::umask(022);
        ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
        if (who.drop && (::setgroups(0, nullptr) != 0 || ::setgid(who.gid) != 0 || ::setuid(who.uid) != 0)) ::_exit(99);
        ::_exit(writeDataFile(handle(path), list.get()));
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

EntryList new_list() { return make_list({folder(1, kNoParent, u"F"), entry(2, 1, u"new", u"the new content")}); }

// The bytes an export of new_list() writes.
const std::string& fresh_bytes() {
    static const std::string bytes = [] {
        TempDir dir;
        EntryList list = new_list();
        EXPECT_EQ(writeDataFile(handle(dir / "f.txt"), list.get()), 1);
        return read_bytes(dir / "f.peltatxt");
    }();
    return bytes;
}

const std::string kPrevious = "the previous file";

void make_file(const fsys::path& p, mode_t mode, uid_t uid, gid_t gid) {
    write_bytes(p, kPrevious);
    ASSERT_EQ(::chmod(p.c_str(), mode), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(p.c_str(), uid, gid), 0);
    }
}

// Someone other than the actor: root for nobody, nobody for root.
uid_t other_uid(const Actor& who) { return who.uid == 0 ? kNobody : 0; }
gid_t other_gid(const Actor& who) { return who.uid == 0 ? kNogroup : 0; }

struct Case {
    const char* name;
    std::function<void(const Scratch&, const Actor&)> prepare;  // makes the target t.peltatxt
    // Whether the export succeeds, for an actor with and without root's privileges.
    bool ok_privileged, ok_unprivileged;
    const char* real = "t.peltatxt";  // the entry that holds the content when it is no link
    bool keeps_inode_unprivileged = false;
    bool root_only = false;  // needs other users' files that only root can make
    bool backup_on_disk = true;  // the private backup directory is on a disk, not in memory
};

const Case kCases[] = {
    {"new file", [](const Scratch&, const Actor&) {}, true, true},
    {"private 0600 file", [](const Scratch& d, const Actor& a) { make_file(d / "t.peltatxt", 0600, a.uid, a.gid); },
     true, true},
    {"another user's file, writable by all",
     [](const Scratch& d, const Actor& a) { make_file(d / "t.peltatxt", 0666, other_uid(a), other_gid(a)); }, true,
     true, "t.peltatxt", true, true},
    {"another user's file, not writable by the actor",
     [](const Scratch& d, const Actor& a) { make_file(d / "t.peltatxt", 0644, other_uid(a), other_gid(a)); }, true,
     false, "t.peltatxt", false, true},
    {"symbolic link to a file",
     [](const Scratch& d, const Actor& a) {
         make_file(d / "real.dat", 0640, a.uid, a.gid);
         fsys::create_symlink("real.dat", d / "t.peltatxt");
     },
     true, true, "real.dat"},
    {"dangling symbolic link", [](const Scratch& d, const Actor&) { fsys::create_symlink("made.dat", d / "t.peltatxt"); },
     true, true, "made.dat"},
    {"hard-linked file",
     [](const Scratch& d, const Actor& a) {
         make_file(d / "t.peltatxt", 0644, a.uid, a.gid);
         fsys::create_hard_link(d / "t.peltatxt", d / "other-name");
     },
     true, true, "t.peltatxt", true},
    {"read-only 0444 file", [](const Scratch& d, const Actor& a) { make_file(d / "t.peltatxt", 0444, a.uid, a.gid); },
     false, false},
    {"FIFO", [](const Scratch& d, const Actor&) { ASSERT_EQ(::mkfifo((d / "t.peltatxt").c_str(), 0666), 0); }, false,
     false},
    {"link to a device", [](const Scratch& d, const Actor&) { fsys::create_symlink("/dev/null", d / "t.peltatxt"); },
     false, false},
    {"link to a directory", [](const Scratch& d, const Actor&) { fsys::create_symlink("/tmp", d / "t.peltatxt"); },
     false, false},
    {"directory", [](const Scratch& d, const Actor&) { fsys::create_directory(d / "t.peltatxt"); }, false, false},
    {"writable file in a directory without write permission",
     [](const Scratch& d, const Actor& a) {
         make_file(d / "t.peltatxt", 0644, a.uid, a.gid);
         ASSERT_EQ(::chmod(d.path().c_str(), 0555), 0);
     },
     true, true, "t.peltatxt", true},
    // Written in place only with a backup that outlives a crash, which memory does not.
    {"writable file in a directory without write permission, no private backup directory on a disk",
     [](const Scratch& d, const Actor& a) {
         make_file(d / "t.peltatxt", 0644, a.uid, a.gid);
         ASSERT_EQ(::chmod(d.path().c_str(), 0555), 0);
     },
     true, false, "t.peltatxt", false, false, false},
};

TEST(SaveTargets, EachKindOfTargetAsEachUser) {
    EntryList list = new_list();
    const std::string& fresh = fresh_bytes();
    // With unnamed temporary files where the system has them, and with named ones as elsewhere.
    for (bool unnamed : {true, false})
    for (const Actor& who : actors()) {
        fs::use_unnamed_temporaries(unnamed);
        bool privileged = who.uid == 0;
        for (const Case& c : kCases) {
            if (c.root_only && ::geteuid() != 0) continue;
            SCOPED_TRACE(std::string(c.name) + ", as " + who.name + (unnamed ? "" : ", named temporary file"));
            Scratch dir(who.uid, who.gid);
            c.prepare(dir, who);
            const std::map<std::string, Meta> before = snapshot(dir.path());
            bool expect_ok = privileged ? c.ok_privileged : c.ok_unprivileged;
            ASSERT_EQ(export_as(who, dir / "t.txt", list, c.backup_on_disk), expect_ok ? 1 : 0);
            std::map<std::string, Meta> after = snapshot(dir.path());
            if (!expect_ok) {
                EXPECT_EQ(after, before);
                continue;
            }
            // The new content is in the real file, and no other entry appeared or changed.
            ASSERT_TRUE(after.count(c.real));
            Meta& real = after[c.real];
            EXPECT_EQ(real.content, fresh);
            EXPECT_TRUE(S_ISREG(real.mode));
            if (before.count(c.real)) {
                const Meta& was = before.at(c.real);
                EXPECT_EQ(real.mode, was.mode) << describe(real) << " was " << describe(was);
                EXPECT_EQ(real.uid, was.uid);
                EXPECT_EQ(real.gid, was.gid);
                EXPECT_EQ(real.links, was.links);
                EXPECT_EQ(real.xattrs, was.xattrs);
                if (c.keeps_inode_unprivileged && !privileged) {
                    EXPECT_EQ(real.ino, was.ino) << "written in place";
                }
                if (was.links > 1) {
                    EXPECT_EQ(real.ino, was.ino);
                    EXPECT_EQ(after["other-name"].content, fresh) << "the other name sees the new content";
                }
            } else {
                EXPECT_EQ(real.mode & 07777, 0644u) << "a new file: 0666 less the umask";
                EXPECT_EQ(real.uid, who.uid);
            }
            std::map<std::string, Meta> rest = after, was = before;
            rest.erase(c.real);
            was.erase(c.real);
            if (rest.count("other-name")) rest["other-name"].content = was["other-name"].content;
            for (auto* m : {&rest, &was})
                for (auto& [name, meta] : *m) meta.ino = meta.links = 0;  // the link count of a hard link is checked above
            EXPECT_EQ(rest, was) << "no other entry appeared or changed";
        }
    }
    fs::use_unnamed_temporaries(true);
}

// A POSIX access ACL in the kernel's xattr form: owner rw, user nobody r, group r, mask r, others none.
std::string acl_bytes() {
    auto entry = [](uint16_t tag, uint16_t perm, uint32_t id) {
        std::string e(8, '\0');
        std::memcpy(e.data(), &tag, 2);
        std::memcpy(e.data() + 2, &perm, 2);
        std::memcpy(e.data() + 4, &id, 4);
        return e;
    };
    uint32_t version = 2;
    std::string acl(reinterpret_cast<const char*>(&version), 4);
    acl += entry(0x01, 6, 0xFFFFFFFFu);  // owner
    acl += entry(0x02, 4, kNobody);      // one named user
    acl += entry(0x04, 4, 0xFFFFFFFFu);  // owning group
    acl += entry(0x10, 4, 0xFFFFFFFFu);  // mask
    acl += entry(0x20, 0, 0xFFFFFFFFu);  // others
    return acl;
}

TEST(SaveTargets, ExtendedAttributesAndTheAclAreKept) {
    EntryList list = new_list();
    for (const Actor& who : actors()) {
        SCOPED_TRACE(who.name);
        Scratch dir(who.uid, who.gid);
        fsys::path t = dir / "t.peltatxt";
        make_file(t, 0640, who.uid, who.gid);
        std::string acl = acl_bytes();
        if (::setxattr(t.c_str(), "user.note", "kept", 4, 0) != 0 ||
            ::setxattr(t.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0)
            GTEST_SKIP() << "the file system under /tmp keeps no user.* attributes or ACLs: " << std::strerror(errno);
        Meta before = meta_of(t);
        ASSERT_EQ(before.xattrs.size(), 2u);
        ASSERT_EQ(export_as(who, dir / "t.txt", list), 1);
        Meta after = meta_of(t);
        EXPECT_EQ(after.content, fresh_bytes());
        EXPECT_EQ(after.xattrs, before.xattrs);
        EXPECT_EQ(after.mode, before.mode);
        EXPECT_EQ(after.uid, before.uid);
        EXPECT_EQ(testing::file_names(dir.path()), std::vector<std::string>{"t.peltatxt"});
    }
}

TEST(SaveTargets, AnImmutableFileIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a file immutable";
    Scratch dir(0, 0);
    fsys::path t = dir / "t.peltatxt";
    make_file(t, 0644, 0, 0);
    int fd = ::open(t.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        ::close(fd);
        GTEST_SKIP() << "the file system keeps no file flags";
    }
    int locked = flags | FS_IMMUTABLE_FL;
    if (::ioctl(fd, FS_IOC_SETFLAGS, &locked) != 0) {
        ::close(fd);
        GTEST_SKIP() << "this process may not set the immutable flag: " << std::strerror(errno);
    }
    Meta before = meta_of(t);
    EntryList list = new_list();
    EXPECT_EQ(writeDataFile(handle(dir / "t.txt"), list.get()), 0);
    EXPECT_EQ(meta_of(t), before);
    EXPECT_EQ(testing::file_names(dir.path()), std::vector<std::string>{"t.peltatxt"});
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    ::close(fd);
}

// Named temporary files left by a process that was killed are removed by the next export into
// the directory; files that only look like them, and those of a live process, are left alone; a
// planted file or link at a temporary name never makes an export fail or write elsewhere.
TEST(SaveTargets, StaleTemporariesAreSweptAndPlantedOnesIgnored) {
    TempDir dir;
    // A pid that surely does not run: a child that has exited and been reaped.
    pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    std::string stale = ".peltatxt-" + std::to_string(gone) + "-0123456789abcdef.tmp";
    std::string old_style = ".peltatxt-" + std::to_string(gone) + "-1.tmp";
    std::string live = ".peltatxt-" + std::to_string(::getppid()) + "-0123456789abcdef.tmp";
    write_bytes(dir / stale, "secret");
    write_bytes(dir / old_style, "secret");
    write_bytes(dir / "peltatxt-notes.tmp", "mine");
    fsys::create_symlink("/etc/passwd", dir / (".peltatxt-" + std::to_string(gone) + "-fedcba9876543210.tmp"));
    // Held open and locked, as a save in progress holds its temporary file.
    write_bytes(dir / live, "in progress");
    int fd = ::open((dir / live).c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    std::string passwd = read_bytes("/etc/passwd");
    EntryList list = new_list();
    ASSERT_EQ(writeDataFile(handle(dir / "t.txt"), list.get()), 1);
    std::vector<std::string> expected{".peltatxt-" + std::to_string(gone) + "-fedcba9876543210.tmp", live,
                                      "peltatxt-notes.tmp", "t.peltatxt"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(file_names(dir.path()), expected);
    EXPECT_EQ(read_bytes("/etc/passwd"), passwd);
    ::close(fd);
}

// The refusal a save would meet, found without changing anything, for the tool's messages.
TEST(SaveTargets, WhyASaveWouldBeRefusedIsFoundWithoutChangingAnything) {
    TempDir dir;
    fsys::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0666), 0);
    write_bytes(dir / "plain", "x");
    write_bytes(dir / "frozen", "x");
    ::chmod((dir / "frozen").c_str(), 0444);
    const struct {
        const char* name;
        int error;
    } cases[] = {{"folder", EISDIR}, {"fifo", ENXIO}, {"missing/x", ENOENT}, {"plain/x", ENOTDIR},
                 {"frozen", EACCES}, {"plain", 0},    {"new", 0}};
    const std::map<std::string, Meta> before = snapshot(dir.path());
    for (const auto& c : cases) EXPECT_EQ(fs::save::why_refused(u16(dir / c.name)).error, c.error) << c.name;
    EXPECT_EQ(snapshot(dir.path()), before);
}

}  // namespace
}  // namespace peltatxt
