// Runs the real quorvalen binary on a pseudo-terminal and reads its screen
// back through a terminal emulator, cell by cell, as a user would see it.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <termios.h>
#include <vector>

struct VTerm;
struct VTermScreen;

struct terminal_options {
    std::string term = "xterm-256color";
    int rows = 24;
    int cols = 80;
    std::string locale = "C";
    std::string workdir;           // empty: the test's own working directory
    bool stdout_to_pipe = false;   // capture standard output apart from the terminal
    bool ignore_hangup = false;    // start with SIGHUP ignored, as under nohup
    std::string stdin_from;        // a file for standard input instead of the terminal
    bool nonblocking_stdin = false;  // standard input left O_NONBLOCK by an earlier program
    unsigned long file_size_limit = 0;  // RLIMIT_FSIZE in bytes, as `ulimit -f`; 0: none
    bool job_control = false;      // run as a job of a stand-in shell, so Ctrl-Z stops it
    std::string on_fd_63;          // what a pipe the editor gets as fd 63 holds, as <(...) gives it
    std::string binary = QUORVALEN_BINARY;  // the editor, or a build of it with fakes
};

struct screen_cell {
    std::string text;  // UTF-8; a space for an empty cell
    bool bold = false;
    bool standout = false;  // reverse video, or italics where the terminal's standout is that
};

struct cursor_position {
    int row;
    int col;
    bool operator==(const cursor_position &) const = default;
};

// The terminfo string `cap` of `term`; empty when it has none.
std::string terminfo_string(const std::string &term, const char *cap);

// The string the terminal `term` sends for the terminfo key capability `cap`
// (kcuu1, knp, kbs, ...).
std::string key_string(const std::string &term, const char *cap);

class terminal {
public:
    explicit terminal(std::vector<std::string> args, terminal_options options = {});
    ~terminal();
    terminal(const terminal &) = delete;
    terminal &operator=(const terminal &) = delete;

    // Sends bytes as typed.
    void type(const std::string &bytes);
    // Sends the key of a terminfo capability, as this terminal would.
    void press(const char *cap);

    // Waits until the program has read every key sent and written all it
    // will write for them: it is blocked reading the terminal, nothing is
    // pending in either direction. Fails the test on timeout.
    void settle();
    // Waits until `text` stands at row, col.
    void wait_for_text(int row, int col, const std::string &text);
    // Waits for the program to end; returns its exit status, or -1 when a
    // signal ended it (see ending_signal).
    int wait_exit(std::chrono::milliseconds limit = timeout);
    // The signal that ended the program; 0 when it exited or still runs.
    int ending_signal() const { return ending_signal_; }
    bool running();

    std::string text(int row, int col, int length);
    std::string row_text(int row);
    std::vector<std::string> region(int top, int left, int height, int width);
    screen_cell cell(int row, int col);
    cursor_position cursor();

    // Everything the program wrote to the terminal, and to the stdout pipe.
    const std::string &terminal_output() const { return output_; }
    const std::string &standard_output() const { return stdout_text_; }

    // How many times the program rang the terminal's bell so far.
    int bells() const { return bells_; }
    // Waits until the bell has rung `count` times in all.
    void wait_for_bells(int count);

    // Writes `text` at row, col of the emulated screen, cursor and pen kept,
    // as another program might: it stays there until the editor draws over it.
    void paint_over(int row, int col, const std::string &text);

    // Changes the terminal's size, as a user dragging the window would.
    void resize(int rows, int cols);

    // Closes our side of the terminal, as when the window or connection goes away.
    void hang_up();
    // The editor's process id.
    int pid() const { return editor_pid_; }

    // With job_control: Ctrl-Z, then waits until the editor has stopped and
    // the shell holds the terminal again; resume() is the shell's `fg`.
    void suspend();
    void resume();

    // Sets O_NONBLOCK on the terminal as the editor has it open, as another
    // program sharing the terminal may do.
    void make_input_nonblocking();
    bool input_is_nonblocking();
    // The processor time the editor has used so far, in clock ticks.
    long cpu_ticks();

    // Waits until the editor holds `path` open.
    void wait_for_open_file(const std::string &path);

    // Whether the terminal's modes are as they were before the editor started.
    bool modes_as_at_start();

    static constexpr std::chrono::seconds timeout{15};

private:
    bool pump(int wait_ms);
    void wait_until(const std::function<bool()> &done, const std::string &what);
    void feed_emulator(const char *bytes, size_t length);
    bool waiting_for_input();
    int pending_input();

    terminal_options options_;
    int master_ = -1;
    int slave_ = -1;
    int stdout_pipe_ = -1;
    int pid_ = -1;          // the child we wait for: the editor, or its stand-in shell
    int editor_pid_ = -1;
    termios modes_at_start_{};
    int exit_status_ = -1;
    int ending_signal_ = 0;
    bool ended_ = false;
    int bells_ = 0;
    std::string output_;
    std::string stdout_text_;
    std::string unfinished_sequence_;  // an escape sequence split across reads
    std::string unfinished_character_;  // the first bytes of a UTF-8 character split across reads
    std::string last_character_;       // the last printed character, for REP
    VTerm *vt_ = nullptr;
    VTermScreen *screen_ = nullptr;
};
