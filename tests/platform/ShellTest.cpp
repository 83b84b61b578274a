#include "platform/Shell.h"
#include "platform/Ipc.h"
#include "support/TempFolder.h"

#include <future>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelan {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ShellTest : public ::testing::Test {
protected:
    // A named pipe that a started program writes its report into; reading waits at most 20 s for it.
    std::string makeReportPipe() {
        std::string path = folder + "/report";
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        return path;
    }
    static std::string readReport(const std::string& path) {
        int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
        std::string text;
        for (;;) {
            pollfd entry{fd, POLLIN, 0};
            if (::poll(&entry, 1, 20000) <= 0)
                break;
            char buffer[256];
            ssize_t count = ::read(fd, buffer, sizeof buffer);
            if (count <= 0)
                break;
            text.append(buffer, static_cast<std::size_t>(count));
        }
        ::close(fd);
        return text;
    }
    // An opener that notes what it was asked to open and ends with `status` (or keeps running with "sleep").
    std::string makeOpener(const std::string& ending) {
        std::string path = folder + "/opener";
        std::ofstream(path) << "#!/bin/sh\nprintf '%s' \"$1\" > \"" << folder << "/opened\"\n" << ending << "\n";
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }
    std::string opened() { return testing::readText(folder + "/opened"); }

    testing::TempFolder temporary;
    // Without the trailing '/', to build paths the way callers write them.
    std::string folder = temporary.path().substr(0, temporary.path().size() - 1);
};

TEST_F(ShellTest, StartsAProgramWithItsArgumentsVerbatimInItsWorkingFolder) {
    std::string report = makeReportPipe();
    fs::create_directory(folder + "/work");
    const std::string hostile = "two words; $(touch injected) `touch injected` > injected";
    ShellResult result = SystemShell().startProgram(
        "/bin/sh", {"-c", "printf '%s|%s' \"$1\" \"$PWD\" > \"$2\"", "sh", hostile, report}, folder + "/work");
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_GT(result.processId, 0);
    EXPECT_EQ(readReport(report), hostile + "|" + folder + "/work");
    EXPECT_FALSE(fs::exists(folder + "/work/injected"));
    EXPECT_FALSE(fs::exists(folder + "/injected"));
}

TEST_F(ShellTest, TellsWhenAStartedProgramEnds) {
    std::promise<int> ended;
    ShellResult result =
        SystemShell().startProgram("/bin/sh", {"-c", "exit 3"}, "", [&ended](int status) { ended.set_value(status); });
    ASSERT_TRUE(result.ok) << result.message;
    std::future<int> status = ended.get_future();
    ASSERT_EQ(status.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    const int waitStatus = status.get();
    EXPECT_TRUE(WIFEXITED(waitStatus));
    EXPECT_EQ(WEXITSTATUS(waitStatus), 3);
}

TEST_F(ShellTest, RefusesWhatCannotStart) {
    SystemShell shell;
    ShellResult missing = shell.startProgram(folder + "/no-such-program", {}, "");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, ENOENT);
    EXPECT_EQ(missing.processId, 0);
    EXPECT_NE(missing.message.find("no-such-program"), std::string::npos);

    ShellResult noFolder = shell.startProgram("/bin/true", {}, folder + "/missing-folder");
    EXPECT_FALSE(noFolder.ok);
    EXPECT_EQ(noFolder.error, ENOTDIR);

    std::ofstream(folder + "/not-executable") << "#!/bin/sh\n";
    EXPECT_EQ(shell.startProgram(folder + "/not-executable", {}, "").error, EACCES);
    EXPECT_EQ(shell.startProgram("", {}, "").error, EINVAL);
    EXPECT_EQ(shell.startProgram("/bin/true", {std::string("a\0b", 3)}, "").error, EINVAL);
}

TEST_F(ShellTest, OpenReportsTheOpenersVerdict) {
    SystemShell succeeding(makeOpener("exit 0"));
    ShellResult opened1 = succeeding.open("https://example.org/page?a=1&b=2");
    EXPECT_TRUE(opened1.ok) << opened1.message;
    EXPECT_EQ(opened1.exitStatus, 0);
    EXPECT_EQ(opened(), "https://example.org/page?a=1&b=2");

    SystemShell failing(makeOpener("exit 2"));
    ShellResult missingDocument = failing.open(folder + "/missing.pdf");
    EXPECT_FALSE(missingDocument.ok);
    EXPECT_EQ(missingDocument.exitStatus, 2);
    EXPECT_NE(missingDocument.message.find("does not exist"), std::string::npos);
}

TEST_F(ShellTest, AnOpenerStillRunningAfterTheWaitCountsAsStarted) {
    SystemShell slow(makeOpener("exec sleep 30"), 100ms);
    ShellResult result = slow.open("https://example.org/");
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.exitStatus, -1);
    ASSERT_GT(result.processId, 0);
    ::kill(result.processId, SIGKILL);
}

