// The emergency copy under faults: a place that cannot take the whole copy
// keeps nothing of it, and the next place is tried.
#include "fake_file_calls.h"
#include "fontfile_test_support.h"

#include <sched.h>
#include <sys/mount.h>

namespace {

using emergency_copy = font_file_test;

// A 12 KiB file system at `where`, filled up, seen only by this process.
bool mount_full_disk(const std::string &where)
{
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", where.c_str(), "tmpfs", 0, "size=12k") != 0)
        return false;
    std::ofstream filler(where + "/filler", std::ios::binary);
    const bytes block(1024, 0);
    while (filler.write(reinterpret_cast<const char *>(block.data()), 1024))
        filler.flush();
    return true;
}

TEST_F(emergency_copy, a_place_that_fails_keeps_nothing_and_the_next_is_tried)
{
    std::filesystem::create_directories(directory / "full");
    std::filesystem::create_directories(directory / "home");
    const std::string full = path("full/font.raw"), working = path("quorvalen"),
                      missing = path("missing/quorvalen"), home = path("home/quorvalen");
    const auto full_disk = [&] { return mount_full_disk(path("full")); };
    const auto size_limit = [] { return limit_file_size(1000); };
    const auto failing_flush = [] {
        inject_file_fault({file_call::fsync, 1, EIO});
        return true;
    };
    const struct {
        const char *what;
        std::function<bool()> fault;
        std::vector<const char *> bases;
        int place;  // the base that takes the copy; -1: none
    } cases[] = {
        {"no file may hold a whole font", size_limit, {working.c_str(), home.c_str()}, -1},
        {"the copy cannot be flushed", failing_flush, {working.c_str(), home.c_str()}, 1},
        {"the font's disk is full", full_disk, {full.c_str(), working.c_str(), home.c_str()}, 1},
        {"then the home directory", full_disk, {full.c_str(), missing.c_str(), home.c_str()}, 2},
        {"every place fails", full_disk, {full.c_str(), missing.c_str()}, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        // The result is the place taken; -2 when a part of the copy is left on the full disk.
        auto outcome = run_in_child(c.fault, [&] {
            char name[PATH_MAX + emergency_suffix_size];
            bool written = write_emergency_copy(c.bases, name);
            if (std::filesystem::exists(full + ".save"))
                return -2;
            for (size_t i = 0; written && i < c.bases.size(); ++i)
                if (std::string(c.bases[i]) + ".save" == name)
                    return static_cast<int>(i);
            return -1;
        });
        if (!outcome)
            GTEST_SKIP() << "cannot mount a small file system here (needs root and mount namespaces)";
        EXPECT_EQ(outcome->result, c.place);
        for (size_t i = 0; i < c.bases.size(); ++i) {
            std::string copy = std::string(c.bases[i]) + ".save";
            EXPECT_EQ(std::filesystem::exists(copy), static_cast<int>(i) == c.place) << copy;
            if (static_cast<int>(i) == c.place) {
                EXPECT_EQ(read_file(copy), before);
            }
            std::filesystem::remove(copy);
        }
    }
}

}  // namespace
