// Every installer build, from the IDE key to the options it writes: a sweep
// over the five generations against the keys, files and texts each IDE and
// its plug-in expect, written out here rather than taken from the table.
#include <gtest/gtest.h>

#include "Installer.h"
#include "SetupError.h"
#include "SetupProfile.h"
#include "SetupTestSupport.h"
#include "base/BuildProfile.h"

using namespace setuptest;
using Names = std::vector<std::string>;

namespace {

struct ExpectedBuild {
    int build;
    const char* ideKey;
    const char* library;
    const char* loader;
    const char* options;
    const char* installError;
    const char* caption;
    bool shortCuts;
};

constexpr ExpectedBuild kBuilds[] = {
    {100, "\\Software\\Borland\\BDS\\4.0", "Toravex10.dll", "ToravexLoader10.bpl", "\\Software\\Kalvoro\\Toravex\\10",
     "Invalid Delphi/BCB 10 + installation. Cannot open registry key", "Install Toravex 2.35 for Delphi 10", false},
    {90, "\\Software\\Borland\\BDS\\3.0", "Toravex9.dll", "ToravexLoader9.bpl", "\\Software\\Kalvoro\\Toravex\\9",
     "Invalid Delphi/BCB 9 + installation. Cannot open registry key", "Install Toravex 2.35 for Delphi 9", false},
    {70, "\\Software\\Borland\\Delphi\\7.0", "Toravex7.dll", "ToravexLoader7.bpl", "\\Software\\Kalvoro\\Toravex\\7",
     "Invalid Delphi/BCB 7 + installation. Cannot open registry key", "Install Toravex 2.35 for Delphi 7", true},
    {60, "\\Software\\Borland\\Delphi\\6.0", "Toravex6.dll", "ToravexLoader6.bpl", "\\Software\\Kalvoro\\Toravex\\6",
     "Invalid Delphi/BCB 6 + installation. Cannot open registry key", "Install Toravex 2.35 for Delphi 6", true},
    {50, "\\Software\\Borland\\Delphi\\5.0", "Toravex5.dll", "ToravexLoader5.bpl", "\\Software\\Kalvoro\\Toravex\\5",
     "Invalid Delphi/BCB 5 + installation. Cannot open registry key", "Install Toravex 2.35 for Delphi/BCB 5", true},
};

std::string ErrorOf(const setup::SetupOutcome& outcome) { return outcome ? outcome->text : "<none>"; }

}  // namespace

TEST(InstallerBuildsTest, EachBuildInstallsItsOwnFilesUnderItsOwnIdeAndRemovesThem) {
    ASSERT_EQ(std::size(setup::kSetupProfiles), std::size(kBuilds));
    for (const ExpectedBuild& b : kBuilds) {
        SCOPED_TRACE(b.build);
        const setup::SetupProfile& profile = setup::SetupProfileFor(b.build);
        ASSERT_EQ(profile.packageVersion, b.build);
        EXPECT_STREQ(profile.caption, b.caption);
        // The plug-in of the same build reads the options where they are written.
        EXPECT_STREQ(toravex::ProfileFor(b.build).optionsKey, b.options);

        MemoryRegistry registry;
        TestPlatform platform;
        RecordedSteps steps;
        platform.appData = NewFolder("appdata");
        platform.program = NewFolder("source") + "\\";
        Touch(platform.program + b.library);
        Touch(platform.program + b.loader);
        setup::Installer installer(profile, registry, platform, steps);

        // Without the IDE: the build's own error, nothing registered.
        EXPECT_EQ(ErrorOf(installer.Install({})), b.installError);

        registry.CreateKey(Hive::LocalMachine, b.ideKey);
        const std::string packages = std::string(b.ideKey) + "\\Known IDE Packages";
        const std::string experts = std::string(b.ideKey) + "\\Experts";
        registry.CreateKey(Hive::CurrentUser, packages);
        registry.WriteString(Hive::CurrentUser, packages, "dclstd.bpl", "Standard Components");
        setup::InstallOptions options;
        options.setShortCuts = false;
        EXPECT_EQ(ErrorOf(installer.Install(options)), "<none>");

        const std::string folder = installer.InstallFolder() + "\\";
        EXPECT_EQ(registry.ReadString(Hive::CurrentUser, experts, "Toravex").value_or("<missing>"), folder + b.library);
        EXPECT_EQ(registry.ValueNames(Hive::CurrentUser, packages), (Names{folder + b.loader, "dclstd.bpl"}));
        EXPECT_TRUE(FileExists(folder + b.library) && FileExists(folder + b.loader));
        Names written{"NoFastSys", "NoFastObj", "HookAllDlls", "HookBplOnly", "BlendedFastCode"};
        if (b.shortCuts) written.push_back("SetShortCuts");
        EXPECT_EQ(registry.ValueNames(Hive::CurrentUser, b.options), written);
        if (b.shortCuts) {
            EXPECT_EQ(registry.ReadDword(Hive::CurrentUser, b.options, "SetShortCuts"), 0u);
        }

        EXPECT_EQ(ErrorOf(installer.Uninstall()), "<none>");
        EXPECT_EQ(registry.ValueNames(Hive::CurrentUser, packages), Names{"dclstd.bpl"});
        EXPECT_TRUE(registry.ValueNames(Hive::CurrentUser, experts).empty());
        EXPECT_FALSE(registry.KeyExists(Hive::CurrentUser, b.options));
        EXPECT_FALSE(FileExists(folder + b.library) || FileExists(folder + b.loader));
    }
}
