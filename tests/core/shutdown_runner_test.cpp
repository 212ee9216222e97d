// The shut-down runner reports an exception escaping the chain in one error
// box and the handlers after the raising one do not run.
#include "RuntimeFixture.h"
#include "base/HostString.h"
#include "base/UserMessages.h"
#include "ide/FastQuit.h"
#include "startup/Main.h"

namespace {

struct Box {
    std::string text, caption;
    unsigned flags;
};
std::vector<Box> gBoxes;
int RecordBox(const char* text, const char* caption, unsigned flags) {
    gBoxes.push_back({text, caption, flags});
    return IDOK;
}

std::vector<std::string> gRan;
toravex::ShutdownHandler gBelowFirst = nullptr;

void SecondHandler() { gRan.push_back("second"); }
void RaisingFirstHandler() {
    gRan.push_back("first");
    toravex::HostString text("not a number");
    RuntimeTest::HostStrToInt(text.Get());  // raises
    if (gBelowFirst) gBelowFirst();
}
void QuietFirstHandler() {
    gRan.push_back("first");
    if (gBelowFirst) gBelowFirst();
}

class ShutdownRunnerTest : public RuntimeTest {
protected:
    void SetUp() override {
        gBoxes.clear();
        gRan.clear();
        previousBox_ = toravex::SetMessageBoxHandler(&RecordBox);
        savedChain_ = toravex::ShutdownChain;
        toravex::ShutdownChain = nullptr;
        toravex::InstallShutdownHandler(&SecondHandler);
    }
    void TearDown() override {
        toravex::SetMessageBoxHandler(previousBox_);
        toravex::ShutdownChain = savedChain_;
    }
    toravex::MessageBoxHandler previousBox_ = nullptr;
    toravex::ShutdownHandler savedChain_ = nullptr;
};

}  // namespace

TEST_F(ShutdownRunnerTest, ExceptionInFirstHandlerShowsOneBoxAndStopsTheChain) {
    gBelowFirst = toravex::InstallShutdownHandler(&RaisingFirstHandler);
    toravex::ShutdownRunner();
    EXPECT_TRUE(toravex::ShutdownFlag);
    EXPECT_EQ(gRan, (std::vector<std::string>{"first"}));
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_EQ(gBoxes[0].caption, "Toravex - EConvertError");
    EXPECT_EQ(gBoxes[0].text, "'not a number' is not a valid integer value");
    EXPECT_EQ(gBoxes[0].flags, static_cast<unsigned>(MB_ICONERROR));
}

TEST_F(ShutdownRunnerTest, QuietChainRunsEveryHandlerAndShowsNothing) {
    gBelowFirst = toravex::InstallShutdownHandler(&QuietFirstHandler);
    toravex::ShutdownRunner();
    EXPECT_EQ(gRan, (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(gBoxes.empty());
}
