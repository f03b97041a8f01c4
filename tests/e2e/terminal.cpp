#include "terminal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <vterm.h>
}

using clock_type = std::chrono::steady_clock;

static void set_cloexec(int fd)
{
    fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// A stand-in for a job-control shell: the editor runs as a job in its own
// process group, in the foreground, so Ctrl-Z really stops it. While it is
// stopped the shell holds the terminal (and so gets any SIGWINCH); SIGUSR1
// is its `fg`. Returns in the job; the shell ends as the job ends, with its
// status, after reporting the job's process id on `report`.
static void run_as_job(int slave, int report)
{
    sigset_t fg;
    sigemptyset(&fg);
    sigaddset(&fg, SIGUSR1);
    sigprocmask(SIG_BLOCK, &fg, nullptr);
    signal(SIGTTOU, SIG_IGN);
    pid_t job = fork();
    if (job == 0) {
        setpgid(0, 0);
        tcsetpgrp(slave, getpid());
        signal(SIGTTOU, SIG_DFL);
        sigprocmask(SIG_UNBLOCK, &fg, nullptr);
        return;
    }
    setpgid(job, job);
    tcsetpgrp(slave, job);
    if (write(report, &job, sizeof job) != sizeof job)
        _exit(127);
    for (;;) {
        int status = 0;
        if (waitpid(job, &status, WUNTRACED) != job)
            _exit(127);
        if (!WIFSTOPPED(status))
            _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
        tcsetpgrp(slave, getpgrp());
        int cue = 0;
        sigwait(&fg, &cue);
        tcsetpgrp(slave, job);
        kill(-job, SIGCONT);
    }
}

static void set_up_standard_input(const terminal_options &options, int slave)
{
    int input = options.stdin_from.empty() ? slave : open(options.stdin_from.c_str(), O_RDONLY);
    dup2(input, STDIN_FILENO);
    if (options.nonblocking_stdin)
        fcntl(STDIN_FILENO, F_SETFL, fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
}

[[noreturn]] static void run_child(const std::vector<std::string> &args, const terminal_options &options,
                                   int slave, int stdout_fd, int report)
{
    if (options.ignore_hangup)
        signal(SIGHUP, SIG_IGN);
    // As a shell leaves them, whatever the test runner did: a runner started
    // in the background of a script ignores Ctrl-C and Ctrl-\ too.
    for (int number : {SIGPIPE, SIGXFSZ, SIGINT, SIGQUIT})
        signal(number, SIG_DFL);
    setsid();
    ioctl(slave, TIOCSCTTY, 0);
    if (options.job_control)
        run_as_job(slave, report);
    set_up_standard_input(options, slave);
    dup2(stdout_fd, STDOUT_FILENO);
    dup2(slave, STDERR_FILENO);
    if (options.file_size_limit > 0) {
        rlimit limit{options.file_size_limit, options.file_size_limit};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (!options.workdir.empty() && chdir(options.workdir.c_str()) != 0)
        _exit(126);
    // The size must come from the terminal, and key timing from the program.
    for (const char *name : {"LINES", "COLUMNS", "ESCDELAY", "TERMINFO", "NCURSES_NO_UTF8_ACS",
                             "LANG", "LANGUAGE", "LC_CTYPE", "LC_ALL"})
        unsetenv(name);
    setenv("TERM", options.term.c_str(), 1);
    setenv("LC_ALL", options.locale.c_str(), 1);
    std::vector<char *> argv;
    std::string binary = options.binary;
    argv.push_back(binary.data());
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    execv(binary.c_str(), argv.data());
    _exit(127);
}

terminal::terminal(std::vector<std::string> args, terminal_options options)
    : options_(std::move(options))
{
    winsize size{};
    size.ws_row = static_cast<unsigned short>(options_.rows);
    size.ws_col = static_cast<unsigned short>(options_.cols);
    if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0)
        throw std::runtime_error("openpty failed");
    tcgetattr(slave_, &modes_at_start_);
    set_cloexec(master_);
    set_cloexec(slave_);
    fcntl(master_, F_SETFL, O_NONBLOCK);
    int pipe_fds[2] = {-1, -1};
    if (options_.stdout_to_pipe) {
        if (pipe2(pipe_fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        stdout_pipe_ = pipe_fds[0];
        fcntl(stdout_pipe_, F_SETFL, O_NONBLOCK);
    }
    int report[2] = {-1, -1};
    if (options_.job_control && pipe2(report, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    int substituted[2] = {-1, -1};
    if (!options_.on_fd_63.empty() && pipe2(substituted, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ == 0) {
        if (substituted[0] >= 0)
            dup2(substituted[0], 63);
        run_child(args, options_, slave_, options_.stdout_to_pipe ? pipe_fds[1] : slave_, report[1]);
    }
    if (substituted[1] >= 0) {
        if (write(substituted[1], options_.on_fd_63.data(), options_.on_fd_63.size()) < 0)
            ADD_FAILURE() << "the pipe on fd 63 took nothing";
        close(substituted[0]);
        close(substituted[1]);
    }
    if (pipe_fds[1] >= 0)
        close(pipe_fds[1]);
    editor_pid_ = pid_;
    if (options_.job_control) {
        close(report[1]);
        if (read(report[0], &editor_pid_, sizeof editor_pid_) != sizeof editor_pid_)
            ADD_FAILURE() << "the stand-in shell did not start the editor";
        close(report[0]);
    }

    vt_ = vterm_new(options_.rows, options_.cols);
    vterm_set_utf8(vt_, 1);
    screen_ = vterm_obtain_screen(vt_);
    static const VTermScreenCallbacks callbacks = {
        .bell = [](void *self) {
            ++static_cast<terminal *>(self)->bells_;
            return 1;
        },
    };
    vterm_screen_set_callbacks(screen_, &callbacks, this);
    vterm_screen_enable_altscreen(screen_, 1);
    vterm_screen_reset(screen_, 1);
}

terminal::~terminal()
{
    if (running()) {
        kill(editor_pid_, SIGKILL);
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int fd : {master_, slave_, stdout_pipe_})
        if (fd >= 0)
            close(fd);
    vterm_free(vt_);
}

static void write_all(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            throw std::runtime_error("write to terminal failed");
        if (n > 0)
            done += static_cast<size_t>(n);
    }
}

void terminal::type(const std::string &bytes)
{
    write_all(master_, bytes);
}

void terminal::press(const char *cap)
{
    type(key_string(options_.term, cap));
}

// Reads what the program wrote, waiting up to wait_ms for the first bytes.
// The poll makes the kernel hand over what is still in flight, so once the
// program's write has returned, pump(0) gets all of it.
// Answers the emulator's replies (such as to a status query) like a terminal.
bool terminal::pump(int wait_ms)
{
    pollfd fds[2] = {{master_, POLLIN, 0}, {stdout_pipe_, POLLIN, 0}};
    if (poll(fds, 2, wait_ms) <= 0)
        return false;
    bool got = false;
    char buffer[4096];
    if (master_ >= 0 && (fds[0].revents & POLLIN)) {
        ssize_t n;
        while ((n = read(master_, buffer, sizeof buffer)) > 0) {
            output_.append(buffer, static_cast<size_t>(n));
            feed_emulator(buffer, static_cast<size_t>(n));
            got = true;
        }
        size_t reply = vterm_output_read(vt_, buffer, sizeof buffer);
        if (reply > 0)
            write_all(master_, std::string(buffer, reply));
    }
    if (stdout_pipe_ >= 0 && (fds[1].revents & (POLLIN | POLLHUP))) {
        ssize_t n;
        while ((n = read(stdout_pipe_, buffer, sizeof buffer)) > 0) {
            stdout_text_.append(buffer, static_cast<size_t>(n));
            got = true;
        }
    }
    return got;
}

// How many bytes at the end of `bytes` begin a UTF-8 character that is
// not whole yet.
static size_t unfinished_character_length(const std::string &bytes)
{
    for (size_t back = 1; back <= std::min<size_t>(3, bytes.size()); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if (byte < 0x80)
            return 0;
        if (byte >= 0xc0)
            return back < (byte >= 0xf0 ? 4u : byte >= 0xe0 ? 3u : 2u) ? back : 0;
    }
    return 0;
}

// libvterm 0.1.4 loses the character printed right after a repeat (REP,
// CSI n b) that ends near the right margin, which real terminals draw. So
// repeats are written out before the emulator sees them.
// It also keeps two UTF-8 decoders, picked by the first byte of a run of
// text: a character split across two writes, begun in a run that starts
// with ASCII, is ended by the other decoder and shows as U+FFFD, shifting
// the rest of the row. So it only ever gets whole characters.
void terminal::feed_emulator(const char *bytes, size_t length)
{
    std::string in = unfinished_sequence_ + std::string(bytes, length);
    unfinished_sequence_.clear();
    std::string out = std::move(unfinished_character_);
    for (size_t i = 0; i < in.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(in[i]);
        if (byte == 0x1b && (i + 1 == in.size() || in[i + 1] == '[')) {
            size_t end = i + 2;  // the final byte of a control sequence is @ to ~
            while (end < in.size() && (in[end] < '@' || in[end] > '~'))
                ++end;
            if (end >= in.size()) {
                unfinished_sequence_ = in.substr(i);
                break;
            }
            if (in[end] == 'b') {
                int count = std::atoi(in.substr(i + 2, end - i - 2).c_str());
                for (int k = 0; k < std::max(count, 1); ++k)
                    out += last_character_;
            } else {
                out += in.substr(i, end + 1 - i);
            }
            i = end;
            continue;
        }
        out += in[i];
        if (byte >= 0x20 && byte != 0x7f && (byte < 0x80 || byte >= 0xc0))
            last_character_ = in[i];
        else if (byte >= 0x80 && byte < 0xc0)
            last_character_ += in[i];
    }
    unfinished_character_ = out.substr(out.size() - unfinished_character_length(out));
    vterm_input_write(vt_, out.data(), out.size() - unfinished_character_.size());
}

void terminal::paint_over(int row, int col, const std::string &text)
{
    const std::string painted = "\x1b" "7\x1b[" + std::to_string(row + 1) + ";" + std::to_string(col + 1) +
                                "H" + text + "\x1b" "8";
    vterm_input_write(vt_, painted.data(), painted.size());
}

// The state letter of /proc/<pid>/stat: S sleeping, T stopped, ...
static char process_state(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    size_t after_name = line.rfind(')');
    return after_name == std::string::npos || after_name + 2 >= line.size() ? '?' : line[after_name + 2];
}

// True when the program sleeps in a read of its standard input, or, when
// that is non-blocking, in a poll of one file without a time limit.
bool terminal::waiting_for_input()
{
    if (process_state(editor_pid_) != 'S')
        return false;
    std::ifstream syscall("/proc/" + std::to_string(editor_pid_) + "/syscall");
    std::string number, first, second, third;
    syscall >> number >> first >> second >> third;
    return (number == "0" && first == "0x0") ||
           (number == std::to_string(SYS_poll) && second == "0x1" && third == "0xffffffff");
}

// Keys written to our side wait in the kernel's buffer until a worker
// thread hands them to the program's side, and FIONREAD does not count them
// meanwhile: on a loaded machine a key just typed looked already read, and
// settle() returned before the program had seen it. Polling the program's
// side makes the kernel finish that hand-over first.
int terminal::pending_input()
{
    if (slave_ < 0)
        return 0;
    pollfd input{slave_, POLLIN, 0};
    poll(&input, 1, 0);
    int count = 0;
    if (ioctl(slave_, FIONREAD, &count) != 0)
        return 0;
    return count;
}

bool terminal::running()
{
    if (ended_)
        return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_)
        return true;
    ended_ = true;
    exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ending_signal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return false;
}

static std::string dump(terminal &t, int rows)
{
    std::ostringstream out;
    for (int row = 0; row < rows; ++row)
        out << '|' << t.row_text(row) << "|\n";
    cursor_position c = t.cursor();
    out << "cursor " << c.row << "," << c.col << '\n';
    return out.str();
}

// Exact, with no quiet spell to wait out: polling either side of the
// terminal makes the kernel hand over the bytes in flight to it first
// (see pump() and pending_input()). A quiet spell was a guess at how long
// that hand-over takes, and too short on a loaded machine.
void terminal::settle()
{
    auto deadline = clock_type::now() + timeout;
    while (clock_type::now() < deadline) {
        while (pump(0)) {
        }
        if (!running()) {
            while (pump(0)) {
            }
            return;
        }
        if (pending_input() == 0 && waiting_for_input() && !pump(0) && waiting_for_input())
            return;
        pump(5);
    }
    ADD_FAILURE() << "the program did not settle\n" << dump(*this, options_.rows);
}

void terminal::wait_for_text(int row, int col, const std::string &expected)
{
    auto deadline = clock_type::now() + timeout;
    int length = static_cast<int>(expected.size());
    while (clock_type::now() < deadline) {
        // Compare by cells: the expected text may hold multi-byte characters.
        std::string shown;
        for (int c = col; c < options_.cols && shown.size() < expected.size(); ++c)
            shown += cell(row, c).text;
        if (shown == expected)
            return;
        pump(20);
    }
    ADD_FAILURE() << "expected \"" << expected << "\" (" << length << " bytes) at row " << row
                  << ", column " << col << "\n"
                  << dump(*this, options_.rows);
}

void terminal::wait_for_bells(int count)
{
    auto deadline = clock_type::now() + timeout;
    while (bells_ < count && clock_type::now() < deadline)
        pump(20);
    if (bells_ < count)
        ADD_FAILURE() << "expected " << count << " bells, heard " << bells_;
}

int terminal::wait_exit(std::chrono::milliseconds limit)
{
    auto deadline = clock_type::now() + limit;
    while (running()) {
        if (clock_type::now() > deadline) {
            ADD_FAILURE() << "the program did not end\n" << dump(*this, options_.rows);
            kill(pid_, SIGKILL);
            continue;
        }
        pump(10);
    }
    while (pump(0)) {
    }
    return exit_status_;
}

void terminal::resize(int rows, int cols)
{
    winsize size{};
    size.ws_row = static_cast<unsigned short>(rows);
    size.ws_col = static_cast<unsigned short>(cols);
    ioctl(master_, TIOCSWINSZ, &size);
    vterm_set_size(vt_, rows, cols);
    options_.rows = rows;
    options_.cols = cols;
}

void terminal::wait_until(const std::function<bool()> &done, const std::string &what)
{
    auto deadline = clock_type::now() + timeout;
    while (!done()) {
        if (clock_type::now() > deadline) {
            ADD_FAILURE() << "timed out waiting until " << what << "\n" << dump(*this, options_.rows);
            return;
        }
        pump(5);
    }
}

void terminal::suspend()
{
    type("\x1a");
    wait_until([this] { return process_state(editor_pid_) == 'T' && tcgetpgrp(master_) != editor_pid_; },
               "the editor stopped and the shell took the terminal");
}

void terminal::resume()
{
    kill(pid_, SIGUSR1);
}

void terminal::make_input_nonblocking()
{
    fcntl(slave_, F_SETFL, fcntl(slave_, F_GETFL) | O_NONBLOCK);
}

bool terminal::input_is_nonblocking()
{
    return (fcntl(slave_, F_GETFL) & O_NONBLOCK) != 0;
}

long terminal::cpu_ticks()
{
    std::ifstream stat("/proc/" + std::to_string(editor_pid_) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string skipped;
    for (int field = 3; field < 14; ++field)
        fields >> skipped;
    long user = 0, system = 0;
    fields >> user >> system;
    return user + system;
}

void terminal::wait_for_open_file(const std::string &path)
{
    const std::filesystem::path wanted = std::filesystem::canonical(path);
    const std::string fds = "/proc/" + std::to_string(editor_pid_) + "/fd";
    wait_until(
        [&] {
            std::error_code error;
            for (const auto &entry : std::filesystem::directory_iterator(fds, error))
                if (std::filesystem::read_symlink(entry.path(), error) == wanted)
                    return true;
            return false;
        },
        "the editor opened " + path);
}

bool terminal::modes_as_at_start()
{
    termios now{};
    tcgetattr(slave_, &now);
    return now.c_iflag == modes_at_start_.c_iflag && now.c_oflag == modes_at_start_.c_oflag &&
           now.c_cflag == modes_at_start_.c_cflag && now.c_lflag == modes_at_start_.c_lflag &&
           std::equal(std::begin(now.c_cc), std::end(now.c_cc), std::begin(modes_at_start_.c_cc));
}

void terminal::hang_up()
{
    close(master_);
    close(slave_);
    master_ = slave_ = -1;
}

static void append_utf8(std::string &out, uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

screen_cell terminal::cell(int row, int col)
{
    VTermScreenCell raw{};
    vterm_screen_get_cell(screen_, VTermPos{row, col}, &raw);
    screen_cell result;
    if (raw.chars[0] == 0)
        result.text = " ";
    for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && raw.chars[i] != 0; ++i)
        append_utf8(result.text, raw.chars[i]);
    result.bold = raw.attrs.bold;
    result.standout = raw.attrs.reverse || raw.attrs.italic;
    return result;
}

std::string terminal::text(int row, int col, int length)
{
    std::string out;
    for (int c = col; c < col + length; ++c)
        out += cell(row, c).text;
    return out;
}

std::string terminal::row_text(int row)
{
    return text(row, 0, options_.cols);
}

std::vector<std::string> terminal::region(int top, int left, int height, int width)
{
    std::vector<std::string> rows;
    for (int row = top; row < top + height; ++row)
        rows.push_back(text(row, left, width));
    return rows;
}

cursor_position terminal::cursor()
{
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
    return {pos.row, pos.col};
}
