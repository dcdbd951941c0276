#include "update_request.h"

#include <shellapi.h>

#include <cstdlib>

#include "directory_identity.h"
#include "owned_entry.h"

bool SplitCommandLine(const wchar_t* commandLine, std::vector<std::wstring>& arguments)
{
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(commandLine, &count);
    if (argv == nullptr) {
        return false;
    }
    arguments.assign(argv, argv + count);
    LocalFree(argv);
    return true;
}

// _wtol accepts leading blanks and a sign and stops at the first non-digit;
// its 32-bit result is the process id as it stands, so "-1" is 0xFFFFFFFF.
static DWORD ParsePid(const std::wstring& text)
{
    return static_cast<DWORD>(_wtol(text.c_str()));
}

static std::wstring* OptionTarget(UpdateRequest& request, const std::wstring& argument)
{
    if (argument == kInstallRootOption) return &request.installRoot;
    if (argument == kStagingDirOption) return &request.stagingDir;
    if (argument == kExeSubdirOption) return &request.exeSubdir;
    if (argument == kRestartOption) return &request.restartExe;
    return nullptr;
}

UpdateRequest ParseUpdateArguments(const std::vector<std::wstring>& arguments)
{
    UpdateRequest request;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        bool isPid = argument == kPidOption;
        std::wstring* target = OptionTarget(request, argument);
        if (!isPid && target == nullptr) {
            continue;
        }
        std::wstring value = i + 1 < arguments.size() ? arguments[++i] : std::wstring();
        if (isPid) {
            request.pid = ParsePid(value);
        } else {
            *target = value;
        }
    }
    return request;
}

static bool SamePathText(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

static bool IsSameOrAncestorByText(const std::wstring& candidate, const std::wstring& path)
{
    std::wstring ancestor = FullPathWithoutTrailingSeparators(candidate);
    std::wstring descendant = FullPathWithoutTrailingSeparators(path);
    if (SamePathText(ancestor, descendant)) {
        return true;
    }
    return descendant.size() > ancestor.size() && descendant[ancestor.size()] == L'\\' &&
           SamePathText(ancestor, descendant.substr(0, ancestor.size()));
}

// The spelling refuses the plain cases and is all there is to go on for what
// cannot be opened (a directory not created yet, or one the updater may not
// open).  What opens is compared by identity as well, since a "\\?\" prefix,
// an 8.3 short name or a link spells the same directory differently.
static bool IsSameOrAncestor(const std::wstring& candidate, const std::wstring& path)
{
    return IsSameOrAncestorByText(candidate, path) || OpensAsSameOrAncestorDirectory(candidate, path);
}

bool IsValidUpdateRequest(const UpdateRequest& request)
{
    if (request.pid == 0 || request.installRoot.empty() || request.stagingDir.empty()) {
        return false;
    }
    return !IsSameOrAncestor(request.stagingDir, request.installRoot);
}
