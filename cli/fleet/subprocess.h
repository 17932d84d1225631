#pragma once

#include <memory>
#include <string>
#include <vector>

// A child process of this program: the very executable this process runs,
// started again with other arguments (a package upgraded or the file renamed
// meanwhile changes nothing), its standard output a pipe that the parent
// reads and no other handle of the parent. One implementation per platform
// (subprocess_posix.cpp, subprocess_win.cpp).
class Subprocess {
public:
    Subprocess();
    Subprocess(const Subprocess&) = delete;
    Subprocess& operator=(const Subprocess&) = delete;
    ~Subprocess();

    // Starts this program with arguments (argv[1] on). False with a reason.
    bool Start(const std::vector<std::string>& arguments, std::string& error);
    // Appends what the child has written and is there now, without waiting.
    // False once the pipe has closed (the child ended, or closed it).
    bool Read(std::string& received);
    // Asks the child to stop at its next safe point. POSIX: SIGTERM (the
    // child is born with SIGINT, SIGTERM and SIGHUP blocked and unblocks them
    // once it handles them, so a request sent at once is kept until then);
    // Windows: its standard input closes.
    void RequestStop();
    // Ends the child at once, wherever it is.
    void Kill();
    // Waits at most boundMs for the child to end, then kills it. "exit 0",
    // "killed by signal 9", "did not end within 10 s, so it was killed
    // (...)"; clean
    // for exit code 0.
    std::string Reap(bool& clean, int boundMs);

    struct Os;

private:
    friend std::vector<size_t> WaitForOutput(const std::vector<Subprocess*>& children, int timeoutMs);
    std::unique_ptr<Os> os_;
};

// What Reap says of a child that did not end within boundMs and was killed:
// "did not end within 10 s, so it was killed (killed by signal 9)".
std::string KilledAfterText(int boundMs, const std::string& ended);

// Waits at most timeoutMs until some of the children have output or have
// closed their pipe; their positions in children, none after the timeout.
std::vector<size_t> WaitForOutput(const std::vector<Subprocess*>& children, int timeoutMs);

// In the child: one whole line to the parent on standard output, unbuffered.
// False when the parent is gone (the job goes on: a device must not be left
// mid-flash).
bool WriteToParent(const std::string& line);
