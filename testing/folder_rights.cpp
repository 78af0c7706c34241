// folder_rights.exe FOLDER: tells whether anyone but its owner's circle may
// change a folder, as Windows reports the folder's rights.
//
// Prints one line per access-allowing entry of the folder's DACL ("SID
// mask"), then exits 0 when only the user running it, SYSTEM, the
// Administrators group and CREATOR OWNER may write, delete or change the
// rights of the folder or of what it holds; 1 when another account or group
// (Users, Authenticated Users, Everyone, ...) may, or when the folder has no
// DACL at all (everyone may do anything); 2 on a usage error or when the
// rights cannot be read. Used by windows/setup_test.sh on the install folder.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};
struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};

std::wstring sidText(PSID sid) {
  LPWSTR text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return L"?";
  const std::unique_ptr<void, LocalFreer> owned(text);
  return text;
}

// The SID of the user this program runs as, as text; empty when unknown.
std::wstring currentUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return L"";
  const std::unique_ptr<void, HandleCloser> owned(token);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  auto buffer = std::make_unique<unsigned char[]>(size);
  if (!GetTokenInformation(token, TokenUser, buffer.get(), size, &size)) return L"";
  return sidText(reinterpret_cast<TOKEN_USER*>(buffer.get())->User.Sid);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: folder_rights FOLDER\n", stderr);
    return 2;
  }
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(argv[1], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                            &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    std::fputs("folder_rights: the folder's rights cannot be read\n", stderr);
    return 2;
  }
  const std::unique_ptr<void, LocalFreer> owned(descriptor);
  if (dacl == nullptr) {
    std::puts("no DACL: everyone has every right");
    return 1;
  }
  const std::wstring trusted[] = {currentUserSid(), L"S-1-5-18", L"S-1-5-32-544", L"S-1-3-0"};
  // What lets a holder change the folder or what it holds.
  constexpr ACCESS_MASK kChanges = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                   FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                   WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
  int result = 0;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(dacl, i, &entry)) return 2;
    const auto* header = static_cast<ACE_HEADER*>(entry);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    const std::wstring sid = sidText(&allowed->SidStart);
    std::printf("%ls %08lx\n", sid.c_str(), static_cast<unsigned long>(allowed->Mask));
    bool isTrusted = false;
    for (const std::wstring& name : trusted)
      isTrusted = isTrusted || (!name.empty() && sid == name);
    if (!isTrusted && (allowed->Mask & kChanges) != 0) result = 1;
  }
  return result;
}
