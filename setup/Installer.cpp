#include "Installer.h"

#include "PackageRegistration.h"
#include "SetupError.h"

namespace setup {

namespace {

constexpr char kExpertName[] = "Toravex";
constexpr char kEarlierExpertName[] = "SevenToravex";
constexpr char kPackageDescription[] = "Toravex";  // data of the loader's "Known IDE Packages" value

constexpr char kNoRootDir[] = "Invalid Delphi/BCB installation. No \"RootDir\" registry value found";
constexpr char kCannotCopy[] = "Cannot copy file to ";
constexpr char kCannotRegisterExpert[] = "Cannot register expert";
constexpr char kCannotRegisterLoader[] = "Cannot register ToravexLoader.bpl";

std::string SetDataFailed(const std::string& name) { return "Failed to set data for '" + name + "'"; }

std::string ExpertsKey(const std::string& ideKey) { return ideKey + "\\Experts"; }
std::string PackagesKey(const std::string& ideKey) { return ideKey + "\\Known IDE Packages"; }

}  // namespace

Installer::Installer(const SetupProfile& profile, RegistryAccess& registry, SetupPlatform& platform,
                     StepMarks& steps)
    : profile_(profile), registry_(registry), platform_(platform), steps_(steps) {
    installFolder_ = platform_.AppDataFolder() + "\\Toravex";
}

void Installer::ClearSteps() {
    for (int step = 0; step < kStepCount; ++step) steps_.SetStepDone(step, false);
}

SetupOutcome Installer::Install(const InstallOptions& options) {
    bool uninstalled = false;
    for (const char* ideKey : profile_.ideKeys) {
        if (SetupOutcome stop = UninstallForIde(ideKey, uninstalled)) {
            ClearSteps();
            return stop;
        }
    }
    ClearSteps();
    if (SetupOutcome stop = WriteInstallOptions(registry_, profile_, options)) return stop;
    bool first = false, second = false;
    if (SetupOutcome stop = InstallForIde(profile_.ideKeys[0], first)) return stop;
    if (SetupOutcome stop = InstallForIde(profile_.ideKeys[1], second)) return stop;
    if (!first && !second) return SetupError{profile_.installError};
    return std::nullopt;
}

SetupOutcome Installer::Uninstall() {
    ClearSteps();
    bool first = false, second = false;
    if (SetupOutcome stop = UninstallForIde(profile_.ideKeys[0], first)) return stop;
    if (SetupOutcome stop = UninstallForIde(profile_.ideKeys[1], second)) return stop;
    if (!first && !second) return SetupError{profile_.uninstallError};
    return std::nullopt;
}

bool Installer::IdeInstalled() {
    for (const char* ideKey : profile_.ideKeys)
        if (*ideKey && registry_.KeyExists(Hive::LocalMachine, ideKey)) return true;
    return false;
}

// "RootDir" of the IDE's key, under HKEY_LOCAL_MACHINE or else under
// HKEY_CURRENT_USER.
std::optional<std::string> Installer::RootDir(const std::string& ideKey) {
    if (auto root = registry_.ReadString(Hive::LocalMachine, ideKey, "RootDir")) return root;
    if (!registry_.KeyExists(Hive::CurrentUser, ideKey)) return std::nullopt;
    return registry_.ReadString(Hive::CurrentUser, ideKey, "RootDir");
}

// With a trailing delimiter: the IDE's "bin" folder on Windows 9x, where the
// IDE finds libraries beside itself; elsewhere the per-user folder, created
// when missing.
SetupOutcome Installer::TargetFolder(const std::string& ideKey, std::string& folder) {
    if (platform_.IsWin9xFamily()) {
        std::optional<std::string> root = RootDir(ideKey);
        if (!root) return SetupError{kNoRootDir};
        folder = IncludeTrailingDelimiter(*root) + "bin\\";
        return std::nullopt;
    }
    platform_.ForceFolders(installFolder_);
    folder = installFolder_ + "\\";
    return std::nullopt;
}

SetupOutcome Installer::CopyDeliverable(const std::string& file, const std::string& targetFolder, int step) {
    const std::string destination = targetFolder + file;
    // A read-only copy left by an earlier install must not stop the copy,
    // and the copy must not inherit a read-only source's attributes.
    platform_.ClearAttributes(destination);
    if (!platform_.CopyFileOver(platform_.ProgramFolder() + file, destination))
        return SetupError{kCannotCopy + destination};
    platform_.ClearAttributes(destination);
    steps_.SetStepDone(step, true);
    return std::nullopt;
}

SetupOutcome Installer::InstallForIde(const std::string& ideKey, bool& done) {
    done = false;
    if (ideKey.empty() || !registry_.KeyExists(Hive::LocalMachine, ideKey)) return std::nullopt;
    std::string target;
    if (SetupOutcome stop = TargetFolder(ideKey, target)) return stop;
    if (SetupOutcome stop = CopyDeliverable(profile_.libraryFile, target, kStepLibrary)) return stop;
    if (SetupOutcome stop = CopyDeliverable(profile_.loaderFile, target, kStepLoader)) return stop;

    if (!registry_.CreateKey(Hive::CurrentUser, ExpertsKey(ideKey))) return SetupError{kCannotRegisterExpert};
    if (!registry_.WriteString(Hive::CurrentUser, ExpertsKey(ideKey), kExpertName, target + profile_.libraryFile))
        return SetupError{SetDataFailed(kExpertName)};
    steps_.SetStepDone(kStepRegister, true);

    if (!registry_.CreateKey(Hive::CurrentUser, PackagesKey(ideKey))) return SetupError{kCannotRegisterLoader};
    const std::string loader = target + profile_.loaderFile;
    if (!WriteValueFirst(registry_, Hive::CurrentUser, PackagesKey(ideKey), loader, kPackageDescription))
        return SetupError{SetDataFailed(loader)};
    steps_.SetStepDone(kStepRegister, true);
    done = true;
    return std::nullopt;
}

// A file that is not there counts as deleted.
void Installer::DeleteDeliverables(const std::string& folder) {
    const char* files[] = {profile_.libraryFile, profile_.loaderFile};
    const int steps[] = {kStepLibrary, kStepLoader};
    for (int i = 0; i < 2; ++i) {
        const std::string path = folder + files[i];
        if (!platform_.FileExists(path) || platform_.RemoveFile(path)) steps_.SetStepDone(steps[i], true);
    }
}

SetupOutcome Installer::UninstallForIde(const std::string& ideKey, bool& done) {
    done = ideKey.empty();
    if (done) return std::nullopt;
    registry_.DeleteKeyTree(Hive::CurrentUser, profile_.optionsKey);
    if (!registry_.KeyExists(Hive::LocalMachine, ideKey)) return std::nullopt;

    // Both places an install may have used. Without "RootDir" there is no
    // "bin" folder to clean, but the per-user files and the registration
    // still go.
    if (std::optional<std::string> root = RootDir(ideKey)) DeleteDeliverables(IncludeTrailingDelimiter(*root) + "bin\\");
    DeleteDeliverables(installFolder_ + "\\");

    const std::string experts = ExpertsKey(ideKey);
    if (registry_.KeyWritable(Hive::CurrentUser, experts)) {
        for (const char* name : {kExpertName, kEarlierExpertName})
            if (registry_.ValueExists(Hive::CurrentUser, experts, name))
                registry_.DeleteValue(Hive::CurrentUser, experts, name);
        steps_.SetStepDone(kStepRegister, true);
    }

    // A missing package list holds no loader; one that cannot be written is
    // an error.
    const std::string packages = PackagesKey(ideKey);
    if (registry_.KeyExists(Hive::CurrentUser, packages)) {
        if (!registry_.KeyWritable(Hive::CurrentUser, packages)) return SetupError{kCannotRegisterLoader};
        DeleteValuesWithData(registry_, Hive::CurrentUser, packages, kPackageDescription);
    }
    steps_.SetStepDone(kStepRegister, true);

    if (!platform_.IsWin9xFamily()) platform_.RemoveFolder(installFolder_);
    done = true;
    return std::nullopt;
}

}  // namespace setup
