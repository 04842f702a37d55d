// Where the Windows program's installation files are (beside it) and where it keeps its
// own: beside it only in a folder of the user's own that other users cannot write to;
// under Program Files, or anywhere else, in %LOCALAPPDATA%\Veltrane.

#include "platform/program_folder.h"

#include <windows.h>

#include <aclapi.h>
#include <cstdlib>
#include <shlobj.h>
#include <vector>

namespace {

// What lets a holder add, replace or remove the files of a folder, or change who may.
constexpr ACCESS_MASK kChangesFolder = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD |
                                       DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                       GENERIC_ALL | MAXIMUM_ALLOWED;

struct LocalMemory {
    ~LocalMemory() { LocalFree(pointer); }
    PSECURITY_DESCRIPTOR pointer = nullptr;
};

// The full, long, lower-case form of a path, without a trailing separator.
std::string comparable(std::string path) {
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    char full[MAX_PATH * 4];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (length > 0 && length < sizeof full)
        path.assign(full, length);
    length = GetLongPathNameA(path.c_str(), full, sizeof full);
    if (length > 0 && length < sizeof full)
        path.assign(full, length);
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    CharLowerBuffA(path.data(), static_cast<DWORD>(path.size()));
    return path;
}

std::string shellFolder(int id) {
    char path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : "";
}

// Either Program Files, as the system and the environment name them (a 32-bit program
// on 64-bit Windows is told of both only through the environment).
bool underProgramFiles(const std::string& folder) {
    const std::string program = comparable(folder);
    std::vector<std::string> roots = {shellFolder(CSIDL_PROGRAM_FILES),
                                      shellFolder(CSIDL_PROGRAM_FILESX86)};
    for (const char* name : {"ProgramW6432", "ProgramFiles", "ProgramFiles(x86)"})
        if (const char* value = std::getenv(name))
            roots.emplace_back(value);
    for (const std::string& root : roots) {
        if (root.empty())
            continue;
        const std::string base = comparable(root);
        if (program == base || program.rfind(base + "\\", 0) == 0)
            return true;
    }
    return false;
}

bool isTrusted(PSID sid, PSID user) {
    return EqualSid(sid, user) || IsWellKnownSid(sid, WinLocalSystemSid) ||
           IsWellKnownSid(sid, WinBuiltinAdministratorsSid);
}

// The folder belongs to the user (or to the administrators who set it up for them), and
// no entry of its DACL lets anyone but them, the system and the administrators change
// it. An entry of a kind not known here counts against it.
bool usersOwnFolder(const std::string& folder, PSID user) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    LocalMemory descriptor;
    if (GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &dacl, nullptr, &descriptor.pointer) != ERROR_SUCCESS ||
        !owner || !dacl || !isTrusted(owner, user))
        return false;
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        ACE_HEADER* entry = nullptr;
        if (!GetAce(dacl, index, reinterpret_cast<void**>(&entry)))
            return false;
        if (entry->AceType == ACCESS_DENIED_ACE_TYPE || (entry->AceFlags & INHERIT_ONLY_ACE))
            continue;
        if (entry->AceType != ACCESS_ALLOWED_ACE_TYPE)
            return false;
        const auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(entry);
        if ((allowed->Mask & kChangesFolder) &&
            !isTrusted(const_cast<DWORD*>(&allowed->SidStart), user))
            return false;
    }
    return true;
}

// The user's SID, kept in `buffer`.
PSID currentUser(std::vector<char>& buffer) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return nullptr;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    buffer.resize(size);
    const bool read = size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
    CloseHandle(token);
    return read ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid : nullptr;
}

// Makes %LOCALAPPDATA%\Veltrane or checks the one there; empty when it is fit.
std::string perUserFolderProblem(const std::string& folder, PSID user) {
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return folder + " cannot be made";
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return folder + " is not a folder";
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return folder + " is a link to another place";
    if (!usersOwnFolder(folder, user))
        return folder + " belongs to another user, or other users can change it";
    return {};
}

} // namespace

std::string installationFilePath(const std::string& name) {
    return programFolder() + "/" + name;
}

bool isInstalledCopy() {
    // The installer is the upgrade on Windows: every copy downloads it.
    return false;
}

DataFolderChoice chooseDataFolder() {
    std::vector<char> buffer;
    PSID user = currentUser(buffer);
    if (user && !underProgramFiles(programFolder()) && usersOwnFolder(programFolder(), user))
        return {};
    const std::string base = shellFolder(CSIDL_LOCAL_APPDATA);
    if (base.empty() || !user)
        return {false, dataFolderRefusal("%LOCALAPPDATA% is not known")};
    const std::string folder = base + "\\Veltrane";
    if (const std::string problem = perUserFolderProblem(folder, user); !problem.empty())
        return {false, dataFolderRefusal(problem)};
    setDataFolder(folder);
    return {true, {}};
}
