// Saving fonts to real files: what lands on disk, what an existing file keeps,
// and that a failed save leaves the old font where it was.
#include "fake_file_calls.h"
#include "fontfile_test_support.h"

#include <acl/libacl.h>
#include <fcntl.h>
#include <pty.h>
#include <linux/fs.h>
#include <set>
#include <sys/ioctl.h>
#include <tuple>
#include <sys/xattr.h>

namespace {

int save(const std::string &file, const bytes &font)
{
    return save_file_bytes(file.c_str(), font.data(), classic_font_size);
}

using names_list = std::vector<std::string>;

class saving : public font_file_test {
protected:
    // Saves over an existing font in a child made to fail by `prepare`; the
    // save must fail with `expected_errno` and leave the old font alone.
    void expect_failed_save_keeps_the_old_font(const std::function<bool()> &prepare,
                                               int expected_errno)
    {
        bytes old_font = sample_font(11);
        std::string file = write_file("font.raw", old_font);
        auto outcome = run_in_child(prepare, [&] { return save(file, sample_font(12)); });
        ASSERT_TRUE(outcome) << "could not set the limit up";
        EXPECT_EQ(outcome->result, -1);
        EXPECT_EQ(outcome->error, "write: " + system_text(expected_errno));
        EXPECT_EQ(read_file(file), old_font);
        EXPECT_EQ(names(), names_list{"font.raw"});
    }
};

mode_t permission_bits(const std::string &file)
{
    struct stat status {};
    stat(file.c_str(), &status);
    return status.st_mode & 07777;
}

TEST_F(saving, new_file_holds_the_font_and_loads_back)
{
    mode_t old_mask = umask(027);
    bytes font = sample_font();
    int result = save(path("new.raw"), font);
    umask(old_mask);
    ASSERT_EQ(result, 0) << error_text;
    EXPECT_EQ(read_file(path("new.raw")), font);
    EXPECT_EQ(permission_bits(path("new.raw")), 0640u);
    EXPECT_EQ(names(), names_list{"new.raw"});
    ASSERT_EQ(load_font(path("new.raw").c_str()), 0);
    EXPECT_EQ(font_in_buffer(), font);
}

TEST_F(saving, font_from_a_uuencoded_file_is_saved_raw)
{
    bytes font = sample_font(1);
    ASSERT_EQ(load_font(write_file("font.uu", uuencoded(font)).c_str()), 0);
    ASSERT_EQ(save_font(path("font.uu").c_str()), 0);
    EXPECT_EQ(read_file(path("font.uu")), font);
}

TEST_F(saving, existing_file_keeps_its_permission_bits)
{
    std::string file = write_file("private.raw", sample_font(2));
    chmod(file.c_str(), 0600);
    bytes font = sample_font(3);
    ASSERT_EQ(save(file, font), 0) << error_text;
    EXPECT_EQ(read_file(file), font);
    EXPECT_EQ(permission_bits(file), 0600u);
    EXPECT_EQ(names(), names_list{"private.raw"});
}

TEST_F(saving, symbolic_link_stays_and_the_file_it_names_gets_the_font)
{
    std::filesystem::create_directory(directory / "fonts");
    std::string real = write_file("fonts/real.raw", sample_font(4));
    chmod(real.c_str(), 0640);
    std::filesystem::create_symlink("fonts/real.raw", directory / "link.raw");
    std::filesystem::create_symlink("fonts/later.raw", directory / "dangling.raw");
    bytes font = sample_font(5);

    ASSERT_EQ(save(path("link.raw"), font), 0) << error_text;
    ASSERT_EQ(save(path("dangling.raw"), font), 0) << error_text;

    EXPECT_EQ(std::filesystem::read_symlink(directory / "link.raw"), "fonts/real.raw");
    EXPECT_EQ(std::filesystem::read_symlink(directory / "dangling.raw"), "fonts/later.raw");
    EXPECT_EQ(read_file(real), font);
    EXPECT_EQ(read_file(path("fonts/later.raw")), font);
    EXPECT_EQ(permission_bits(real), 0640u);
    EXPECT_EQ(names(), (names_list{"dangling.raw", "fonts", "link.raw"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory / "fonts"),
                            std::filesystem::directory_iterator()),
              2);
}

TEST_F(saving, path_that_cannot_be_opened)
{
    struct failure {
        std::string file;
        std::string error;
    } cases[] = {
        {path("no/such/dir/font.raw"), "open: " + system_text(ENOENT)},
        {directory.string(), "open: " + system_text(EISDIR)},
    };
    for (const failure &f : cases) {
        EXPECT_EQ(save(f.file, sample_font()), -1) << f.file;
        EXPECT_EQ(error_text, f.error);
    }
    EXPECT_TRUE(names().empty());
}

TEST_F(saving, file_the_user_may_not_write_is_refused_and_kept)
{
    bytes old_font = sample_font(6);
    std::string file = write_file("locked.raw", old_font);
    chmod(file.c_str(), 0444);
    // The directory is open to all, so only the file's own bits can refuse.
    chmod(directory.c_str(), 0777);
    auto outcome = run_in_child(drop_privileges, [&] { return save(file, sample_font(7)); });
    if (!outcome)
        GTEST_SKIP() << "cannot drop root privileges, and root writes any file";
    EXPECT_EQ(outcome->result, -1);
    EXPECT_EQ(outcome->error, "open: " + system_text(EACCES));
    EXPECT_EQ(read_file(file), old_font);
    EXPECT_EQ(names(), names_list{"locked.raw"});
}

// chattr +a or -a on the scratch directory.
bool set_append_only(const std::filesystem::path &directory, bool on)
{
    int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    bool done = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                ioctl(fd, FS_IOC_SETFLAGS, &(flags = on ? flags | FS_APPEND_FL : flags & ~FS_APPEND_FL)) == 0;
    if (fd >= 0)
        close(fd);
    return done;
}

// A directory that takes no new file, or takes one but lets it be neither
// renamed nor removed (append-only): the font is written in place and no
// temporary file is left there.
TEST_F(saving, directory_closed_to_new_files_or_renames_gets_the_font_in_place)
{
    const struct {
        const char *what;
        std::function<bool()> close_directory;
        std::function<void()> open_directory;
    } cases[] = {
        {"closed to new files", [&] { return chmod(directory.c_str(), 0555) == 0 && drop_privileges(); },
         [] {}},
        {"append-only", [&] { return set_append_only(directory, true); },
         [&] { set_append_only(directory, false); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        // Longer than the font: nothing of the old file may be left at its end.
        bytes longer = sample_font(8);
        longer.resize(9000, 0x42);
        std::string file = write_file("shared.raw", longer);
        chmod(file.c_str(), 0666);
        bytes font = sample_font(9);
        auto outcome = run_in_child(c.close_directory, [&] { return save(file, font); });
        c.open_directory();
        if (!outcome)
            GTEST_SKIP() << "cannot drop root privileges, or set the append-only attribute (needs root)";
        EXPECT_EQ(outcome->result, 0) << outcome->error;
        EXPECT_EQ(read_file(file), font);
        EXPECT_EQ(permission_bits(file), 0666u);
        EXPECT_EQ(names(), names_list{"shared.raw"});
    }
}

// kbd's codepage files (the 8x16 font after a 40-byte header), a file of
// their size without their headers, and raw fonts in longer files: saved
// over, the file changes by the one bit edited, also after a save
// elsewhere, which follows the rules of any raw font. The emergency copy is
// what a save over the file writes.
TEST_F(saving, a_font_inside_a_longer_file_keeps_the_rest_of_it_saved_over_it)
{
    bytes unmarked = codepage_file(5);
    unmarked[4141] = 2;  // the 8x14 font's header says two fonts
    bytes longer_raw = sample_font(6);
    longer_raw.resize(9096, 0x5a);
    bytes a_byte_longer = sample_font(8);
    a_byte_longer.push_back(0x5a);
    // A name that calls for PSF does not make a save over the file cut it.
    std::vector<std::tuple<std::string, bytes, size_t>> cases = {
        {"made.cp", codepage_file(4), 40}, {"unmarked.cp", unmarked, 0},
        {"long.fnt", longer_raw, 0}, {"long.fnt.gz", gzipped(longer_raw), 0},
        {"4097.fnt", a_byte_longer, 0}, {"not-psf.psf", longer_raw, 0}};
    for (const char *name : {"161.cp", "162.cp", "163.cp", "164.cp", "165.cp", "737.cp", "880.cp", "972.cp"})
        if (std::filesystem::exists(std::string("/usr/share/consolefonts/") + name))
            cases.emplace_back(name, read_file(std::string("/usr/share/consolefonts/") + name), 40);
    for (const auto &[name, content, offset] : cases) {
        SCOPED_TRACE(name);
        const std::string file = write_file(name, content);
        const bytes unpacked = gunzip(file);
        ASSERT_EQ(load_font(file.c_str()), 0) << error_text;
        ASSERT_EQ(font_in_buffer(), bytes(&unpacked[offset], &unpacked[offset + classic_font_size]));
        flip_pixel(font_buffer, 255, 15, 7);
        bytes edited = unpacked;
        edited[offset + classic_font_size - 1] ^= 1;
        ASSERT_EQ(save_font(path("elsewhere.fnt").c_str()), 0) << error_text;
        EXPECT_EQ(read_file(path("elsewhere.fnt")), font_in_buffer());
        ASSERT_EQ(save_font(path("elsewhere.psf").c_str()), 0) << error_text;
        EXPECT_EQ(read_file(path("elsewhere.psf")).size(), 4 + classic_font_size);
        ASSERT_EQ(save_font(file.c_str()), 0) << error_text;
        EXPECT_EQ(gunzip(file), edited);
        EXPECT_EQ(emergency_copy_of_font(), edited);
        std::filesystem::remove(file);
    }
}

// Once the font has become a PSF file (as = makes one for a table), or
// where the file is longer than what was read of it, a save over the file
// would cut off the rest of it: refused, naming a PSF file instead.
TEST_F(saving, a_save_that_would_cut_off_the_rest_of_the_longer_file_is_refused)
{
    bytes beyond_the_limit(file_image_limit + 10, 0x24);
    const struct {
        std::string name;
        bytes content;
        bool made_psf;
        std::string suggested;
    } cases[] = {
        {"a-twenty-char-nam.cp", codepage_file(7), true, "a-twenty-char-nam.psf"},
        {"long-raw", bytes(5000, 0x33), true, "long-raw.psf"},
        {"huge.raw", beyond_the_limit, false, "huge.psf"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = write_file(c.name, c.content);
        ASSERT_EQ(load_font(file.c_str()), 0) << error_text;
        bytes psf = new_psf_header(font_buffer);
        const bytes glyphs = font_in_buffer();
        psf.insert(psf.end(), glyphs.begin(), glyphs.end());
        if (c.made_psf) {
            // With a table in which glyph 0 draws U+0041.
            psf[2] |= 0x02;
            psf.insert(psf.end(), {0x41, 0x00});
            for (int glyph = 0; glyph < 256; ++glyph)
                psf.insert(psf.end(), {0xff, 0xff});
            font_buffer.bytes = psf;
            font_buffer.glyph_offset = 4;
            font_buffer.is_file = font_buffer.is_new_file = true;
        }
        EXPECT_EQ(save_font(file.c_str()), -1);
        EXPECT_EQ(error_text, "the rest of the file would be lost; use " + c.suggested);
        EXPECT_LE(strlen("Save error: ") + strlen(error_text), 80u);
        EXPECT_EQ(read_file(file), c.content);
        ASSERT_EQ(save_font(path(c.suggested).c_str()), 0) << error_text;
        EXPECT_EQ(read_file(path(c.suggested)), psf);
        const names_list files = names();
        EXPECT_EQ(std::set<std::string>(files.begin(), files.end()), (std::set<std::string>{c.name, c.suggested}));
        std::filesystem::remove(file);
        std::filesystem::remove(path(c.suggested));
    }
    // A file of just the size the editor reads is held whole: saved over, it keeps the rest.
    bytes at_the_limit = std::move(beyond_the_limit);
    at_the_limit.resize(file_image_limit);
    const std::string file = write_file("limit.raw", at_the_limit);
    ASSERT_EQ(load_font(file.c_str()), 0) << error_text;
    flip_pixel(font_buffer, 0, 0, 0);
    ASSERT_EQ(save_font(file.c_str()), 0) << error_text;
    at_the_limit[0] ^= 0x80;
    EXPECT_EQ(read_file(file), at_the_limit);
}

TEST_F(saving, failing_write_is_reported)
{
    // Unprivileged, so a save that wrongly replaced the device could not.
    auto outcome = run_in_child(drop_privileges, [] { return save("/dev/full", sample_font()); });
    if (!outcome)
        GTEST_SKIP() << "cannot drop root privileges, and a faulty save as root could replace /dev/full";
    EXPECT_EQ(outcome->result, -1);
    EXPECT_EQ(outcome->error, "write: " + system_text(ENOSPC));
}

TEST_F(saving, pipe_gets_the_font_and_stays_a_pipe)
{
    std::string fifo = path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A reader already there lets the save open the pipe at once; the font
    // fits in the pipe's buffer.
    int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    bytes font = sample_font(10);
    EXPECT_EQ(save(fifo, font), 0) << error_text;
    bytes received(2 * font.size());
    ssize_t length = read(reader, received.data(), received.size());
    close(reader);
    received.resize(static_cast<size_t>(std::max<ssize_t>(length, 0)));
    EXPECT_EQ(received, font);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_EQ(names(), names_list{"fifo"});
}

TEST_F(saving, failure_after_the_temporary_file_was_made_keeps_the_old_font)
{
    // The temporary file may grow to only 1000 bytes: its write stops short,
    // then fails with EFBIG.
    expect_failed_save_keeps_the_old_font([] { return limit_file_size(1000); }, EFBIG);
}


TEST_F(saving, failed_save_under_a_new_name_leaves_no_file_behind)
{
    std::string file = path("new.raw");
    auto outcome = run_in_child([] { return limit_file_size(1000); },
                                [&] { return save(file, sample_font(13)); });
    ASSERT_TRUE(outcome) << "could not limit the file size";
    EXPECT_EQ(outcome->result, -1);
    EXPECT_EQ(names(), names_list{});

    // Through a dangling link: the link stays, the file it would name does not.
    ASSERT_EQ(symlink("missing.raw", path("link").c_str()), 0);
    outcome = run_in_child([] { return limit_file_size(1000); },
                           [&] { return save(path("link"), sample_font(13)); });
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->result, -1);
    EXPECT_EQ(names(), names_list{"link"});
}

TEST_F(saving, no_temporary_file_for_lack_of_resources_fails_and_keeps_the_old_font)
{
    // The target opens; the temporary file finds no file descriptor left.
    expect_failed_save_keeps_the_old_font(limit_open_files_to_one_more, EMFILE);
}

TEST_F(saving, a_flush_of_the_temporary_file_that_fails_fails_the_save_and_keeps_the_old_font)
{
    expect_failed_save_keeps_the_old_font([] { inject_file_fault({file_call::fsync, 1, EIO}); return true; }, EIO);
}

// ======== Faults: other owners, links, limits, files that would wait ========

constexpr uid_t nobody = 65534;
constexpr gid_t nogroup = 65534;
constexpr uid_t other_user = 65533;  // not the file's owner, but in its group

bool stay_root()
{
    return true;
}

bool become_other_user_in_nogroup()
{
    return setgroups(1, &nogroup) == 0 && setgid(nogroup) == 0 && setuid(other_user) == 0;
}

struct file_identity {
    uid_t owner;
    gid_t group;
    mode_t mode;
    nlink_t links;
    std::string acl = "";  // its entries, where the mode alone cannot say them
    bool operator==(const file_identity &) const = default;
};

void PrintTo(const file_identity &f, std::ostream *out)
{
    *out << "owner " << f.owner << ", group " << f.group << ", mode " << std::oct << f.mode
         << std::dec << ", " << f.links << " links, ACL \"" << f.acl << "\"";
}

std::string extended_acl(const std::string &file)
{
    acl_t acl = acl_get_file(file.c_str(), ACL_TYPE_ACCESS);
    if (!acl)
        return "";
    char *text = acl_equiv_mode(acl, nullptr) == 1 ? acl_to_any_text(acl, nullptr, ',', 0) : nullptr;
    std::string result = text ? text : "";
    acl_free(text);
    acl_free(acl);
    return result;
}

file_identity identity_of(const std::string &file)
{
    struct stat status {};
    stat(file.c_str(), &status);
    return {status.st_uid, status.st_gid, status.st_mode & 07777, status.st_nlink, extended_acl(file)};
}

// Every extended attribute of the file, with its value.
std::set<std::string> xattrs_of(const std::string &file)
{
    char names[4096];
    ssize_t length = listxattr(file.c_str(), names, sizeof names);
    std::set<std::string> found;
    for (ssize_t at = 0; at < length; at += static_cast<ssize_t>(strlen(names + at)) + 1) {
        char value[256];
        ssize_t size = getxattr(file.c_str(), names + at, value, sizeof value);
        found.insert(std::string(names + at) + "=" + std::string(value, static_cast<size_t>(std::max<ssize_t>(size, 0))));
    }
    return found;
}

ino_t inode_of(const std::string &file)
{
    struct stat status {};
    stat(file.c_str(), &status);
    return status.st_ino;
}

bool set_xattr(const std::string &file, const char *name)
{
    return setxattr(file.c_str(), name, "kept", 4, 0) == 0;
}

bool set_acl(const std::string &file, const std::string &text)
{
    acl_t acl = acl_from_text(text.c_str());
    bool set = acl && acl_set_file(file.c_str(), ACL_TYPE_ACCESS, acl) == 0;
    acl_free(acl);
    return set;
}

TEST_F(saving, a_save_keeps_who_owns_the_file_its_access_its_links_and_on_failure_its_bytes)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to make files of another user";
    std::string probe = write_file("probe", sample_font());
    if (!set_xattr(probe, "user.comment") || !set_xattr(probe, "security.quorvalen") ||
        !set_acl(probe, "u::rw,u:nobody:rw,g::r,m::rw,o::r"))
        GTEST_SKIP() << "the filesystem of " << directory << " keeps no ACLs or extended attributes: "
                     << system_text(errno) << "; set TMPDIR to a directory on one that does";
    std::filesystem::remove(probe);
    const std::string acl = "user::rw-,user:nobody:rw-,group::r--,mask::rw-,other::r--";
    const struct {
        const char *what;
        file_identity file;  // every file also has the extended attribute user.comment
        mode_t directory_mode;
        bool hard_linked;
        std::function<bool()> saver;
        bool replaced;       // by the temporary file; else written in place
        std::string error;   // empty: the save succeeds
        const char *xattr = nullptr;  // another extended attribute of the file
    } cases[] = {
        {"root saves a set-user-ID file of nobody", {nobody, nogroup, 04755, 1}, 0755, false, stay_root, true, ""},
        {"a group member saves another user's file", {nobody, nogroup, 0660, 1}, 0777, false,
         become_other_user_in_nogroup, false, ""},
        {"another user's file in a sticky directory", {nobody, nogroup, 0666, 1}, 01777, false,
         become_other_user_in_nogroup, false, ""},
        {"a file with two names", {0, 0, 0644, 2}, 0755, true, stay_root, false, ""},
        // The directory takes no temporary file, and the file may grow to only half a font.
        {"writing in place fails half way", {nobody, nogroup, 0644, 1}, 0555, false,
         [] { return drop_privileges() && limit_file_size(2048); }, false, "write: " + system_text(EFBIG)},
        // The group's bits hold the ACL's mask, wider than the group's own entry.
        {"a file with an ACL", {0, 0, 0664, 1, acl}, 0755, false, stay_root, true, ""},
        {"an ACL that cannot be copied", {0, 0, 0664, 1, acl}, 0755, false,
         [] { inject_file_fault({file_call::copy_acl, 1, EIO}); return true; }, false, ""},
        {"an extended attribute only root may set", {nobody, nogroup, 0644, 1}, 0777, false,
         drop_privileges, false, "", "security.quorvalen"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        bytes old_font = sample_font(20);
        bytes font = sample_font(21);
        std::string file = write_file("font.raw", old_font);
        names_list expected_names{"font.raw"};
        if (c.hard_linked) {
            ASSERT_EQ(link(file.c_str(), path("other-name.raw").c_str()), 0);
            expected_names.push_back("other-name.raw");
        }
        ASSERT_EQ(chown(file.c_str(), c.file.owner, c.file.group), 0);
        ASSERT_EQ(chmod(file.c_str(), c.file.mode), 0);
        ASSERT_TRUE(c.file.acl.empty() || set_acl(file, c.file.acl));
        ASSERT_TRUE(set_xattr(file, "user.comment") && (!c.xattr || set_xattr(file, c.xattr)));
        ASSERT_EQ(chmod(directory.c_str(), c.directory_mode), 0);
        ASSERT_EQ(identity_of(file), c.file);
        std::set<std::string> xattrs = xattrs_of(file);
        ino_t inode = inode_of(file);

        auto outcome = run_in_child(c.saver, [&] { return save(file, font); });
        ASSERT_TRUE(outcome) << "could not set the saver up";
        EXPECT_EQ(outcome->result, c.error.empty() ? 0 : -1) << outcome->error;
        if (!c.error.empty()) {
            EXPECT_EQ(outcome->error, c.error);
        }
        EXPECT_EQ(read_file(file), c.error.empty() ? font : old_font);
        EXPECT_EQ(identity_of(file), c.file);
        EXPECT_EQ(xattrs_of(file), xattrs);
        EXPECT_EQ(inode_of(file) != inode, c.replaced);
        EXPECT_EQ(names(), expected_names);
        chmod(directory.c_str(), 0700);
        for (const std::string &name : expected_names)
            std::filesystem::remove(path(name));
    }
}

TEST_F(saving, a_failure_while_writing_in_place_puts_every_old_byte_back)
{
    const struct {
        const char *what;
        file_fault fault;
        int error;
    } cases[] = {
        {"the first write fails", {file_call::write, 1, EIO}, EIO},
        {"a write fails after a short one", {file_call::write, 2, ENOSPC, true}, ENOSPC},
        {"a write takes nothing and gives no reason", {file_call::write, 1, 0}, EIO},
        {"the new bytes cannot be flushed", {file_call::fsync, 1, EIO}, EIO},
        {"the file cannot be shortened", {file_call::ftruncate, 1, EIO}, EIO},
        {"the new length cannot be flushed", {file_call::fsync, 2, EIO}, EIO},
    };
    for (size_t old_size : {9000u, 4096u, 2000u}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(c.what) + ", old size " + std::to_string(old_size));
            bytes old_font = sample_font(30);
            old_font.resize(old_size, 0x42);
            std::string file = write_file("font.raw", old_font);
            // A second name makes the save write over the file.
            ASSERT_EQ(link(file.c_str(), path("other-name.raw").c_str()), 0);
            inject_file_fault(c.fault);
            int result = save(file, sample_font(31));
            inject_file_fault({});
            EXPECT_EQ(result, -1);
            EXPECT_EQ(error_text, "write: " + system_text(c.error));
            EXPECT_EQ(read_file(file), old_font);
            std::filesystem::remove(path("other-name.raw"));
        }
    }
}

TEST_F(saving, a_pipe_without_a_partner_or_a_terminal_answers_at_once)
{
    std::string fifo = path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int controller, terminal;
    char terminal_name[256];
    ASSERT_EQ(openpty(&controller, &terminal, terminal_name, nullptr, nullptr), 0);
    const struct {
        std::string file;
        bool load;
        std::string error;
    } cases[] = {
        {fifo, false, "open: nothing reads from this pipe"},
        {fifo, true, "file is empty"},
        {terminal_name, false, "a terminal cannot be a font file"},
        {terminal_name, true, "a terminal cannot be a font file"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file + (c.load ? ": load" : ": save"));
        // A call that waits is ended by the alarm and counts as no answer.
        auto outcome = run_in_child([] { alarm(10); return true; }, [&] {
            return c.load ? load_font(c.file.c_str()) : save(c.file, sample_font(22));
        });
        ASSERT_TRUE(outcome) << "no answer";
        EXPECT_EQ(outcome->result, -1);
        EXPECT_EQ(outcome->error, c.error);
    }
    close(controller);
    close(terminal);
}

}  // namespace