TEST_F(ShellTest, OpenRefusesTargetsTheOpenerWouldMisreadAndAMissingOpener) {
    SystemShell shell(makeOpener("exit 0"));
    EXPECT_EQ(shell.open("--help").error, EINVAL);
    EXPECT_EQ(shell.open("").error, EINVAL);
    EXPECT_EQ(opened(), ""); // the opener never ran
    ShellResult noOpener = SystemShell(folder + "/no-opener").open("https://example.org/");
    EXPECT_FALSE(noOpener.ok);
    EXPECT_EQ(noOpener.error, ENOENT);
}

TEST(RunProgram, CapturesOutputAndExitStatus) {
    ProgramRun run = runProgram({"/bin/sh", "-c", "echo out; echo err >&2; exit 3"}, 20s);
    EXPECT_EQ(run.error, 0);
    EXPECT_EQ(run.exitStatus, 3);
    EXPECT_FALSE(run.succeeded());
    EXPECT_EQ(run.output, "out\n");
    EXPECT_EQ(run.errors, "err\n");
    EXPECT_TRUE(runProgram({"true"}, 20s).succeeded()); // looked up in PATH
}

TEST(RunProgram, StopsAProgramThatOverrunsAndBoundsWhatItKeeps) {
    ProgramRun slow = runProgram({"sleep", "30"}, 200ms);
    EXPECT_TRUE(slow.timedOut);
    EXPECT_EQ(slow.exitStatus, -1);

    ProgramRun chatty = runProgram({"head", "-c", "3000000", "/dev/zero"}, 20s);
    EXPECT_TRUE(chatty.succeeded());
    EXPECT_EQ(chatty.output.size(), std::size_t{1} << 20);

    EXPECT_EQ(runProgram({"/no/such/program"}, 1s).error, ENOENT);
    EXPECT_EQ(runProgram({}, 1s).error, EINVAL);
}

TEST(RunProgram, TheProgramInheritsNoOpenDescriptorsOfOurs) {
    int leaked = ::open("/dev/null", O_RDONLY); // deliberately without close-on-exec
    ASSERT_GE(leaked, 3);
    std::string check = "test -e /proc/$$/fd/" + std::to_string(leaked) + " && echo inherited; true";
    ProgramRun run = runProgram({"/bin/sh", "-c", check}, 20s);
    ::close(leaked);
    EXPECT_TRUE(run.succeeded());
    EXPECT_EQ(run.output, "");
}

// The upgrade program is told where the running copy's relay socket is (over a stale value this program was started
// with); the opener, started as every other child, is not told.
TEST_F(ShellTest, TheRelaySocketReachesOnlyTheProgramItIsGivenTo) {
    ::setenv(kRelaySocketVariable, "/stale/socket", 1);
    setRelaySocketPath(folder + "/relay.sock");
    const std::string report = makeReportPipe();
    const std::string printRelay = "printf '%s' \"${PELAN_RELAY_SOCKET-unset}\" > " + report;
    ASSERT_TRUE(SystemShell().startProgram("/bin/sh", {"-c", printRelay}, "", {}, relaySocketEnvironment()).ok);
    EXPECT_EQ(readReport(report), folder + "/relay.sock");
    ::unsetenv(kRelaySocketVariable);
    ASSERT_TRUE(SystemShell(makeOpener(printRelay)).open("document").ok);
    EXPECT_EQ(readReport(report), "unset");
    setRelaySocketPath("");
    EXPECT_TRUE(relaySocketEnvironment().empty());
}

TEST(RecordingShell, RecordsRequestsAndAnswersWithThePresetResult) {
    RecordingShell recording;
    setShellOverride(&recording);
    EXPECT_TRUE(shell().open("https://example.org/").ok);
    ShellResult refused;
    refused.error = ENOENT;
    recording.setResult(refused);
    EXPECT_EQ(shell().startProgram("/opt/upgrade", {"Upgrading"}, "/data/").error, ENOENT);
    setShellOverride(nullptr);
    EXPECT_NE(&shell(), &recording);

    std::vector<RecordingShell::Call> calls = recording.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, RecordingShell::Call::Kind::Open);
    EXPECT_EQ(calls[0].target, "https://example.org/");
    EXPECT_EQ(calls[1].kind, RecordingShell::Call::Kind::StartProgram);
    EXPECT_EQ(calls[1].target, "/opt/upgrade");
    EXPECT_EQ(calls[1].arguments, std::vector<std::string>{"Upgrading"});
    EXPECT_EQ(calls[1].workingFolder, "/data/");
}

} // namespace
} // namespace pelan
