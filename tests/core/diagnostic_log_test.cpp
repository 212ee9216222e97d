// The diagnostic log: where it goes (TORAVEX_LOG before the options key's
// "LogFile"), the shape of its lines, the events held until the start line,
// and that a file it cannot write costs nothing but the lines.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "base/BuildProfile.h"
#include "base/DiagnosticLog.h"

using namespace testsupport;

namespace {

const std::string kKey = std::string(toravex::Profile().optionsKey).substr(1);

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class DiagnosticLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteKeyTree(kKey);
        SetEnvironmentVariableA("TORAVEX_LOG", nullptr);
        toravex::CloseDiagnosticLog();
    }
    void TearDown() override { SetUp(); }

    static std::string NewFile(const std::string& name) {
        const std::string file = TempDir() + "\\" + name;
        DeleteFileA(file.c_str());
        return file;
    }
    // The events of the file, each line checked for "<pid> <hh:mm:ss.mmm> ".
    static std::vector<std::string> Events(const std::string& file) {
        std::vector<std::string> events;
        const std::string pid = std::to_string(GetCurrentProcessId()) + " ";
        for (const std::string& line : ReadLines(file)) {
            EXPECT_EQ(line.rfind(pid, 0), 0u) << line;
            const std::string time = line.substr(pid.size(), 13);
            EXPECT_TRUE(time.size() == 13 && time[2] == ':' && time[5] == ':' && time[8] == '.' && time[12] == ' ')
                << line;
            events.push_back(line.substr(std::min(line.size(), pid.size() + 13)));
        }
        return events;
    }
};

}  // namespace

TEST_F(DiagnosticLogTest, EventsBeforeTheStartLineFollowItAndEveryLineIsOneEvent) {
    const std::string file = NewFile("events.log");
    SetEnvironmentVariableA("TORAVEX_LOG", file.c_str());
    toravex::OpenDiagnosticLog();
    ASSERT_TRUE(toravex::Logging());
    toravex::LogMade("entry", "@System@@LStrCmp$qqrv");
    EXPECT_FALSE(FileExists(file)) << "held until the start line";
    toravex::LogStart("start %s build %d", "Toravex10", 100);
    toravex::LogLeftOut("@Sysutils@UpperCase$qqrx17System@AnsiString", "missing helper",
                        "@System@@LStrSetLength$qqrr17System@AnsiStringi");
    toravex::LogLeftOut("MSVCR70.dll", "not loaded");
    toravex::LogEvent("%s", std::string(3000, 'x').c_str());
    toravex::LogEvent("shut down");

    const std::vector<std::string> events = Events(file);
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[0], "start Toravex10 build 100");
    EXPECT_EQ(events[1], "made entry @System@@LStrCmp$qqrv");
    EXPECT_EQ(events[2],
              "left out @Sysutils@UpperCase$qqrx17System@AnsiString: missing helper "
              "@System@@LStrSetLength$qqrr17System@AnsiStringi");
    EXPECT_EQ(events[3], "left out MSVCR70.dll: not loaded");
    EXPECT_EQ(events[4], std::string(events[4].size(), 'x')) << "a long event is cut, not split";
    EXPECT_LT(events[4].size(), 1024u);
    EXPECT_GT(events[4].size(), 900u);
    EXPECT_EQ(events[5], "shut down");

    // A second run appends.
    toravex::CloseDiagnosticLog();
    toravex::OpenDiagnosticLog();
    toravex::LogStart("start again");
    EXPECT_EQ(Events(file).size(), 7u);
}

TEST_F(DiagnosticLogTest, TheEnvironmentGoesBeforeTheOptionsKeyAndNeitherMeansNoLog) {
    const std::string fromKey = NewFile("from-key.log"), fromEnvironment = NewFile("from-environment.log");
    toravex::OpenDiagnosticLog();
    EXPECT_FALSE(toravex::Logging());
    toravex::LogStart("start");

    WriteString(kKey, "LogFile", fromKey);
    toravex::OpenDiagnosticLog();
    toravex::LogStart("start from the key");
    EXPECT_EQ(Events(fromKey), (std::vector<std::string>{"start from the key"}));

    toravex::CloseDiagnosticLog();
    SetEnvironmentVariableA("TORAVEX_LOG", fromEnvironment.c_str());
    toravex::OpenDiagnosticLog();
    toravex::LogStart("start from the environment");
    EXPECT_EQ(Events(fromEnvironment), (std::vector<std::string>{"start from the environment"}));
    EXPECT_EQ(Events(fromKey).size(), 1u);

    // A "LogFile" of another type than a string is no file name.
    toravex::CloseDiagnosticLog();
    SetEnvironmentVariableA("TORAVEX_LOG", nullptr);
    DeleteKeyTree(kKey);
    WriteDword(kKey, "LogFile", 1);
    toravex::OpenDiagnosticLog();
    EXPECT_FALSE(toravex::Logging());
}

TEST_F(DiagnosticLogTest, AFileThatCannotBeWrittenLosesTheLinesAndNothingElse) {
    const std::string folder = TempDir() + "\\no-such-folder";
    const std::string file = folder + "\\toravex.log";
    SetEnvironmentVariableA("TORAVEX_LOG", file.c_str());
    toravex::OpenDiagnosticLog();
    toravex::LogStart("start");
    for (int i = 0; i < 100; ++i) toravex::LogEvent("event %d", i);
    EXPECT_FALSE(FileExists(folder));

    // Held lines beyond what the start line may bring are dropped, not
    // written over anything.
    const std::string held = NewFile("held.log");
    toravex::CloseDiagnosticLog();
    SetEnvironmentVariableA("TORAVEX_LOG", held.c_str());
    toravex::OpenDiagnosticLog();
    for (int i = 0; i < 1000; ++i) toravex::LogEvent("held event %d", i);
    toravex::LogStart("start");
    const std::vector<std::string> events = Events(held);
    ASSERT_GT(events.size(), 50u);
    EXPECT_LT(events.size(), 1001u);
    EXPECT_EQ(events[0], "start");
    for (size_t i = 1; i < events.size(); ++i) EXPECT_EQ(events[i], "held event " + std::to_string(i - 1));
}
