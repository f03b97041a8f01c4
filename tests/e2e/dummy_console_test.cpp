// The real editor on this machine's own virtual console, tty1, typed into
// with TIOCSTI and read back from /dev/vcs1. Build machines have one whose
// driver is the kernel's dummy console, which has no font: start-up, C and
// D must say so and keep the font being edited. It runs only as root and
// only where every console driver is the dummy one, so that it can never
// change the font of a screen someone looks at.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <glob.h>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr char console_path[] = "/dev/tty1";
constexpr char screen_path[] = "/dev/vcs1";
constexpr char screen_with_attributes_path[] = "/dev/vcsa1";
const std::string no_font_message = "This console has no loadable font.";

std::string file_text(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Why the test cannot run here; empty when it can.
std::string reason_to_skip()
{
    if (geteuid() != 0)
        return "needs root to type into /dev/tty1";
    if (access(console_path, F_OK) != 0)
        return "this machine has no /dev/tty1";
    glob_t drivers{};
    glob("/sys/class/vtconsole/vtcon*/name", 0, nullptr, &drivers);
    std::string reason = drivers.gl_pathc == 0 ? "no console driver is listed" : "";
    for (size_t i = 0; i < drivers.gl_pathc && reason.empty(); ++i) {
        const std::string name = file_text(drivers.gl_pathv[i]);
        if (name.find("dummy device") == std::string::npos)
            reason = "a console driver here is not the dummy one (" + name.substr(0, name.find('\n')) +
                     "): the test would change a real screen's font";
    }
    globfree(&drivers);
    return reason;
}

// tty1 held for one test: locked against other runs of it, its input
// flushed before and after, its modes and screen put back and the editor
// killed at the end, however the test ends.
class dummy_console {
public:
    dummy_console()
    {
        fd_ = open(console_path, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0 || flock(fd_, LOCK_EX) != 0 || tcgetattr(fd_, &modes_) != 0)
            throw std::runtime_error("cannot take /dev/tty1");
        winsize size{};
        ioctl(fd_, TIOCGWINSZ, &size);
        rows_ = size.ws_row;
        cols_ = size.ws_col;
        screen_ = file_text(screen_with_attributes_path);
        tcflush(fd_, TCIFLUSH);
    }
    ~dummy_console()
    {
        if (editor_ > 0) {
            kill(editor_, SIGKILL);
            waitpid(editor_, nullptr, 0);
        }
        tcflush(fd_, TCIFLUSH);
        tcsetattr(fd_, TCSANOW, &modes_);
        std::ofstream(screen_with_attributes_path, std::ios::binary) << screen_;
        close(fd_);
    }
    dummy_console(const dummy_console &) = delete;
    dummy_console &operator=(const dummy_console &) = delete;

    // In a session of its own, so that no signal of ours reaches it and
    // tty1 does not become its controlling terminal; but it dies with the
    // test, even when the test is killed.
    void start_editor()
    {
        const pid_t test = getpid();
        editor_ = fork();
        if (editor_ != 0)
            return;
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != test)
            _exit(127);
        setsid();
        const int console = open(console_path, O_RDWR | O_NOCTTY);
        for (int fd : {0, 1, 2})
            dup2(console, fd);
        setenv("TERM", "linux", 1);
        setenv("LC_ALL", "C", 1);
        execl(QUORVALEN_BINARY, QUORVALEN_BINARY, static_cast<char *>(nullptr));
        _exit(127);
    }
    void type(const std::string &keys)
    {
        for (const char &key : keys)
            ASSERT_EQ(ioctl(fd_, TIOCSTI, &key), 0);
    }
    std::string row(int row)
    {
        return file_text(screen_path).substr(static_cast<size_t>(row * cols_), static_cast<size_t>(cols_));
    }
    std::string status_line()
    {
        std::string text = row(rows_ - 1);
        return text.erase(text.find_last_not_of(' ') + 1);
    }
    bool wait_until(const std::function<bool()> &shown)
    {
        for (auto deadline = std::chrono::steady_clock::now() + 30s; !shown();
             std::this_thread::sleep_for(20ms))
            if (std::chrono::steady_clock::now() > deadline)
                return false;
        return true;
    }
    bool wait_for_status(const std::string &text)
    {
        return wait_until([&] { return status_line() == text; });
    }
    int wait_exit()
    {
        int status = 0;
        if (!wait_until([&] { return waitpid(editor_, &status, WNOHANG) == editor_; }))
            return -1;
        editor_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    int fd_ = -1;
    termios modes_{};
    std::string screen_;
    int rows_ = 0;
    int cols_ = 0;
    pid_t editor_ = -1;
};

TEST(dummy_console, start_up_c_and_d_say_the_console_has_no_font_and_keep_the_font)
{
    if (const std::string reason = reason_to_skip(); !reason.empty())
        GTEST_SKIP() << reason;
    dummy_console vt;
    vt.start_editor();
    ASSERT_TRUE(vt.wait_for_status(no_font_message)) << vt.status_line();

    const int glyph_top_row = 6;  // pixel row 0 of the glyph window
    const std::string unlit = vt.row(glyph_top_row);
    vt.type(" ");
    ASSERT_TRUE(vt.wait_until([&] { return vt.row(glyph_top_row) != unlit; }));
    const std::string lit = vt.row(glyph_top_row);
    for (const char *key : {"C", "D"}) {
        vt.type("R");
        ASSERT_TRUE(vt.wait_for_status("")) << key;
        vt.type(key);
        ASSERT_TRUE(vt.wait_for_status(no_font_message)) << key << ": " << vt.status_line();
        EXPECT_EQ(vt.row(glyph_top_row), lit) << key;
    }
    vt.type("q");
    EXPECT_EQ(vt.wait_exit(), 0);
}

} // namespace
