#include "redirection_trust.h"

#include <windows.h>

namespace {

// The policy's number and its record, spelled here because older SDK headers
// lack them: PROCESS_MITIGATION_POLICY value ProcessRedirectionTrustPolicy
// and PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY, whose first bit,
// EnforceRedirectionTrust, refuses what the audit bit would only report.
constexpr int kProcessRedirectionTrustPolicy = 16;
constexpr DWORD kEnforceRedirectionTrust = 0x1;

using SetPolicy = BOOL(WINAPI*)(int policy, PVOID buffer, SIZE_T length);

}  // namespace

void AskNotToFollowUntrustedJunctions()
{
    // Looked up at run time: a static import of a function the system lacks
    // would keep the program from starting at all.
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setPolicy = reinterpret_cast<SetPolicy>(
        reinterpret_cast<void*>(kernel ? GetProcAddress(kernel, "SetProcessMitigationPolicy") : nullptr));
    if (setPolicy == nullptr) {
        return;
    }
    DWORD flags = kEnforceRedirectionTrust;
    // Refused where the system knows the function but not this policy: the
    // process then simply runs without it.
    setPolicy(kProcessRedirectionTrustPolicy, &flags, sizeof(flags));
}
