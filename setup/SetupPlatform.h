// What the installer asks of the operating system besides the registry: the
// platform family, its folders and the file operations. Paths are Windows
// paths; folders are given without a trailing delimiter unless said.
#pragma once

#include <string>

namespace setup {

class SetupPlatform {
public:
    virtual ~SetupPlatform() = default;

    // Windows 95, 98 and Me: the files go into the IDE's own folder.
    virtual bool IsWin9xFamily() = 0;
    // The per-user application-data folder; "" when the shell has none.
    virtual std::string AppDataFolder() = 0;
    // The installer's own folder, with a trailing delimiter.
    virtual std::string ProgramFolder() = 0;

    virtual bool FileExists(const std::string& path) = 0;
    // Copies over an existing file.
    virtual bool CopyFileOver(const std::string& from, const std::string& to) = 0;
    // Sets the attributes to normal (no read-only, hidden or system flag).
    virtual void ClearAttributes(const std::string& path) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
    // Creates the folder and its missing parents.
    virtual bool ForceFolders(const std::string& folder) = 0;
    // Removes the folder when it is empty; fails silently otherwise.
    virtual void RemoveFolder(const std::string& folder) = 0;
};

// The Win32 implementation.
class Win32SetupPlatform : public SetupPlatform {
public:
    bool IsWin9xFamily() override;
    std::string AppDataFolder() override;
    std::string ProgramFolder() override;
    bool FileExists(const std::string& path) override;
    bool CopyFileOver(const std::string& from, const std::string& to) override;
    void ClearAttributes(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool ForceFolders(const std::string& folder) override;
    void RemoveFolder(const std::string& folder) override;
};

// Path helpers with the host's delimiters ("\" and ":").
std::string IncludeTrailingDelimiter(const std::string& path);
std::string FolderOf(const std::string& path);  // up to and including the last delimiter

}  // namespace setup
