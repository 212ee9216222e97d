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

void Installer::Install(const InstallOptions& options) {
    try {
        UninstallForIde(profile_.ideKeys[0]);
        UninstallForIde(profile_.ideKeys[1]);
    } catch (...) {
        ClearSteps();
        throw;
    }
    ClearSteps();
    WriteInstallOptions(registry_, profile_, options);
    const bool first = InstallForIde(profile_.ideKeys[0]);
    const bool second = InstallForIde(profile_.ideKeys[1]);
    if (!first && !second) throw SetupError(profile_.installError);
}

void Installer::Uninstall() {
    ClearSteps();
    const bool first = UninstallForIde(profile_.ideKeys[0]);
    const bool second = UninstallForIde(profile_.ideKeys[1]);
    if (!first && !second) throw SetupError(profile_.uninstallError);
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
std::string Installer::TargetFolder(const std::string& ideKey) {
    if (platform_.IsWin9xFamily()) {
        std::optional<std::string> root = RootDir(ideKey);
        if (!root) throw SetupError(kNoRootDir);
        return IncludeTrailingDelimiter(*root) + "bin\\";
    }
    platform_.ForceFolders(installFolder_);
    return installFolder_ + "\\";
}

void Installer::CopyDeliverable(const std::string& file, const std::string& targetFolder, int step) {
    const std::string destination = targetFolder + file;
    // A read-only copy left by an earlier install must not stop the copy,
    // and the copy must not inherit a read-only source's attributes.
    platform_.ClearAttributes(destination);
    if (!platform_.CopyFileOver(platform_.ProgramFolder() + file, destination))
        throw SetupError(kCannotCopy + destination);
    platform_.ClearAttributes(destination);
    steps_.SetStepDone(step, true);
}

bool Installer::InstallForIde(const std::string& ideKey) {
    if (ideKey.empty() || !registry_.KeyExists(Hive::LocalMachine, ideKey)) return false;
    const std::string target = TargetFolder(ideKey);
    CopyDeliverable(profile_.libraryFile, target, kStepLibrary);
    CopyDeliverable(profile_.loaderFile, target, kStepLoader);

    if (!registry_.CreateKey(Hive::CurrentUser, ExpertsKey(ideKey))) throw SetupError(kCannotRegisterExpert);
    if (!registry_.WriteString(Hive::CurrentUser, ExpertsKey(ideKey), kExpertName, target + profile_.libraryFile))
        throw SetupError(SetDataFailed(kExpertName));
    steps_.SetStepDone(kStepRegister, true);

    if (!registry_.CreateKey(Hive::CurrentUser, PackagesKey(ideKey))) throw SetupError(kCannotRegisterLoader);
    const std::string loader = target + profile_.loaderFile;
    if (!WriteValueFirst(registry_, Hive::CurrentUser, PackagesKey(ideKey), loader, kPackageDescription))
        throw SetupError(SetDataFailed(loader));
    steps_.SetStepDone(kStepRegister, true);
    return true;
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

bool Installer::UninstallForIde(const std::string& ideKey) {
    if (ideKey.empty()) return true;
    registry_.DeleteKeyTree(Hive::CurrentUser, profile_.optionsKey);
    if (!registry_.KeyExists(Hive::LocalMachine, ideKey)) return false;

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
        if (!registry_.KeyWritable(Hive::CurrentUser, packages)) throw SetupError(kCannotRegisterLoader);
        DeleteValuesWithData(registry_, Hive::CurrentUser, packages, kPackageDescription);
    }
    steps_.SetStepDone(kStepRegister, true);

    if (!platform_.IsWin9xFamily()) platform_.RemoveFolder(installFolder_);
    return true;
}

}  // namespace setup
