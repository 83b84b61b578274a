#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// Opening web links and documents with the desktop's handler, and starting programs. Programs are started
// directly (posix_spawn, no shell), so arguments are never interpreted by a shell. Failures come back as results.
namespace pelan {

struct ShellResult {
    bool ok = false;     // the program started (and, for an opener that ended within the wait, succeeded)
    int error = 0;       // errno of a start that failed, 0 otherwise
    int exitStatus = -1; // exit status when the program ended within the wait, else -1
    int processId = 0;   // the started process, 0 when none started
    std::string message; // what failed, in words; empty on success
};

// A result that says the request succeeded.
inline ShellResult succeeded(int processId = 0) {
    ShellResult result;
    result.ok = true;
    result.processId = processId;
    return result;
}

class Shell {
public:
    // Called once from a background thread when a started program ends, with its wait status.
    using ExitWatch = std::function<void(int waitStatus)>;
    // Variables (name, value) given to one started program on top of this program's environment.
    using Environment = std::vector<std::pair<std::string, std::string>>;

    virtual ~Shell() = default;

    // Opens a web link ("https://...") or a document path with the desktop's default handler.
    virtual ShellResult open(const std::string& target) = 0;

    // Starts `program` (a path, or a name looked up in PATH) with `arguments` in `workingFolder` ("" keeps the
    // current folder) and `extraEnvironment` and returns once it runs; it is left running and reaped when it ends,
    // and `onExit` (when given) is then called.
    virtual ShellResult startProgram(const std::string& program, const std::vector<std::string>& arguments,
                                     const std::string& workingFolder, ExitWatch onExit = {},
                                     const Environment& extraEnvironment = {}) = 0;
};

// The real shell: `open` runs the opener program ("xdg-open" unless another is given) and waits up to `openWait`
// for its verdict; an opener still running after that counts as started.
class SystemShell : public Shell {
public:
    explicit SystemShell(std::string opener = "xdg-open",
                         std::chrono::milliseconds openWait = std::chrono::milliseconds(5000));

    ShellResult open(const std::string& target) override;
    ShellResult startProgram(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& workingFolder, ExitWatch onExit = {},
                             const Environment& extraEnvironment = {}) override;

private:
    std::string opener_;
    std::chrono::milliseconds openWait_;
};

// Records every request and answers each with a preset result; for tests of the callers.
class RecordingShell : public Shell {
public:
    struct Call {
        enum class Kind { Open, StartProgram } kind;
        std::string target; // the link or document, or the program
        std::vector<std::string> arguments;
        std::string workingFolder;
        ExitWatch onExit; // what the caller wants told when the program ends; a test calls it to end the program
        Environment environment;
    };

    ShellResult open(const std::string& target) override;
    ShellResult startProgram(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& workingFolder, ExitWatch onExit = {},
                             const Environment& extraEnvironment = {}) override;

    void setResult(ShellResult result);
    std::vector<Call> calls() const;

private:
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    ShellResult result_ = succeeded();
};

// The outcome of running a program to its end with its output captured.
struct ProgramRun {
    int error = 0;         // errno of a start that failed, 0 otherwise
    int exitStatus = -1;   // the exit status, or -1 when it did not exit normally (signal, time-out, no start)
    bool timedOut = false; // killed because it ran longer than allowed
    std::string output;    // standard output
    std::string errors;    // standard error
    bool succeeded() const { return error == 0 && !timedOut && exitStatus == 0; }
};

// Runs argv[0] (looked up in PATH) with the rest as arguments, standard input from /dev/null, and waits for it
// for at most `timeout`; a program still running then is killed. Each captured stream keeps at most 1 MiB.
ProgramRun runProgram(const std::vector<std::string>& argv, std::chrono::milliseconds timeout);

// The process-wide shell: the SystemShell unless a test or the page code handed in another with setShellOverride
// (nullptr restores the SystemShell). The override is not owned.
Shell& shell();
void setShellOverride(Shell* replacement);

} // namespace pelan
