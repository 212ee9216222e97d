// Installing and uninstalling the plug-in library and the loader package for
// the IDEs of one generation: the files in a per-user folder (on Windows 9x
// in the IDE's "bin" folder), the expert and package registration under the
// IDE's key, and the plug-in's options.
#pragma once

#include <string>

#include "InstallOptions.h"
#include "RegistryAccess.h"
#include "SetupError.h"
#include "SetupPlatform.h"
#include "SetupProfile.h"
#include "StepMarks.h"

namespace setup {

class Installer {
public:
    Installer(const SetupProfile& profile, RegistryAccess& registry, SetupPlatform& platform, StepMarks& steps);

    // The per-user folder of the files: the application-data folder followed
    // by "\Toravex" (no trailing delimiter).
    const std::string& InstallFolder() const { return installFolder_; }

    // Uninstalls, writes the options, installs for each IDE key. Stops with
    // the build's install error when no IDE key took it.
    [[nodiscard]] SetupOutcome Install(const InstallOptions& options);
    // Uninstalls for each IDE key. Stops with the build's uninstall error
    // when neither key could be uninstalled for.
    [[nodiscard]] SetupOutcome Uninstall();

    // Whether an IDE of the build is installed (one of its keys exists under
    // HKEY_LOCAL_MACHINE), so that an install can take.
    bool IdeInstalled();

    // `done` is false when the key is empty or the IDE is not installed.
    [[nodiscard]] SetupOutcome InstallForIde(const std::string& ideKey, bool& done);
    // `done` is true for an empty key and false when the IDE is not
    // installed.
    [[nodiscard]] SetupOutcome UninstallForIde(const std::string& ideKey, bool& done);

private:
    [[nodiscard]] SetupOutcome TargetFolder(const std::string& ideKey, std::string& folder);
    std::optional<std::string> RootDir(const std::string& ideKey);
    [[nodiscard]] SetupOutcome CopyDeliverable(const std::string& file, const std::string& targetFolder, int step);
    void DeleteDeliverables(const std::string& folder);
    void ClearSteps();

    const SetupProfile& profile_;
    RegistryAccess& registry_;
    SetupPlatform& platform_;
    StepMarks& steps_;
    std::string installFolder_;
};

}  // namespace setup
